// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding the neighbours ahead changes nothing that the user can see but the time a step takes:
// every scenario runs once without the prefetch and once with it, and both must end with the
// same messages, missing marks, edges, undo history and data file, and every step must show the
// picture of the current record's file as it is on disk then.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QImage>
#include <chrono>
#include <functional>
#include <thread>

#include "document/doc_fakes.h"
#include "picture/picture_prefetch.h"

namespace {

struct Trial {
    DocFixture f;
    explicit Trial(bool prefetch) {
        if (prefetch) f.doc.EnablePrefetch(true);
        // Titles out of order, so that sorting moves records; c.bmp cannot be decoded.
        f.Add({f.files.Make("e.bmp", 30), f.files.Make("a.bmp", 40), f.files.Make("d.bmp", 50),
               f.files.Make("b.bmp", 60), f.files.Text("c.bmp", "BM not a picture")});
        f.doc.AddLineToAll(5, 40, 115, 40);
        f.doc.m_nCurLine = 0;
        Painted();
    }
    QString Path(const char* name) const { return f.files.Path(QString::fromLatin1(name)); }
    // What painting the view does, then the check that it painted the right picture.
    void Painted() {
        f.doc.DetectPending();
        const CScanSeries* series = f.doc.m_profile.GetSeries(f.doc.m_nCurImage);
        const CPicture* shown = f.doc.GetPictureBitmap();
        if (series == nullptr) {
            EXPECT_EQ(shown, nullptr);
            return;
        }
        CPicture fresh;
        const bool whole = fresh.Load(series->m_strPath).status == CPicture::LoadStatus::Ok;
        EXPECT_EQ(shown != nullptr, whole) << series->m_strPath;
        if (shown != nullptr && whole) {
            EXPECT_TRUE(shown->Image() == fresh.Image()) << "wrong picture for "
                                                         << series->m_strPath;
        }
    }
    void Down() {
        f.doc.OnNextImage();
        Painted();
    }
    void Up() {
        f.doc.OnPrevImage();
        Painted();
    }
    // Lets the worker finish what it has to decode, as a user's pace does.
    void Settle() {
        if (CPicturePrefetch* prefetch = f.doc.Prefetch()) {
            ASSERT_TRUE(prefetch->WaitIdle(10000));
        }
    }
};

// A picture of the same size as those of the trial, its bar elsewhere.
void WriteOther(const QString& path) {
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(QColor(200, 200, 200));
    for (int y = 0; y < 80; ++y) image.setPixel(90, y, qRgb(10, 10, 10));
    ASSERT_TRUE(image.save(path, "BMP"));
}

void SetModified(const QString& path, const timespec& when) {
    const timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

timespec ModifiedOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mtim;
}

// Everything the user can see of the work, with the trial's own folder taken out of the texts.
std::vector<std::string> Seen(Trial& t) {
    CNorvaleDoc& doc = t.f.doc;
    const QString folder = t.f.files.Path(QString());
    std::vector<std::string> seen;
    for (const QString& text : t.f.ui.messages) {
        seen.push_back("message " + QString(text).replace(folder, "<dir>/").toStdString());
    }
    for (const auto& [path, reason] : t.f.ui.openFailures) {
        seen.push_back("failure " + QString(path).replace(folder, "<dir>/").toStdString() + " " +
                       reason.toStdString());
    }
    for (int i = 0; i < doc.m_profile.GetSize(); ++i) {
        const CScanSeries& series = *doc.m_profile.GetSeries(i);
        std::string line = series.m_strTitle + (doc.IsMissing(i) ? " missing " : " ") +
                           doc.MissingReason(i).toStdString();
        for (const auto& scan : series.GetAt(0)->m_arLine) {
            line += " " + std::to_string(scan->m_ptCur.x) + (scan->m_bDetect ? "?" : "");
        }
        seen.push_back(line);
    }
    seen.push_back("current " + std::to_string(doc.m_nCurImage) + " picture " +
                   (doc.GetPictureBitmap() != nullptr ? "yes" : "no"));
    seen.push_back("undo " + std::to_string(doc.UndoStack().index()) + " " +
                   doc.UndoStack().undoText().toStdString());
    const QString out = t.Path("out.dat");
    t.f.ui.saveChoices = {out};
    doc.OnCmdMsg(ID_DATA_WRITE);
    QFile data(out);
    seen.push_back("data " + (data.open(QIODevice::ReadOnly) ? data.readAll().toStdString()
                                                             : std::string("none")));
    return seen;
}

struct Scenario {
    const char* what;
    std::function<void(Trial&)> run;
    bool stale = false;  // a prefetched picture must have been refused for its file's change
};

const Scenario kScenarios[] = {
    {"steps both ways at a user's pace",
     [](Trial& t) {
         for (int k = 0; k < 7; ++k) {
             t.Settle();
             t.Down();
         }
         for (int k = 0; k < 3; ++k) {
             t.Settle();
             t.Up();
         }
     }},
    {"steps faster than the prefetch",
     [](Trial& t) {
         for (int k = 0; k < 8; ++k) t.Down();
         for (int k = 0; k < 4; ++k) t.Up();
     }},
    {"an unreadable neighbour is no error until it is shown",
     [](Trial& t) {
         for (int k = 0; k < 3; ++k) t.Down();
         t.Settle();
         EXPECT_TRUE(t.f.ui.messages.empty());
         EXPECT_FALSE(t.f.doc.IsMissing(4));
         t.Down();
         t.Settle();
         t.Down();
     }},
    {"the next file deleted",
     [](Trial& t) {
         t.Settle();
         QFile::remove(t.Path("a.bmp"));
         t.Down();
         t.Up();  // back onto the picture that left the screen
     },
     true},
    {"the next file replaced by another picture of the same size",
     [](Trial& t) {
         t.Settle();
         WriteOther(t.Path("new.bmp"));
         ASSERT_EQ(::rename(QFile::encodeName(t.Path("new.bmp")).constData(),
                            QFile::encodeName(t.Path("a.bmp")).constData()),
                   0);
         t.Down();
         t.Up();  // back onto the picture that left the screen
     },
     true},
    {"the next file rewritten in place, of the same size",
     [](Trial& t) {
         t.Settle();
         timespec later = ModifiedOf(t.Path("a.bmp"));
         later.tv_sec += 10;
         WriteOther(t.Path("a.bmp"));
         SetModified(t.Path("a.bmp"), later);
         t.Down();
         t.Up();  // back onto the picture that left the screen
     },
     true},
    {"the next file rewritten in place with its old time put back",
     [](Trial& t) {
         t.Settle();
         const timespec old = ModifiedOf(t.Path("a.bmp"));
         // The change time must tick past the one the file was written with.
         std::this_thread::sleep_for(std::chrono::milliseconds(30));
         WriteOther(t.Path("a.bmp"));
         SetModified(t.Path("a.bmp"), old);
         t.Down();
         t.Up();  // back onto the picture that left the screen
     },
     true},
    {"the current file deleted from the list, then undone",
     [](Trial& t) {
         t.Down();
         t.Settle();
         t.f.doc.OnDeleteFile();
         t.Painted();
         t.Down();
         t.f.doc.Undo();
         t.Painted();
         t.Up();
     }},
    {"sorted, moved, undone and redone",
     [](Trial& t) {
         t.Down();
         t.Settle();
         t.f.doc.OnSortFiles();
         t.Down();
         t.f.doc.OnMoveDown();
         t.Settle();
         t.Up();
         t.f.doc.Undo();
         t.f.doc.Undo();
         t.Painted();
         t.Down();
         t.f.doc.Redo();
         t.Painted();
         t.Down();
     }},
    {"files added, all deleted and brought back",
     [](Trial& t) {
         t.Settle();
         t.f.Add({t.f.files.Make("f.bmp", 70), t.f.files.Make("g.bmp", 80)});
         t.Painted();
         t.Down();
         t.f.doc.OnDeleteAll();
         t.Painted();
         t.f.doc.Undo();
         t.Painted();
         t.Settle();
         t.Up();
     }},
    {"a session opened",
     [](Trial& t) {
         t.Down();
         t.f.ui.saveChoices = {t.Path("work.quandrel")};
         ASSERT_TRUE(t.f.doc.SaveSessionAs());
         t.Down();
         t.Settle();
         ASSERT_TRUE(t.f.doc.OpenSession(t.Path("work.quandrel")));
         t.Painted();
         t.Down();
         t.Settle();
         t.Up();
     }},
};

TEST(Prefetch, ChangesNothingButTheWait) {
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.what);
        Trial plain(false);
        scenario.run(plain);
        Trial ahead(true);
        scenario.run(ahead);
        EXPECT_EQ(Seen(ahead), Seen(plain));
        const CPicturePrefetch::Counts counts = ahead.f.doc.Prefetch()->GetCounts();
        EXPECT_GT(counts.taken, 0) << "the prefetch was never used";
        EXPECT_EQ(counts.stale > 0, scenario.stale);
    }
}

}  // namespace
