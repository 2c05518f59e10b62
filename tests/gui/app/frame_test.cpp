// SPDX-License-Identifier: GPL-3.0-or-later
// The real frame on a real document, driven by keys and clicks as a user drives it; dialogs are
// answered by a script.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frame_fixture.h"
#include "panel/data_view.h"
#include "view/norvale_view.h"

namespace {

// One line per menu entry: "text=id", "-" for a separator, "text>" opening a submenu.
QStringList Describe(const QMenu* menu, const QString& indent = QString()) {
    QStringList lines;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            lines << indent + "-";
        } else if (action->menu() != nullptr) {
            lines << indent + action->text() + ">";
            lines << Describe(action->menu(), indent + "  ");
        } else {
            lines << indent + QStringLiteral("%1=%2").arg(action->text()).arg(CommandId(action));
        }
    }
    return lines;
}

}  // namespace

class FrameTest : public QObject, private FrameFixture {
    Q_OBJECT

private slots:
    void initTestCase() { InitTestCase(); }
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    // No two commands share a key, whatever the new session keys took.
    void everyKeyHasOneCommand() {
        Start();
        QMap<QString, int> owner;
        for (QAction* action : Frame().findChildren<QAction*>()) {
            for (const QKeySequence& key : action->shortcuts()) {
                const QString text = key.toString();
                QVERIFY2(!owner.contains(text) || owner[text] == CommandId(action),
                         qPrintable(text));
                owner[text] = CommandId(action);
            }
        }
        QCOMPARE(owner.value(QStringLiteral("Ctrl+O")), IDC_ADD_FILES);
        QCOMPARE(owner.value(QStringLiteral("Ctrl+S")), ID_DATA_WRITE);
        QCOMPARE(owner.value(QStringLiteral("Ctrl+Shift+O")), ID_FILE_OPEN);
    }

    // Closing with unsaved work asks first; files dropped from a file manager are taken.
    void closingAsksAndDropsAreTaken() {
        Start();
        QVERIFY(Drop({QUrl::fromLocalFile(m_files->Make("d1.bmp", 20)),
                      QUrl::fromLocalFile(m_files->Make("d2.bmp", 30))}));
        QCOMPARE(Doc().m_profile.GetSize(), 2);
        QCOMPARE(Frame().SessionPane()->text(), QStringLiteral("無題 *"));

        m_ui->saveAnswers = {SaveChoice::Cancel, SaveChoice::Discard};
        Frame().close();
        QVERIFY(Frame().isVisible());
        Frame().close();
        QVERIFY(!Frame().isVisible());
        QCOMPARE(m_ui->saveQuestions.size(), std::size_t{2});
    }

    void captionStaysTheProgramName() {
        Start();
        QCOMPARE(Frame().windowTitle(), QStringLiteral("Quandrel"));
        LoadImages(1);
        QVERIFY(Doc().GetPictureBitmap() != nullptr);
        QCOMPARE(Frame().windowTitle(), QStringLiteral("Quandrel"));
    }

    void menusReadAsTheyShould() {
        Start();
        QStringList all;
        for (QAction* top : Frame().menuBar()->actions()) {
            all << top->text() + ">";
            all << Describe(top->menu(), "  ");
        }
        const QStringList expected = {
            "ﾌｧｲﾙ(&F)>",
            "  ファイルの追加=1016",
            "  -",
            "  セッションを開く(&O)...=57601",
            "  セッションの保存(&S)=57603",
            "  名前を付けて保存(&A)...=57604",
            "  -",
            "  最近使ったﾌｧｲﾙ=57616",
            "  -",
            "  ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)=57665",
            "編集(&E)>",
            "  元に戻す(&U)=57643",
            "  やり直し(&R)=57644",
            "表示(&V)>",
            "  ﾂｰﾙ ﾊﾞｰ(&T)=59392",
            "  ｽﾃｰﾀｽ ﾊﾞｰ(&S)=59393",
            "  系列グラフ(&G)=32810",
            "  プロファイル グラフ(&P)=32840",
            "  キモグラフ(&K)=32850",
            "  拡大>",
            "    1/4倍=32821",
            "    1/2倍=32820",
            "    1倍=32788",
            "    2倍=32789",
            "    4倍=32790",
            "    -",
            "    全体表示=32822",
            "ﾃﾞｰﾀ(&D)>",
            "  軸設定>",
            "    原点選択=32772",
            "    X軸選択=32773",
            "    Y軸選択=32774",
            "    値設定=32775",
            "  すべて再検出(&R)=32823",
            "  線のルール(&L)...=32824",
            "  -",
            "  データ書き出し=32776",
            "  表形式の書き出し(CSV)...=32811",
            "  プロファイルの書き出し...=32841",
            "  計測>",
            "    長さ=32801",
            "    面積=32800",
            "ﾍﾙﾌﾟ(&H)>",
            "  Quandrel のﾊﾞｰｼﾞｮﾝ情報(&A)...=57664",
        };
        QCOMPARE(all, expected);
    }

