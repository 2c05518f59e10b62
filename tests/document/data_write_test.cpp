// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <nlohmann/json.hpp>

#include "doc_fakes.h"
#include "support/ordinary_user.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Three images whose bars stand at columns 30, 50 and 70, one horizontal line across them drawn
// while only the first was shown: on the other two the line waits for detection.
struct ExportFixture : DocFixture {
    QString out;
    ExportFixture() {
        Add({files.Make("a.bmp", 30, 120, 130), files.Make("b.bmp", 50, 120, 130),
             files.Make("c.bmp", 70, 120, 130)});
        doc.AddLineToAll(10, 110, 110, 110);
        doc.m_nCurLine = 0;
        doc.DetectPending();  // what painting image 0 does
        out = files.Path("out.dat");
    }
};

TEST(DataWrite, DetectsPendingLinesBeforeWriting) {
    ExportFixture f;
    // Paint leaves the bars at 30 on image 0; 50 and 70 have not been seen yet.
    ASSERT_EQ(f.doc.m_profile.GetCurPoint(0, 0, 0), (CPoint{30, 110}));
    ASSERT_TRUE(f.doc.m_profile.GetLine(1, 0, 0)->m_bDetect);
    f.doc.m_buffer.m_nLastSample = 77;                    // the export must leave the buffer alone
    f.doc.m_profile.GetLine(2, 0, 0)->m_bDetect = false;  // moved by hand: written as it stands
    f.doc.m_profile.GetLine(2, 0, 0)->SetPos(5);

    f.ui.saveChoices = {f.out};
    f.doc.OnCmdMsg(ID_DATA_WRITE);
    EXPECT_TRUE(f.ui.messages.empty());
    const QByteArray expected =
        "Pixcel Value\r\n"
        "File No.\tPt1_x\tPt1_y\r\n"
        "1\t        20\t         0\r\n"
        "2\t        40\t         0\r\n"
        "3\t         5\t         0\r\n"
        "\r\n"
        "Converted Value\r\n"
        "File No.\tPt1_x\tPt1_y\r\n"
        "1\t 2.000000e-001\t 0.000000e+000\r\n"
        "2\t 4.000000e-001\t 0.000000e+000\r\n"
        "3\t 5.000000e-002\t 0.000000e+000\r\n";
    EXPECT_EQ(ReadAll(f.out), expected);
    EXPECT_EQ(f.doc.m_buffer.m_nLastSample, 77);
    EXPECT_FALSE(f.doc.m_profile.GetLine(1, 0, 0)->m_bDetect);
    EXPECT_EQ(f.doc.m_nCurImage, 0);
    EXPECT_NE(f.doc.GetPictureBitmap(), nullptr);

    // The dialog: .dat by default, asks before overwriting, data files and all files.
    EXPECT_EQ(f.ui.lastSave.defaultSuffix, QStringLiteral("dat"));
    EXPECT_TRUE(f.ui.lastSave.confirmOverwrite);
    ASSERT_EQ(f.ui.lastSave.filters.size(), 2u);
    EXPECT_EQ(f.ui.lastSave.filters[0].description, QStringLiteral("データファイル (*.dat)"));
}

TEST(DataWrite, DetectionUsesThePanelsRuleAndChannel) {
    ExportFixture f;
    f.panel.options.edgeMode = 2;  // steepest fall: the sample before the bar
    f.ui.saveChoices = {f.out};
    f.doc.OnDataWrite();
    EXPECT_EQ(f.doc.m_profile.GetCurPoint(1, 0, 0), (CPoint{49, 110}));
    EXPECT_EQ(f.doc.m_profile.GetCurPoint(2, 0, 0), (CPoint{69, 110}));
}

