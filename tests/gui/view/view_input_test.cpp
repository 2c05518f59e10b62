// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse and key input of the image view: the interaction table, the rubber band and the live
// profile, the status read-out and the tool cursors.
#include <QPaintEvent>
#include <QPixmap>
#include <QRegion>

#include "view_fixture.h"
#include "view_script.h"
#include "view_tests.h"

namespace {

// Records the areas the viewport paints.
class PaintRecorder : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

QColor Inverted(QRgb rgb) {
    return QColor(255 - qRed(rgb), 255 - qGreen(rgb), 255 - qBlue(rgb));
}

}  // namespace

class ViewInputTest : public QObject {
    Q_OBJECT

private slots:
    void interaction_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("curLine");
        QTest::addColumn<QString>("axis");
        QTest::addColumn<bool>("dragging");
        QTest::addColumn<int>("pickMode");
        const QString added = kBaseLines + QStringLiteral(" 10,60-50,70");
        const QString moved = QStringLiteral("5,10-80,20 5,40-60,40");

        QTest::newRow("Shift+click, move, click draws a line")
            << "S10,60 M50,70 C50,70" << added << 2 << kBaseAxis << false << -1;
        QTest::newRow("a line of zero length is refused")
            << "S10,60 M30,60 C10,60" << kBaseLines << 0 << kBaseAxis << false << -1;
        QTest::newRow("Shift+click again starts the line afresh")
            << "S30,60 M40,70 S10,60 M50,70 C50,70" << added << 2 << kBaseAxis << false << -1;
        QTest::newRow("Ctrl+click during a drag does nothing")
            << "S10,60 K40,70 M50,70 C50,70" << added << 2 << kBaseAxis << false << -1;
        QTest::newRow("right clicks neither pick nor drop")
            << "R60,10 C60,10 R40,70 C80,20" << moved << 0 << kBaseAxis << false << -1;
        QTest::newRow("a line end follows the drag")
            << "C5,40 M15,45 C15,45"
            << "5,10-60,10 15,45-60,40" << 1 << kBaseAxis << false << -1;
        QTest::newRow("an end dropped on the other end is refused")
            << "C60,10 C5,10" << kBaseLines << 0 << kBaseAxis << false << -1;
        QTest::newRow("a click on a line's body makes it current")
            << "C30,42" << kBaseLines << 1 << kBaseAxis << false << -1;
        QTest::newRow("the origin follows the drag")
            << "C20,30 M25,50 C25,50" << kBaseLines << 0 << "25,50 60,30 20,20" << false << -1;
        QTest::newRow("the Y-axis point follows the drag")
            << "C20,20 C100,100" << kBaseLines << 0 << "20,30 60,30 100,100" << false << -1;
        QTest::newRow("a calibration point dropped on another is refused")
            << "C20,30 C60,30" << kBaseLines << 0 << kBaseAxis << false << -1;
        QTest::newRow("after a pick command Shift+click places the point")
            << "PX PY S100,100" << kBaseLines << 0 << "20,30 60,30 100,100" << false << -1;
        QTest::newRow("after a pick command a plain click still picks")
            << "PO C60,10 C80,20" << moved << 0 << kBaseAxis << false << 0;
        QTest::newRow("placing a point during a drag leaves the drag going")
            << "C60,10 PX S100,100 C80,20" << moved << 0 << "20,30 100,100 20,20" << false << -1;
        QTest::newRow("Shift+click during a calibration drag starts a line")
            << "C20,30 S10,60 C50,70" << added << 2 << kBaseAxis << false << -1;
        QTest::newRow("the second press of a double click does not drop")
            << "D60,10" << kBaseLines << 0 << kBaseAxis << true << -1;
        QTest::newRow("the second press of a double click does not pick")
            << "C60,10 D80,20" << moved << 0 << kBaseAxis << false << -1;
        QTest::newRow("losing the mouse ends the drag")
            << "S10,60 M50,70 G C50,70" << kBaseLines << 0 << kBaseAxis << false << -1;
    }
    void interaction() {
        QFETCH(QString, script);
        QFETCH(QString, lines);
        QFETCH(int, curLine);
        QFETCH(QString, axis);
        QFETCH(bool, dragging);
        QFETCH(int, pickMode);
        ViewFixture f;
        Run(f, script);
        QCOMPARE(Lines(f.doc), lines);
        QCOMPARE(f.doc.m_nCurLine, curLine);
        QCOMPARE(Axis(f.doc), axis);
        QCOMPARE(f.view->IsDragging(), dragging);
        // The view keeps the mouse exactly as long as a drag lasts.
        QCOMPARE(QWidget::mouseGrabber() == f.Port(), dragging);
        QCOMPARE(f.view->m_nPickMode, pickMode);
    }

    void bandAndLiveProfileFollowTheMouse() {
        ViewFixture f;
        PaintRecorder recorder;
        f.Port()->installEventFilter(&recorder);
        Run(f, QStringLiteral("S10,60"));
        QApplication::processEvents();
        const int repaints = f.panel.repaints;
        recorder.painted = QRegion();

        Run(f, QStringLiteral("M50,60"));
        // Only the band's surroundings are painted again, not the view.
        const QRect painted = recorder.painted.boundingRect();
        QVERIFY(!painted.isEmpty());
        QVERIFY2(painted.height() < 12 && painted.width() < 60,
                 qPrintable(QStringLiteral("%1x%2").arg(painted.width()).arg(painted.height())));
        // The graph follows the moving segment, and the band's paint leaves it so.
        QVERIFY(f.panel.repaints > repaints);
        const QImage shot = f.Grab();
        QCOMPARE(f.doc.m_buffer.m_nLastSample, 40);
        QCOMPARE(f.doc.m_buffer.m_nRed[0], 10);
        QCOMPARE(f.doc.m_buffer.m_nRed[kBar - 10], 10);
        QCOMPARE(f.doc.m_buffer.m_nRed[39], 49);
        QCOMPARE(f.doc.m_buffer.m_nGreen[20], 60);
        // The band inverts what lies under it.
        QVERIFY(ColourNear(shot, {30, 60}, Inverted(PicturePixel(30, 60))));

        // The origin's band has two segments: X-axis point, mouse, Y-axis point.
        Run(f, QStringLiteral("C20,60 C20,30 M20,50"));
        const QImage origin = f.Grab();
        QVERIFY(ColourNear(origin, {20, 44}, Inverted(PicturePixel(20, 44))));
        QVERIFY(ColourNear(origin, {40, 40}, Inverted(qRgb(0, 255, 0))));
        // A refused drop leaves neither the point moved nor the band behind.
        Run(f, QStringLiteral("C60,30"));
        QApplication::processEvents();
        QCOMPARE(Axis(f.doc), kBaseAxis);
        QCOMPARE(ColourAt(f.Grab(), {20, 44}).rgb(), PicturePixel(20, 44));
    }

    void statusReadOut_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("right of and above the origin")
            << 1 << QPoint(35, 12)
            << QStringList{"x =  15", "y =  18", "R =  35", "G =  12", "B = 100"};
        QTest::newRow("left of and below the origin, zoom 2")
            << 2 << QPoint(10, 70)
            << QStringList{"x = -10", "y = -40", "R =  10", "G =  70", "B = 100"};
        QTest::newRow("outside the picture")
            << 1 << QPoint(kPicWidth + 30, 20)
            << QStringList{"x = 260", "y =  10", "R = 255", "G = 255", "B = 255"};
    }
    void statusReadOut() {
        QFETCH(int, zoom);
        QFETCH(QPoint, pixel);
        QFETCH(QStringList, texts);
        ViewFixture f;
        f.view->SetZoom(zoom);
        f.Settle();
        f.Move(pixel.x(), pixel.y());
        QCOMPARE(f.panes.mid(1, 5), texts);
    }

    // A 16-bit picture reads out its own samples and is painted cut to 8 bits: red (or grey)
    // 1000 + 100 x + y, green 20000 + y, blue 65535.
    void sixteenBitReadOut_data() {
        QTest::addColumn<bool>("colour");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("grey png") << false << "grey.png" << QPoint(3, 2)
                                  << QStringList{"R =  1302", "G =  1302", "B =  1302"};
        QTest::newRow("colour tiff") << true << "colour.tif" << QPoint(7, 30)
                                     << QStringList{"R =  1730", "G = 20030", "B = 65535"};
        QTest::newRow("outside") << true << "colour.tif" << QPoint(kPicWidth + 30, 20)
                                 << QStringList{"R = 65535", "G = 65535", "B = 65535"};
    }
    void sixteenBitReadOut() {
        QFETCH(bool, colour);
        QFETCH(QString, file);
        QFETCH(QPoint, pixel);
        QFETCH(QStringList, texts);
        ViewFixture f;
        QImage image(60, 40, colour ? QImage::Format_RGBX64 : QImage::Format_Grayscale16);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<quint16*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const auto level = static_cast<quint16>(1000 + 100 * x + y);
                if (!colour) {
                    row[x] = level;
                    continue;
                }
                row[4 * x] = level;
                row[4 * x + 1] = static_cast<quint16>(20000 + y);
                row[4 * x + 2] = 65535;
                row[4 * x + 3] = 65535;
            }
        }
        const QString path = f.dir.filePath(file);
        QVERIFY(image.save(path));
        f.ui.openChoices.push_back({path});
        f.doc.OnAddFiles();
        f.Settle();
        f.Move(pixel.x(), pixel.y());
        QCOMPARE(f.panes.mid(3, 3), texts);
        if (pixel.x() < image.width()) {
            const auto cut = [](int v) { return (v + 128) / 257; };
            const int level = 1000 + 100 * pixel.x() + pixel.y();
            const QRgb painted = colour ? qRgb(cut(level), cut(20000 + pixel.y()), 255)
                                        : qRgb(cut(level), cut(level), cut(level));
            QCOMPARE(ColourAt(f.Grab(), f.ClientOf(pixel.x(), pixel.y())).rgb(), painted);
        }
    }

    void toolCursorsWhileShiftIsHeld_data() {
        QTest::addColumn<QString>("pick");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QPoint>("hotSpot");
        QTest::newRow("drawing") << ""
                                 << ":/cursors/draw_line.png" << QPoint(15, 16);
        QTest::newRow("origin") << "PO"
                                << ":/cursors/pick_origin.png" << QPoint(8, 8);
        QTest::newRow("X axis") << "PX"
                                << ":/cursors/pick_xaxis.png" << QPoint(8, 8);
        QTest::newRow("Y axis") << "PY"
                                << ":/cursors/pick_yaxis.png" << QPoint(8, 8);
    }
    void toolCursorsWhileShiftIsHeld() {
        QFETCH(QString, pick);
        QFETCH(QString, image);
        QFETCH(QPoint, hotSpot);
        ViewFixture f;
        Run(f, pick);
        QTest::keyPress(f.view.get(), Qt::Key_Shift);
        const QCursor cursor = f.Port()->cursor();
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), hotSpot);
        const QImage expected = QPixmap(image).toImage();
        QVERIFY(!expected.isNull());
        QCOMPARE(cursor.pixmap().toImage().convertToFormat(expected.format()), expected);

        // Released, the tool cursor stays until the mouse moves.
        QTest::keyRelease(f.view.get(), Qt::Key_Shift);
        QCOMPARE(f.Port()->cursor().shape(), Qt::BitmapCursor);
        f.Move(100, 100);
        QCOMPARE(f.Port()->cursor().shape(), Qt::ArrowCursor);
    }

    void withoutAPictureNothingHappens() {
        ViewFixture f(false);
        Run(f, QStringLiteral("S10,60 M50,70 C50,70 C60,10"));
        QTest::keyPress(f.view.get(), Qt::Key_Shift);
        QCOMPARE(f.doc.m_profile.GetSize(), 0);
        QVERIFY(!f.view->IsDragging());
        QVERIFY(QWidget::mouseGrabber() == nullptr);
        QCOMPARE(f.paneWrites, 0);
        QCOMPARE(f.Port()->cursor().shape(), Qt::ArrowCursor);
        const QImage shot = f.Grab();
        QCOMPARE(ColourAt(shot, {10, 10}), ColourAt(shot, {200, 150}));
    }

    void removingThePictureEndsADrag() {
        ViewFixture f;
        Run(f, QStringLiteral("S10,60 M50,70"));
        f.ui.answers.push_back(true);
        f.doc.OnDeleteAll();
        QVERIFY(!f.view->IsDragging());
        QVERIFY(QWidget::mouseGrabber() == nullptr);
    }
};

int RunViewInputTests(int argc, char** argv) {
    ViewInputTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "view_input_test.moc"
