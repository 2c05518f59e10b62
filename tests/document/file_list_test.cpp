// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "doc_fakes.h"
#include "support/synthetic_video.h"

namespace {

TEST(FileList, AddMakesTheFirstNewFileCurrent) {
    DocFixture f;
    const QString a = f.files.Make("a.bmp", 3);
    f.Add({a, f.files.Make("b.bmp", 4)});
    f.Add({f.files.Make("c.bmp", 5), a, f.files.Make("d.bmp", 6)});
    EXPECT_EQ(f.Titles(), (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp", "a.bmp", "d.bmp"}));
    EXPECT_EQ(f.doc.m_nCurImage, 2);
    EXPECT_NE(f.doc.GetPictureBitmap(), nullptr);
    EXPECT_EQ(f.doc.m_profile.GetSeries(3)->m_strPath, a.toStdString());

    // The dialog offers the image types, upper case and .jpeg included, and all files; the
    // type's name lists every kind it takes.
    ASSERT_EQ(f.ui.lastOpen.filters.size(), 2u);
    const FileFilter& images = f.ui.lastOpen.filters[0];
    for (const char* pattern :
         {"*.bmp", "*.JPG", "*.jpeg", "*.GIF", "*.png", "*.PNG", "*.tif", "*.TIFF"}) {
        EXPECT_TRUE(images.patterns.contains(pattern)) << pattern;
    }
    for (const QString& pattern : images.patterns) {
        EXPECT_TRUE(images.description.contains(pattern.toLower())) << pattern.toStdString();
    }
    EXPECT_EQ(f.ui.lastOpen.defaultSuffix, QStringLiteral("bmp"));

    const int updates = f.panel.updates;
    f.doc.OnAddFiles();  // cancelled: nothing added, the views still update
    EXPECT_EQ(f.doc.m_profile.GetSize(), 5);
    EXPECT_EQ(f.panel.updates, updates + 1);
}

TEST(FileList, DeleteMovesTheCurrentIndexAsTheListShrinks) {
    struct Case {
        int count;
        int current;
        int expectedCurrent;
        std::vector<std::string> expectedTitles;
    };
    const Case cases[] = {
        {3, 1, 1, {"f0.bmp", "f2.bmp"}},  // the middle one: the next becomes current
        {3, 2, 1, {"f0.bmp", "f1.bmp"}},  // the last: the one before it
        {1, 0, -1, {}},                   // the only one: the list is empty
    };
    for (const Case& c : cases) {
        DocFixture f;
        QStringList paths;
        for (int k = 0; k < c.count; ++k) {
            paths << f.files.Make(QStringLiteral("f%1.bmp").arg(k), 10 + k);
        }
        f.Add(paths);
        f.doc.AddLineToAll(0, 5, 100, 5);
        f.doc.m_nCurLine = 0;
        f.doc.OpenImage(c.current);
        f.ui.answers = {true};
        f.doc.OnDeleteFile();
        SCOPED_TRACE(c.count * 10 + c.current);
        EXPECT_EQ(f.ui.questions.back(),
                  QStringLiteral("現在のファイルを削除しますか\n") + paths[c.current]);
        EXPECT_EQ(f.Titles(), c.expectedTitles);
        EXPECT_EQ(f.doc.m_nCurImage, c.expectedCurrent);
        EXPECT_EQ(f.doc.GetPictureBitmap() != nullptr, c.expectedCurrent >= 0);
        EXPECT_EQ(f.doc.m_nCurLine, c.expectedCurrent >= 0 ? 0 : -1);
        EXPECT_EQ(f.doc.m_profile.m_arAxis.size(), c.expectedTitles.size());
    }
}

TEST(FileList, DeleteTheLastWithoutACurrentLineEmptiesTheBuffer) {
    DocFixture f;
    f.Add({f.files.Make("a.bmp", 3), f.files.Make("b.bmp", 4)});
    f.doc.OpenImage(1);
    f.doc.m_buffer.m_nLastSample = 40;
    f.doc.OnDeleteFile();
    EXPECT_EQ(f.doc.m_nCurImage, 0);
    EXPECT_EQ(f.doc.m_buffer.m_nLastSample, -1);
}

TEST(FileList, ConfirmationsGuardTheDeletes) {
    DocFixture f;
    f.doc.OnDeleteFile();
    f.doc.OnDeleteAll();
    EXPECT_TRUE(f.ui.questions.empty());  // an empty list asks nothing

    f.Add({f.files.Make("a.bmp", 3), f.files.Make("b.bmp", 4)});
    f.doc.AddLineToAll(0, 5, 100, 5);
    f.ui.answers = {false, false};
    f.doc.OnDeleteFile();
    f.doc.OnDeleteAll();
    EXPECT_EQ(f.doc.m_profile.GetSize(), 2);
    EXPECT_NE(f.doc.GetPictureBitmap(), nullptr);
    EXPECT_EQ(f.ui.questions.back(), QStringLiteral("全てのファイルを削除しますか"));

    f.ui.answers = {true};
    f.doc.m_nCurLine = 0;
    f.doc.OnDeleteAll();
    EXPECT_EQ(f.doc.m_profile.GetSize(), 0);
    EXPECT_EQ(f.doc.GetPictureBitmap(), nullptr);
    EXPECT_EQ(f.doc.m_nCurImage, -1);
    EXPECT_EQ(f.doc.m_nCurLine, -1);
    EXPECT_EQ(f.doc.m_buffer.m_nLastSample, -1);
    // A list built up again starts without lines.
    f.Add({f.files.Make("c.bmp", 5)});
    EXPECT_EQ(f.doc.GetLastLineIndex(), -1);
}

TEST(FileList, SortAndMovesKeepTheCurrentFileCurrent) {
    DocFixture f;
    f.Add({f.files.Make("b.bmp", 3), f.files.Make("A.bmp", 4), f.files.Make("a.bmp", 5)});
    f.doc.OpenImage(0);  // b.bmp
    f.doc.OnSortFiles();
    EXPECT_EQ(f.Titles(), (std::vector<std::string>{"A.bmp", "a.bmp", "b.bmp"}));
    EXPECT_EQ(f.doc.m_nCurImage, 2);
    EXPECT_NE(f.doc.GetPictureBitmap(), nullptr);

    f.doc.OnMoveDown();  // already last: nothing
    EXPECT_EQ(f.doc.m_nCurImage, 2);
    f.doc.OnMoveUp();
    EXPECT_EQ(f.Titles(), (std::vector<std::string>{"A.bmp", "b.bmp", "a.bmp"}));
    EXPECT_EQ(f.doc.m_nCurImage, 1);
    f.doc.OnMoveUp();
    f.doc.OnMoveUp();  // already first: nothing
    EXPECT_EQ(f.doc.m_nCurImage, 0);
    EXPECT_EQ(f.Titles()[0], "b.bmp");
    f.doc.OnMoveDown();
    EXPECT_EQ(f.doc.m_nCurImage, 1);
}

TEST(FileList, CommandsOnAnEmptyListTouchNothing) {
    DocFixture f;
    for (int id :
         {IDC_DELETE_FILE, IDC_DELETE_ALL, IDC_SORT_FILES, IDC_MOVE_UP, IDC_MOVE_DOWN, ID_MOVE_UP,
          ID_MOVE_DOWN, ID_MOVE_LEFT, ID_MOVE_RIGHT, ID_AXIS_SETTINGS, ID_DATA_WRITE}) {
        EXPECT_TRUE(f.doc.OnCmdMsg(id)) << id;
    }
    EXPECT_EQ(f.doc.m_profile.GetSize(), 0);
    EXPECT_EQ(f.doc.m_nCurImage, -1);
    EXPECT_EQ(f.ui.saveDialogs, 0);
    EXPECT_TRUE(f.ui.axisShown.empty());
}

// A stack of grey pages, page k with a dark bar at column bars[k].
bool WriteBarStack(const std::string& path, const std::vector<int>& bars) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) return false;
    bool ok = true;
    for (const int bar : bars) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 40);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 8);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 8);
        std::vector<unsigned char> row(40, 200);
        row[static_cast<std::size_t>(bar)] = 10;
        for (std::uint32_t y = 0; y < 8 && ok; ++y) ok = TIFFWriteScanline(tif, row.data(), y, 0) == 1;
        ok = ok && TIFFWriteDirectory(tif) == 1;
    }
    TIFFClose(tif);
    return ok;
}