TEST(DataWrite, NothingIsWrittenWhenCancelledOrEmpty) {
    struct Case {
        const char* what;
        std::function<void(ExportFixture&)> arrange;
        QString message;
    };
    const Case cases[] = {
        {"dialog cancelled", [](ExportFixture& f) { f.ui.saveChoices.clear(); }, {}},
        {"progress cancelled", [](ExportFixture& f) { f.ui.cancelProgressAt = 0; }, {}},
        {"no scan lines", [](ExportFixture& f) { f.doc.m_profile.RemoveLine(0); },
         QStringLiteral("データがありません")},
        {"an image cannot be read, and the user declines",
         [](ExportFixture& f) {
             QFile::remove(f.files.Path("b.bmp"));
             f.ui.answers = {false};
         },
         {}},
        {"the target is a folder",
         [](ExportFixture& f) { QFile::remove(f.out), QDir().mkpath(f.out); },
         QStringLiteral("ファイルを開くことができません")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExportFixture f;
        f.ui.saveChoices = {f.out};
        {
            QFile old(f.out);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old contents");
        }
        c.arrange(f);
        const QByteArray before = QFileInfo(f.out).isDir() ? QByteArray() : ReadAll(f.out);
        f.doc.OnDataWrite();
        if (!QFileInfo(f.out).isDir()) {
            EXPECT_EQ(ReadAll(f.out), before);
        }
        if (c.message.isEmpty()) {
            EXPECT_TRUE(f.ui.messages.empty());
        } else {
            ASSERT_EQ(f.ui.messages.size(), 1u);
            EXPECT_TRUE(f.ui.messages[0].startsWith(c.message)) << f.ui.messages[0].toStdString();
        }
    }
}

// The current line's profile: a line still waiting is detected first, so that the file's cursor
// is its edge; a picture of the list or a folder as the target is refused with a message.
TEST(DataWrite, TheCurrentLinesProfile) {
    struct Case {
        const char* what;
        const char* target;
        QString message;
        const char* written;  // a line the file holds; nullptr: nothing is written
    };
    const Case cases[] = {
        {"a waiting line", "profile.csv", {}, "# cursor: 40\r\n"},
        {"a picture of the list", "a.bmp", QStringLiteral("測定中の画像には書き出せません"),
         nullptr},
        {"a folder", "folder", QStringLiteral("ファイルを開くことができません"), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExportFixture f;
        QDir().mkpath(f.files.Path("folder"));
        f.doc.OpenImage(1);  // b.bmp, its line not detected yet
        ASSERT_TRUE(f.doc.GetCurLine()->m_bDetect);
        const QString target = f.files.Path(c.target);
        const QByteArray before = ReadAll(target);
        f.ui.saveChoices = {target};
        EXPECT_TRUE(f.doc.OnCmdMsg(ID_PROFILE_WRITE));
        if (c.message.isEmpty()) {
            EXPECT_TRUE(f.ui.messages.empty());
        } else {
            ASSERT_EQ(f.ui.messages.size(), 1u);
            EXPECT_TRUE(f.ui.messages[0].startsWith(c.message)) << f.ui.messages[0].toStdString();
        }
        if (c.written == nullptr) {
            EXPECT_EQ(ReadAll(target), before);
            continue;
        }
        EXPECT_FALSE(f.doc.GetCurLine()->m_bDetect);
        const QByteArray bytes = ReadAll(target);
        EXPECT_TRUE(bytes.contains(c.written)) << bytes.data();
        EXPECT_TRUE(bytes.startsWith("# image: 2\r\n# line: 1\r\n")) << bytes.data();
    }
}

TEST(DataWrite, AnUnreadableImageIsNamedAndWrittenWithoutMeasurements) {
    // Its cursor stands on the line's start, which is no edge point: the data file says No Data,
    // the table leaves the row's fields empty and says why.
    const struct {
        int command;
        const char* name;
        QByteArray unmeasured;
        QByteArray measured;
    } cases[] = {
        {ID_DATA_WRITE, "out.dat", "\r\n3\tNo Data\tNo Data\r\n", "\r\n2\t        40\t"},
        {ID_DATA_WRITE_CSV, "out.csv", "c.bmp,1,,,,,,,unreadable,\r\n",
         "b.bmp,1,50,110,40,0,0.4,0,detected,minimum average width=1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExportFixture f;
        QFile::remove(f.files.Path("c.bmp"));
        f.ui.saveChoices = {f.files.Path(c.name)};
        f.ui.answers = {true};
        f.doc.OnCmdMsg(c.command);
        ASSERT_EQ(f.ui.questions.size(), 1u);
        EXPECT_TRUE(f.ui.questions[0].contains(f.files.Path("c.bmp")));
        // The loader's reason in the window's language, and what becomes of the rows.
        EXPECT_TRUE(f.ui.questions[0].contains(QStringLiteral("ファイルが見つかりません。")))
            << f.ui.questions[0].toStdString();
        EXPECT_TRUE(f.ui.questions[0].contains(QStringLiteral("No Data")));
        const QByteArray written = ReadAll(f.files.Path(c.name));
        EXPECT_EQ(written.count(c.unmeasured), c.command == ID_DATA_WRITE ? 2 : 1) << written.data();
        EXPECT_TRUE(written.contains(c.measured)) << written.data();
        EXPECT_TRUE(f.doc.m_profile.GetLine(2, 0, 0)->m_bDetect);
        EXPECT_FALSE(f.doc.m_profile.GetLine(1, 0, 0)->m_bDetect);
        EXPECT_TRUE(f.doc.IsMissing(2));  // the file list marks it
    }
}

// The table always has its provenance beside it, the data file never: the images as they were
// when it was written, one gone since the detection recorded as gone.
TEST(DataWrite, TheTablesProvenanceBesideIt) {
    const struct {
        int command;
        const char* name;
        bool removeImage;
    } cases[] = {
        {ID_DATA_WRITE_CSV, "out.csv", false},
        {ID_DATA_WRITE_CSV, "out.csv", true},
        {ID_DATA_WRITE, "out.dat", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExportFixture f;
        if (c.removeImage) QFile::remove(f.files.Path("c.bmp"));
        f.ui.saveChoices = {f.files.Path(c.name)};
        f.ui.answers = {true};
        f.doc.OnCmdMsg(c.command);
        ASSERT_TRUE(f.ui.messages.empty()) << f.ui.messages[0].toStdString();
        const QString sidecar = f.files.Path(c.name) + ".json";
        if (c.command == ID_DATA_WRITE) {
            EXPECT_FALSE(QFile::exists(sidecar));
            continue;
        }
        const nlohmann::json doc = nlohmann::json::parse(ReadAll(sidecar).toStdString(), nullptr, false);
        ASSERT_TRUE(doc.is_object()) << ReadAll(sidecar).data();
        EXPECT_EQ(doc["program"], "quandrel");
        EXPECT_EQ(doc["output"], f.files.Path(c.name).toStdString());
        EXPECT_EQ(doc["session"]["sha256"].get<std::string>().size(), 64u);
        EXPECT_EQ(doc["options"]["lines"].size(), 1u);
        ASSERT_EQ(doc["inputs"].size(), 3u);
        const nlohmann::json& last = doc["inputs"][2];
        EXPECT_EQ(last["path"], f.files.Path("c.bmp").toStdString());
        EXPECT_EQ(last.contains("error"), c.removeImage);
        EXPECT_EQ(last["sha256"].is_null(), c.removeImage);
        EXPECT_EQ(doc["inputs"][0]["size"], ReadAll(f.files.Path("a.bmp")).size());
    }
}

// Times reach the table only, and an entry without one is an empty field and a notice, never 0.
TEST(DataWrite, TheTablesTimesAndTheNoticeOfThoseMissing) {
    const EntryTime video{7.5, TimeSource::VideoTimestamp};
    const struct {
        int command;
        std::vector<EntryTime> times;
        QByteArray header;
        std::vector<QByteArray> rows;  // where the times stand, a row each
        std::size_t notices;
    } cases[] = {
        {ID_DATA_WRITE_CSV, {{}, {}, {}}, "image,path,line,", {}, 0},
        {ID_DATA_WRITE_CSV,
         {video, {}, {9, TimeSource::VideoTimestamp}},
         "image,path,time,line,",
         {"a.bmp,0,1,", "b.bmp,,1,", "c.bmp,1.5,1,"},
         1},
        {ID_DATA_WRITE, {video, {}, video}, "Pixcel Value\r\n", {}, 0},
    };
    for (const auto& c : cases) {
        ExportFixture f;
        for (int i = 0; i < 3; ++i) f.doc.m_profile.GetSeries(i)->m_time = c.times[i];
        f.ui.saveChoices = {f.files.Path("out")};
        f.doc.OnCmdMsg(c.command);
        const QByteArray written = ReadAll(f.files.Path("out"));
        EXPECT_TRUE(written.startsWith(c.header)) << written.data();
        for (const QByteArray& row : c.rows) EXPECT_TRUE(written.contains(row)) << written.data();
        ASSERT_EQ(f.ui.messages.size(), c.notices);
        if (c.notices > 0) {
            EXPECT_TRUE(f.ui.messages[0].contains(QStringLiteral("時刻のない画像が 1 件")));
        }
    }
}

// The export's progress lets the window run. Whatever the user does meanwhile (every command,
// every edit of the view and the panel, the export itself again) is refused, and the file is
// the one an undisturbed export writes, with the unreadable image named.
TEST(DataWrite, NothingChangesTheRecordsWhileTheDetectionRuns) {
    const auto arrange = [](ExportFixture& f) {
        f.Add({f.files.Path("gone.bmp")});
        f.doc.OpenImage(0);
        f.ui.saveChoices = {f.out};
    };
    ExportFixture undisturbed;
    arrange(undisturbed);
    undisturbed.doc.OnDataWrite();
    ASSERT_EQ(undisturbed.ui.questions.size(), 1u);

    ExportFixture f;
    arrange(f);
    int rounds = 0;
    f.ui.onProgress = [&](int) {
        ++rounds;
        for (int id : {IDC_DELETE_ALL, IDC_DELETE_FILE, IDC_MOVE_DOWN, IDC_MOVE_UP, IDC_SORT_FILES,
                       IDC_ADD_FILES, ID_MOVE_DOWN, ID_MOVE_UP, ID_MOVE_RIGHT, ID_MEASURE_LENGTH,
                       ID_AXIS_SETTINGS, ID_DATA_WRITE}) {
            EXPECT_TRUE(f.doc.OnCmdMsg(id));
        }
        f.doc.OpenImage(2);
        EXPECT_FALSE(f.doc.AddLineToAll(1, 1, 90, 90));
        EXPECT_FALSE(f.doc.ReshapeCurLine(1, 2, 3, 4));
        f.doc.DeleteCurLine();
        f.doc.RedetectCurLine();
        f.doc.SetAxisPixel(0, 9, 9);
    };
    f.doc.OnDataWrite();
    EXPECT_GT(rounds, 0);
    ASSERT_EQ(f.ui.questions.size(), 1u);
    EXPECT_TRUE(f.ui.questions[0].contains(f.files.Path("gone.bmp")));
    EXPECT_EQ(f.ui.saveDialogs, 1);
    EXPECT_EQ(ReadAll(f.out), ReadAll(undisturbed.out));
    EXPECT_EQ(f.Titles(), undisturbed.Titles());
    EXPECT_EQ(f.doc.m_nCurImage, 0);
    EXPECT_EQ(f.doc.m_profile.GetAxis(0)->m_origin.m_xPixel,
              undisturbed.doc.m_profile.GetAxis(0)->m_origin.m_xPixel);
    EXPECT_FALSE(f.doc.IsBusy());
    f.doc.OnDeleteAll();  // the document takes commands again afterwards
    EXPECT_EQ(f.doc.m_profile.GetSize(), 0);
}

// The export never writes over a picture of the list, however its name is spelt.
TEST(DataWrite, APictureOfTheListIsNeverTheTarget) {
    ExportFixture f;
    const QString image = f.files.Path("b.bmp");
    const QByteArray before = ReadAll(image);
    f.ui.saveChoices = {f.files.Path("sub/../b.bmp")};
    QDir(f.files.Path(QString())).mkdir("sub");
    f.doc.OnDataWrite();
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_TRUE(f.ui.messages[0].endsWith(image));
    EXPECT_EQ(ReadAll(image), before);
}

// A file made read-only stays as it is, though its folder would let a new file replace it.
TEST(DataWrite, AReadOnlyFileIsRefusedWithTheCause) {
    ExportFixture f;
    for (int i = 0; i < f.doc.m_profile.GetSize(); ++i) {
        f.doc.m_profile.GetLine(i, 0, 0)->m_bDetect = false;  // no detection threads in the child
    }
    f.ui.saveChoices = {f.out};
    {
        QFile old(f.out);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    const QByteArray folder = QFile::encodeName(f.files.Path(QString()));
    const QByteArray out = QFile::encodeName(f.out);
    ASSERT_EQ(::chown(folder.constData(), OrdinaryUid(), static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(::chown(out.constData(), OrdinaryUid(), static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(::chmod(out.constData(), 0444), 0);
    if (::geteuid() != 0 && ::access(out.constData(), W_OK) == 0) {
        GTEST_SKIP() << "permission bits are not enforced for this user";
    }
    EXPECT_TRUE(AsOrdinaryUser([&] {
        f.doc.OnDataWrite();
        return f.ui.messages.size() == 1 &&
               f.ui.messages[0] ==
                   QStringLiteral("ファイルを開くことができません\n%1\n書き込む権限がありません。")
                       .arg(f.out);
    }));
    EXPECT_EQ(ReadAll(f.out), QByteArray("old contents"));
    EXPECT_EQ(QDir(f.files.Path(QString())).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

TEST(AxisSettings, FillsFromTheCurrentImageAndWritesBackByScope) {
    struct Case {
        bool individual;
        bool ok;
        bool firstChanges;
        bool currentChanges;
    };
    for (const Case& c : {Case{false, true, true, true}, Case{true, true, false, true},
                          Case{false, false, false, false}}) {
        DocFixture f;
        f.Add({f.files.Make("a.bmp", 3), f.files.Make("b.bmp", 4)});
        f.doc.m_profile.GetAxis(1)->m_xAxis.m_yValue = 3.0;  // not shown; OK clears it
        f.doc.m_profile.GetAxis(1)->m_origin.m_xPixel = 12;
        f.doc.OpenImage(1);
        f.panel.options.axisIndividual = c.individual;
        f.ui.axisDialog = [&](AxisDialogValues& v) {
            v.m_nYAxisY = 5;
            v.m_dXMax = 1000;
            v.m_dXMin = 1;
            v.m_bLogX = true;
            return c.ok;
        };
        f.doc.OnCmdMsg(ID_AXIS_SETTINGS);
        ASSERT_EQ(f.ui.axisShown.size(), 1u);
        AxisDialogValues shown;
        shown.m_nOriginX = 12, shown.m_nOriginY = 110, shown.m_nXAxisX = 110, shown.m_nXAxisY = 110,
        shown.m_nYAxisX = 10, shown.m_nYAxisY = 10;
        shown.m_dXMin = 0, shown.m_dXMax = 1, shown.m_dYMin = 0, shown.m_dYMax = 1;
        EXPECT_EQ(f.ui.axisShown[0], shown);

        const CDataAxis& first = *f.doc.m_profile.GetAxis(0);
        const CDataAxis& current = *f.doc.m_profile.GetAxis(1);
        EXPECT_EQ(first.m_bLogX, c.firstChanges);
        EXPECT_EQ(first.m_origin.m_xPixel, c.firstChanges ? 12 : 10);
        EXPECT_EQ(current.m_bLogX, c.currentChanges);
        EXPECT_EQ(current.m_yAxis.m_yPixel, c.currentChanges ? 5 : 10);
        EXPECT_EQ(current.m_xAxis.m_yValue, c.currentChanges ? 0.0 : 3.0);
        if (c.currentChanges) {
            // Halfway along a 1..1000 logarithmic axis lies 10^1.5.
            EXPECT_NEAR(AxisFrame(current).Convert({61, 110}).x, 31.6227766, 1e-6);
        }
    }
}

}  // namespace
