// SPDX-License-Identifier: GPL-3.0-or-later
// The series plot in the real frame: shown and hidden from the View menu and remembered, filled
// in by the background measuring while the user goes on, following every edit, and the tidy
// table written from the Data menu.
#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <cmath>
#include <memory>
#include <vector>

#include "frame_fixture.h"
#include "export/tidy_table.h"
#include "gui/panel/panel_test_support.h"
#include "model/edge_detect.h"
#include "panel/series_panel.h"
#include "panel/series_plot.h"
#include "series/detection_run.h"
#include "view/norvale_view.h"

class SeriesDockTest : public QObject, private FrameFixture {
    Q_OBJECT

    CSeriesPanel& Panel() { return *Frame().SeriesPanel(); }
    const SeriesData& Shown() { return Panel().Plot()->Data(); }

    // Images with a dark bar at column 20 + 2k (a broken file where `broken` says), and one
    // horizontal line across them, still to detect on every image but the current one.
    void LoadSeries(int count, int broken = -1) {
        QStringList paths;
        for (int k = 0; k < count; ++k) {
            const QString name = QStringLiteral("img%1.bmp").arg(k, 3, 10, QLatin1Char('0'));
            paths << (k == broken ? m_files->Text(name, "not a picture")
                                  : m_files->Make(name, 20 + 2 * k, 160, 120));
        }
        m_ui->openChoices.push_back(paths);
        QTest::keyClick(&Frame(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(Doc().AddLineToAll(5, 60, 150, 60));
        Doc().UpdateAllViews();
    }
    void ShowDock() {
        Frame().Action(ID_VIEW_SERIES)->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(Frame().SeriesDock()));
        Panel().SetQuantity(SeriesQuantity::PixelDx);
    }
    bool AllMeasured() {
        QCoreApplication::processEvents();
        const SeriesData& data = Shown();
        if (Panel().IsMeasuring() || data.curves.empty()) return false;
        for (int i = 0; i < data.images; ++i) {
            if (data.pending[static_cast<std::size_t>(i)]) return false;
            if (!SeriesData::HasValue(data.curves[0].values[static_cast<std::size_t>(i)]) &&
                data.gaps[static_cast<std::size_t>(i)].isEmpty()) {
                return false;
            }
        }
        return true;
    }
    double Dx(int image) { return Shown().curves.at(0).values.at(static_cast<std::size_t>(image)); }

private slots:
    void initTestCase() { InitTestCase(); }
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    void theViewMenuShowsItAndTheSettingsKeepIt() {
        Start();
        QAction* toggle = Frame().Action(ID_VIEW_SERIES);
        QVERIFY(Frame().SeriesDock()->isHidden());
        QVERIFY(!toggle->isChecked());
        ShowDock();
        QVERIFY(toggle->isChecked());
        QVERIFY(Frame().close());
        m_app.reset();
        Start();
        QVERIFY(!Frame().SeriesDock()->isHidden());
        QVERIFY(Frame().Action(ID_VIEW_SERIES)->isChecked());
        Frame().Action(ID_VIEW_SERIES)->trigger();
        QVERIFY(Frame().SeriesDock()->isHidden());
        QVERIFY(!Frame().Action(ID_VIEW_SERIES)->isChecked());
    }

    // The background measuring finds the edges the export would, while the window stays free:
    // the user steps through the list meanwhile. A file that cannot be read is a gap with its
    // reason, never a zero.
    void pointsAreMeasuredInTheBackgroundAndGapsKeepTheirReason() {
        Start();
        constexpr int kImages = 60;
        constexpr int kBroken = 17;
        LoadSeries(kImages, kBroken);
        ShowDock();
        for (int k = 0; k < 5; ++k) QTest::keyClick(&Frame(), Qt::Key_Down);
        QCOMPARE(Doc().m_nCurImage, 5);
        QTRY_VERIFY_WITH_TIMEOUT(AllMeasured(), 20000);
        for (int i = 0; i < kImages; ++i) {
            if (i == kBroken) continue;
            QCOMPARE(Dx(i) - Dx(0), 2.0 * i);
        }
        QVERIFY(!SeriesData::HasValue(Dx(kBroken)));
        const QString reason = Shown().gaps.at(kBroken);
        QVERIFY(!reason.isEmpty());
        CSeriesPlot& plot = *Panel().Plot();
        const QPoint column(static_cast<int>(ImageX(plot.Frame(), kBroken)),
                            static_cast<int>(plot.Frame().area.center().y()));
        QVERIFY2(plot.ToolTipAt(column).contains(reason), qPrintable(plot.ToolTipAt(column)));
        QVERIFY2(plot.ToolTipAt(column).contains(QStringLiteral("img017.bmp")),
                 qPrintable(plot.ToolTipAt(column)));
        QCOMPARE(Shown().current, 5);

        // Hidden, the panel measures nothing: what a new line leaves pending stays so.
        Frame().Action(ID_VIEW_SERIES)->trigger();
        QVERIFY(Doc().AddLineToAll(5, 30, 150, 30));
        Doc().UpdateAllViews();
        QTest::qWait(300);
        QVERIFY(!Panel().IsMeasuring());
        QVERIFY(Doc().m_profile.GetLine(kImages - 1, 0, 1)->m_bDetect);
    }

    // Images being measured when the dock is hidden finish and are written back; when the rule
    // has changed meanwhile, their edges are thrown away, and every line still pending at the
    // change gets the new rule's edge once the dock is shown again.
    void resultsUnderAnOldRuleNeverLand() {
        Start();
        constexpr int kImages = 12;
        QStringList paths;
        for (int k = 0; k < kImages; ++k) {
            // Large enough that the workers are in the middle of them when the dock goes.
            paths << m_files->Make(QStringLiteral("big%1.bmp").arg(k), 20 + 2 * k, 1600, 1200);
        }
        m_ui->openChoices.push_back(paths);
        QTest::keyClick(&Frame(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(Doc().AddLineToAll(5, 60, 150, 60));
        Doc().UpdateAllViews();
        QAction* toggle = Frame().Action(ID_VIEW_SERIES);
        toggle->trigger();
        QCoreApplication::processEvents();
        QVERIFY(Panel().IsMeasuring());
        toggle->trigger();
        std::vector<int> pending;
        for (int i = 0; i < kImages; ++i) {
            if (Doc().m_profile.GetLine(i, 0, 0)->m_bDetect) pending.push_back(i);
        }
        PanelOptions after = Doc().Options();
        after.edgeMode = kEdgeMaximum;
        QVERIFY(Doc().ChangeOptions(Doc().Options(), after));
        QTest::qWait(600);
        toggle->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(AllMeasured(), 20000);
        // On a grey picture with a dark bar the maximum is the line's first sample.
        for (int i : pending) QCOMPARE(Doc().m_profile.GetLine(i, 0, 0)->m_nPos, 0);
    }

    // However narrow the dock, the progress shows its whole text in either language. Stop
    // leaves "再開" in its place, which measures the rest; the save button never moves.
    void stoppedMeasuringResumesAndNothingMoves() {
        for (const char* language : {"en", "ja"}) {
            Start({QStringLiteral("--lang"), QString::fromLatin1(language)});
            constexpr int kImages = 6;
            QStringList paths;
            for (int k = 0; k < kImages; ++k) {
                paths << m_files->Make(QStringLiteral("%1%2.jpg").arg(language).arg(k), 20 + 2 * k,
                                       160, 120);
            }
            m_ui->openChoices.push_back(paths);
            QTest::keyClick(&Frame(), Qt::Key_O, Qt::ControlModifier);
            QVERIFY(Doc().AddLineToAll(5, 60, 150, 60));
            Doc().UpdateAllViews();
            Frame().resizeDocks({Frame().SeriesDock()}, {1}, Qt::Horizontal);
            // The workers wait until Stop, so that it always comes before the last image.
            HoldDetections(true);
            Frame().Action(ID_VIEW_SERIES)->trigger();
            QCoreApplication::processEvents();
            QVERIFY2(Panel().IsMeasuring(), language);
            QCoreApplication::processEvents();  // the layout with the progress shown
            const QStringList clipped = ClippedTexts(&Panel());
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));

            auto* save = Panel().findChild<QPushButton*>(QStringLiteral("SeriesSave"));
            auto* stop = Panel().findChild<QPushButton*>(QStringLiteral("SeriesStop"));
            const QRect saveAt = save->geometry();
            const QPoint stopPlace = stop->mapTo(&Panel(), stop->rect().center());
            QTest::mouseClick(stop, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!Panel().IsMeasuring(), 20000);
            QCoreApplication::processEvents();
            QCOMPARE(save->geometry(), saveAt);
            auto* resume = Panel().findChild<QPushButton*>(QStringLiteral("SeriesResume"));
            QVERIFY(resume != nullptr);
            HoldDetections(false);
            QVERIFY2(!AllMeasured(), "every image was measured before Stop took effect");
            QTRY_VERIFY(resume->isVisible());
            QVERIFY(resume->rect().contains(resume->mapFrom(&Panel(), stopPlace)));
            QTest::mouseClick(resume, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(AllMeasured(), 20000);
            QVERIFY(!resume->isVisible());
            QCOMPARE(save->geometry(), saveAt);
            m_app.reset();
        }
    }

    // A nudge moves its point at once; a click on a point makes its image current.
    void itFollowsEditsAndClicksPickImages() {
        Start();
        LoadSeries(8);
        ShowDock();
        QTRY_VERIFY_WITH_TIMEOUT(AllMeasured(), 20000);
        const double before = Dx(0);
        Doc().m_nCurLine = 0;
        Frame().ImageView()->setFocus();
        QTest::keyClick(&Frame(), Qt::Key_Right);
        QTRY_COMPARE(Dx(0), before + 1);
        QTest::keyClick(&Frame(), Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(Dx(0), before);

        CSeriesPlot& plot = *Panel().Plot();
        const QPoint point = QPointF(ImageX(plot.Frame(), 6), ValueY(plot.Frame(), Dx(6))).toPoint();
        QTest::mouseClick(&plot, Qt::LeftButton, {}, point);
        QCOMPARE(Doc().m_nCurImage, 6);
        QTRY_COMPARE(Shown().current, 6);
    }

    // The Data menu's table: the file type chosen in the dialog picks the delimiter.
    void theTidyTableIsWrittenInTheFormChosen() {
        Start();
        LoadSeries(4);
        for (const int filter : {0, 1}) {
            const QString path = m_files->Path(QStringLiteral("table%1.csv").arg(filter));
            m_ui->saveChoices.push_back(path);
            m_ui->saveFilter = filter;
            Frame().Action(ID_DATA_WRITE_CSV)->trigger();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            TidyOptions options;
            if (filter == 1) options.delimiter = TidyOptions::Delimiter::Semicolon;
            const auto expected = BuildTidyTable(Doc().m_profile, Doc().m_bMeasureLength,
                                                 Doc().m_bMeasureArea, options);
            QVERIFY(expected.has_value());
            QCOMPARE(file.readAll().toStdString(), *expected);
            const char delimiter = filter == 1 ? ';' : ',';
            QVERIFY(expected->rfind(std::string("image") + delimiter + "path", 0) == 0);
        }
        QCOMPARE(m_ui->lastSave.defaultSuffix, QStringLiteral("csv"));
    }
};

QTEST_MAIN(SeriesDockTest)
#include "series_dock_test.moc"
