// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/plot_painter.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kTick = 4.0;     // length of a tick mark
constexpr double kSwatch = 16.0;  // length of a legend entry's stroke
constexpr double kDot = 2.5;      // radius of a point's dot

QString XAxisText(const SeriesData& data) {
    return data.xLabel.isEmpty() ? QCoreApplication::translate("Panel", "画像番号") : data.xLabel;
}

// The widest of the time axis's labels for about `count` ticks.
double WidestTimeText(const AxisTicks& ticks, const QFontMetricsF& metrics) {
    double widest = 0.0;
    for (const double v : ticks.values) {
        widest = std::max(widest, metrics.horizontalAdvance(TickText(v, ticks)));
    }
    return widest;
}

// The texts are measured on the device they will be painted on: a generator of SVG counts a
// point in other pixels than the screen does.
QFontMetricsF Metrics(const QFont& font, const QPaintDevice* device) {
    return device != nullptr ? QFontMetricsF(font, device) : QFontMetricsF(font);
}

// The curve's error bars, from value - error to value + error at each image that has both.
std::vector<QLineF> MapErrorBars(const PlotFrame& frame, const SeriesCurve& curve) {
    std::vector<QLineF> bars;
    const std::size_t n = std::min({curve.values.size(), curve.errors.size(),
                                    static_cast<std::size_t>(std::max(frame.images, 0))});
    for (std::size_t i = 0; i < n; ++i) {
        const double v = curve.values[i];
        const double e = curve.errors[i];
        if (!IsPlottable(v) || !(e > 0.0) || !IsPlottable(v - e) || !IsPlottable(v + e)) continue;
        const double x = ImageX(frame, static_cast<int>(i));
        bars.emplace_back(x, ValueY(frame, v - e), x, ValueY(frame, v + e));
    }
    return bars;
}

}  // namespace

PlotLayout LayoutPlot(const SeriesData& data, QSize size, const QFont& font,
                      const QPaintDevice* device) {
    PlotLayout layout;
    layout.size = size;
    if (data.images <= 0 || size.isEmpty()) return layout;
    const QFontMetricsF metrics = Metrics(font, device);
    const double line = std::ceil(metrics.height());
    const double pad = std::max(3.0, std::round(line * 0.4));

    // The legend: a strip along the top, at most a quarter of the height.
    std::vector<double> widths;
    for (const SeriesCurve& curve : data.curves) {
        widths.push_back(kSwatch + 4.0 + metrics.horizontalAdvance(curve.name));
    }
    layout.moreText = QCoreApplication::translate("Panel", "ほか %1 本").arg(data.curves.size());
    const int maxRows = std::max(1, static_cast<int>(size.height() / 4 / line));
    layout.legend = FlowLegend(widths, metrics.horizontalAdvance(layout.moreText),
                               size.width() - 2 * pad, line, line, maxRows);
    for (QRectF& entry : layout.legend.entries) entry.translate(pad, pad);
    if (layout.legend.more) layout.legend.more->translate(pad, pad);

    // Top: the legend, and half a label's height for the topmost tick's text. Bottom: the tick
    // marks (and the gap marks beside them), a row of numbers, the axis text.
    const double top = pad + layout.legend.rows * line + std::max(pad, line / 2);
    const double bottom = kTick + 2.0 + line + 2.0 + line + pad;
    const double height = std::floor(size.height() - top - bottom);

    const std::optional<ValueRange> range = DataRange(data);
    layout.hasValues = range.has_value();
    const int yCount = std::max(2, static_cast<int>(height / (line * 2.5)));
    layout.yTicks = range ? NiceTicks(range->lo, range->hi, yCount) : NiceTicks(0.0, 1.0, 2);
    if (!range) layout.yTicks.values.clear();  // no numbers on an axis with nothing on it
    double labelWidth = 0.0;
    for (const double v : layout.yTicks.values) {
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(TickText(v, layout.yTicks)));
    }
    const double left =
        std::ceil(pad + (data.label.isEmpty() ? 0.0 : line + pad) + labelWidth + kTick + 2.0);
    // Over time the labels are the seconds: measured on a first guess at the ticks.
    const bool overTime = data.times.size() == static_cast<std::size_t>(data.images);
    double tLo = 0.0;
    double tHi = 0.0;
    if (overTime) {
        const auto [lo, hi] = std::minmax_element(data.times.begin(), data.times.end());
        tLo = *lo;
        tHi = *hi;
    }
    const double widest = overTime ? WidestTimeText(NiceTicks(tLo, tHi, 10), metrics)
                                   : metrics.horizontalAdvance(QString::number(data.images));
    const double right = std::ceil(pad + widest / 2);
    const double width = std::floor(size.width() - left - right);
    if (width < 8.0 || height < 8.0) return layout;
    layout.drawable = true;

    const int xCount = std::max(1, static_cast<int>(width / (widest + 2 * line)));
    layout.frame = {QRectF(left, std::round(top), width, height), data.images, layout.yTicks.lo,
                    layout.yTicks.hi};
    if (overTime) {
        layout.timeTicks = NiceTicks(tLo, tHi, xCount);
        layout.frame.times = data.times;
        layout.frame.tlo = layout.timeTicks.lo;
        layout.frame.thi = layout.timeTicks.hi;
    } else {
        layout.xTicks = ImageTicks(data.images, xCount);
    }
    const double column = width / data.images;
    layout.smooth = column >= 2.0;
    layout.dots = column >= 4 * kDot;
    layout.curves.reserve(data.curves.size());
    for (const SeriesCurve& curve : data.curves) {
        layout.curves.push_back(MapCurve(layout.frame, curve.values));
        if (column < 1.0) layout.cover.push_back(ColumnCover(layout.curves.back()));
        layout.errorBars.push_back(layout.dots ? MapErrorBars(layout.frame, curve)
                                               : std::vector<QLineF>());
    }
    layout.pending = FlagSpans(layout.frame, data.pending, 1.0);
    std::vector<bool> gaps(data.gaps.size());
    for (std::size_t i = 0; i < gaps.size(); ++i) gaps[i] = !data.gaps[i].isEmpty();
    // A gap's mark stays visible, and a target for the pointer, however many images there are.
    layout.gaps = FlagSpans(layout.frame, gaps, 3.0);
    return layout;
}

