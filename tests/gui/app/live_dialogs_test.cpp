// SPDX-License-Identifier: GPL-3.0-or-later
// The real window with Qt's own dialogs, message boxes and progress dialog, answered the way a
// user answers them: by clicks on the dialog's window and by keys.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/caption_width.h"
#include "app/main_frame.h"
#include "app/norvale_app.h"
#include "document/doc_fakes.h"
#include "export/data_file.h"
#include "model/title_order.h"
#include "panel/data_view.h"
#include "panel/series_panel.h"
#include "view/norvale_view.h"

class LiveDialogsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CNorvaleApp> m_app;
    std::unique_ptr<ImageFiles> m_files;
    std::unique_ptr<QObject> m_answers;  // the pending answers of one test, gone with it

    CMainFrame& Frame() { return m_app->Frame(); }
    CNorvaleDoc& Doc() { return m_app->Document(); }
    QWidget* Viewport() { return Frame().ImageView()->viewport(); }

    void Start() {
        m_app = std::make_unique<CNorvaleApp>();
        QVERIFY(m_app->InitInstance({}));
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
    }
    // Lists the files as the add command does and shows the first.
    void List(const QStringList& paths) {
        for (const QString& path : paths) {
            Doc().AddImageFile(TitleOfPath(path.toStdString()), path.toStdString());
        }
        Doc().OpenImage(0);
        Doc().UpdateAllViews();
    }
    QAbstractButton* PanelButton(const char* name) {
        return Frame().DataView()->findChild<QAbstractButton*>(QString::fromLatin1(name));
    }

    // Runs the answer on the next modal dialog of the given kind as soon as it shows.
    template <typename Dialog>
    void WhenShown(std::function<void(Dialog*)> answer) {
        auto* timer = new QTimer(m_answers.get());
        connect(timer, &QTimer::timeout, m_answers.get(), [timer, answer] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        });
        timer->start(5);
    }
    // A click on the dialog's own window, where the window system delivers it: a mouse grab
    // held by another widget would take it away.
    static void ClickInWindow(QWidget* dialog, QWidget* button) {
        QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          button->mapTo(dialog, button->rect().center()));
    }
    // A key on the window. Shortcuts reach an active window only, and a dialog that closed
    // leaves none active here.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Frame()));
        QTest::keyClick(&Frame(), key, modifiers);
    }
    // Starts drawing a line: Shift+click on the picture, then a move.
    void StartDrag() {
        Frame().ImageView()->setFocus();
        QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 20));
        QTest::mouseMove(Viewport(), QPoint(60, 30));
        QVERIFY(Frame().ImageView()->IsDragging());
        QCOMPARE(QWidget::mouseGrabber(), Viewport());
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Zentor"));
        QCoreApplication::setApplicationName(QStringLiteral("Quandrel"));
    }
    void init() {
        QSettings().clear();
        m_files = std::make_unique<ImageFiles>();
        m_answers = std::make_unique<QObject>();
    }
    void cleanup() {
        m_answers.reset();
        m_app.reset();
        QSettings().clear();
    }

    // Keys, clicks and closing the window during the export's detection, before its progress
    // dialog shows, change nothing: the file holds every image on its own row.
    void exportIgnoresTheWindowUntilItEnds() {
        Start();
        QStringList paths;
        for (int k = 0; k < 40; ++k) {
            paths << m_files->Make(QStringLiteral("i%1.bmp").arg(k, 2, 10, QChar('0')), 20 + 2 * k,
                                   160, 120);
        }
        paths[5] = m_files->Path("missing.bmp");
        List(paths);
        Doc().AddLineToAll(5, 60, 150, 60);
        Doc().m_nCurLine = 0;
        const QString out = m_files->Path("out.dat");

        int interfered = 0;
        bool reached = false;  // whether a click reached the view
        auto* user = new QTimer(m_answers.get());
        connect(user, &QTimer::timeout, m_answers.get(), [&] {
            if (!Doc().IsBusy() || QApplication::activeModalWidget() != nullptr) return;
            ++interfered;
            Frame().activateWindow();
            QTest::keyClick(&Frame(), Qt::Key_Down);
            QTest::mouseClick(PanelButton("IDC_DELETE_ALL"), Qt::LeftButton);
            QTest::mouseClick(PanelButton("IDC_MOVE_DOWN"), Qt::LeftButton);
            QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 10));
            reached |= Frame().ImageView()->IsDragging();
            Frame().close();
        });
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            dialog->selectFile(out);
            static_cast<QDialog*>(dialog)->accept();  // with the dialog's own checks
            user->start(0);
        });
        bool asked = false;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            asked = box->text().contains(paths[5]);
            box->button(QMessageBox::Yes)->click();
        });
        Key(Qt::Key_S, Qt::ControlModifier);
        user->stop();

        QVERIFY(interfered > 0);
        QVERIFY(!reached);
        QVERIFY(asked);
        QVERIFY(Frame().isVisible());
        QCOMPARE(Doc().m_profile.GetSize(), 40);
        QCOMPARE(Doc().m_nCurImage, 0);
        QCOMPARE(Doc().m_profile.GetArray(0, 0)->GetSize(), 1);
        for (int i = 0; i < 40; ++i) {
            if (i == 5) continue;
            QCOMPARE(Doc().m_profile.GetCurPoint(i, 0, 0).x, 20 + 2 * i);
        }
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(), *BuildDataFile(Doc().m_profile, false, false));
    }

    // A drag under way when a modal dialog opens is over before the dialog shows: the dialog
    // takes the mouse, and nothing is dragged afterwards.
    void dialogsOpenedDuringADragTakeTheMouse() {
        Start();
        List({m_files->Make("a.bmp", 30, 160, 120), m_files->Text("broken.jpg", "no picture")});
        struct Trigger {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
        };
        for (const Trigger trigger :
             {Trigger{Qt::Key_O, Qt::ControlModifier}, Trigger{Qt::Key_Down, Qt::NoModifier}}) {
            Doc().OpenImage(0);
            StartDrag();
            bool grabbed = true;
            bool closedByClick = false;
            const auto answer = [&](QDialog* dialog, QAbstractButton* button) {
                grabbed = QWidget::mouseGrabber() != nullptr || Frame().ImageView()->IsDragging();
                ClickInWindow(dialog, button);
                closedByClick = !dialog->isVisible();
                if (!closedByClick) dialog->reject();
            };
            if (trigger.key == Qt::Key_O) {
                WhenShown<QFileDialog>([&](QFileDialog* d) {
                    for (auto* b : d->findChildren<QPushButton*>()) {
                        if (b->isVisible() && b->text() != d->labelText(QFileDialog::Accept)) {
                            return answer(d, b);
                        }
                    }
                });
            } else {
                WhenShown<QMessageBox>(
                    [&](QMessageBox* box) { answer(box, box->button(QMessageBox::Ok)); });
            }
            Key(trigger.key, trigger.modifiers);
            QVERIFY2(!grabbed, "the drag kept the mouse while the dialog was open");
            QVERIFY2(closedByClick, "the click on the dialog did not reach it");
            QVERIFY(!Frame().ImageView()->IsDragging());
        }
    }

    // The file that cannot be read becomes current, shows why, and the list goes on past it.
    void anUnreadableFileIsShownAndCanBeDeleted() {
        Start();
        List({m_files->Make("a.bmp", 30, 160, 120), m_files->Text("broken.jpg", "no picture"),
              m_files->Make("b.bmp", 50, 160, 120)});
        Frame().ImageView()->setFocus();
        QTest::mouseMove(Viewport(), QPoint(40, 40));
        QCOMPARE(Frame().Pane(3)->text(), QStringLiteral("R = 200"));

        QString message;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            message = box->text();
            ClickInWindow(box, box->button(QMessageBox::Ok));
        });
        Key(Qt::Key_Down);
        QVERIFY(message.contains(m_files->Path("broken.jpg")));
        QCOMPARE(Doc().m_nCurImage, 1);
        for (int pane = 1; pane <= 5; ++pane) QVERIFY(Frame().Pane(pane)->text().isEmpty());
        // No trace of the previous picture, and the view names the file.
        const QImage shown = Viewport()->grab().toImage();
        QVERIFY(shown.pixelColor(100, 100) != QColor(200, 200, 200));

        WhenShown<QMessageBox>([&](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        QTest::mouseClick(PanelButton("IDC_DELETE_FILE"), Qt::LeftButton);
        QCOMPARE(Doc().m_profile.GetSize(), 2);
        QCOMPARE(Doc().m_profile.GetSeries(1)->m_strTitle, std::string("b.bmp"));
        QCOMPARE(Doc().m_nCurImage, 1);
        QVERIFY(Doc().GetPictureBitmap() != nullptr);
    }

    // The type chosen in Qt's own save dialog, whose type list hides the patterns, is the type
    // written: the table's delimiter, and the plot's format, also for a name without a suffix.
    void theTypeChosenInTheSaveDialogIsWritten() {
        Start();
        List({m_files->Make("a.bmp", 30, 160, 120)});
        Doc().AddLineToAll(5, 60, 150, 60);
        const struct {
            const char* typed;
            int type;  // from the top of the list
            bool table;
            const char* written;
            QByteArray start;
        } cases[] = {
            {"commas.csv", 0, true, "commas.csv", "image,path,"},
            {"semicolons.csv", 1, true, "semicolons.csv", "image;path;"},
            {"no-suffix", 1, true, "no-suffix.csv", "image;path;"},
            {"plot", 1, false, "plot.svg", "<?xml"},
            {"plot.v2", 1, false, "plot.v2", "<?xml"},
            {"chart", 0, false, "chart.png", "\x89PNG"},
            {"chart.svg", 0, false, "chart.svg", "<?xml"},
            {"graph.png", 1, false, "graph.png", "\x89PNG"},
        };
        for (const auto& c : cases) {
            WhenShown<QFileDialog>([&](QFileDialog* dialog) {
                auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                types->setFocus();
                for (int k = 0; k < c.type; ++k) QTest::keyClick(types, Qt::Key_Down);
                dialog->selectFile(m_files->Path(QString::fromLatin1(c.typed)));
                static_cast<QDialog*>(dialog)->accept();  // with the dialog's own checks
            });
            if (c.table) {
                Frame().Action(ID_DATA_WRITE_CSV)->trigger();
            } else {
                Frame().SeriesPanel()->OnSavePicture();
            }
            QFile file(m_files->Path(QString::fromLatin1(c.written)));
            QVERIFY2(file.open(QIODevice::ReadOnly), c.written);
            QVERIFY2(file.readAll().startsWith(c.start), c.written);
        }
    }

    // Qt's own dialogs speak Japanese like the rest, open on a folder without a name typed in,
    // and message boxes are wide enough for their caption.
    void qtDialogsFitTheWindow() {
        QTemporaryDir home;  // an account without a Pictures folder
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        Start();
        List({m_files->Make("a.bmp", 30)});
        QString fileName = QStringLiteral("<not shown>");
        QString lookIn;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            fileName = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            lookIn = dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"))->text();
            dialog->reject();
        });
        Key(Qt::Key_O, Qt::ControlModifier);
        qputenv("HOME", oldHome);
        QCOMPARE(fileName, QString());
        QVERIFY2(!lookIn.contains(QStringLiteral("Look in")), qPrintable(lookIn));

        int width = 0;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            width = box->width();
            box->accept();
        });
        Key(Qt::Key_S, Qt::ControlModifier);  // no lines: "データがありません"
        QVERIFY(width >= CaptionWidth(QStringLiteral("Quandrel")));

        QMessageBox question(QMessageBox::NoIcon, QString(), QString(),
                             QMessageBox::Yes | QMessageBox::No);
        QVERIFY(question.button(QMessageBox::Yes)->text().contains(QStringLiteral("はい")));

        int aboutWidth = 0;
        WhenShown<QDialog>([&](QDialog* about) {
            aboutWidth = about->width();
            about->accept();
        });
        Frame().Action(ID_APP_ABOUT)->trigger();
        QVERIFY(aboutWidth >= CaptionWidth(QStringLiteral("Quandrelのﾊﾞｰｼﾞｮﾝ情報")));
    }
};

QTEST_MAIN(LiveDialogsTest)
#include "live_dialogs_test.moc"
