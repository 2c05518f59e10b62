// SPDX-License-Identifier: GPL-3.0-or-later
// The window's session commands on the document: files that are no session are refused and the
// work stays, missing images are told of once and marked, and unsaved work is asked about.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <chrono>
#include <thread>
#include <filesystem>
#include <fstream>

#include "doc_fakes.h"

namespace {

struct Work {
    std::vector<std::string> titles;
    QString path;
    int steps = 0;

    friend bool operator==(const Work&, const Work&) = default;
};

Work WorkOf(DocFixture& f) {
    Work work{{}, f.doc.GetPathName(), f.doc.UndoStack().count()};
    work.titles = f.Titles();
    return work;
}

TEST(SessionCommands, AFileThatIsNoSessionIsRefusedAndTheWorkStays) {
    struct Case {
        const char* what;
        QByteArray text;  // empty: no file at all; "|": a FIFO
        const char* cause;
    };
    const Case cases[] = {
        {"not JSON", "{\n  \"quandrel-session\": 2,\n  oops\n}", "3 行 3 列目から JSON"},
        {"a misspelt key", R"({"quandrel-session": 2, "chanel": 1})", "項目 chanel"},
        {"another program's JSON", R"({"name": "x"})", "セッション ファイルではありません"},
        {"missing", {}, "ファイルを読み込めません"},
        // Refused at once, never waited on for a writer (a recent file may have become one).
        {"a pipe", "|", "ファイルを読み込めません"},
    };
    for (const Case& c : cases) {
        DocFixture f;
        f.Add({f.files.Make("a.bmp", 30)});
        const Work before = WorkOf(f);
        QString path =
            c.text.isEmpty() ? f.files.Path("none.quandrel") : f.files.Text("bad.quandrel", c.text);
        std::thread writer;
        if (c.text == "|") {
            path = f.files.Path("pipe.quandrel");
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            // Should the open wait for a writer after all, one comes, and the test goes on.
            writer = std::thread([fifo = QFile::encodeName(path)] {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) ::close(fd);
            });
        }
        EXPECT_FALSE(f.doc.OpenSession(path)) << c.what;
        if (writer.joinable()) writer.join();
        ASSERT_EQ(f.ui.messages.size(), 1u) << c.what;
        EXPECT_TRUE(f.ui.messages[0].contains(path)) << c.what;
        EXPECT_TRUE(f.ui.messages[0].contains(QString::fromUtf8(c.cause)))
            << c.what << ": " << f.ui.messages[0].toStdString();
        EXPECT_FALSE(f.ui.details[0].isEmpty()) << c.what;  // the reader's own words
        EXPECT_EQ(WorkOf(f), before) << c.what;
        EXPECT_NE(f.doc.GetPictureBitmap(), nullptr) << c.what;
    }
}

TEST(SessionCommands, MissingImagesAreToldOfOnceAndMarked) {
    DocFixture f;
    f.files.Make("here.bmp", 30);
    const QString session = f.files.Text("work.quandrel", R"({"quandrel-session": 2,
        "lines": [[5, 40, 100, 40]],
        "images": ["here.bmp", "gone1.bmp", "gone2.bmp"],
        "view": {"image": 1, "line": 0, "zoom": 1}})");
    ASSERT_TRUE(f.doc.OpenSession(session));
    ASSERT_EQ(f.ui.messages.size(), 1u);  // the current one is in the list, not told twice
    EXPECT_TRUE(f.ui.openFailures.empty());
    for (const char* name : {"gone1.bmp", "gone2.bmp"}) {
        EXPECT_TRUE(f.ui.messages[0].contains(f.files.Path(name))) << name;
        EXPECT_TRUE(f.ui.details[0].contains(f.files.Path(name))) << name;
    }
    EXPECT_EQ((std::vector<bool>{f.doc.IsMissing(0), f.doc.IsMissing(1), f.doc.IsMissing(2)}),
              (std::vector<bool>{false, true, true}));
    EXPECT_EQ(f.doc.m_nCurImage, 1);
    EXPECT_NE(f.doc.GetOpenFailure(), nullptr);
    EXPECT_FALSE(f.doc.IsModified());
    EXPECT_EQ(f.doc.GetPathName(), session);

    // Put back, the file loses its mark as soon as it is shown.
    f.files.Make("gone2.bmp", 50);
    f.doc.OpenImage(2);
    EXPECT_FALSE(f.doc.IsMissing(2));
}

TEST(SessionCommands, SavingMarksTheWorkCleanAndUndoFindsThatPointAgain) {
    DocFixture f;
    std::vector<QString> told;
    f.doc.SetSessionFileListener([&](const QString& path) { told.push_back(path); });
    EXPECT_FALSE(f.doc.IsModified());
    f.Add({f.files.Make("a.bmp", 30)});
    EXPECT_TRUE(f.doc.IsModified());

    const QString path = f.files.Path("work.quandrel");
    f.ui.saveChoices = {path};
    EXPECT_TRUE(f.doc.SaveSession());  // untitled: asks for a name
    EXPECT_EQ(f.ui.saveDialogs, 1);
    EXPECT_EQ(f.ui.lastSave.defaultSuffix, QStringLiteral("quandrel"));
    EXPECT_FALSE(f.doc.IsModified());
    EXPECT_EQ(f.doc.GetSessionName(), QStringLiteral("work.quandrel"));
    EXPECT_EQ(told, std::vector<QString>{path});
    EXPECT_TRUE(QFile::exists(path));

    f.Add({f.files.Make("b.bmp", 40)});
    EXPECT_TRUE(f.doc.IsModified());
    EXPECT_TRUE(f.doc.Undo());
    EXPECT_FALSE(f.doc.IsModified());
    EXPECT_TRUE(f.doc.Redo());
    EXPECT_TRUE(f.doc.SaveSession());  // titled now: no dialog
    EXPECT_EQ(f.ui.saveDialogs, 1);
    EXPECT_FALSE(f.doc.IsModified());
}

