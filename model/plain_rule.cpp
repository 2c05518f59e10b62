// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/plain_rule.h"

#include <algorithm>
#include <cmath>

std::optional<std::pair<int, int>> WindowSamples(const TrackWindow& window, int count) {
    if (count < 0 || !std::isfinite(window.centre) || !(window.half >= 0.0)) return std::nullopt;
    const auto inside = [&window](int k) { return std::abs(k - window.centre) <= window.half; };
    const double top = count;
    int first = static_cast<int>(std::clamp(std::ceil(window.centre - window.half), 0.0, top + 1.0));
    int last = static_cast<int>(std::clamp(std::floor(window.centre + window.half), -1.0, top));
    // centre - half and centre + half are rounded: each end settles on the samples' own test,
    // which is off by at most one sample.
    if (first > 0 && inside(first - 1)) --first;
    if (first <= count && !inside(first)) ++first;
    if (last < count && inside(last + 1)) ++last;
    if (last >= 0 && !inside(last)) --last;
    if (first > last) return std::nullopt;
    return std::pair{first, last};
}

std::optional<EdgeResult> FindPlainEdge(const ExactProfile& profile, int mode, bool subPixel,
                                        const std::optional<TrackWindow>& window) {
    EdgeResult result;
    const int count = profile.Count();
    if (!window) {
        // FindEdge's answer for a line without samples.
        if (count < 0) return result;
        result.index = FindEdgeIn(profile, mode);
    } else {
        const std::optional<std::pair<int, int>> span = WindowSamples(*window, count);
        if (!span) return std::nullopt;
        result.index = FindEdgeWithin(profile, mode, span->first, span->second);
        if (result.index < 0) return std::nullopt;
    }
    if (subPixel) result.subPos = RefineEdge(profile, mode, result.index);
    return result;
}

void PlacePlainEdge(CScan& line, const std::optional<EdgeResult>& edge) {
    if (edge) {
        line.SetEdge(edge->index, edge->subPos);
        return;
    }
    CaliperResult lost;
    lost.status = CaliperStatus::Lost;
    PlaceCaliperEdge(line, lost);
}

void MeasurePlainRule(const ProfileBuffer& buffer, CScan& line, int channel,
                      const EdgeOptions& options, const CaliperRule& rule,
                      const std::optional<TrackWindow>& window) {
    thread_local ExactProfile profile;
    profile.Build(buffer, line.m_nCount, channel, options);
    PlacePlainEdge(line, FindPlainEdge(profile, rule.plainMode, options.subPixel, window));
}

PlainSamples KeepPlainSamples(const ProfileBuffer& buffer, const CScan& line, int channel,
                              const EdgeOptions& options) {
    thread_local ExactProfile profile;
    // Unsmoothed: the smoothing is worked out again when the samples are measured.
    EdgeOptions raw = options;
    raw.smoothing = kSmoothNone;
    profile.Build(buffer, line.m_nCount, channel, raw);
    return {profile.Sums(), profile.Pixels()};
}

void MeasurePlainRule(const PlainSamples& samples, CScan& line, const EdgeOptions& options,
                      const CaliperRule& rule, const std::optional<TrackWindow>& window) {
    thread_local ExactProfile profile;
    profile.Build(samples.sums.data(), samples.pixels.data(),
                  static_cast<int>(samples.sums.size()) - 1, options.smoothing, options.smoothWidth);
    PlacePlainEdge(line, FindPlainEdge(profile, rule.plainMode, options.subPixel, window));
}
