// SPDX-License-Identifier: GPL-3.0-or-later
// Files given to the window: dropped on it, named on its command line, and the sessions of its
// recent-file list.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "frame_fixture.h"
#include "panel/data_view.h"

class FrameFilesTest : public QObject, private FrameFixture {
    Q_OBJECT

    // Two sessions of one picture each, and a picture whose name is not UTF-8 (made by its
    // bytes: Qt's names are text). Returns the folder, with its slash, and that name's stem.
    std::pair<std::string, std::string> ForeignFiles() {
        m_files->Make(QStringLiteral("in.bmp"), 20);
        m_files->Text(QStringLiteral("s.quandrel"),
                      R"({"quandrel-session": 2, "lines": [], "images": ["in.bmp"]})");
        m_files->Text(QStringLiteral("t.quandrel"),
                      R"({"quandrel-session": 2, "lines": [], "images": []})");
        const std::string folder = m_files->Path(QString()).toStdString() + "/";
        const std::string cafe = "caf\xE9";
        std::filesystem::copy_file(m_files->Make(QStringLiteral("x.bmp"), 30).toStdString(),
                                   folder + cafe + ".bmp");
        return {folder, cafe};
    }
    void CheckForeignFiles(const std::string& folder, const std::string& cafe) {
        QCOMPARE(Doc().GetPathName(), m_files->Path(QStringLiteral("s.quandrel")));
        QCOMPARE(Doc().m_profile.GetSize(), 2);
        QCOMPARE(Doc().m_profile.GetSeries(1)->m_strPath, folder + cafe + ".bmp");
        Doc().OpenImage(1);
        QVERIFY(Doc().GetPictureBitmap() != nullptr);
        QCOMPARE(m_ui->messages.size(), std::size_t{1});
        QVERIFY(m_ui->messages[0].contains(m_files->Path(QStringLiteral("t.quandrel"))));
    }
private slots:
    void initTestCase() { InitTestCase(); }
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    // PNG and TIFF files dropped on the window are added and shown like any other picture.
    void dropsTakePngAndTiff() {
        Start();
        QVERIFY(Drop({QUrl::fromLocalFile(m_files->Make("d1.png", 20)),
                      QUrl::fromLocalFile(m_files->Make("d2.tif", 30))}));
        QCOMPARE(Doc().m_profile.GetSize(), 2);
        for (int i : {1, 0}) {
            Doc().OpenImage(i, true);
            QVERIFY(Doc().GetPictureBitmap() != nullptr);
            QVERIFY(Doc().GetOpenFailure() == nullptr);
        }
        QVERIFY(m_ui->messages.empty());
    }

    // Dropped files are opened by the bytes of their names, UTF-8 or not; a session dropped
    // twice opens once, and a second one is refused, never added as a picture.
    void dropsKeepNamesAndTakeOneSession() {
        const auto [folder, cafe] = ForeignFiles();
        Start();
        QList<QUrl> urls;
        for (const std::string& name : {cafe + ".bmp", std::string("s.quandrel"),
                                        std::string("s.quandrel"), std::string("t.quandrel")}) {
            urls << QUrl::fromEncoded(
                "file://" + QByteArray::fromStdString(folder + name).toPercentEncoding("/"));
        }
        QVERIFY(Drop(urls));
        CheckForeignFiles(folder, cafe);
    }

    // The command line as main() hands it on: the same.
    void commandLineKeepsNamesAndTakesOneSession() {
        const auto [folder, cafe] = ForeignFiles();
        std::vector<std::string> arguments{"quandrel", folder + cafe + ".bmp",
                                           folder + "s.quandrel", folder + "s.quandrel",
                                           folder + "t.quandrel"};
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        m_ui = std::make_unique<FakeUi>();
        m_app = std::make_unique<CNorvaleApp>(m_ui.get());
        QVERIFY(m_app->InitInstance(static_cast<int>(argv.size()), argv.data()));
        CheckForeignFiles(folder, cafe);
    }

    // The command line adds pictures or opens a session; a session opened or saved goes to the
    // front of the recent-file list, which keeps four, and choosing an entry opens it.
    void commandLineAndRecentSessions() {
        const QString image = m_files->Make("cmd.bmp", 10);
        Start({image});
        QCOMPARE(Doc().m_profile.GetSize(), 1);
        QVERIFY(Doc().GetPictureBitmap() != nullptr);
        QVERIFY(m_app->RecentFiles().Entries().isEmpty());
        QVERIFY(!Frame().Action(57616)->isEnabled());

        const auto session = [this](int k) {
            const QString picture = QStringLiteral("f%1.bmp").arg(k);
            m_files->Make(picture, 10 + k);
            return m_files->Text(QStringLiteral("s%1.quandrel").arg(k),
                                 QStringLiteral(R"({"quandrel-session": 2, "lines": [],
                                                  "images": ["%1"]})")
                                     .arg(picture)
                                     .toUtf8());
        };
        for (int k = 0; k < 5; ++k) QVERIFY(m_app->OpenDocumentFile(session(k)));
        QCOMPARE(m_app->RecentFiles().Entries().size(), 4);
        QCOMPARE(m_app->RecentFiles().Entries().first(), m_files->Path("s4.quandrel"));
        QStringList menuEntries;
        for (QAction* action : Frame().RecentFilesMenuAnchor()->actions()) {
            const int id = CommandId(action);
            if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + 4)
                menuEntries << action->text();
        }
        QCOMPARE(menuEntries.size(), 4);
        QCOMPARE(menuEntries.first(), QStringLiteral("&1 ") + m_files->Path("s4.quandrel"));
        Frame().RouteCommand(ID_FILE_MRU_FILE1 + 2);
        QCOMPARE(m_app->RecentFiles().Entries().first(), m_files->Path("s2.quandrel"));
        QCOMPARE(Doc().m_profile.GetSeries(0)->m_strTitle, std::string("f2.bmp"));
        QCOMPARE(Frame().SessionPane()->text(), QStringLiteral("s2.quandrel"));

        // A session's missing image is marked in the file list.
        const QString gone = m_files->Text(QStringLiteral("gone.quandrel"),
                                           R"({"quandrel-session": 2, "lines": [],
                                               "images": ["f1.bmp", "nowhere.bmp"]})");
        QVERIFY(m_app->OpenDocumentFile(gone));
        const auto* list = Frame().DataView()->findChild<QTreeView*>();
        const auto text = [list](int row) { return list->model()->index(row, 0).data().toString(); };
        QVERIFY(!text(0).contains(QStringLiteral("見つかりません")));
        QVERIFY(text(1).contains(QStringLiteral("見つかりません")));

        // A session on the command line opens; the caption stays the program's name.
        m_app.reset();
        Start({m_files->Path("s3.quandrel"), m_files->Make("extra.bmp", 40)});
        QCOMPARE(Doc().GetPathName(), m_files->Path("s3.quandrel"));
        QCOMPARE(Doc().m_profile.GetSize(), 2);  // and the picture beside it is added
        QCOMPARE(Frame().SessionPane()->text(), QStringLiteral("s3.quandrel *"));
        QCOMPARE(Frame().windowTitle(), QStringLiteral("Quandrel"));
    }

};

QTEST_MAIN(FrameFilesTest)
#include "frame_files_test.moc"
