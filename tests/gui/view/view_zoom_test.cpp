// SPDX-License-Identifier: GPL-3.0-or-later
// The image view reduced and fitted: where the pointer lands, Ctrl+wheel, Esc during a drag and
// the calibrated read-out.
#include <QWheelEvent>

#include "view_fixture.h"
#include "view_script.h"
#include "view_tests.h"

namespace {

// The image pixel the status read-out names (panes 1 and 2 count from the origin at (20, 30),
// y upwards).
QPoint ReadOutPixel(const ViewFixture& f) {
    return {f.panes[1].mid(4).trimmed().toInt() + 20, 30 - f.panes[2].mid(4).trimmed().toInt()};
}

void Wheel(ViewFixture& f, QPointF client, int angle, Qt::KeyboardModifiers mods) {
    QWheelEvent event(client, f.Port()->mapToGlobal(client), QPoint(), QPoint(0, angle),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.Port(), &event);
    QApplication::processEvents();
}

// zoom > 0 a step; 0 fitting the view as it is, -1 fitting it made small.
void ApplyZoom(ViewFixture& f, double zoom) {
    if (zoom < 0) f.view->resize(160, 100);
    if (zoom > 0) {
        f.view->SetZoom(zoom);
    } else {
        f.view->SetZoomFit();
    }
    f.Settle();
}

}  // namespace

class ViewZoomTest : public QObject {
    Q_OBJECT

private slots:
    void pointerLandsInThePixelsPaintedUnderIt_data() {
        QTest::addColumn<double>("zoom");
        QTest::newRow("1/2") << 0.5;
        QTest::newRow("1/4") << 0.25;
        QTest::newRow("fit, enlarged") << 0.0;
        QTest::newRow("fit, reduced") << -1.0;
    }
    void pointerLandsInThePixelsPaintedUnderIt() {
        // Along a row and a column of device pixels, the pixel read out for the pointer is one
        // of those the device pixel shows: red and green are x and y, so the colour shown is
        // their mean over the pixels painted there. Enlarged, it is that pixel exactly.
        QFETCH(double, zoom);
        ViewFixture f;
        ApplyZoom(f, zoom);
        const double scale = f.view->GetZoom();
        QVERIFY(zoom <= 0 || scale == zoom);
        QVERIFY(zoom != 0 || (scale > 1 && scale < 2));
        QVERIFY(zoom >= 0 || (scale > 0.5 && scale < 1));
        const QImage shot = f.Grab();
        const double dpr = f.Dpr();
        // Half the image pixels one device pixel spans, and the rounding of the mean.
        const double slack = scale < 1 ? 0.5 / (scale * dpr) + 1.0 : 0.0;
        const auto check = [&](int dx, int dy) {
            f.MoveExact({dx / dpr, dy / dpr});
            const QPoint p = ReadOutPixel(f);
            const QRgb shown = shot.pixel(dx, dy);
            QVERIFY2(std::abs(qRed(shown) - p.x()) <= slack && std::abs(qGreen(shown) - p.y()) <=
                                                                   slack,
                     qPrintable(QStringLiteral("device (%1, %2) shows (%3, %4), reads (%5, %6)")
                                    .arg(dx).arg(dy).arg(qRed(shown)).arg(qGreen(shown))
                                    .arg(p.x()).arg(p.y())));
        };
        // Right of the dark bar, inside the picture, clear of the overlays' colours.
        const int row = static_cast<int>(100 * scale * dpr);
        const int first = static_cast<int>((kBar + 8) * scale * dpr);
        const int last = static_cast<int>((kPicWidth - 2) * scale * dpr);
        for (int d = first; d < last; ++d) {
            check(d, row);
            if (QTest::currentTestFailed()) return;
        }
        const int column = static_cast<int>(200 * scale * dpr);
        for (int d = static_cast<int>(60 * scale * dpr);
             d < static_cast<int>((kPicHeight - 2) * scale * dpr); ++d) {
            check(column, d);
            if (QTest::currentTestFailed()) return;
        }
    }

