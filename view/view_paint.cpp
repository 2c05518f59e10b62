// SPDX-License-Identifier: GPL-3.0-or-later
// Painting the image view: the exposed part of the picture, the measurement that every paint
// runs, then the overlays and the rubber band.
#include <QCoreApplication>
#include <QDir>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>

#include "document/norvale_doc.h"
#include "model/caliper_measure.h"
#include "view/caliper_marks.h"
#include "view/edge_overlay.h"
#include "view/norvale_view.h"

namespace {

// Where there is no picture: a neutral workspace grey.
const QColor kBackground(171, 171, 171);
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
// Marker sizes in logical pixels, the same at every zoom.
constexpr int kEdgeRadius = 5;
constexpr int kAxisHalfSize = 4;
constexpr int kFailureMargin = 12;

// Floor division, so that a view coordinate left of the picture maps to a negative pixel.
int FloorDiv(int a, int b) {
    const int q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

QPointF AxisPoint(const CData& point) {
    return {static_cast<double>(point.m_xPixel), static_cast<double>(point.m_yPixel)};
}

}  // namespace

void CNorvaleView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    if (!HasPicture()) {
        painter.fillRect(event->rect(), kBackground);
        if (const CNorvaleDoc::OpenFailure* failure = m_doc.GetOpenFailure()) {
            DrawFailure(painter, *failure);
        }
        ShowCaliperReadOut();
        return;
    }
    for (const QRect& rect : event->region()) PaintPicture(painter, rect);

    m_bInPaint = true;
    MeasureForPaint();
    m_bInPaint = false;

    painter.translate(-ScrollOffset());
    DrawOverlays(painter);
    const QPointF origin = ImageToView({0, 0});
    const QPointF scale = ImageToView({1, 1}) - origin;
    DrawEdgeOverlay(painter, m_doc, origin, scale);
    DrawCaliperMarks(painter, m_doc, origin, scale);
    DrawBand(painter);
    ShowCaliperReadOut();
}

void CNorvaleView::DrawFailure(QPainter& painter, const CNorvaleDoc::OpenFailure& failure) const {
    // The current file is in the list but shows nothing: say which file and why, where the
    // picture would be.
    const QString text =
        QCoreApplication::translate("View", "この画像は表示できません。\n%1\n%2")
            .arg(QDir::toNativeSeparators(QString::fromStdString(failure.path)), failure.reason);
    painter.setPen(Qt::black);
    painter.drawText(viewport()->rect().adjusted(kFailureMargin, kFailureMargin, -kFailureMargin,
                                                 -kFailureMargin),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextWrapAnywhere, text);
}