// Deleting all files or opening another session with unsaved changes asks first.
TEST(SessionCommands, UnsavedWorkIsAskedAbout) {
    struct Case {
        SaveChoice answer;
        QString saveAs;  // the file chosen when saving; empty: the save dialog is cancelled
        bool goesOn;
    };
    const Case cases[] = {
        {SaveChoice::Cancel, {}, false},
        {SaveChoice::Discard, {}, true},
        {SaveChoice::Save, {}, false},
        {SaveChoice::Save, QStringLiteral("saved.quandrel"), true},
    };
    for (const Case& c : cases) {
        DocFixture f;
        const QString other =
            f.files.Text("other.quandrel", R"({"quandrel-session": 2, "lines": [], "images": []})");
        f.Add({f.files.Make("a.bmp", 30)});
        f.ui.saveAnswers = {c.answer, c.answer};
        if (!c.saveAs.isEmpty()) f.ui.saveChoices = {f.files.Path(c.saveAs)};
        f.ui.openChoices = {{other}};
        f.doc.OnFileOpen();
        ASSERT_EQ(f.ui.saveQuestions.size(), 1u);
        EXPECT_TRUE(f.ui.saveQuestions[0].contains(QStringLiteral("無題")));
        EXPECT_EQ(f.doc.m_profile.GetSize(), c.goesOn ? 0 : 1);
        EXPECT_EQ(f.doc.GetPathName(), c.goesOn ? other : QString());

        DocFixture g;
        g.Add({g.files.Make("a.bmp", 30)});
        g.ui.saveAnswers = {c.answer};
        if (!c.saveAs.isEmpty()) g.ui.saveChoices = {g.files.Path(c.saveAs)};
        g.doc.OnDeleteAll();
        EXPECT_EQ(g.doc.m_profile.GetSize(), c.goesOn ? 0 : 1);
        EXPECT_EQ(g.ui.questions.size(), c.goesOn ? 1u : 0u);  // then the usual question
    }
}

// Files given on the command line or dropped: the first session opens, the pictures are added,
// a session named again is opened once and another one is refused, never taken for a picture;
// names that are not UTF-8 name their files all the same.
TEST(SessionCommands, DroppedFilesOpenTheSessionAndAddThePictures) {
    const std::string cafe = "caf\xE9";  // Latin-1, no UTF-8
    struct Case {
        const char* what;
        std::vector<std::string> given;  // names in the fixture's folder
        const char* session;             // the work's session file after, or ""
        std::vector<std::string> titles;
        const char* refused;  // a session the message names, or ""
    };
    const Case cases[] = {
        {"a session among pictures",
         {"x.bmp", "work.quandrel", "y.bmp"},
         "work.quandrel",
         {"in.bmp", "x.bmp", "y.bmp"},
         ""},
        {"a session twice",
         {"work.quandrel", "x.bmp", "./work.quandrel"},
         "work.quandrel",
         {"in.bmp", "x.bmp"},
         ""},
        {"two sessions",
         {"work.quandrel", "other.quandrel", "x.bmp"},
         "work.quandrel",
         {"in.bmp", "x.bmp"},
         "other.quandrel"},
        {"a picture not named in UTF-8",
         {cafe + ".bmp", "x.bmp"},
         "",
         {cafe + ".bmp", "x.bmp"},
         ""},
        {"a session not named in UTF-8", {cafe + ".quandrel"}, "", {"in.bmp"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture f;
        for (const char* name : {"in.bmp", "x.bmp", "y.bmp"}) f.files.Make(name, 30);
        const QByteArray text = R"(// a comment first
            {"quandrel-session": 2, "lines": [], "images": ["in.bmp"]})";
        f.files.Text("work.quandrel", text);
        f.files.Text("other.quandrel", R"({"quandrel-session": 2, "lines": [], "images": []})");
        const std::string folder = f.files.Path(QString()).toStdString() + "/";
        // Qt's names are text: the files whose names are not are made by their bytes.
        std::filesystem::copy_file(folder + "x.bmp", folder + cafe + ".bmp");
        std::ofstream(folder + cafe + ".quandrel", std::ios::binary) << text.toStdString();
        std::vector<std::string> paths;
        for (const std::string& name : c.given) paths.push_back(folder + name);

        f.doc.OpenFiles(paths);
        EXPECT_EQ(f.doc.GetPathName(), *c.session ? f.files.Path(c.session) : QString());
        EXPECT_EQ(f.Titles(), c.titles);
        EXPECT_TRUE(f.doc.IsModified() || c.titles.size() == 1);
        // Every picture names its file, read as it is.
        for (const auto& series : f.doc.m_profile.m_arSeries) {
            EXPECT_EQ(series->m_strPath, folder + series->m_strTitle);
        }
        if (c.titles.back() == cafe + ".bmp") {
            f.doc.OpenImage(0);
            EXPECT_NE(f.doc.GetPictureBitmap(), nullptr);
        }
        const bool untitled = c.given.front() == cafe + ".quandrel";
        ASSERT_EQ(f.ui.messages.size(), *c.refused || untitled ? 1u : 0u);
        if (*c.refused) {
            EXPECT_TRUE(f.ui.messages[0].contains(f.files.Path(c.refused)));
        }
    }
}

}  // namespace
