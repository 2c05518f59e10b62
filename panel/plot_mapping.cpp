// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/plot_mapping.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "panel/dialog_numbers.h"

namespace {

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Curves that a tooltip lists for an image at most.
constexpr int kTipCurves = 8;

// Half the distance from a to b: the whole distance overflows for values near the ends of the
// double range, half of it never does.
double HalfSpan(double a, double b) {
    return b / 2 - a / 2;
}

}  // namespace

std::optional<ValueRange> DataRange(const SeriesData& data) {
    std::optional<ValueRange> range;
    for (const SeriesCurve& curve : data.curves) {
        const std::size_t n =
            std::min(curve.values.size(), static_cast<std::size_t>(std::max(data.images, 0)));
        for (std::size_t i = 0; i < n; ++i) {
            const double v = curve.values[i];
            if (!IsPlottable(v)) continue;
            // The error bar's ends are on the plot too, where they are numbers.
            const double e = i < curve.errors.size() ? curve.errors[i] : kNaN;
            const double lo = IsPlottable(v - e) ? v - e : v;
            const double hi = IsPlottable(v + e) ? v + e : v;
            if (!range) {
                range = ValueRange{lo, hi};
            } else {
                range->lo = std::min(range->lo, lo);
                range->hi = std::max(range->hi, hi);
            }
        }
    }
    return range;
}

AxisTicks NiceTicks(double lo, double hi, int maxTicks) {
    maxTicks = std::max(maxTicks, 1);
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi) {
        lo = 0.0;
        hi = 1.0;
    }
    if (lo == hi) {
        // One value: a band of 5 % of it either side, or -1..1 around zero.
        const double pad =
            lo == 0.0 ? 1.0 : std::max(std::abs(lo) * 0.05, std::numeric_limits<double>::min());
        lo = std::max(lo - pad, -kMax);
        hi = std::min(hi + pad, kMax);
    }
    // A step below about 1e-15 of the values would give ticks that a double cannot tell
    // apart.
    const double magnitude = std::max(std::abs(lo), std::abs(hi));
    const double raw = std::max(HalfSpan(lo, hi) / (maxTicks / 2.0), magnitude * 1e-15);
    int exponent = static_cast<int>(std::floor(std::log10(raw)));
    const double fraction = raw / std::pow(10.0, exponent);
    int nice = fraction <= 1.0 ? 1 : fraction <= 2.0 ? 2 : fraction <= 5.0 ? 5 : 10;
    if (nice == 10) {
        nice = 1;
        ++exponent;
    }
    // k * step, divided by a power of ten rather than multiplied by its inexact inverse, so
    // that the third tick of 0.1 is 0.3 and not 0.30000000000000004.
    const auto tick = [nice, exponent](double k) {
        return exponent < 0 ? k * nice / std::pow(10.0, -exponent)
                            : k * nice * std::pow(10.0, exponent);
    };
    AxisTicks ticks;
    ticks.step = tick(1.0);
    const double kLo = std::floor(lo / ticks.step);
    const double kHi = std::ceil(hi / ticks.step);
    ticks.lo = std::isfinite(tick(kLo)) ? tick(kLo) : lo;
    ticks.hi = std::isfinite(tick(kHi)) ? tick(kHi) : hi;
    const int cap = 2 * maxTicks + 3;
    // k stays below about 1e15 (the step is at least 1e-15 of the values), so k + 1 is exact.
    for (double k = kLo; k <= kHi; k += 1.0) {
        const double v = tick(k) + 0.0;  // never a "-0"
        if (v > ticks.hi) break;
        // Past an end that stayed at the data's own, or no longer told apart from the last.
        if (!std::isfinite(v) || v < ticks.lo) continue;
        if (!ticks.values.empty() && v <= ticks.values.back()) continue;
        ticks.values.push_back(v);
        if (static_cast<int>(ticks.values.size()) >= cap) break;
    }
    const double largest = std::max(std::abs(ticks.lo), std::abs(ticks.hi));
    ticks.decimals = std::max(0, -exponent);
    if (largest >= 1e7 || ticks.decimals > 5) {
        ticks.decimals = -1;
        const int lead = static_cast<int>(std::floor(std::log10(largest)));
        ticks.significant = std::clamp(lead - exponent + 1, 1, 17);
    }
    return ticks;
}

