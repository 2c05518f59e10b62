// SPDX-License-Identifier: GPL-3.0-or-later
// The image view's zoom: the steps, fitting the picture to the window, and Ctrl+wheel about the
// mouse.
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "view/norvale_view.h"

namespace {

// Fitting a picture into a window of a few pixels, or a tiny picture into a large one, stays
// within scales whose arithmetic is tame.
constexpr double kMinFit = 1.0 / 1024;
constexpr double kMaxFit = 64.0;
constexpr int kWheelNotch = 120;

bool IsStep(double zoom) {
    return std::find(std::begin(kZoomSteps), std::end(kZoomSteps), zoom) != std::end(kZoomSteps);
}

}  // namespace

void CNorvaleView::SetZoom(double zoom) {
    ZoomTo(IsStep(zoom) ? zoom : 1.0, false, std::nullopt);
}

void CNorvaleView::SetZoomFit() {
    ZoomTo(FitScale(), true, std::nullopt);
}

bool CNorvaleView::IsWholeZoom() const {
    return m_dZoom >= 1.0 && m_dZoom == std::floor(m_dZoom);
}

int CNorvaleView::HitRadius() const {
    if (m_dZoom >= 1.0) return kHitRadius;
    return static_cast<int>(std::ceil(kHitRadius / m_dZoom - 1e-9));
}

double CNorvaleView::FitScale() const {
    const QSize picture = GetPictureSize();
    if (picture.isEmpty()) return m_dZoom;
    // The room without scroll bars: a picture that fits needs none.
    const QSize room = maximumViewportSize();
    const double scale = std::min(static_cast<double>(room.width()) / picture.width(),
                                  static_cast<double>(room.height()) / picture.height());
    return std::clamp(scale, kMinFit, kMaxFit);
}

QSize CNorvaleView::ContentSize() const {
    const QSize picture = GetPictureSize();
    // The last image pixel's painted area ends inside the last logical pixel; a fitting scale
    // times the picture's size may come out an ulp above the room.
    const auto extent = [this](int pixels) {
        return static_cast<int>(std::ceil(pixels * m_dZoom - 1e-9));
    };
    return {extent(picture.width()), extent(picture.height())};
}

void CNorvaleView::SetScale(double scale) {
    if (scale == m_dZoom) return;
    // The band is kept in view coordinates; scaled with the picture it stays on the same image
    // points, and the next mouse move brings its moving end back under the pointer.
    const double ratio = scale / m_dZoom;
    if (m_bDragging) {
        viewport()->update(BandRect());
        m_ptBandAnchor *= ratio;
        m_ptBandEnd *= ratio;
        m_ptBandThird *= ratio;
    }
    m_dZoom = scale;
    viewport()->update();
}

void CNorvaleView::ZoomTo(double scale, bool fit, const std::optional<QPointF>& anchor) {
    const QPoint scroll = ScrollOffset();
    const double half = 0.5 / viewport()->devicePixelRatioF();
    // The anchor's place on the picture, in image pixels, before the change.
    CPoint pixel;
    QPointF image;
    if (anchor) {
        pixel = ClientToImage(*anchor);
        image = (*anchor + QPointF(scroll) + QPointF(half, half)) / m_dZoom;
    }
    m_bZoomFit = fit;
    SetScale(scale);
    OnUpdate();
    if (anchor) KeepUnder(*anchor, pixel, image);
    // The mouse may stand over another pixel now, though neither it nor the picture moved.
    if (m_ptMouse && HasPicture()) ShowReadOut(ClientToImage(*m_ptMouse));
}

void CNorvaleView::KeepUnder(const QPointF& anchor, const CPoint& pixel, const QPointF& image) {
    const double dpr = viewport()->devicePixelRatioF();
    const double half = 0.5 / dpr;
    // Always possible from scale 1 up; reduced, one device pixel shows several image pixels and
    // the nearest scroll position is kept.
    const auto place = [&](double client, double at, int wanted, QScrollBar* bar) {
        const int ideal = static_cast<int>(std::lround(at * m_dZoom - client - half));
        int best = ideal;
        const int reach = static_cast<int>(std::ceil(m_dZoom)) + 1;
        for (int d = 0; d <= reach; ++d) {
            if (PixelUnder(client, ideal + d, dpr, m_dZoom) == wanted) {
                best = ideal + d;
                break;
            }
            if (PixelUnder(client, ideal - d, dpr, m_dZoom) == wanted) {
                best = ideal - d;
                break;
            }
        }
        bar->setValue(best);
    };
    place(anchor.x(), image.x(), pixel.x, horizontalScrollBar());
    place(anchor.y(), image.y(), pixel.y, verticalScrollBar());
}

void CNorvaleView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    event->accept();
    if (!HasPicture()) return;
    // A notch is 120; a fine-grained wheel or touchpad adds up to one.
    m_nWheelAngle += event->angleDelta().y();
    const int notches = m_nWheelAngle / kWheelNotch;
    if (notches == 0) return;
    m_nWheelAngle -= notches * kWheelNotch;
    // From a fitting scale the next step is the next one up or down from it.
    double scale = m_dZoom;
    for (int n = 0; n < std::abs(notches); ++n) {
        if (notches > 0) {
            const auto* next = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), scale);
            if (next != std::end(kZoomSteps)) scale = *next;
        } else {
            const auto* next = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), scale);
            if (next != std::begin(kZoomSteps)) scale = *std::prev(next);
        }
    }
    if (scale == m_dZoom && !m_bZoomFit) return;
    ZoomTo(scale, false, event->position());
}
