// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

#include "document/doc_fakes.h"
#include "view/norvale_view.h"

// A picture whose every pixel tells where it is: red = x, green = y, blue = 100, with a dark bar
// in column kBar so that the minimum rule finds it. Overlay colours (pure red, green and blue)
// never occur in it.
inline constexpr int kPicWidth = 250;
inline constexpr int kPicHeight = 150;
inline constexpr int kBar = 40;

inline QRgb PicturePixel(int x, int y) {
    return x == kBar ? qRgb(10, 10, 10) : qRgb(x, y, 100);
}

// A real view on a real document with a fake panel, shown offscreen. With a picture, the image
// carries two lines, (5,10)-(60,10) (current) and (5,40)-(60,40), and the calibration origin
// (20,30), X-axis point (60,30) and Y-axis point (20,20).
struct ViewFixture {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    FakePanel panel;
    QTemporaryDir dir;
    std::unique_ptr<CNorvaleView> view;
    QStringList panes = QStringList(8);
    int paneWrites = 0;

    explicit ViewFixture(bool withPicture = true) {
        doc.AddView(&panel);
        doc.OnNewDocument();
        view = std::make_unique<CNorvaleView>(doc);
        QObject::connect(view.get(), &CNorvaleView::paneText, [this](int pane, const QString& t) {
            panes[pane] = t;
            ++paneWrites;
        });
        view->resize(320, 240);
        view->show();
        view->activateWindow();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(view.get());
        // Qt drops a move to where the pointer already is: start each test from off the view.
        MoveExact(QPointF(-40, -40));
        if (!withPicture) return;

        QImage image(kPicWidth, kPicHeight, QImage::Format_RGB32);
        for (int y = 0; y < kPicHeight; ++y) {
            for (int x = 0; x < kPicWidth; ++x) image.setPixel(x, y, PicturePixel(x, y));
        }
        const QString path = dir.filePath(QStringLiteral("picture.bmp"));
        image.save(path);
        ui.openChoices.push_back({path});
        doc.OnAddFiles();
        doc.AddLineToAll(5, 10, 60, 10);
        doc.AddLineToAll(5, 40, 60, 40);
        doc.m_nCurLine = 0;
        doc.SetAxisPixel(0, 20, 30);
        doc.SetAxisPixel(1, 60, 30);
        doc.SetAxisPixel(2, 20, 20);
        Settle();
    }
    ~ViewFixture() {
        view.reset();
        doc.RemoveView(&panel);
    }

    QWidget* Port() const { return view->viewport(); }
    double Dpr() const { return Port()->devicePixelRatioF(); }

    // Lets every pending paint happen.
    void Settle() {
        view->InvalidateNoErase();
        QApplication::processEvents();
    }

    // A viewport position inside the enlarged block of image pixel p, whatever the zoom, the
    // scroll position and the scale factor; reduced, the logical pixel that holds the centre of
    // p's painted area.
    QPoint ClientOf(int x, int y) const {
        const double z = view->m_dZoom;
        const auto at = [z](int p, int scroll) {
            return static_cast<int>(std::floor((p + 0.5) * z)) - scroll;
        };
        return {at(x, view->horizontalScrollBar()->value()),
                at(y, view->verticalScrollBar()->value())};
    }

    void Click(int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(Port(), button, mods, ClientOf(x, y));
    }
    // A move with no button held, as between the clicks of click, move, click. It comes through
    // the window system, so the mouse grab decides who gets it, at an exact (possibly
    // fractional) viewport position.
    void Move(int x, int y) { MoveExact(ClientOf(x, y)); }
    void MoveExact(const QPointF& client) {
        static int timestamp = 0;
        QWidget* top = view->window();
        const QPointF local = Port()->mapTo(top, client);
        qt_handleMouseEvent(top->windowHandle(), local, top->mapToGlobal(local), Qt::NoButton,
                            Qt::NoButton, QEvent::MouseMove, Qt::NoModifier, ++timestamp);
        QApplication::processEvents();
    }
    // Press, release, then the second press as the platform reports it, and its release.
    void DoubleClick(int x, int y) {
        const QPoint p = ClientOf(x, y);
        QTest::mousePress(Port(), Qt::LeftButton, Qt::NoModifier, p);
        QTest::mouseRelease(Port(), Qt::LeftButton, Qt::NoModifier, p);
        QTest::mouseDClick(Port(), Qt::LeftButton, Qt::NoModifier, p);
        QTest::mouseRelease(Port(), Qt::LeftButton, Qt::NoModifier, p);
    }

    QImage Grab() const { return Port()->grab().toImage(); }
};

// The colour shown at logical viewport position p: the device pixel under the centre of p.
inline QColor ColourAt(const QImage& image, QPoint p) {
    const double dpr = image.devicePixelRatio();
    const int x = static_cast<int>(std::floor((p.x() + 0.5) * dpr));
    const int y = static_cast<int>(std::floor((p.y() + 0.5) * dpr));
    return image.pixelColor(x, y);
}

// Whether a device pixel within one of the one under the centre of p has the colour: lines and
// circles land a device pixel either way at fractional scale factors.
inline bool ColourNear(const QImage& image, QPoint p, const QColor& colour) {
    const double dpr = image.devicePixelRatio();
    const int cx = static_cast<int>(std::floor((p.x() + 0.5) * dpr));
    const int cy = static_cast<int>(std::floor((p.y() + 0.5) * dpr));
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint d(cx + dx, cy + dy);
            if (image.valid(d) && image.pixelColor(d) == colour) return true;
        }
    }
    return false;
}