TEST(FileList, AStacksPagesAreEntriesOfTheirOwn) {
    struct Case {
        const char* name;
        std::vector<int> bars;  // one per page
        std::vector<std::string> titles;
    };
    const Case cases[] = {
        {"s.tif", {3, 7, 11}, {"a.bmp", "s.tif [1/3]", "s.tif [2/3]", "s.tif [3/3]"}},
        // One page is a picture like any other: one entry, without a number.
        {"one.tif", {5}, {"a.bmp", "one.tif"}},
    };
    for (const Case& c : cases) {
        DocFixture f;
        const QString stack = f.files.Path(QString::fromLatin1(c.name));
        ASSERT_TRUE(WriteBarStack(stack.toStdString(), c.bars));
        f.Add({f.files.Make("a.bmp", 2), stack});
        ASSERT_EQ(f.Titles(), c.titles) << c.name;
        const bool pages = c.bars.size() > 1;
        for (std::size_t k = 0; k < c.bars.size(); ++k) {
            const int i = static_cast<int>(k) + 1;
            EXPECT_EQ(f.doc.m_profile.GetSeries(i)->m_nFrame, pages ? static_cast<int>(k) : -1);
            // Each entry shows its own page, also when stepping back onto one shown before.
            for (const int at : {i, 1, i}) {
                f.doc.OpenImage(at);
                const CPicture* picture = f.doc.GetPictureBitmap();
                ASSERT_NE(picture, nullptr) << c.name << " " << at;
                EXPECT_EQ(picture->GetPixel(c.bars[static_cast<std::size_t>(at - 1)], 4), 0x0A0A0Au)
                    << c.name << " entry " << at;
            }
        }
        // One step takes the whole file out, and brings back the same entries.
        f.doc.UndoStack().undo();
        EXPECT_EQ(f.doc.m_profile.GetSize(), 0);
        f.doc.UndoStack().redo();
        EXPECT_EQ(f.Titles(), c.titles);
    }
}

