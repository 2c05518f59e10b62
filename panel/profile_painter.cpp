// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/profile_painter.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "panel/plot_painter.h"

namespace {

constexpr double kTick = 4.0;
constexpr double kPad = 4.0;

double LabelWidth(const QFontMetricsF& metrics, const QString& widest) {
    return std::ceil(metrics.horizontalAdvance(widest)) + kTick + 2 * kPad;
}

void PaintAxes(QPainter& painter, const ProfileFrame& frame, const QFontMetricsF& metrics) {
    const QRectF& area = frame.area;
    const double line = std::ceil(metrics.height());
    const AxisTicks values =
        FixedTicks(0.0, frame.white, std::max(2, static_cast<int>(area.height() / (2 * line))));
    const AxisTicks samples = FixedTicks(
        0.0, std::max(frame.samples - 1, 0),
        std::max(2, static_cast<int>(area.width() /
                                     (metrics.horizontalAdvance(QStringLiteral("000000"))))),
        true);
    painter.setPen(QPen(QColor(kPlotGrid), 0.0));
    for (const double v : values.values) {
        const double y = std::floor(ProfileValueY(frame, v));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    painter.setPen(QPen(Qt::black, 0.0));
    painter.drawRect(area);
    for (const double v : values.values) {
        const double y = std::floor(ProfileValueY(frame, v));
        painter.drawLine(QPointF(area.left() - kTick, y), QPointF(area.left(), y));
        painter.drawText(QRectF(0.0, y - line / 2, area.left() - kTick - kPad, line),
                         Qt::AlignRight | Qt::AlignVCenter, TickText(v, values));
    }
    for (const double t : samples.values) {
        const double x = std::floor(SampleX(frame, t));
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + kTick));
        painter.drawText(QRectF(x - 100.0, area.bottom() + kTick, 200.0, line),
                         Qt::AlignHCenter | Qt::AlignTop, TickText(t, samples));
    }
    painter.drawText(QRectF(area.left(), area.bottom() + kTick + line, area.width(), line),
                     Qt::AlignHCenter | Qt::AlignTop,
                     QCoreApplication::translate("Panel", "サンプル"));
    if (!(frame.responseTop > 0.0)) return;
    const AxisTicks response = FixedTicks(-frame.responseTop, frame.responseTop, 4);
    painter.setPen(QPen(QColor(kResponseCurve), 0.0));
    for (const double r : response.values) {
        const double y = std::floor(ResponseY(frame, r));
        painter.drawLine(QPointF(area.right(), y), QPointF(area.right() + kTick, y));
        painter.drawText(QRectF(area.right() + kTick + kPad, y - line / 2, 200.0, line),
                         Qt::AlignLeft | Qt::AlignVCenter, TickText(r, response));
    }
}

void PaintCurve(QPainter& painter, const std::vector<QPointF>& points, QRgb colour) {
    if (points.empty()) return;
    painter.setPen(QPen(QColor(colour), 0.0));
    if (points.size() == 1) {
        painter.drawPoint(points.front());
        return;
    }
    painter.drawPolyline(points.data(), static_cast<int>(points.size()));
}

// A vertical line at the edge, and its uncertainty as a bar with end caps near the top.
void PaintEdge(QPainter& painter, const ProfileFrame& frame, const CaliperEdge& edge, QRgb colour,
               bool doubtful, double barY) {
    const QRectF& area = frame.area;
    const double x = SampleX(frame, edge.pos);
    QPen pen(QColor(colour), 1.0, doubtful ? Qt::DashLine : Qt::SolidLine);
    painter.setPen(pen);
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    const double half = std::max(SampleX(frame, edge.pos + edge.sigma) - x, 1.0);
    painter.setPen(QPen(QColor(colour), 2.0));
    painter.drawLine(QPointF(x - half, barY), QPointF(x + half, barY));
    painter.drawLine(QPointF(x - half, barY - 3), QPointF(x - half, barY + 3));
    painter.drawLine(QPointF(x + half, barY - 3), QPointF(x + half, barY + 3));
}

// A followed line's search window, behind everything else: where alone the rule looked.
void PaintWindow(QPainter& painter, const LineProfile& profile, const ProfileFrame& frame) {
    const QRectF& area = frame.area;
    if (!profile.window) return;
    const double left = std::max(SampleX(frame, profile.window->centre - profile.window->half), area.left());
    const double right = std::min(SampleX(frame, profile.window->centre + profile.window->half), area.right());
    if (right > left) {
        painter.fillRect(QRectF(left, area.top(), right - left, area.height()),
                         QColor(70, 130, 180, 40));
    }
}