    void fitFollowsTheWindowAndThePicture() {
        ViewFixture f;
        f.view->SetZoomFit();
        f.Settle();
        const auto wholeAndFilling = [&] {
            // No scrolling, and the picture meets two sides of the viewport.
            const QSize port = f.Port()->size();
            const double z = f.view->GetZoom();
            QCOMPARE(f.view->horizontalScrollBar()->maximum(), 0);
            QCOMPARE(f.view->verticalScrollBar()->maximum(), 0);
            const QSize painted(static_cast<int>(std::ceil(kPicWidth * z - 1e-9)),
                                static_cast<int>(std::ceil(kPicHeight * z - 1e-9)));
            QVERIFY(painted.width() <= port.width() && painted.height() <= port.height());
            QVERIFY(painted.width() == port.width() || painted.height() == port.height());
        };
        wholeAndFilling();
        const double small = f.view->GetZoom();
        f.view->resize(700, 500);
        f.Settle();
        QVERIFY(f.view->IsZoomFit());
        QVERIFY(f.view->GetZoom() > small);
        wholeAndFilling();

        // A picture twice as large in each direction is shown at half the scale.
        const double before = f.view->GetZoom();
        QImage large(2 * kPicWidth, 2 * kPicHeight, QImage::Format_RGB32);
        large.fill(qRgb(90, 90, 90));
        const QString path = f.dir.filePath(QStringLiteral("large.bmp"));
        QVERIFY(large.save(path));
        f.ui.openChoices.push_back({path});
        f.doc.OnAddFiles();
        // The list keeps its titles in order; step to the large picture wherever it went.
        if (f.view->GetPictureSize().width() != 2 * kPicWidth) f.doc.OnCmdMsg(ID_MOVE_DOWN);
        f.Settle();
        QCOMPARE(f.view->GetPictureSize(), large.size());
        QCOMPARE(f.view->GetZoom(), before / 2);

        // A step ends fitting.
        f.view->SetZoom(1);
        f.view->resize(300, 200);
        f.Settle();
        QVERIFY(!f.view->IsZoomFit());
        QCOMPARE(f.view->GetZoom(), 1.0);
    }

    void ctrlWheelStepsAboutTheMouse_data() {
        QTest::addColumn<double>("zoom");  // as ApplyZoom takes it
        QTest::addColumn<QPoint>("scroll");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("angle");
        QTest::addColumn<double>("expected");
        QTest::addColumn<bool>("stays");  // the scroll range lets the pixel stay put
        QTest::newRow("1 up to 2") << 1.0 << QPoint() << QPoint(100, 60) << 120 << 2.0 << true;
        QTest::newRow("2 up to 4") << 2.0 << QPoint(90, 40) << QPoint(101, 57) << 120 << 4.0
                                   << true;
        QTest::newRow("4 down to 2") << 4.0 << QPoint(300, 200) << QPoint(120, 80) << -120 << 2.0
                                     << true;
        QTest::newRow("4 stays 4") << 4.0 << QPoint(300, 200) << QPoint(120, 80) << 120 << 4.0
                                   << true;
        QTest::newRow("half notches add up") << 1.0 << QPoint() << QPoint(100, 60) << 60 << 1.0
                                             << true;
        QTest::newRow("fitting up to the next step")
            << 0.0 << QPoint() << QPoint(120, 70) << 120 << 2.0 << true;
        QTest::newRow("1 down two steps to 1/4")
            << 1.0 << QPoint() << QPoint(100, 60) << -240 << 0.25 << false;
        QTest::newRow("1/4 stays 1/4") << 0.25 << QPoint() << QPoint(100, 60) << -120 << 0.25
                                       << false;
    }
    void ctrlWheelStepsAboutTheMouse() {
        QFETCH(double, zoom);
        QFETCH(QPoint, scroll);
        QFETCH(QPoint, pixel);
        QFETCH(int, angle);
        QFETCH(double, expected);
        QFETCH(bool, stays);
        ViewFixture f;
        ApplyZoom(f, zoom);
        f.view->horizontalScrollBar()->setValue(scroll.x());
        f.view->verticalScrollBar()->setValue(scroll.y());
        // Reduced, a logical position names one of the few pixels around the one asked for.
        const QPointF client = f.ClientOf(pixel.x(), pixel.y());
        const CPoint under = f.view->ClientToImage(client);
        QVERIFY(std::abs(under.x - pixel.x()) <= 2 && std::abs(under.y - pixel.y()) <= 2);

        Wheel(f, client, angle, Qt::ControlModifier);
        QCOMPARE(f.view->GetZoom(), expected);
        QVERIFY(!f.view->IsZoomFit());
        if (stays) QCOMPARE(f.view->ClientToImage(client), under);
        // Half notches complete each other.
        if (std::abs(angle) < 120) {
            Wheel(f, client, angle, Qt::ControlModifier);
            QCOMPARE(f.view->GetZoom(), 2.0);
        }

        // Without Ctrl the wheel scrolls and leaves the zoom.
        const double now = f.view->GetZoom();
        Wheel(f, client, -120, Qt::NoModifier);
        QCOMPARE(f.view->GetZoom(), now);
    }

