// SPDX-License-Identifier: GPL-3.0-or-later
// What the image view paints, where it lands at each zoom, and the measurement a paint runs.
#include <QScrollBar>
#include <QSplitter>

#include "model/caliper_measure.h"
#include "panel/data_view.h"
#include "panel/profile_graph.h"
#include "view_fixture.h"
#include "view_tests.h"

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);

class PaintCounter : public QObject {
public:
    explicit PaintCounter(int* count) : m_count(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++*m_count;
        return false;
    }

private:
    int* m_count;
};

}  // namespace

class ViewPaintTest : public QObject {
    Q_OBJECT

private slots:
    void paintDetectsPendingLinesAndSamplesTheCurrentOne() {
        ViewFixture f;
        const CScan* line0 = f.doc.m_profile.GetLine(0, 0, 0);
        const CScan* line1 = f.doc.m_profile.GetLine(0, 0, 1);
        QCOMPARE(line0->m_ptCur, (CPoint{kBar, 10}));
        QCOMPARE(line1->m_ptCur, (CPoint{kBar, 40}));
        QVERIFY(!line0->m_bDetect && !line1->m_bDetect);
        // After the paint the buffer holds the current line, and the panel was told.
        QCOMPARE(f.doc.m_buffer.m_nLastSample, 55);
        QCOMPARE(f.doc.m_buffer.m_nRed[0], 5);
        QCOMPARE(f.doc.m_buffer.m_nRed[kBar - 5], 10);
        QCOMPARE(f.doc.m_buffer.m_nGreen[1], 10);
        QVERIFY(f.panel.repaints > 0);
    }

