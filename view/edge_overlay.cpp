// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/edge_overlay.h"

#include <QPainter>
#include <cmath>

#include "document/norvale_doc.h"

namespace {

constexpr double kCrossHalf = 4.0;  // logical pixels, the same at every zoom

}  // namespace

void DrawEdgeOverlay(QPainter& painter, const CNorvaleDoc& doc, const QPointF& origin,
                     const QPointF& scale) {
    const CScanSeries* series = doc.m_profile.GetSeries(doc.m_nCurImage);
    if (series == nullptr) return;
    const int width = doc.Options().edge.lineWidth;
    const auto toView = [&](double x, double y) {
        return QPointF(origin.x() + scale.x() * x, origin.y() + scale.y() * y);
    };
    painter.save();
    painter.setBrush(Qt::NoBrush);
    for (const auto& lines : series->m_arArray) {
        for (int k = 0; k < lines->GetSize(); ++k) {
            const CScan& line = *lines->GetAt(k);
            const QColor colour = k == doc.m_nCurLine ? QColor(255, 0, 0) : QColor(0, 255, 0);
            if (width > 1) {
                const double dx = static_cast<double>(line.m_ptEnd.x) - line.m_ptStart.x;
                const double dy = static_cast<double>(line.m_ptEnd.y) - line.m_ptStart.y;
                const double length = std::hypot(dx, dy);
                if (length > 0.0) {
                    const double ox = -dy / length * width / 2.0;
                    const double oy = dx / length * width / 2.0;
                    QColor faint = colour;
                    faint.setAlpha(140);
                    painter.setPen(QPen(faint, 1, Qt::DashLine));
                    for (const double side : {-1.0, 1.0}) {
                        painter.drawLine(
                            toView(line.m_ptStart.x + side * ox, line.m_ptStart.y + side * oy),
                            toView(line.m_ptEnd.x + side * ox, line.m_ptEnd.y + side * oy));
                    }
                }
            }
            if (line.HasSubPos()) {
                // A rule that reads the straight line has its edge on it.
                const CaliperRule* rule = doc.m_profile.RuleOf(line);
                const CPointF p = rule != nullptr && rule->bilinear && line.m_measure
                                      ? line.ExactPointAt(line.m_dSubPos)
                                      : line.SubPoint();
                const QPointF c = toView(p.x, p.y);
                painter.setPen(QPen(colour, 1));
                painter.drawLine(c - QPointF(kCrossHalf, 0), c + QPointF(kCrossHalf, 0));
                painter.drawLine(c - QPointF(0, kCrossHalf), c + QPointF(0, kCrossHalf));
            }
        }
    }
    painter.restore();
}