    void escCancelsADragWithoutAStep_data() {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QString>("drag");
        QTest::newRow("a new line") << 1.0 << "S10,60 M50,70";
        QTest::newRow("a line's end") << 1.0 << "C60,10 M80,20";
        QTest::newRow("a line's start") << 2.0 << "C5,40 M15,45";
        QTest::newRow("the origin") << 1.0 << "C20,30 M25,50";
        QTest::newRow("the X-axis point") << 1.0 << "C60,30 M80,40";
        QTest::newRow("a line's end at 1/2") << 0.5 << "C60,40 M80,50";
        QTest::newRow("the Y-axis point") << 1.0 << "C20,20 M30,10";
        QTest::newRow("a new line at 1/4") << 0.25 << "S12,60 M52,72";
    }
    void escCancelsADragWithoutAStep() {
        QFETCH(double, zoom);
        QFETCH(QString, drag);
        ViewFixture f;
        ApplyZoom(f, zoom);
        const int steps = f.doc.UndoStack().count();
        Run(f, drag);
        QVERIFY(f.view->IsDragging());
        Run(f, QStringLiteral("E"));
        QVERIFY(!f.view->IsDragging());
        QVERIFY(QWidget::mouseGrabber() == nullptr);
        QApplication::processEvents();
        // Nothing moved and no band is left: the view shows what one that never saw the drag
        // shows with the same line current (the pick made it so). The click that would have
        // dropped picks nothing.
        ViewFixture fresh;
        ApplyZoom(fresh, zoom);
        fresh.doc.m_nCurLine = f.doc.m_nCurLine;
        fresh.Settle();
        QCOMPARE(f.Grab(), fresh.Grab());
        Run(f, QStringLiteral("C100,100"));
        QCOMPARE(Lines(f.doc), kBaseLines);
        QCOMPARE(Axis(f.doc), kBaseAxis);
        QCOMPARE(f.doc.UndoStack().count(), steps);
        QVERIFY(!f.view->IsDragging());
    }

    void escWithoutADragKeepsThePickMode() {
        ViewFixture f;
        Run(f, QStringLiteral("PX E S100,100"));
        QCOMPARE(Axis(f.doc), QStringLiteral("20,30 100,100 20,20"));
    }

    void drawingAndDraggingAtReducedZooms_data() {
        QTest::addColumn<double>("zoom");
        QTest::newRow("1/2") << 0.5;
        QTest::newRow("1/4") << 0.25;
        QTest::newRow("fit, reduced") << -1.0;
    }
    void drawingAndDraggingAtReducedZooms() {
        // Each end lands on the pixel read out where the click was; the markers are hit
        // although a logical pixel spans several image pixels.
        QFETCH(double, zoom);
        ViewFixture f;
        ApplyZoom(f, zoom);
        const auto at = [&](int x, int y) {
            const CPoint p = f.view->ClientToImage(f.ClientOf(x, y));
            return QStringLiteral("%1,%2").arg(p.x).arg(p.y);
        };
        Run(f, QStringLiteral("S12,60 M52,72 C52,72"));
        QCOMPARE(Lines(f.doc), kBaseLines + QStringLiteral(" %1-%2").arg(at(12, 60), at(52, 72)));
        Run(f, QStringLiteral("C61,11 M82,22 C82,22"));
        QVERIFY(Lines(f.doc).startsWith(QStringLiteral("5,10-") + at(82, 22) + " "));
        // Clear of the lines, which come first where the enlarged radii overlap.
        f.doc.SetAxisPixel(1, 150, 100);
        f.Settle();
        Run(f, QStringLiteral("C151,101 M200,120 C200,120"));
        QCOMPARE(Axis(f.doc), QStringLiteral("20,30 %1 20,20").arg(at(200, 120)));
    }