    void theRealPanelBesideTheViewFollowsItsPaints() {
        // The panel's graph sits in the view's window: the view must not paint it from inside
        // its own paint, which Qt cannot do, yet it must show the profile of that paint.
        FakeUi ui;
        CNorvaleDoc doc{ui};
        QTemporaryDir dir;
        QImage image(kPicWidth, kPicHeight, QImage::Format_RGB32);
        image.fill(qRgb(200, 200, 200));
        image.save(dir.filePath(QStringLiteral("p.bmp")));
        QSplitter window;
        auto* panel = new CDataView(doc, &window);
        auto* view = new CNorvaleView(doc, &window);
        window.resize(700, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ui.openChoices.push_back({dir.filePath(QStringLiteral("p.bmp"))});
        doc.OnAddFiles();
        doc.AddLineToAll(5, 10, 60, 10);
        doc.m_nCurLine = 0;
        int graphPaints = 0;
        PaintCounter counter(&graphPaints);
        panel->Graph()->installEventFilter(&counter);
        view->InvalidateNoErase();
        QApplication::processEvents();
        QApplication::processEvents();
        QCOMPARE(doc.m_buffer.m_nLastSample, 55);
        QVERIFY(graphPaints > 0);
    }

    void overlaysLandAtTheZoomedPoints_data() {
        QTest::addColumn<int>("zoom");
        QTest::newRow("zoom 1") << 1;
        QTest::newRow("zoom 2") << 2;
        QTest::newRow("zoom 4") << 4;
    }
    void overlaysLandAtTheZoomedPoints() {
        QFETCH(int, zoom);
        ViewFixture f;
        f.view->SetZoom(zoom);
        f.Settle();
        const QImage shot = f.Grab();
        const int z = zoom;

        // The picture: image pixel (30, 25) fills the block from (30z, 25z) to its last pixel.
        QCOMPARE(ColourAt(shot, {30 * z, 25 * z}).rgb(), PicturePixel(30, 25));
        QCOMPARE(ColourAt(shot, {30 * z + z - 1, 25 * z + z - 1}).rgb(), PicturePixel(30, 25));
        QCOMPARE(ColourAt(shot, {31 * z, 25 * z}).rgb(), PicturePixel(31, 25));

        // The current line in red from end to end, the other in green.
        QVERIFY(ColourNear(shot, {5 * z, 10 * z}, kRed));
        QVERIFY(ColourNear(shot, {60 * z, 10 * z}, kRed));
        QVERIFY(!ColourNear(shot, {60 * z + 4, 10 * z}, kRed));
        QVERIFY(ColourNear(shot, {5 * z, 40 * z}, kGreen));

        // Edge circles of radius 5 at every zoom, in their line's colour.
        QVERIFY(ColourNear(shot, {kBar * z, 10 * z - 5}, kRed));
        QVERIFY(ColourNear(shot, {kBar * z, 10 * z + 5}, kRed));
        QVERIFY(!ColourNear(shot, {kBar * z + 2, 10 * z - 2}, kRed));
        QVERIFY(!ColourNear(shot, {kBar * z, 10 * z - 8}, kRed));
        QVERIFY(ColourNear(shot, {kBar * z, 40 * z + 5}, kGreen));

        // Calibration squares of half-size 4 and the axis polyline.
        QVERIFY(ColourNear(shot, {20 * z - 4, 30 * z + 2}, kBlue));
        QVERIFY(!ColourNear(shot, {20 * z - 7, 30 * z + 2}, kBlue));
        QVERIFY(!ColourNear(shot, {20 * z - 2, 30 * z + 2}, kBlue));
        QVERIFY(ColourNear(shot, {60 * z + 4, 30 * z - 2}, kBlue));
        QVERIFY(ColourNear(shot, {40 * z, 30 * z}, kBlue));
        QVERIFY(ColourNear(shot, {20 * z, 25 * z}, kBlue));

        // Neutral ground beside a picture smaller than the view.
        if (zoom == 1) {
            const QColor ground = ColourAt(shot, {kPicWidth + 20, kPicHeight + 20});
            QCOMPARE(ground, ColourAt(f.Grab(), {kPicWidth + 40, 10}));
            QVERIFY(ground.red() == ground.green() && ground.green() == ground.blue());
        }
    }

    // An edge a caliper rule found cleanly keeps the plain circle; the others are marked in a
    // colour and shape of their own over a dark halo, and a pair's width is drawn beside it.
    void caliperMarksShowTheStatus_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QColor>("mark");  // a colour the mark shows near the circle's top
        QTest::addColumn<bool>("plain");   // the plain red circle stands at the edge
        QTest::newRow("ok") << static_cast<int>(CaliperStatus::Ok) << kRed << true;
        QTest::newRow("weak") << static_cast<int>(CaliperStatus::Weak) << QColor(255, 170, 0)
                              << false;
        QTest::newRow("ambiguous") << static_cast<int>(CaliperStatus::Ambiguous)
                                   << QColor(255, 0, 255) << false;
        QTest::newRow("fit failed") << static_cast<int>(CaliperStatus::FitFailed)
                                    << QColor(255, 170, 0) << false;
        QTest::newRow("at the line's end") << static_cast<int>(CaliperStatus::AtLineEnd)
                                           << QColor(255, 170, 0) << false;
    }
    void caliperMarksShowTheStatus() {
        QFETCH(int, status);
        QFETCH(QColor, mark);
        QFETCH(bool, plain);
        ViewFixture f;
        CScan* line = f.doc.m_profile.GetLine(0, 0, 0);
        CaliperMeasure measure;
        measure.status = static_cast<CaliperStatus>(status);
        measure.edge = {static_cast<double>(kBar - 5), -90.0, 0.05, std::nullopt};
        line->m_measure = std::make_shared<const CaliperMeasure>(measure);
        f.Settle();
        const QImage shot = f.Grab();
        // Anywhere on the mark's outline above the scan line.
        bool shown = false;
        for (int x = kBar - 5; x <= kBar + 5 && !shown; ++x) {
            for (int y = 3; y <= 8 && !shown; ++y) shown = ColourNear(shot, {x, y}, mark);
        }
        QVERIFY(shown);
        QCOMPARE(ColourNear(shot, {kBar, 10 - 5}, kRed), plain);
    }