void CNorvaleView::PaintPicture(QPainter& painter, const QRect& client) {
    const QImage& image = m_doc.GetPictureBitmap()->DisplayImage();
    const QPoint scroll = ScrollOffset();
    const QRect picture(-scroll, ContentSize());
    for (const QRect& rest : QRegion(client).subtracted(picture)) {
        painter.fillRect(rest, kBackground);
    }
    if (!IsWholeZoom()) {
        PaintReduced(painter, client.intersected(picture), image);
        return;
    }

    const QRect view = client.translated(scroll);
    const int z = static_cast<int>(m_dZoom);
    // Only the image pixels this rectangle touches are scaled, straight from the picture, so a
    // paint costs what the viewport costs at every zoom and no enlarged copy ever exists.
    const int x0 = std::max(0, FloorDiv(view.left(), z));
    const int y0 = std::max(0, FloorDiv(view.top(), z));
    const int x1 = std::min(image.width() - 1, FloorDiv(view.right(), z));
    const int y1 = std::min(image.height() - 1, FloorDiv(view.bottom(), z));
    if (x0 <= x1 && y0 <= y1) {
        const QRect source(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
        const QRect target(x0 * z - scroll.x(), y0 * z - scroll.y(), source.width() * z,
                           source.height() * z);
        painter.drawImage(target, image, source);
    }
}

void CNorvaleView::PaintReduced(QPainter& painter, const QRect& client, const QImage& image) {
    if (client.isEmpty()) return;
    // The device pixels the rectangle touches, whole: at a fractional scale factor a logical
    // edge may cut one, and the scaler paints each device pixel from its own place.
    const double dpr = viewport()->devicePixelRatioF();
    const int left = static_cast<int>(std::floor(client.left() * dpr));
    const int top = static_cast<int>(std::floor(client.top() * dpr));
    const int right = static_cast<int>(std::ceil((client.right() + 1) * dpr));
    const int bottom = static_cast<int>(std::ceil((client.bottom() + 1) * dpr));
    const QSize size(right - left, bottom - top);
    // One buffer for every paint, grown to the largest rectangle painted so far: never more
    // than the viewport, whatever the picture.
    if (m_scaled.width() < size.width() || m_scaled.height() < size.height()) {
        m_scaled = QImage(size.expandedTo(m_scaled.size()), QImage::Format_RGB32);
    }
    QImage target(m_scaled.bits(), size.width(), size.height(), m_scaled.bytesPerLine(),
                  QImage::Format_RGB32);
    m_scaler.Paint(image, {m_dZoom, dpr, ScrollOffset()}, {left, top}, target);
    target.setDevicePixelRatio(dpr);
    painter.drawImage(QPointF(left / dpr, top / dpr), target);
}

void CNorvaleView::MeasureForPaint() {
    const bool detected = DetectPending() > 0;
    if (IsLineDrag() && m_bLiveProfile) {
        // The graph follows the dragged segment; sample it again only when a detection has
        // overwritten the buffer or the picture has changed since the last mouse move.
        if (detected || m_bLiveStale) {
            SampleLine(m_ptLineStart.x, m_ptLineStart.y, m_ptLineEnd.x, m_ptLineEnd.y);
            RepaintPanel();
        }
    } else {
        SampleCurLine();
    }
    m_bLiveStale = false;
    // A detection moves edge markers anywhere on the picture; a paint of part of the view
    // (a band, a scrolled strip) must not leave them drawn at their old places.
    if (detected) viewport()->update();
}

void CNorvaleView::DrawOverlays(QPainter& painter) const {
    const double z = m_dZoom;
    const auto toView = [z](const CPoint& p) { return QPointF(z * p.x, z * p.y); };
    const QPen green(kGreen, 1);
    const QPen red(kRed, 1);
    painter.setBrush(Qt::NoBrush);

    if (const CScanSeries* series = m_doc.m_profile.GetSeries(m_doc.m_nCurImage)) {
        for (const auto& lines : series->m_arArray) {
            QPolygonF edges;
            for (int k = 0; k < lines->GetSize(); ++k) {
                const CScan& line = *lines->GetAt(k);
                const QPen& pen = k == m_doc.m_nCurLine ? red : green;
                painter.setPen(pen);
                if (line.IsCut()) {
                    // Past the last sample the line is not measured: dotted from there on.
                    const CPoint last = line.PositionAt(line.m_nCount);
                    painter.drawLine(toView(line.m_ptStart), toView(last));
                    QPen dotted = pen;
                    dotted.setStyle(Qt::DotLine);
                    painter.setPen(dotted);
                    painter.drawLine(toView(last), toView(line.m_ptEnd));
                    painter.setPen(pen);
                } else {
                    painter.drawLine(toView(line.m_ptStart), toView(line.m_ptEnd));
                }
                // An edge a caliper rule found with a problem has a mark of its own.
                if (!line.m_measure || MarkStyleOf(line.m_measure->status).plain) {
                    painter.drawEllipse(toView(line.m_ptCur), kEdgeRadius, kEdgeRadius);
                }
                edges << toView(line.m_ptCur);
            }
            // The edge points in line order, never closed, in area mode neither.
            if ((m_doc.m_bMeasureLength || m_doc.m_bMeasureArea) && !edges.isEmpty()) {
                painter.setPen(green);
                painter.drawPolyline(edges);
            }
        }
    }

    const CDataAxis* axis = m_doc.m_profile.GetAxis(m_doc.m_nCurImage);
    if (axis == nullptr) return;
    painter.setPen(QPen(kBlue, 1));
    const QPointF points[] = {AxisPoint(axis->m_xAxis) * z, AxisPoint(axis->m_origin) * z,
                              AxisPoint(axis->m_yAxis) * z};
    for (const QPointF& p : points) {
        painter.drawRect(QRectF(p.x() - kAxisHalfSize, p.y() - kAxisHalfSize, 2 * kAxisHalfSize,
                                2 * kAxisHalfSize));
    }
    painter.drawPolyline(points, 3);
}

void CNorvaleView::DrawBand(QPainter& painter) const {
    if (!m_bDragging) return;
    // Inverting what lies under it keeps the band visible on any picture and over the overlays.
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.setPen(QPen(Qt::white, 1));
    if (m_nDragKind == HIT_ORIGIN) {
        const QPointF band[] = {m_ptBandAnchor, m_ptBandEnd, m_ptBandThird};
        painter.drawPolyline(band, 3);
    } else if (m_ptBandAnchor != m_ptBandEnd) {
        painter.drawLine(m_ptBandAnchor, m_ptBandEnd);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}