std::vector<int> ImageTicks(int images, int maxTicks) {
    std::vector<int> ticks;
    if (images <= 0) return ticks;
    // The smallest whole step that keeps the intervals to maxTicks.
    const long long divisor = std::max(maxTicks, 1);
    const long long least = (images - 1LL + divisor - 1) / divisor;
    long long step = 1;
    for (long long base = 1; step < least; base *= 10) {
        for (const int nice : {1, 2, 5, 10}) {
            step = nice * base;
            if (step >= least) break;
        }
    }
    for (long long v = step == 1 ? 1 : step; v <= images; v += step) {
        ticks.push_back(static_cast<int>(v));
    }
    if (ticks.empty()) ticks.push_back(1);
    return ticks;
}

QString TickText(double value, const AxisTicks& ticks) {
    char buffer[64];
    std::to_chars_result result{};
    value += 0.0;
    if (value == 0.0) return QStringLiteral("0");
    if (ticks.decimals >= 0) {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                               ticks.decimals);
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                               ticks.significant - 1);
    }
    if (result.ec != std::errc()) return {};
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

double TimeX(const PlotFrame& frame, double seconds) {
    const double half = HalfSpan(frame.tlo, frame.thi);
    if (!(half > 0.0)) return frame.area.center().x();
    return frame.area.left() + HalfSpan(frame.tlo, seconds) / half * frame.area.width();
}

double ColumnLeft(const PlotFrame& frame, int index) {
    if (frame.images <= 0) return frame.area.left();
    return frame.area.left() + index * frame.area.width() / frame.images;
}

double ImageX(const PlotFrame& frame, int index) {
    if (frame.OverTime() && index >= 0 && static_cast<std::size_t>(index) < frame.times.size()) {
        return TimeX(frame, frame.times[static_cast<std::size_t>(index)]);
    }
    if (frame.images <= 0) return frame.area.center().x();
    return frame.area.left() + (index + 0.5) * frame.area.width() / frame.images;
}

int ImageAt(const PlotFrame& frame, double x) {
    if (frame.images <= 0) return -1;
    if (frame.OverTime()) {
        // Times need not grow along the list: every image is looked at.
        int nearest = 0;
        double best = std::numeric_limits<double>::infinity();
        for (int i = 0; i < frame.images; ++i) {
            const double d = std::abs(ImageX(frame, i) - x);
            if (d < best) {
                best = d;
                nearest = i;
            }
        }
        return nearest;
    }
    if (frame.area.width() <= 0.0) return 0;
    const double column = std::floor((x - frame.area.left()) * frame.images / frame.area.width());
    return static_cast<int>(std::clamp(column, 0.0, frame.images - 1.0));
}

double ValueY(const PlotFrame& frame, double value) {
    const double half = HalfSpan(frame.lo, frame.hi);
    if (!(half > 0.0)) return frame.area.center().y();
    return frame.area.bottom() - HalfSpan(frame.lo, value) / half * frame.area.height();
}