    void pairWidthAndNotFound() {
        ViewFixture f;
        CScan* line = f.doc.m_profile.GetLine(0, 0, 1);  // (5,40)-(60,40), green
        CaliperMeasure pair;
        pair.status = CaliperStatus::Ok;
        pair.edge = {static_cast<double>(kBar - 5), 90.0, 0.05, std::nullopt};
        pair.second = CaliperEdge{45.0, -90.0, 0.05, std::nullopt};
        pair.widthSamples = 10.0;
        line->m_measure = std::make_shared<const CaliperMeasure>(pair);
        CaliperMeasure none;
        none.status = CaliperStatus::NotFound;
        f.doc.m_profile.GetLine(0, 0, 0)->m_measure = std::make_shared<const CaliperMeasure>(none);
        QString text;
        QObject::connect(f.view.get(), &CNorvaleView::caliperText,
                         [&text](const QString& t) { text = t; });
        f.Settle();
        const QImage shot = f.Grab();
        // The second edge's circle, and the dimension line 9 pixels beside the scan line.
        QVERIFY(ColourNear(shot, {50, 40 + 5}, kGreen));
        QVERIFY(ColourNear(shot, {45, 40 + 9}, kGreen));
        QVERIFY(!ColourNear(shot, {45, 40 - 9}, kGreen));
        // Not found: a white cross where the cursor stayed, no red circle.
        QVERIFY(ColourNear(shot, {kBar - 4, 10 - 4}, Qt::white));
        QVERIFY(!ColourNear(shot, {kBar, 10 - 5}, kRed));
        // The read-out names the current line's status.
        QVERIFY2(text.contains(QStringLiteral("見つからない")), qPrintable(text));
        f.doc.m_nCurLine = 1;
        f.Settle();
        QVERIFY2(text.contains(QStringLiteral("± 0.05")) && text.contains(QStringLiteral("幅 10")),
                 qPrintable(text));
    }

    void measurementPolylineJoinsEdgePointsInOrder_data() {
        QTest::addColumn<bool>("length");
        QTest::addColumn<bool>("area");
        QTest::newRow("both off") << false << false;
        QTest::newRow("length") << true << false;
        QTest::newRow("area") << false << true;
    }
    void measurementPolylineJoinsEdgePointsInOrder() {
        QFETCH(bool, length);
        QFETCH(bool, area);
        ViewFixture f;
        f.doc.AddLineToAll(5, 70, 60, 70);
        const int pos[] = {5, 45, 5};  // edge points (10,10), (50,40), (10,70)
        for (int n = 0; n < 3; ++n) {
            CScan* line = f.doc.m_profile.GetLine(0, 0, n);
            line->m_bDetect = false;
            line->SetPos(pos[n]);
        }
        if (length) f.doc.OnMeasureLength();
        if (area) f.doc.OnMeasureArea();
        f.Settle();
        const QImage shot = f.Grab();
        QCOMPARE(ColourNear(shot, {30, 25}, kGreen), length || area);  // edge 0 to edge 1
        QCOMPARE(ColourNear(shot, {30, 55}, kGreen), length || area);  // edge 1 to edge 2
        QVERIFY(!ColourNear(shot, {10, 55}, kGreen));                  // never closed
    }

    void unmeasuredPartOfALongLineIsDotted() {
        // 1200 steps from far left: measured to x = -1000 + 1023 = 23, dotted from there.
        ViewFixture f;
        f.doc.AddLineToAll(-1000, 70, 200, 70);
        f.Settle();
        const QImage shot = f.Grab();
        const double dpr = shot.devicePixelRatio();
        // The share of device columns from x0 to x1 where the line shows in row 70.
        const auto shown = [&](int x0, int x1) {
            int hits = 0;
            const int c0 = static_cast<int>(x0 * dpr), c1 = static_cast<int>(x1 * dpr);
            for (int c = c0; c < c1; ++c) {
                bool hit = false;
                for (int r = static_cast<int>(70 * dpr) - 1; r <= static_cast<int>(71 * dpr); ++r) {
                    hit = hit || shot.pixelColor(c, r) == kGreen;
                }
                hits += hit;
            }
            return static_cast<double>(hits) / (c1 - c0);
        };
        QCOMPARE(shown(1, 22), 1.0);
        const double dotted = shown(30, 200);
        QVERIFY2(dotted > 0.2 && dotted < 0.8, qPrintable(QString::number(dotted)));
    }