void PaintCaliper(QPainter& painter, const LineProfile& profile, const ProfileFrame& frame,
                  const QFontMetricsF& metrics) {
    const QRectF& area = frame.area;
    painter.setPen(QPen(QColor(kPlotGrid).darker(120), 0.0, Qt::DotLine));
    painter.drawLine(QPointF(area.left(), ResponseY(frame, 0.0)),
                     QPointF(area.right(), ResponseY(frame, 0.0)));
    if (profile.level) {
        painter.setPen(QPen(QColor(kLevelLine), 1.0, Qt::DashLine));
        const double y = ProfileValueY(frame, *profile.level);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    PaintCurve(painter, ProfilePath(frame, profile.response, true), kResponseCurve);
    if (!profile.caliper) return;
    const CaliperResult& result = *profile.caliper;
    // Each candidate as a small triangle on the response, pointing the way its edge goes.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(kResponseCurve));
    for (const CaliperCandidate& c : result.candidates) {
        const double x = SampleX(frame, c.index);
        const double y = ResponseY(frame, c.response);
        const double d = c.response >= 0 ? -1.0 : 1.0;
        const QPointF tip(x, y + d * 2);
        const QPointF corners[] = {tip, {x - 4, y + d * 8}, {x + 4, y + d * 8}};
        painter.drawPolygon(corners, 3);
    }
    painter.setBrush(Qt::NoBrush);
    if (!result.Found()) return;
    const bool doubtful = IsDoubtful(result.status);
    const QRgb colour = doubtful ? kDoubtfulEdge : kSoundEdge;
    const double barY = area.top() + 8;
    PaintEdge(painter, frame, result.edge, colour, doubtful, barY);
    if (!result.second) return;
    PaintEdge(painter, frame, *result.second, colour, doubtful, barY);
    // The width between the two, as a span with its number above it.
    const double a = SampleX(frame, result.edge.pos);
    const double b = SampleX(frame, result.second->pos);
    const double y = area.top() + 20;
    painter.setPen(QPen(QColor(colour), 0.0));
    painter.drawLine(QPointF(a, y), QPointF(b, y));
    const double line = std::ceil(metrics.height());
    painter.drawText(QRectF(std::min(a, b) - 100, y, std::abs(b - a) + 200, line),
                     Qt::AlignHCenter | Qt::AlignTop,
                     QCoreApplication::translate("Panel", "幅 %1")
                         .arg(QString::number(result.widthSamples, 'f', 2)));
}

// The line's edge point on the profile, between samples where it was placed between them.
void PaintCursor(QPainter& painter, const LineProfile& profile, const ProfileFrame& frame) {
    const int n = profile.Count();
    if (n == 0) return;
    const double t = std::clamp(profile.edge, 0.0, n - 1.0);
    const int whole = std::min(static_cast<int>(t), n - 1);
    const double f = t - whole;
    const std::vector<double>& v = profile.values;
    const double value =
        whole + 1 < n
            ? v[static_cast<std::size_t>(whole)] +
                  f * (v[static_cast<std::size_t>(whole) + 1] - v[static_cast<std::size_t>(whole)])
            : v[static_cast<std::size_t>(whole)];
    painter.setPen(QPen(QColor(kCursorMark), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(SampleX(frame, t), ProfileValueY(frame, value)), 3.5, 3.5);
}

}  // namespace

QRectF ProfileArea(QSize size, const QFontMetricsF& metrics, bool caliper) {
    const double line = std::ceil(metrics.height());
    const double left = LabelWidth(metrics, QStringLiteral("65535"));
    const double right = caliper ? LabelWidth(metrics, QStringLiteral("-0.0e+00")) : 2 * kPad;
    const double top = line + 2 * kPad;
    const double bottom = 2 * line + kTick + kPad;
    return QRectF(left, top, std::max(size.width() - left - right, 0.0),
                  std::max(size.height() - top - bottom, 0.0));
}

void PaintProfile(QPainter& painter, QSize size, const LineProfile& profile,
                  const ProfileFrame& frame, const QString& empty, int hover) {
    painter.save();
    const QRectF whole(QPointF(0.0, 0.0), QSizeF(size));
    painter.fillRect(whole, QColor(kPlotBackground));
    painter.setPen(Qt::black);
    if (!empty.isEmpty()) {
        painter.drawText(whole, Qt::AlignCenter | Qt::TextWordWrap, empty);
        painter.restore();
        return;
    }
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QRectF& area = frame.area;
    if (area.width() < 8 || area.height() < 8) {
        painter.restore();
        return;
    }
    PaintAxes(painter, frame, metrics);
    painter.save();
    painter.setClipRect(area.adjusted(-4, -4, 4, 4));
    PaintWindow(painter, profile, frame);
    if (profile.HasCaliper()) PaintCaliper(painter, profile, frame, metrics);
    PaintCurve(painter, ProfilePath(frame, profile.values, false), kProfileCurve);
    painter.setRenderHint(QPainter::Antialiasing, true);
    PaintCursor(painter, profile, frame);
    painter.restore();

    const CaliperStatus status = profile.caliper ? profile.caliper->status : CaliperStatus::Ok;
    const QRgb summary = !IsFoundStatus(status)            ? kNotFoundText
                         : IsDoubtful(status)              ? kDoubtfulEdge
                                                           : 0x000000;
    const QRectF top(area.left(), kPad, area.width(), area.top() - kPad);
    painter.setPen(QColor(summary));
    painter.drawText(top, Qt::AlignLeft | Qt::AlignTop, ProfileSummary(profile));
    if (hover >= 0 && hover < profile.Count()) {
        const double x = std::floor(SampleX(frame, hover));
        painter.setPen(QPen(QColor(kCurrentMark), 0.0, Qt::DotLine));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        // In the area's top right corner, on a ground of its own over the curves.
        const QString text = ProfileReadout(profile, hover);
        const QRectF box = metrics.boundingRect(area.adjusted(kPad, kPad, -kPad, -kPad),
                                                Qt::AlignRight | Qt::AlignTop, text);
        painter.fillRect(box.adjusted(-2, 0, 2, 0), QColor(kPlotBackground));
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignRight | Qt::AlignTop, text);
    }
    painter.restore();
}