CurvePath MapCurve(const PlotFrame& frame, const std::vector<double>& values) {
    CurvePath path;
    const int n = std::min(static_cast<int>(values.size()), std::max(frame.images, 0));
    // The images of the current run that fall in the current pixel column.
    int first = -1;
    int last = -1;
    int lowest = -1;
    int highest = -1;
    double column = 0.0;
    const auto flush = [&] {
        if (first < 0) return;
        std::array<int, 4> keep{first, lowest, highest, last};
        std::sort(keep.begin(), keep.end());
        const auto end = std::unique(keep.begin(), keep.end());
        for (auto it = keep.begin(); it != end; ++it) {
            path.points.emplace_back(ImageX(frame, *it), ValueY(frame, values[*it]));
        }
        first = -1;
    };
    bool inRun = false;
    for (int i = 0; i < n; ++i) {
        const double v = values[i];
        if (!IsPlottable(v)) {
            flush();
            inRun = false;
            continue;
        }
        if (!inRun) {
            path.runStarts.push_back(static_cast<int>(path.points.size()));
            inRun = true;
        }
        const double c = std::floor(ImageX(frame, i));
        if (first >= 0 && c != column) flush();
        if (first < 0) {
            first = last = lowest = highest = i;
            column = c;
            continue;
        }
        last = i;
        if (v < values[lowest]) lowest = i;
        if (v > values[highest]) highest = i;
    }
    flush();
    return path;
}

std::vector<QRect> ColumnCover(const CurvePath& path) {
    std::vector<QRect> rects;
    for (std::size_t run = 0; run < path.runStarts.size(); ++run) {
        const int start = path.runStarts[run];
        const int end = path.RunEnd(run);
        // The rows reached so far in the column being collected.
        bool open = false;
        int column = 0;
        double top = 0.0;
        double bottom = 0.0;
        const auto close = [&] {
            if (!open) return;
            const int first = static_cast<int>(std::floor(top));
            const int last = static_cast<int>(std::floor(bottom));
            rects.emplace_back(column, first, 1, last - first + 1);
        };
        const auto add = [&](int c, double y) {
            if (open && c == column) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                return;
            }
            close();
            open = true;
            column = c;
            top = bottom = y;
        };
        const QPointF& single = path.points[start];
        if (end - start == 1) add(static_cast<int>(std::floor(single.x())), single.y());
        for (int i = start + 1; i < end; ++i) {
            // The segment's stretch over each column it crosses, from its two ends there.
            const QPointF& p = path.points[i - 1];
            const QPointF& q = path.points[i];
            const double slope = q.x() > p.x() ? (q.y() - p.y()) / (q.x() - p.x()) : 0.0;
            const int from = static_cast<int>(std::floor(p.x()));
            const int to = static_cast<int>(std::floor(q.x()));
            for (int c = from; c <= to; ++c) {
                const double xa = std::max(p.x(), static_cast<double>(c));
                const double xb = std::min(q.x(), c + 1.0);
                add(c, p.y() + (xa - p.x()) * slope);
                add(c, c == to ? q.y() : p.y() + (xb - p.x()) * slope);
            }
        }
        close();
    }
    return rects;
}

std::vector<Span> FlagSpans(const PlotFrame& frame, const std::vector<bool>& flags,
                            double minWidth) {
    std::vector<Span> spans;
    const int n = std::min(static_cast<int>(flags.size()), std::max(frame.images, 0));
    for (int i = 0; i < n; ++i) {
        if (!flags[i]) continue;
        Span s = frame.OverTime() ? Span{ImageX(frame, i) - 0.5, ImageX(frame, i) + 0.5}
                                  : Span{ColumnLeft(frame, i), ColumnLeft(frame, i + 1)};
        if (s.right - s.left < minWidth) {
            const double centre = (s.left + s.right) / 2;
            s = {centre - minWidth / 2, centre + minWidth / 2};
        }
        if (!spans.empty() && s.left <= spans.back().right) {
            spans.back().right = std::max(spans.back().right, s.right);
        } else {
            spans.push_back(s);
        }
    }
    return spans;
}

