// SPDX-License-Identifier: GPL-3.0-or-later
// The image view's construction, its document interface, its geometry and the measurement it
// runs on the current picture.
#include "view/norvale_view.h"

#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "document/norvale_doc.h"
#include "view/pointer_tracker.h"

CNorvaleView::CNorvaleView(CNorvaleDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_pPointer(new CPointerTracker(viewport())) {
    // Every paint covers the whole exposed area, picture or background, so Qt need not clear it.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // The status read-out follows the mouse with or without a button held.
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_doc.AddView(this);
    UpdateScrollSizes();
}

CNorvaleView::~CNorvaleView() {
    if (QWidget::mouseGrabber() == viewport()) viewport()->releaseMouse();
    m_doc.RemoveView(this);
}

// --- Document interface ------------------------------------------------------------------------

void CNorvaleView::InvalidateNoErase() {
    viewport()->update();
}

void CNorvaleView::OnUpdate() {
    UpdateScrollSizes();
    // The picture under a drag can only vanish through a command that the mouse grab cannot
    // stop (a key); the drag has nothing left to drop on.
    if (m_bDragging && !HasPicture()) EndDrag();
    m_bLiveStale = true;
    RefreshReadOut();
    viewport()->update();
}

void CNorvaleView::RedetectCurLine() {
    CScan* line = m_doc.GetCurLine();
    // Without a picture detection would read nothing and place the cursor on stale samples.
    if (line == nullptr || !HasPicture()) return;
    line->m_bDetect = true;
    DetectEdge(m_doc.m_nCurLine);
    InvalidateNoErase();
    m_doc.RepaintDataView();
}

QSize CNorvaleView::GetPictureSize() const {
    const CPicture* picture = m_doc.GetPictureBitmap();
    return picture != nullptr ? QSize(picture->Width(), picture->Height()) : QSize();
}

// --- Measurement -------------------------------------------------------------------------------

void CNorvaleView::SampleLine(int x1, int y1, int x2, int y2) {
    m_doc.SampleLine(x1, y1, x2, y2);
}

void CNorvaleView::SampleCurLine() {
    if (m_doc.SampleCurLine()) RepaintPanel();
}

void CNorvaleView::RepaintPanel() {
    if (!m_bInPaint) {
        m_doc.RepaintDataView();
        return;
    }
    if (m_bPanelRepaintQueued) return;
    m_bPanelRepaintQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_bPanelRepaintQueued = false;
        m_doc.RepaintDataView();
    });
}

void CNorvaleView::DetectEdge(int n) {
    m_doc.DetectEdge(n);
}

int CNorvaleView::DetectPending() {
    return m_doc.DetectPending();
}

// --- Geometry ----------------------------------------------------------------------------------

bool CNorvaleView::HasPicture() const {
    return m_doc.GetPictureBitmap() != nullptr;
}

bool CNorvaleView::IsLineDrag() const {
    return m_bDragging &&
           (m_nDragKind == DRAG_NEW_LINE || m_nDragKind == HIT_START || m_nDragKind == HIT_END);
}

QPoint CNorvaleView::ScrollOffset() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

QPointF CNorvaleView::ImageToView(const CPoint& pt) const {
    return {m_dZoom * pt.x, m_dZoom * pt.y};
}

CPoint CNorvaleView::ClientToImage(const QPointF& client) const {
    // The window system reports the pointer at the top-left corner of the device pixel under
    // it. Half a device pixel more is that pixel's centre, which is what the nearest-neighbour
    // blit samples, so at a scale factor of 1.5 or 2 the result is the image pixel actually shown
    // under the pointer. A centre exactly on the border of two image pixels shows the upper or
    // left one, as the blit rounds; the small bias keeps that choice. Reduced, the scaler paints
    // each device pixel from the image pixels around this one (PixelUnder).
    const double dpr = viewport()->devicePixelRatioF();
    const QPoint scroll = ScrollOffset();
    return {PixelUnder(client.x(), scroll.x(), dpr, m_dZoom),
            PixelUnder(client.y(), scroll.y(), dpr, m_dZoom)};
}

QRect CNorvaleView::BandRect() const {
    if (!m_bDragging) return {};
    double left = std::min(m_ptBandAnchor.x(), m_ptBandEnd.x());
    double right = std::max(m_ptBandAnchor.x(), m_ptBandEnd.x());
    double top = std::min(m_ptBandAnchor.y(), m_ptBandEnd.y());
    double bottom = std::max(m_ptBandAnchor.y(), m_ptBandEnd.y());
    if (m_nDragKind == HIT_ORIGIN) {
        left = std::min(left, m_ptBandThird.x());
        right = std::max(right, m_ptBandThird.x());
        top = std::min(top, m_ptBandThird.y());
        bottom = std::max(bottom, m_ptBandThird.y());
    }
    // A pen pixel reaches one pixel right and below its point; one more absorbs the rounding of
    // fractional scale factors. A calibration point typed far off the picture puts the band's
    // anchor beyond any int; clamped, the rectangle still covers all of the band on screen.
    const QPoint scroll = ScrollOffset();
    const auto toClient = [](double v, int offset) {
        return static_cast<int>(std::clamp(v - offset, -1e8, 1e8));
    };
    const QPoint topLeft(toClient(std::floor(left), scroll.x()) - 2,
                         toClient(std::floor(top), scroll.y()) - 2);
    const QPoint bottomRight(toClient(std::ceil(right), scroll.x()) + 2,
                             toClient(std::ceil(bottom), scroll.y()) + 2);
    return {topLeft, bottomRight};
}

void CNorvaleView::UpdateScrollSizes() {
    if (m_bZoomFit) SetScale(FitScale());
    const QSize size = ContentSize();
    const QSize page = viewport()->size();
    // setRange clamps the current value, so a zoom change keeps the scroll position where it
    // still fits.
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - page.width()));
    verticalScrollBar()->setRange(0, std::max(0, size.height() - page.height()));
    horizontalScrollBar()->setPageStep(page.width());
    verticalScrollBar()->setPageStep(page.height());
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 10));
}

void CNorvaleView::resizeEvent(QResizeEvent* /*event*/) {
    UpdateScrollSizes();
}

void CNorvaleView::scrollContentsBy(int dx, int dy) {
    // Everything is drawn at view coordinates, band included: moving the pixels is exact and
    // only the uncovered strip is painted.
    viewport()->scroll(dx, dy);
}