    void toolbarOrderAndPrompts() {
        Start();
        QList<int> ids;
        for (QAction* action : Frame().ToolBar()->actions()) {
            ids << (action->isSeparator() ? 0 : CommandId(action));
        }
        QCOMPARE(ids, (QList<int>{32776, 0, 32772, 32773, 32774, 32775, 0, 32788, 32789, 32790,
                                  32801, 32800}));
        struct Prompt {
            int id;
            const char* status;
            const char* tip;
        };
        const Prompt prompts[] = {
            {32772, "原点位置をマウスで選択", "原点選択"},
            {32773, "Ｘ軸位置をマウスで選択", "X軸選択"},
            {32774, "Ｙ軸位置をマウスで選択", "Y軸選択"},
            {32775, "軸の値を設定", "軸の値設定"},
            {32776, "ﾃﾞｰﾀの書き出し", "ﾃﾞｰﾀ書き出し"},
            {32788, "画像を等倍で表示", "等倍表示"},
            {32789, "画像を2倍で表示", "2倍表示"},
            {32790, "画像を4倍で表示", "4倍表示"},
        };
        for (const Prompt& p : prompts) {
            QCOMPARE(Frame().Action(p.id)->statusTip(), QString::fromUtf8(p.status));
            QCOMPARE(Frame().Action(p.id)->toolTip(), QString::fromUtf8(p.tip));
        }
        for (int id : {1016, 32800, 32801}) QVERIFY(Frame().Action(id)->statusTip().isEmpty());
        QCOMPARE(Frame().Pane(0)->text(), QStringLiteral("ﾚﾃﾞｨ"));
        // The pixel read-out's five panes, then the two calibrated values, wider.
        for (int k = 1; k < CMainFrame::kPaneCount; ++k) {
            QCOMPARE(Frame().Pane(k)->width(), k < 6 ? 75 : 110);
        }
    }