    void zoomKeepsTheScrollPositionClamped() {
        ViewFixture f;
        f.view->SetZoom(3);
        QCOMPARE(f.view->m_dZoom, 1.0);
        f.view->SetZoom(0);
        QCOMPARE(f.view->m_dZoom, 1.0);

        f.view->SetZoom(2);
        const QSize port = f.Port()->size();
        QCOMPARE(f.view->horizontalScrollBar()->maximum(), 2 * kPicWidth - port.width());
        QCOMPARE(f.view->verticalScrollBar()->maximum(), 2 * kPicHeight - port.height());
        f.view->horizontalScrollBar()->setValue(100);
        f.view->verticalScrollBar()->setValue(40);
        f.Settle();
        // Client (31, 9) at zoom 2 scrolled to (100, 40) shows image pixel (65, 24).
        QCOMPARE(ColourAt(f.Grab(), {31, 9}).rgb(), PicturePixel(65, 24));

        f.view->SetZoom(4);
        QCOMPARE(f.view->horizontalScrollBar()->value(), 100);
        QCOMPARE(f.view->verticalScrollBar()->value(), 40);
        f.view->SetZoom(1);
        QCOMPARE(f.view->horizontalScrollBar()->value(), 0);
        QCOMPARE(f.view->verticalScrollBar()->value(), 0);
    }

    void pointerLandsOnThePixelShownUnderIt_data() {
        QTest::addColumn<int>("zoom");
        QTest::newRow("zoom 1") << 1;
        QTest::newRow("zoom 2") << 2;
    }
    void pointerLandsOnThePixelShownUnderIt() {
        // At every device pixel the colour read out for the pointer there is the colour shown
        // there: the mapping follows the screen's scale factor down to fractional positions.
        QFETCH(int, zoom);
        ViewFixture f;
        f.view->SetZoom(zoom);
        f.Settle();
        const QImage shot = f.Grab();
        const double dpr = f.Dpr();
        const auto readOut = [&] {
            return qRgb(f.panes[3].mid(4).trimmed().toInt(), f.panes[4].mid(4).trimmed().toInt(),
                        f.panes[5].mid(4).trimmed().toInt());
        };
        const int row = static_cast<int>(50 * zoom * dpr);
        const int column = static_cast<int>(30 * zoom * dpr);
        for (int d = 0; d < static_cast<int>(36 * zoom * dpr); ++d) {
            f.MoveExact({d / dpr, row / dpr});
            QCOMPARE(readOut(), shot.pixel(d, row));
            f.MoveExact({column / dpr, (row + d) / dpr});
            QCOMPARE(readOut(), shot.pixel(column, row + d));
        }
    }

    void farCalibrationPointsPaintAndReadOut() {
        // A calibration typed far off the picture must neither overflow nor stop the paint.
        ViewFixture f;
        f.doc.SetAxisPixel(0, 2147483647, -2147483647 - 1);
        f.view->SetZoom(4);
        f.Settle();
        QVERIFY(ColourNear(f.Grab(), {5 * 4, 10 * 4}, kRed));
        f.Move(35, 12);
        QCOMPARE(f.panes[1], QStringLiteral("x = -2147483612"));
        QCOMPARE(f.panes[2], QStringLiteral("y = -2147483660"));
    }
};

int RunViewPaintTests(int argc, char** argv) {
    ViewPaintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "view_paint_test.moc"
