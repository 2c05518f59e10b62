// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/profile_mapping.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace {

// Six significant digits, with a point in every locale: enough to read a plot by; the export
// has every digit.
QString Number(double v) {
    return QString::number(v, 'g', 6);
}

}  // namespace

ProfileFrame MakeProfileFrame(const LineProfile& profile, const QRectF& area) {
    ProfileFrame frame;
    frame.area = area;
    frame.samples = profile.Count();
    frame.white = profile.maxValue > 0 ? profile.maxValue : 255;
    if (profile.HasCaliper()) {
        double top = 0.0;
        for (const double r : profile.response) {
            if (std::isfinite(r)) top = std::max(top, std::abs(r));
        }
        // A flat profile still gets a scale, so that its zero line stands in the middle.
        frame.responseTop = top > 0.0 ? NiceTicks(-top, top, 4).hi : 1.0;
    }
    return frame;
}

double SampleX(const ProfileFrame& frame, double sample) {
    if (frame.samples <= 1) return frame.area.center().x();
    return frame.area.left() + sample * frame.area.width() / (frame.samples - 1);
}

double SampleAtX(const ProfileFrame& frame, double x) {
    if (frame.samples <= 1 || frame.area.width() <= 0.0) return 0.0;
    return (x - frame.area.left()) * (frame.samples - 1) / frame.area.width();
}

int NearestSample(const ProfileFrame& frame, double x) {
    if (frame.samples <= 0) return -1;
    const double t = std::floor(SampleAtX(frame, x) + 0.5);
    return static_cast<int>(std::clamp(t, 0.0, frame.samples - 1.0));
}

double ProfileValueY(const ProfileFrame& frame, double value) {
    if (!(frame.white > 0.0)) return frame.area.bottom();
    return frame.area.bottom() - value / frame.white * frame.area.height();
}

double ProfileValueAt(const ProfileFrame& frame, double y) {
    if (frame.area.height() <= 0.0) return 0.0;
    return (frame.area.bottom() - y) / frame.area.height() * frame.white;
}

double ResponseY(const ProfileFrame& frame, double response) {
    if (!(frame.responseTop > 0.0)) return frame.area.center().y();
    return frame.area.center().y() - response / frame.responseTop * frame.area.height() / 2;
}

AxisTicks FixedTicks(double lo, double hi, int maxTicks, bool whole) {
    AxisTicks ticks = NiceTicks(lo, hi, maxTicks);
    if (whole && ticks.step < 1.0) {
        ticks = NiceTicks(lo, std::max(hi, lo + maxTicks), maxTicks);
    }
    ticks.values.erase(std::remove_if(ticks.values.begin(), ticks.values.end(),
                                      [lo, hi](double v) { return v < lo || v > hi; }),
                       ticks.values.end());
    ticks.lo = lo;
    ticks.hi = hi;
    return ticks;
}

QString ProfileReadout(const LineProfile& profile, int sample) {
    if (sample < 0 || sample >= profile.Count()) return {};
    const auto k = static_cast<std::size_t>(sample);
    const CPoint p = k < profile.pixels.size() ? profile.pixels[k] : CPoint{};
    QString text = QCoreApplication::translate("Panel", "サンプル %1 (%2, %3)  値 %4")
                       .arg(sample)
                       .arg(p.x)
                       .arg(p.y)
                       .arg(Number(profile.values[k]));
    if (profile.HasCaliper() && k < profile.response.size()) {
        text += QCoreApplication::translate("Panel", "  応答 %1").arg(Number(profile.response[k]));
    }
    return text;
}

QString CaliperStatusText(CaliperStatus status) {
    switch (status) {
        case CaliperStatus::Ok:
            return QCoreApplication::translate("Panel", "良好");
        case CaliperStatus::Weak:
            return QCoreApplication::translate("Panel", "コントラスト不足");
        case CaliperStatus::Ambiguous:
            return QCoreApplication::translate("Panel", "候補が紛らわしい");
        case CaliperStatus::FitFailed:
            return QCoreApplication::translate("Panel", "当てはめ失敗");
        case CaliperStatus::AtLineEnd:
            return QCoreApplication::translate("Panel", "線の端");
        case CaliperStatus::Lost:
            return QCoreApplication::translate("Panel", "見失いました");
        case CaliperStatus::NotFound:
            break;
    }
    return QCoreApplication::translate("Panel", "見つかりません");
}

bool IsDoubtful(CaliperStatus status) {
    return status != CaliperStatus::Ok && IsFoundStatus(status);
}

QString ProfileSummary(const LineProfile& profile) {
    if (!profile.HasCaliper() || !profile.caliper) {
        return QCoreApplication::translate("Panel", "エッジ %1").arg(Number(profile.edge));
    }
    const CaliperResult& result = *profile.caliper;
    QString text = CaliperStatusText(result.status);
    if (result.Found()) {
        text += QCoreApplication::translate("Panel", "  エッジ %1 ± %2")
                    .arg(Number(result.edge.pos), Number(result.edge.sigma));
        if (result.second) {
            text += QCoreApplication::translate("Panel", "  %1 ± %2  幅 %3")
                        .arg(Number(result.second->pos), Number(result.second->sigma),
                             Number(result.widthSamples));
        }
    }
    if (profile.level) {
        text += QCoreApplication::translate("Panel", "  レベル %1").arg(Number(*profile.level));
    }
    return text;
}

std::vector<QPointF> ProfilePath(const ProfileFrame& frame, const std::vector<double>& values,
                                 bool response) {
    std::vector<QPointF> points;
    const int n = std::min(static_cast<int>(values.size()), frame.samples);
    const auto y = [&](int i) {
        const double v = values[static_cast<std::size_t>(i)];
        return response ? ResponseY(frame, v) : ProfileValueY(frame, v);
    };
    if (n <= 2 * frame.area.width() + 2) {
        for (int i = 0; i < n; ++i) points.emplace_back(SampleX(frame, i), y(i));
        return points;
    }
    for (int i = 0; i < n;) {
        const double column = std::floor(SampleX(frame, i));
        int low = i, high = i, last = i;
        for (int k = i + 1; k < n && std::floor(SampleX(frame, k)) == column; ++k) {
            last = k;
            if (y(k) > y(low)) low = k;
            if (y(k) < y(high)) high = k;
        }
        int keep[] = {i, low, high, last};
        std::sort(std::begin(keep), std::end(keep));
        for (int k = 0; k < 4; ++k) {
            if (k == 0 || keep[k] != keep[k - 1])
                points.emplace_back(SampleX(frame, keep[k]), y(keep[k]));
        }
        i = last + 1;
    }
    return points;
}