    void calibratedReadOut_data() {
        QTest::addColumn<int>("calibration");  // see the switch below
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<bool>("changedUnderMouse");  // the calibration changes after the move
        const struct {
            const char* row;
            int calibration;
            QPoint pixel;
            const char *x, *y;
            bool changedUnderMouse;
        } rows[] = {
            {"valid", 0, {35, 12}, "X = 0.375", "Y = 1.8", false},
            {"valid, values set", 1, {40, 25}, "X = 5", "Y = 2.5", false},
            {"logarithmic X", 2, {40, 25}, "X = 10", "Y = 0.5", false},
            {"valid, off the picture", 0, {kPicWidth + 30, 20}, "", "", false},
            {"no X range", 3, {35, 12}, "", "", false},
            {"axes on one line", 4, {35, 12}, "", "", false},
            {"logarithmic X to 0", 5, {35, 12}, "", "", false},
            {"Y span beyond a double", 6, {35, 12}, "", "", false},
            {"values set under the mouse", 1, {40, 25}, "X = 5", "Y = 2.5", true},
            {"logarithmic X under the mouse", 2, {40, 25}, "X = 10", "Y = 0.5", true},
            {"axes put on one line under the mouse", 4, {35, 12}, "", "", true},
        };
        for (const auto& r : rows) {
            QTest::newRow(r.row) << r.calibration << r.pixel << QString::fromLatin1(r.x)
                                 << QString::fromLatin1(r.y) << r.changedUnderMouse;
        }
    }
    void calibratedReadOut() {
        QFETCH(int, calibration);
        QFETCH(QPoint, pixel);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(bool, changedUnderMouse);
        ViewFixture f;
        if (changedUnderMouse) f.Move(pixel.x(), pixel.y());
        switch (calibration) {
            case 1:
                f.doc.SetAxisValue(1, 10, 0);
                f.doc.SetAxisValue(2, 0, 5);
                break;
            case 2:
                f.doc.SetAxisValue(0, 1, 0);
                f.doc.SetAxisValue(1, 100, 0);
                f.doc.SetAxisLog(1, true);
                break;
            case 3:
                f.doc.SetAxisValue(1, 0, 0);
                break;
            case 4:
                f.doc.SetAxisPixel(2, 40, 30);
                break;
            case 5:
                f.doc.SetAxisValue(0, 1, 0);
                f.doc.SetAxisLog(1, true);
                f.doc.SetAxisValue(1, 0, 0);
                break;
            case 6:
                f.doc.SetAxisValue(0, 0, -1e308);
                f.doc.SetAxisValue(2, 0, 1e308);
                break;
            default:
                break;
        }
        f.Settle();
        if (!changedUnderMouse) f.Move(pixel.x(), pixel.y());
        QCOMPARE(f.panes[6], x);
        QCOMPARE(f.panes[7], y);
        const auto fromOrigin = [&](int originX) {
            return QString::asprintf("x = %3d", pixel.x() - originX);
        };
        QCOMPARE(f.panes[1], fromOrigin(f.doc.m_profile.GetAxis(0)->m_origin.m_xPixel));
        // Off the view the values go; the pixel read-out keeps its last pixel as before, counted
        // from the origin of the moment.
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(f.view.get(), &leave);
        QCOMPARE(f.panes[6], QString());
        f.doc.SetAxisPixel(0, 21, 30);
        f.Settle();
        QCOMPARE(f.panes[1], fromOrigin(21));
        QCOMPARE(f.panes[6], QString());
    }
};

int RunViewZoomTests(int argc, char** argv) {
    ViewZoomTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "view_zoom_test.moc"
