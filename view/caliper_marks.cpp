// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/caliper_marks.h"

#include <QCoreApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "document/norvale_doc.h"
#include "export/caliper_geometry.h"
#include "model/caliper_measure.h"

namespace {

// Logical pixels, the same at every zoom: the plain edge circle's radius, and how far beside
// the scan line a pair's width is drawn.
constexpr double kRadius = 5.0;
constexpr double kWidthOffset = 9.0;
const QColor kAmber(255, 170, 0);
const QColor kMagenta(255, 0, 255);
const QColor kHalo(0, 0, 0, 170);

// The halo first, three pixels wide, then the mark's own one-pixel stroke over it.
template <class Draw>
void Stroked(QPainter& painter, const QColor& colour, bool dashed, bool halo, Draw draw) {
    if (halo) {
        painter.setPen(QPen(kHalo, 3));
        draw();
    }
    QPen pen(colour, 1);
    if (dashed) pen.setDashPattern({3.0, 2.0});
    painter.setPen(pen);
    draw();
}

void DrawMark(QPainter& painter, const QPointF& c, const CaliperMarkStyle& style,
              const QColor& lineColour) {
    const QColor colour = style.plain ? lineColour : style.colour;
    Stroked(painter, colour, style.dashed, !style.plain, [&] {
        const QPointF d(kRadius, kRadius);
        const QPointF e(kRadius, -kRadius);
        if (!style.circle) {
            painter.drawLine(c - d, c + d);
            painter.drawLine(c - e, c + e);
            return;
        }
        if (style.square) {
            painter.drawRect(QRectF(c - d, c + d));
        } else {
            painter.drawEllipse(c, kRadius, kRadius);
        }
        if (style.slash) painter.drawLine(c - e, c + e);
    });
}

// A pair's width: a dimension line beside the scan line from one edge to the other, with a tick
// at either end and the number of samples at its middle.
void DrawWidth(QPainter& painter, const QPointF& a, const QPointF& b, double width,
               const QColor& colour, bool halo) {
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y());
    const QPointF n = length > 0.0 ? QPointF(-d.y(), d.x()) / length : QPointF(0.0, -1.0);
    const QPointF off = n * kWidthOffset;
    Stroked(painter, colour, false, halo, [&] {
        painter.drawLine(a + off, b + off);
        painter.drawLine(a + off * 0.5, a + off * 1.5);
        painter.drawLine(b + off * 0.5, b + off * 1.5);
    });
    const QString text = QString::number(width, 'g', 4);
    const QPointF at = (a + b) / 2.0 + off * 2.0;
    painter.setPen(kHalo);
    painter.drawText(at + QPointF(1.0, 1.0), text);
    painter.setPen(colour);
    painter.drawText(at, text);
}

}  // namespace

CaliperMarkStyle MarkStyleOf(CaliperStatus status) {
    switch (status) {
        case CaliperStatus::Ok:
            break;
        case CaliperStatus::Weak:
            return {false, kAmber, true, false, false, true};
        case CaliperStatus::Ambiguous:
            return {false, kMagenta, true, false, false, true};
        case CaliperStatus::FitFailed:
            return {false, kAmber, false, true, false, true};
        case CaliperStatus::AtLineEnd:
            return {false, kAmber, false, false, true, true};
        case CaliperStatus::NotFound:
        case CaliperStatus::Lost:
            return {false, QColor(255, 255, 255), false, false, false, false};
    }
    return {};
}

void DrawCaliperMarks(QPainter& painter, const CNorvaleDoc& doc, const QPointF& origin,
                      const QPointF& scale) {
    const CScanSeries* series = doc.m_profile.GetSeries(doc.m_nCurImage);
    if (series == nullptr) return;
    const auto toView = [&](double x, double y) {
        return QPointF(origin.x() + scale.x() * x, origin.y() + scale.y() * y);
    };
    painter.save();
    painter.setBrush(Qt::NoBrush);
    for (const auto& lines : series->m_arArray) {
        for (int k = 0; k < lines->GetSize(); ++k) {
            const CScan& line = *lines->GetAt(k);
            if (!line.m_measure) continue;
            const CaliperMeasure& measure = *line.m_measure;
            const CaliperMarkStyle style = MarkStyleOf(measure.status);
            const QColor lineColour = k == doc.m_nCurLine ? QColor(255, 0, 0) : QColor(0, 255, 0);
            if (!style.plain) DrawMark(painter, toView(line.m_ptCur.x, line.m_ptCur.y), style,
                                       lineColour);
            if (!measure.Found() || !measure.second) continue;
            // The second edge's circle stands on its nearest sample, as the first one's does.
            const double second = measure.second->pos;
            const CPoint near =
                line.PositionAt(static_cast<int>(std::floor(std::clamp(
                    second, 0.0, static_cast<double>(line.m_nCount)) + 0.5)));
            DrawMark(painter, toView(near.x, near.y), style, lineColour);
            // A rule that reads the straight line has its edges on it.
            const CaliperRule* rule = doc.m_profile.RuleOf(line);
            const bool straight = rule != nullptr && rule->bilinear;
            const CPointF a = EdgePointAt(line, measure.edge.pos, straight);
            const CPointF b = EdgePointAt(line, second, straight);
            DrawWidth(painter, toView(a.x, a.y), toView(b.x, b.y), measure.widthSamples,
                      style.plain ? lineColour : style.colour, !style.plain);
        }
    }
    painter.restore();
}

QString CaliperReadOut(const CaliperMeasure& measure) {
    static const char* const kWords[] = {
        QT_TRANSLATE_NOOP("View", "良好"),         QT_TRANSLATE_NOOP("View", "弱い"),
        QT_TRANSLATE_NOOP("View", "あいまい"),     QT_TRANSLATE_NOOP("View", "当てはめ失敗"),
        QT_TRANSLATE_NOOP("View", "線の端"),       QT_TRANSLATE_NOOP("View", "見つからない"),
        QT_TRANSLATE_NOOP("View", "見失った")};
    const auto number = [](double value) { return QString::number(value, 'g', 6); };
    const auto index = static_cast<std::size_t>(measure.status);
    const QString word =
        QCoreApplication::translate("View", kWords[index < std::size(kWords) ? index : 5]);
    if (!measure.Found()) {
        return QCoreApplication::translate("View", "エッジ: %1  ノイズ %2")
            .arg(word, number(measure.noise));
    }
    QString text = QCoreApplication::translate("View", "エッジ %1 ± %2  コントラスト %3  ノイズ %4  %5")
                       .arg(number(measure.edge.pos), number(measure.edge.sigma),
                            number(measure.edge.contrast), number(measure.noise), word);
    if (measure.second) {
        text += QCoreApplication::translate("View", "  幅 %1").arg(number(measure.widthSamples));
    }
    return text;
}
