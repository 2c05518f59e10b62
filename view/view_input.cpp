// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse and keyboard input of the image view: click, move, click with a mouse grab between pick
// and drop, the rubber band, the live profile, the status read-out and the tool cursors.
#include <QKeyEvent>
#include <QMouseEvent>
#include <array>

#include "document/norvale_doc.h"
#include "view/norvale_view.h"
#include "view/pointer_tracker.h"
#include "view/tool_cursors.h"

namespace {

QPointF AxisPointOf(const CData& point) {
    return {static_cast<double>(point.m_xPixel), static_cast<double>(point.m_yPixel)};
}

CPoint PixelOf(const CData& point) {
    return {point.m_xPixel, point.m_yPixel};
}

}  // namespace

// --- Mouse -------------------------------------------------------------------------------------

void CNorvaleView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    // While a long operation works on the records, nothing is picked: a click that slips in as
    // one of its dialogs closes starts no drag that would drop on records being measured.
    if (!HasPicture() || m_doc.IsBusy()) return;
    CheckCapture();
    // The left button alone, with or without Shift; Ctrl or another button held does nothing.
    // Alt and the other modifiers play no part, as the platform's key-state flags have none.
    if (event->button() != Qt::LeftButton || event->buttons() != Qt::LeftButton) return;
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    const QPointF client = m_pPointer->Position(*event);
    const CPoint pt = ClientToImage(client);
    if (mods == Qt::NoModifier) {
        OnPlainClick(pt);
    } else if (mods == Qt::ShiftModifier) {
        OnShiftClick(pt, client + ScrollOffset());
    }
}

void CNorvaleView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click neither picks nor drops.
    event->accept();
}

void CNorvaleView::mouseReleaseEvent(QMouseEvent* event) {
    // Click, move, click: releasing the button does nothing of its own.
    event->accept();
}

void CNorvaleView::mouseMoveEvent(QMouseEvent* event) {
    ApplyCursor();
    event->accept();
    const QPointF client = m_pPointer->Position(*event);
    m_ptMouse = client;
    if (!HasPicture()) return;
    CheckCapture();
    const CPoint pt = ClientToImage(client);
    if (m_bDragging) {
        MoveBand(client + ScrollOffset());
        if (m_nDragKind == HIT_START) {
            m_ptLineStart = pt;
        } else if (m_nDragKind == HIT_END || m_nDragKind == DRAG_NEW_LINE) {
            m_ptLineEnd = pt;
        }
        if (IsLineDrag()) {
            SampleLine(m_ptLineStart.x, m_ptLineStart.y, m_ptLineEnd.x, m_ptLineEnd.y);
            m_bLiveProfile = true;
            m_doc.RepaintDataView();
        }
    }
    ShowReadOut(pt);
}

void CNorvaleView::OnPlainClick(const CPoint& pt) {
    if (m_bDragging) {
        Drop(pt);
        return;
    }
    const int hit = m_doc.HitTest(pt.x, pt.y, HitRadius());
    const CScan* line = m_doc.GetCurLine();
    const CDataAxis* axis = m_doc.m_profile.GetAxis(m_doc.m_nCurImage);
    const double z = m_dZoom;
    switch (hit) {
        case HIT_START:
        case HIT_END: {
            m_ptLineStart = line->m_ptStart;
            m_ptLineEnd = line->m_ptEnd;
            const QPointF start = ImageToView(m_ptLineStart);
            const QPointF end = ImageToView(m_ptLineEnd);
            // The band runs from the end that stays to the end that moves.
            if (hit == HIT_START) {
                BeginDrag(hit, end, start);
            } else {
                BeginDrag(hit, start, end);
            }
            break;
        }
        case HIT_LINE:
            break;
        case HIT_ORIGIN:
            m_ptOtherAxis1 = PixelOf(axis->m_xAxis);
            m_ptOtherAxis2 = PixelOf(axis->m_yAxis);
            m_ptBandThird = AxisPointOf(axis->m_yAxis) * z;
            BeginDrag(hit, AxisPointOf(axis->m_xAxis) * z, AxisPointOf(axis->m_origin) * z);
            break;
        case HIT_XAXIS:
            m_ptOtherAxis1 = PixelOf(axis->m_origin);
            m_ptOtherAxis2 = PixelOf(axis->m_yAxis);
            BeginDrag(hit, AxisPointOf(axis->m_origin) * z, AxisPointOf(axis->m_xAxis) * z);
            break;
        case HIT_YAXIS:
            m_ptOtherAxis1 = PixelOf(axis->m_xAxis);
            m_ptOtherAxis2 = PixelOf(axis->m_origin);
            BeginDrag(hit, AxisPointOf(axis->m_origin) * z, AxisPointOf(axis->m_yAxis) * z);
            break;
        default:
            return;
    }
    InvalidateNoErase();
    m_doc.RepaintDataView();
}