namespace {

void PaintBands(QPainter& painter, const PlotLayout& layout, const std::vector<Span>& spans,
                QRgb colour) {
    const QRectF& area = layout.frame.area;
    for (const Span& s : spans) {
        painter.fillRect(QRectF(s.left, area.top(), s.right - s.left, area.height()),
                         QColor(colour));
    }
}

void PaintCurves(QPainter& painter, const PlotLayout& layout) {
    if (!layout.cover.empty()) {
        painter.setPen(Qt::NoPen);
        for (std::size_t c = 0; c < layout.cover.size(); ++c) {
            painter.setBrush(CurveColour(static_cast<int>(c)));
            painter.drawRects(layout.cover[c].data(), static_cast<int>(layout.cover[c].size()));
        }
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, layout.smooth);
    for (std::size_t c = 0; c < layout.curves.size(); ++c) {
        const CurvePath& path = layout.curves[c];
        const QColor colour = CurveColour(static_cast<int>(c));
        // Width 0 is the one-pixel cosmetic pen.
        QPen pen(colour, layout.smooth ? 1.5 : 0.0);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(colour);
        for (std::size_t run = 0; run < path.runStarts.size(); ++run) {
            const int start = path.runStarts[run];
            const int count = path.RunEnd(run) - start;
            if (count >= 2) {
                painter.drawPolyline(path.points.data() + start, count);
            } else if (!layout.dots) {
                // A value between two gaps would otherwise be no mark at all.
                const QPointF& p = path.points[start];
                painter.fillRect(QRectF(p.x() - 1.0, p.y() - 1.0, 3.0, 3.0), colour);
            }
        }
        if (layout.dots) {
            for (const QPointF& p : path.points) painter.drawEllipse(p, kDot, kDot);
        }
        if (c < layout.errorBars.size()) {
            for (const QLineF& bar : layout.errorBars[c]) {
                painter.drawLine(bar);
                for (const QPointF& end : {bar.p1(), bar.p2()}) {
                    painter.drawLine(QPointF(end.x() - kDot, end.y()), QPointF(end.x() + kDot, end.y()));
                }
            }
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void PaintAxes(QPainter& painter, const PlotLayout& layout, const SeriesData& data,
               const QFontMetricsF& metrics) {
    const QRectF& area = layout.frame.area;
    const double line = std::ceil(metrics.height());
    painter.setPen(QPen(Qt::black, 0.0));
    // The axes lie just outside the area: the column left of it and the row below it.
    painter.drawLine(QPointF(area.left() - 1, area.top()), QPointF(area.left() - 1, area.bottom()));
    painter.drawLine(QPointF(area.left() - 1, area.bottom()), QPointF(area.right(), area.bottom()));
    for (const double v : layout.yTicks.values) {
        const double y = std::floor(ValueY(layout.frame, v));
        painter.drawLine(QPointF(area.left() - 1 - kTick, y), QPointF(area.left() - 1, y));
        const QRectF box(0.0, y - line / 2, area.left() - kTick - 3.0, line);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, TickText(v, layout.yTicks));
    }
    const double numbers = area.bottom() + kTick + 2.0;
    const auto xTick = [&](double x, const QString& text) {
        x = std::floor(x);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + kTick));
        const QRectF box(x - 100.0, numbers, 200.0, line);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, text);
    };
    for (const int t : layout.xTicks) xTick(ImageX(layout.frame, t - 1), QString::number(t));
    if (layout.frame.OverTime()) {
        for (const double t : layout.timeTicks.values) {
            xTick(TimeX(layout.frame, t), TickText(t, layout.timeTicks));
        }
    }
    const QRectF xText(area.left(), numbers + line + 2.0, area.width(), line);
    painter.drawText(xText, Qt::AlignHCenter | Qt::AlignTop, XAxisText(data));
    if (!data.label.isEmpty()) {
        painter.save();
        painter.translate(std::round(line * 0.4), area.center().y());
        painter.rotate(-90.0);
        painter.drawText(QRectF(-area.height() / 2, 0.0, area.height(), line),
                         Qt::AlignHCenter | Qt::AlignTop, data.label);
        painter.restore();
    }
    for (const Span& s : layout.gaps) {
        painter.fillRect(QRectF(s.left, area.bottom() + 1, s.right - s.left, kGapMarkDepth),
                         QColor(kGapMark));
    }
}