    void itemsFollowThePicture() {
        Start();
        const QList<int> needPicture = {32772, 32773, 32774, 32775, 32776,
                                        32788, 32789, 32790, 32801, 32800};
        for (int id : needPicture)
            QVERIFY2(!Frame().Action(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(Frame().Action(32788)->isChecked());
        QVERIFY(Frame().Action(1016)->isEnabled());
        QVERIFY(!Frame().Action(57616)->isEnabled());  // the empty recent-file list

        LoadImages(2);  // the items come alive at once
        for (int id : needPicture) QVERIFY(Frame().Action(id)->isEnabled());

        // A real click on the toolbar's 4x button.
        QWidget* button = Frame().ToolBar()->widgetForAction(Frame().Action(32790));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(Frame().ImageView()->GetZoom(), 4);
        QVERIFY(Frame().Action(32790)->isChecked());
        QVERIFY(!Frame().Action(32788)->isChecked());
        QTest::mouseClick(Frame().ToolBar()->widgetForAction(Frame().Action(32801)),
                          Qt::LeftButton);
        QVERIFY(Doc().m_bMeasureLength);
        QVERIFY(Frame().Action(32801)->isChecked());
    }

    void acceleratorsRunTheirCommands() {
        Start();
        LoadImages(3);
        QCOMPARE(Doc().m_profile.GetSize(), 3);
        QCOMPARE(Doc().m_nCurImage, 0);
        Doc().AddLineToAll(5, 60, 150, 60);
        Doc().m_nCurLine = 0;
        CScan* line = Doc().GetCurLine();
        line->m_bDetect = false;  // placed by hand: no paint moves it
        line->SetPos(3);

        Frame().ImageView()->setFocus();
        QTest::keyClick(&Frame(), Qt::Key_Right);
        QCOMPARE(line->m_nPos, 4);
        QTest::keyClick(&Frame(), Qt::Key_Left);
        QTest::keyClick(&Frame(), Qt::Key_Left);
        QCOMPARE(line->m_nPos, 2);
        QTest::keyClick(&Frame(), Qt::Key_Up);
        QCOMPARE(Doc().m_nCurImage, 2);
        QTest::keyClick(&Frame(), Qt::Key_Down);
        QCOMPARE(Doc().m_nCurImage, 0);

        // The arrows work with the side panel focused too.
        Frame().DataView()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(Doc().m_nCurImage, 1);

        // F6 and Shift+F6 move between the panes.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        QVERIFY(Frame().ImageView()->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == Frame().ImageView());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
        QVERIFY(Frame().DataView()->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == Frame().DataView());

        // Ctrl+S asks for the data file; the edit keys do nothing.
        QTest::keyClick(&Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_ui->saveDialogs, 1);
        const int steps = Doc().UndoStack().index();
        for (auto key : {Qt::Key_C, Qt::Key_X, Qt::Key_V}) {
            QTest::keyClick(&Frame(), key, Qt::ControlModifier);
        }
        QCOMPARE(Doc().m_profile.GetSize(), 3);
        QCOMPARE(Doc().UndoStack().index(), steps);
        QVERIFY(!Frame().Action(ID_EDIT_COPY)->isEnabled());
    }

    void undoAndRedoByKeysAndMenu() {
        Start();
        QAction* undo = Frame().Action(ID_EDIT_UNDO);
        QAction* redo = Frame().Action(ID_EDIT_REDO);
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        QCOMPARE(undo->text(), QStringLiteral("元に戻す(&U)"));
        LoadImages(3);
        QCOMPARE(undo->text(), QStringLiteral("元に戻す(&U) ファイルの追加"));
        Frame().RouteCommand(IDC_MOVE_DOWN);
        QCOMPARE(undo->text(), QStringLiteral("元に戻す(&U) ファイルを下へ"));
        const auto first = [this] { return Doc().m_profile.GetSeries(0)->m_strTitle; };
        QCOMPARE(first(), std::string("img1.bmp"));

        struct Key {
            Qt::KeyboardModifiers mods;
            Qt::Key key;
            const char* first;
        };
        for (const Key& k : {Key{Qt::ControlModifier, Qt::Key_Z, "img0.bmp"},
                             Key{Qt::ControlModifier, Qt::Key_Y, "img1.bmp"},
                             Key{Qt::ControlModifier, Qt::Key_Z, "img0.bmp"},
                             Key{Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z, "img1.bmp"}}) {
            QTest::keyClick(&Frame(), k.key, k.mods);
            QCOMPARE(first(), std::string(k.first));
        }
        undo->trigger();
        QCOMPARE(first(), std::string("img0.bmp"));
        QCOMPARE(Doc().m_nCurImage, 0);
        QVERIFY(redo->isEnabled());
        QCOMPARE(redo->text(), QStringLiteral("やり直し(&R) ファイルを下へ"));
        redo->trigger();
        QCOMPARE(first(), std::string("img1.bmp"));
        QCOMPARE(Doc().m_nCurImage, 1);
        QVERIFY(!redo->isEnabled());

        // A line drawn on the view is a step that Ctrl+Z reaches at once; Ctrl+Z in the middle
        // of drawing the next one ends that drag.
        QWidget* port = Frame().ImageView()->viewport();
        QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 50));
        QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, QPoint(120, 50));
        QCOMPARE(Doc().GetLastLineIndex(), 0);
        QCOMPARE(Doc().m_nCurLine, 0);
        QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 80));
        QVERIFY(Frame().ImageView()->IsDragging());
        QTest::keyClick(&Frame(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!Frame().ImageView()->IsDragging());
        QCOMPARE(Doc().GetLastLineIndex(), -1);

        while (undo->isEnabled()) undo->trigger();
        QCOMPARE(Doc().m_profile.GetSize(), 0);
        QVERIFY(Doc().GetPictureBitmap() == nullptr);
        QCOMPARE(undo->text(), QStringLiteral("元に戻す(&U)"));
        QCOMPARE(redo->text(), QStringLiteral("やり直し(&R) ファイルの追加"));
    }

    void splitterAndBars() {
        Start();
        QCOMPARE(Frame().Splitter()->sizes().first(), CMainFrame::kPanelWidth);
        QVERIFY(Frame().Action(ID_VIEW_TOOLBAR)->isChecked());
        Frame().Action(ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(Frame().ToolBar()->isHidden());
        QVERIFY(!Frame().Action(ID_VIEW_TOOLBAR)->isChecked());
        Frame().Action(ID_VIEW_STATUS_BAR)->trigger();
        QVERIFY(Frame().statusBar()->isHidden());
        QVERIFY(!Frame().Action(ID_VIEW_STATUS_BAR)->isChecked());

        // Kept for the next start.
        Frame().close();
        m_app.reset();
        Start();
        QVERIFY(Frame().ToolBar()->isHidden());
        QVERIFY(Frame().statusBar()->isHidden());
    }

    void aboutBox() {
        Start();
        QString caption;
        QTimer::singleShot(0, this, [&caption] {
            QWidget* box = QApplication::activeModalWidget();
            if (box == nullptr) return;
            caption = box->windowTitle();
            box->close();
        });
        Frame().Action(ID_APP_ABOUT)->trigger();
        QCOMPARE(caption, QStringLiteral("Quandrelのﾊﾞｰｼﾞｮﾝ情報"));
    }
};

QTEST_MAIN(FrameTest)
#include "frame_test.moc"