PlotHit HitTest(const PlotFrame& frame, const SeriesData& data, QPointF pos, double radius) {
    if (frame.images <= 0) return {};
    if (!frame.area.adjusted(-radius, -radius, radius, radius).contains(pos)) return {};
    // Over time the images need not lie in list order across the axis: all are looked at.
    const bool overTime = frame.OverTime();
    const int from = overTime ? 0 : ImageAt(frame, pos.x() - radius);
    const int to = overTime ? frame.images - 1 : ImageAt(frame, pos.x() + radius);

    PlotHit hit;
    double best = radius * radius;
    for (int i = from; i <= to; ++i) {
        const double dx = ImageX(frame, i) - pos.x();
        for (int c = 0; c < static_cast<int>(data.curves.size()); ++c) {
            const std::vector<double>& values = data.curves[c].values;
            if (i >= static_cast<int>(values.size()) || !IsPlottable(values[i])) continue;
            const double dy = ValueY(frame, values[i]) - pos.y();
            const double d = dx * dx + dy * dy;
            if (d < best || (d == best && hit.image < 0)) {
                best = d;
                hit = {i, c, false};
            }
        }
    }
    if (hit.image >= 0) return hit;

    // A gap reaches over its own column, and at least `radius` either side of its middle, so
    // that the mark of one image among thousands can still be pointed at.
    const double reach =
        overTime ? radius : std::max(frame.area.width() / frame.images / 2, radius);
    double nearest = reach;
    const int gaps = static_cast<int>(data.gaps.size());
    const int first = overTime ? 0 : ImageAt(frame, pos.x() - reach);
    const int last = overTime ? frame.images - 1 : ImageAt(frame, pos.x() + reach);
    for (int i = first; i <= last; ++i) {
        if (i >= gaps || data.gaps[i].isEmpty()) continue;
        const double d = std::abs(ImageX(frame, i) - pos.x());
        if (d <= nearest) {
            nearest = d;
            hit = {i, -1, true};
        }
    }
    if (hit.image >= 0) return hit;
    return {ImageAt(frame, pos.x()), -1, false};
}

QString HitText(const SeriesData& data, const PlotHit& hit) {
    if (hit.image < 0) return {};
    const int i = hit.image;
    const auto has = [i](const auto& list) { return i < static_cast<int>(list.size()); };
    const auto value = [&data, i](int c) {
        const std::vector<double>& values = data.curves[c].values;
        return i < static_cast<int>(values.size()) ? values[i] : kNaN;
    };
    const auto line = [&data, &value](int c) {
        return QStringLiteral("\n%1: %2").arg(data.curves[c].name, FormatDialogDouble(value(c)));
    };
    QString text = has(data.names) && !data.names[i].isEmpty()
                       ? QCoreApplication::translate("Panel", "画像 %1: %2")
                             .arg(QString::number(i + 1), data.names[i])
                       : QCoreApplication::translate("Panel", "画像 %1").arg(i + 1);
    if (has(data.times)) {
        text += QCoreApplication::translate("Panel", "\n時刻 %1 秒")
                    .arg(FormatDialogDouble(data.times[i]));
    }
    const int curves = static_cast<int>(data.curves.size());
    if (hit.curve >= 0 && hit.curve < curves) {
        text += line(hit.curve);
    } else if (has(data.gaps) && !data.gaps[i].isEmpty()) {
        text += QLatin1Char('\n') + data.gaps[i];
    } else {
        // No point near: the image's values, a few curves at most.
        int shown = 0;
        int more = 0;
        for (int c = 0; c < curves; ++c) {
            if (!IsPlottable(value(c))) continue;
            if (shown < kTipCurves) {
                text += line(c);
                ++shown;
            } else {
                ++more;
            }
        }
        if (more > 0) text += QCoreApplication::translate("Panel", "\nほか %1 本").arg(more);
        if (shown == 0 && !(has(data.pending) && data.pending[i]))
            text += QCoreApplication::translate("Panel", "\n値なし");
    }
    if (has(data.pending) && data.pending[i])
        text += QCoreApplication::translate("Panel", "\n検出待ち");
    return text;
}
