// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/line_profile.h"

#include <algorithm>
#include <cmath>

#include "model/bilinear_profile.h"
#include "model/profile_filter.h"

LineProfile MeasureLineProfile(const PixelView& picture, const CScan& line, int channel, int mode,
                               const EdgeOptions& options, const CaliperRule* rule,
                               std::optional<double> previous,
                               std::optional<TrackWindow> window) {
    LineProfile out;
    out.settings = {channel, mode, options, {}};
    if (rule != nullptr) out.settings.caliper = *rule;
    out.edgeIsSubPixel = line.HasSubPos();
    out.edge = out.edgeIsSubPixel ? line.m_dSubPos : line.m_nPos;
    if (picture.IsNull()) return out;

    ProfileBuffer buffer;
    SampleScan(picture, line, buffer, options.lineWidth);
    // The rule reads the samples the walk reached, as detection does.
    const int last = std::min(line.m_nCount, buffer.m_nLastSample);
    if (last < 0) return out;
    out.maxValue = buffer.m_nMaxValue;
    out.values.resize(static_cast<std::size_t>(last) + 1);
    const bool straight = rule != nullptr && rule->bilinear;
    if (straight) {
        BilinearValues(picture, line, channel, options, out.values);
    } else {
        ProfileValues(buffer, last, channel, options, out.values.data());
    }
    out.pixels.reserve(out.values.size());
    for (int i = 0; i < out.Count(); ++i) {
        if (!straight) {
            out.pixels.push_back(line.PositionAt(i));
            continue;
        }
        const CPointF p = line.ExactPointAt(i);
        out.pixels.push_back({static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))});
    }
    if (rule == nullptr) return out;
    // A plain rule has no response and no candidates: only its search window to show.
    if (rule->kind == CaliperKind::Plain) {
        if (rule->track > 0) out.window = window;
        return out;
    }
    out.response = EdgeResponse(out.values, rule->sigma);
    if (rule->track > 0) {
        out.window = window;
        out.caliper = MeasureCaliper(out.values, *rule, std::nullopt, window);
    } else {
        out.caliper = MeasureCaliper(out.values, *rule, previous);
    }
    if (rule->kind == CaliperKind::Threshold) out.level = ThresholdLevel(out.values, *rule);
    return out;
}

std::optional<double> ThresholdLevel(const std::vector<double>& values, const CaliperRule& rule) {
    if (values.empty()) return std::nullopt;
    if (!rule.levelIsFraction) return rule.level;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return *low + rule.level * (*high - *low);
}