void CNorvaleView::OnShiftClick(const CPoint& pt, const QPointF& viewPos) {
    if (m_nPickMode == PICK_NONE) {
        // A new line; a drag in progress is abandoned without change.
        if (m_bDragging) viewport()->update(BandRect());
        m_ptLineStart = pt;
        BeginDrag(DRAG_NEW_LINE, viewPos, viewPos);
        InvalidateNoErase();
        return;
    }
    // Place the chosen calibration point; a drag in progress goes on.
    const int n = m_nPickMode == PICK_ORIGIN ? 0 : (m_nPickMode == PICK_XAXIS ? 1 : 2);
    m_doc.SetAxisPixel(n, pt.x, pt.y);
    m_nPickMode = PICK_NONE;
    InvalidateNoErase();
}

void CNorvaleView::Drop(const CPoint& pt) {
    switch (m_nDragKind) {
        case DRAG_NEW_LINE:
            m_ptLineEnd = pt;
            // A line of zero length is not a line.
            if (m_ptLineEnd == m_ptLineStart) break;
            // One step: the line on every image, and current.
            if (!m_doc.DrawLine(m_ptLineStart.x, m_ptLineStart.y, m_ptLineEnd.x, m_ptLineEnd.y)) {
                break;
            }
            InvalidateNoErase();
            m_doc.RepaintDataView();
            break;
        case HIT_START:
        case HIT_END:
            (m_nDragKind == HIT_START ? m_ptLineStart : m_ptLineEnd) = pt;
            // An end dropped on the other end would leave a line of one point.
            if (m_ptLineEnd == m_ptLineStart) break;
            m_doc.ReshapeCurLine(m_ptLineStart.x, m_ptLineStart.y, m_ptLineEnd.x, m_ptLineEnd.y);
            InvalidateNoErase();
            m_doc.RepaintDataView();
            break;
        case HIT_ORIGIN:
        case HIT_XAXIS:
        case HIT_YAXIS:
            // Two calibration points on one pixel would leave the calibration without an axis.
            if (pt != m_ptOtherAxis1 && pt != m_ptOtherAxis2) {
                m_doc.SetAxisPixel(m_nDragKind - HIT_ORIGIN, pt.x, pt.y);
            }
            InvalidateNoErase();
            break;
        default:
            break;
    }
    EndDrag();
}

// --- Drag state --------------------------------------------------------------------------------

void CNorvaleView::BeginDrag(int kind, const QPointF& anchor, const QPointF& end) {
    m_nDragKind = kind;
    m_ptBandAnchor = anchor;
    m_ptBandEnd = end;
    m_bDragging = true;
    m_bLiveProfile = false;
    // Until the drop every mouse event comes here, wherever the pointer goes.
    viewport()->grabMouse();
}

void CNorvaleView::EndDrag() {
    if (!m_bDragging) return;
    // The band is view state: repainting where it was removes it, whether or not the drop
    // changed anything.
    viewport()->update(BandRect());
    m_bDragging = false;
    m_bLiveProfile = false;
    if (QWidget::mouseGrabber() == viewport()) viewport()->releaseMouse();
}

void CNorvaleView::CheckCapture() {
    // Another widget (a popup, a window of another program) can take the mouse away; the drag
    // is then over, and the next click picks afresh.
    if (m_bDragging && isVisible() && QWidget::mouseGrabber() != viewport()) EndDrag();
}

void CNorvaleView::showEvent(QShowEvent* event) {
    // Shown, the view may sit in another window than before.
    m_pPointer->Watch();
    QAbstractScrollArea::showEvent(event);
}

void CNorvaleView::hideEvent(QHideEvent* event) {
    EndDrag();
    QAbstractScrollArea::hideEvent(event);
}

bool CNorvaleView::event(QEvent* event) {
    // A modal dialog or message is opening, whoever opens it: a drag kept alive would keep the
    // mouse from the dialog, and the band on the picture behind it.
    if (event->type() == QEvent::WindowBlocked) EndDrag();
    return QAbstractScrollArea::event(event);
}

void CNorvaleView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) EndDrag();
    QAbstractScrollArea::changeEvent(event);
}

void CNorvaleView::MoveBand(const QPointF& viewPos) {
    // Only what the old and the new band cover is painted again.
    QRegion dirty(BandRect());
    m_ptBandEnd = viewPos;
    dirty += BandRect();
    viewport()->update(dirty);
}

// --- Status read-out ---------------------------------------------------------------------------