void PaintLegend(QPainter& painter, const PlotLayout& layout, const SeriesData& data) {
    for (std::size_t c = 0; c < layout.legend.entries.size(); ++c) {
        const QRectF& box = layout.legend.entries[c];
        const double y = std::floor(box.center().y());
        painter.fillRect(QRectF(box.left(), y - 1, kSwatch, 3.0), CurveColour(static_cast<int>(c)));
        painter.setPen(Qt::black);
        painter.drawText(box.adjusted(kSwatch + 4.0, 0.0, 0.0, 0.0),
                         Qt::AlignLeft | Qt::AlignVCenter, data.curves[c].name);
    }
    if (layout.legend.more) {
        painter.drawText(*layout.legend.more, Qt::AlignLeft | Qt::AlignVCenter, layout.moreText);
    }
}

}  // namespace

void PaintPlot(QPainter& painter, const PlotLayout& layout, const SeriesData& data,
               const QFont& font) {
    painter.save();
    painter.setFont(font);
    const QRectF whole(QPointF(0.0, 0.0), QSizeF(layout.size));
    painter.fillRect(whole, QColor(kPlotBackground));
    painter.setPen(Qt::black);
    if (data.images <= 0) {
        painter.drawText(whole, Qt::AlignCenter,
                         QCoreApplication::translate("Panel", "画像がありません"));
        painter.restore();
        return;
    }
    if (!layout.drawable) {
        painter.restore();
        return;
    }
    const QRectF& area = layout.frame.area;
    PaintBands(painter, layout, layout.pending, kPendingBand);
    PaintBands(painter, layout, layout.gaps, kGapBand);
    painter.setPen(QPen(QColor(kPlotGrid), 0.0));
    for (const double v : layout.yTicks.values) {
        const double y = std::floor(ValueY(layout.frame, v));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    if (data.current >= 0 && data.current < data.images) {
        const double x = std::floor(ImageX(layout.frame, data.current));
        painter.fillRect(QRectF(x, area.top(), layout.smooth ? 2.0 : 1.0, area.height()),
                         QColor(kCurrentMark));
    }
    painter.save();
    painter.setClipRect(area.adjusted(-kDot - 1, -kDot - 1, kDot + 1, kDot + 1));
    PaintCurves(painter, layout);
    painter.restore();
    PaintAxes(painter, layout, data, QFontMetricsF(font, painter.device()));
    if (!layout.hasValues) {
        painter.setPen(Qt::black);
        painter.drawText(area, Qt::AlignCenter,
                         QCoreApplication::translate("Panel", "値はまだありません"));
    }
    PaintLegend(painter, layout, data);
    painter.restore();
}