TEST(FileList, AddingFilesShowsProgressAndAStopAddsNone) {
    // Many files, counted file by file; a long video, counted within the file as its packets
    // are read. A stop anywhere adds nothing, and leaves nothing of a stopped survey behind.
    struct Case {
        const char* name;
        bool video;
        int stopAt;  // the progress value from which on the user has stopped; -1 never
        int entries;
    };
    const Case cases[] = {{"files", false, -1, 16},
                          {"files, stopped after the first", false, 5, 0},
                          {"video", true, -1, 1200},
                          {"video, stopped within it", true, 1, 0}};
    for (const Case& c : cases) {
        DocFixture f;
        QStringList paths;
        if (c.video) {
            SyntheticVideo video;
            video.path = f.files.Path(QStringLiteral("run.mp4")).toStdString();
            video.codec = AV_CODEC_ID_MPEG4;
            video.width = 32;
            video.height = 16;
            video.frames = 1200;
            ASSERT_EQ(WriteSyntheticVideo(video), "");
            paths << QString::fromStdString(video.path);
        } else {
            for (int k = 0; k < 16; ++k) paths << f.files.Make(QStringLiteral("f%1.bmp").arg(k), k);
        }
        std::vector<int> seen;
        f.ui.onProgress = [&seen](int done) { seen.push_back(done); };
        f.ui.cancelProgressAt = c.stopAt;
        f.Add(paths);
        EXPECT_EQ(f.ui.progressBegun, 1) << c.name;
        EXPECT_EQ(f.ui.progressEnded, 1) << c.name;
        EXPECT_EQ(f.doc.m_profile.GetSize(), c.entries) << c.name;
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << c.name;
        if (c.video) {
            EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](int v) { return v > 0 && v < 100; }))
                << c.name << ": the bar moves within the one file";
            EXPECT_EQ(seen.back() < 100, c.stopAt >= 0) << c.name << ": stopped within the file";
        }
    }
}

}  // namespace