namespace {

// The R, G and B panes at the picture's own depth: "R = 200" on an 8-bit picture, "R = 51400"
// on a 16-bit one; outside the picture white at that depth, as sampling reads it there (for an
// 8-bit picture CLR_INVALID's channels, as it always read).
std::array<QString, 3> ColourReadOut(const PixelView& picture, const CPoint& pt) {
    const int white = picture.MaxValue();
    SampleRgb s{white, white, white};
    if (picture.Contains(pt.x, pt.y)) s = picture.SampleAt(pt.x, pt.y);
    const char* format = picture.MaxValue() > 255 ? "%c = %5d" : "%c = %3d";
    return {QString::asprintf(format, 'R', s.r), QString::asprintf(format, 'G', s.g),
            QString::asprintf(format, 'B', s.b)};
}

}  // namespace

void CNorvaleView::leaveEvent(QEvent* event) {
    m_ptMouse.reset();
    if (HasPicture()) ShowValueReadOut(nullptr);
    QAbstractScrollArea::leaveEvent(event);
}

void CNorvaleView::RefreshReadOut() {
    const CPicture* picture = m_doc.GetPictureBitmap();
    const qint64 key = picture != nullptr ? picture->Image().cacheKey() : 0;
    // The read-out depends on the calibration as well as on the picture: x and y count from the
    // origin, X and Y are converted. Any update may have changed it, so the panes are written
    // afresh: at the pixel under the mouse, or, with the mouse away, at the pixel they showed.
    if (picture != nullptr && m_ptMouse) {
        ShowReadOut(ClientToImage(*m_ptMouse));
        return;
    }
    if (key == m_nReadOutPicture) {
        if (picture != nullptr && m_ptReadOut) ShowPixelReadOut(*m_ptReadOut);
        return;
    }
    m_nReadOutPicture = key;
    m_ptReadOut.reset();
    for (int pane = 1; pane <= 5; ++pane) emit paneText(pane, QString());
    ShowValueReadOut(nullptr);
}

void CNorvaleView::ShowReadOut(const CPoint& pt) {
    ShowPixelReadOut(pt);
    ShowValueReadOut(&pt);
}

void CNorvaleView::ShowPixelReadOut(const CPoint& pt) {
    m_nReadOutPicture = m_doc.GetPictureBitmap()->Image().cacheKey();
    m_ptReadOut = pt;
    const CDataAxis* axis = m_doc.m_profile.GetAxis(m_doc.m_nCurImage);
    const CPoint origin = axis != nullptr ? PixelOf(axis->m_origin) : CPoint{};
    // Wide arithmetic: a calibration point typed far outside the picture must not overflow.
    const long long rx = static_cast<long long>(pt.x) - origin.x;
    const long long ry = static_cast<long long>(pt.y) - origin.y;
    emit paneText(1, QString::asprintf("x = %3lld", rx));
    emit paneText(2, QString::asprintf("y = %3lld", -ry));
    const std::array<QString, 3> rgb = ColourReadOut(m_doc.GetPictureBitmap()->View(), pt);
    for (int k = 0; k < 3; ++k) emit paneText(3 + k, rgb[k]);
}

// --- Keys and cursors --------------------------------------------------------------------------

void CNorvaleView::keyPressEvent(QKeyEvent* event) {
    // Esc drops nothing: the band goes and the document stays as it was. Without a drag the key
    // goes on as before.
    if (event->key() == Qt::Key_Escape && m_bDragging) {
        event->accept();
        EndDrag();
        // The graph showed the dragged segment; it shows the current line again.
        SampleCurLine();
        return;
    }
    if (HasPicture()) {
        if (event->key() == Qt::Key_Shift) m_nShiftUp = 0;
        ApplyCursor();
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CNorvaleView::keyReleaseEvent(QKeyEvent* event) {
    // The tool cursor stays until the mouse next moves.
    if (HasPicture() && event->key() == Qt::Key_Shift) m_nShiftUp = -1;
    QAbstractScrollArea::keyReleaseEvent(event);
}

void CNorvaleView::focusOutEvent(QFocusEvent* event) {
    // Without the focus the view hears no Shift release; it must not think Shift still held.
    m_nShiftUp = -1;
    QAbstractScrollArea::focusOutEvent(event);
}

void CNorvaleView::ApplyCursor() {
    // Called on every mouse move: touch the window system's cursor only when it changes.
    const int wanted = m_nShiftUp != 0 ? kNoToolCursor : m_nPickMode;
    if (wanted == m_nToolCursor) return;
    m_nToolCursor = wanted;
    if (wanted == kNoToolCursor) {
        viewport()->unsetCursor();
    } else {
        viewport()->setCursor(ToolCursor(wanted));
    }
}
