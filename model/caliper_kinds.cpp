// SPDX-License-Identifier: GPL-3.0-or-later
// The caliper rules that are not a single edge: the threshold crossing and the edge pair.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "model/caliper.h"
#include "model/caliper_parts.h"

CaliperResult MeasureThreshold(const CaliperInput& in) {
    CaliperResult result;
    result.noise = in.noise;
    const std::span<const double> v = in.profile;
    const auto [low, high] = std::minmax_element(v.begin(), v.end());
    const double level = in.rule.levelIsFraction ? *low + in.rule.level * (*high - *low)
                                                 : in.rule.level;
    const bool rising = in.rule.polarity != EdgePolarity::Falling;
    const bool falling = in.rule.polarity != EdgePolarity::Rising;
    const int count = static_cast<int>(v.size());
    const auto nearest = [&](double pos) {
        return std::clamp(static_cast<int>(std::floor(pos + 0.5)), 0, count - 1);
    };
    std::vector<double> place, strength;
    for (int k = 0; k + 1 < count; ++k) {
        const double a = v[static_cast<std::size_t>(k)];
        const double b = v[static_cast<std::size_t>(k + 1)];
        if ((rising && a < level && b >= level) || (falling && a > level && b <= level)) {
            const double pos = k + (level - a) / (b - a);
            const int at = nearest(pos);
            place.push_back(pos);
            result.candidates.push_back({at, in.response[static_cast<std::size_t>(at)]});
            strength.push_back(std::abs(in.response[static_cast<std::size_t>(at)]));
        }
    }
    int chosen = in.rule.lastCrossing ? static_cast<int>(place.size()) - 1 : 0;
    double ratio = 0.0;
    if (in.window) {
        // A line that follows its edge takes the crossing nearest the prediction, not the
        // first or the last on the line.
        const WindowChoice choice = ChooseInWindow(place, strength, *in.window);
        if (choice.chosen < 0) {
            result.status = CaliperStatus::Lost;
            return result;
        }
        chosen = choice.chosen;
        ratio = choice.ratio;
    } else {
        if (place.empty()) return result;
        ratio = RatioOf(strength, chosen);
    }
    const double pos = place[static_cast<std::size_t>(chosen)];
    const int k = std::min(static_cast<int>(std::floor(pos)), count - 2);
    // The interpolated crossing k + t moves with the noise of both samples it joins:
    // sqrt((1 - t)^2 + t^2) noise over the step between them.
    const double t = pos - k;
    const double slope = v[static_cast<std::size_t>(k + 1)] - v[static_cast<std::size_t>(k)];
    result.edge.pos = pos;
    result.edge.contrast = result.candidates[static_cast<std::size_t>(chosen)].response;
    if (in.noise > 0.0) {
        const double spread = in.noise * std::sqrt((1 - t) * (1 - t) + t * t) / std::abs(slope);
        const double bias = ThresholdBiasSpread();
        result.edge.sigma = std::sqrt(spread * spread + bias * bias);
    }
    result.ratio = ratio;
    result.status = StatusOf(false, NearLineEnd(pos, count, in.rule.sigma), result.edge.contrast,
                             in.noise, result.ratio);
    return result;
}

CaliperResult MeasurePair(const CaliperInput& in, std::optional<double> previous) {
    CaliperResult result;
    result.noise = in.noise;
    result.candidates = FindCandidates(in.response, EdgePolarity::Either, in.rule.minContrast);
    const std::vector<CaliperCandidate>& c = result.candidates;
    std::vector<double> place;
    for (const CaliperCandidate& candidate : c) place.push_back(QuickPlace(in, candidate));
    // Each first edge pairs with the nearest later edge of the other polarity whose distance lies
    // within the widths allowed: a bar's two sides, never the sides of two bars.
    const double firstSign = in.rule.pairOrder == PairOrder::RiseFall ? 1.0 : -1.0;
    struct Pair {
        std::size_t a, b;
    };
    std::vector<Pair> pairs;
    std::vector<double> strength, firstPlace;
    for (std::size_t a = 0; a < c.size(); ++a) {
        if (firstSign * c[a].response <= 0.0) continue;
        for (std::size_t b = a + 1; b < c.size(); ++b) {
            const double width = place[b] - place[a];
            if (firstSign * c[b].response >= 0.0 || width < in.rule.minWidth) continue;
            if (width <= in.rule.maxWidth) {
                pairs.push_back({a, b});
                strength.push_back(std::min(std::abs(c[a].response), std::abs(c[b].response)));
                firstPlace.push_back(place[a]);
            }
            break;
        }
    }
    int chosen = -1;
    double ratio = 0.0;
    if (in.window) {
        const WindowChoice choice = ChooseInWindow(firstPlace, strength, *in.window);
        if (choice.chosen < 0) {
            result.status = CaliperStatus::Lost;
            return result;
        }
        chosen = choice.chosen;
        ratio = choice.ratio;
    } else {
        chosen = ChooseItem(in.rule, strength, firstPlace, previous);
        if (chosen < 0) return result;
        ratio = RatioOf(strength, chosen);
    }
    const Pair pair = pairs[static_cast<std::size_t>(chosen)];
    const PlacedEdge first = PlaceEdge(in, c[pair.a]);
    const PlacedEdge second = PlaceEdge(in, c[pair.b]);
    result.edge = first.edge;
    result.second = second.edge;
    result.widthSamples = second.edge.pos - first.edge.pos;
    result.ratio = ratio;
    const int count = static_cast<int>(in.profile.size());
    const bool atEnd = NearLineEnd(c[pair.a].index, count, in.rule.sigma) ||
                       NearLineEnd(c[pair.b].index, count, in.rule.sigma);
    const double weaker = std::abs(first.edge.contrast) < std::abs(second.edge.contrast)
                              ? first.edge.contrast
                              : second.edge.contrast;
    result.status = StatusOf(first.fitFailed || second.fitFailed, atEnd, weaker, in.noise,
                             result.ratio);
    return result;
}
