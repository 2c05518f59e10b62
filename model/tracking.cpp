// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/tracking.h"

#include "model/caliper_measure.h"
#include "model/edge_detect.h"

std::optional<TrackWindow> TrackingWindow(const CDataProfile& profile, int i, int a, int n) {
    return WalkTrack(profile, i, a, n).window;
}

TrackWalk WalkTrack(const CDataProfile& profile, int i, int a, int n) {
    TrackWalk walk;
    const CScan* own = profile.GetLine(i, a, n);
    const CaliperRule* rule = own != nullptr ? profile.RuleOf(*own) : nullptr;
    if (rule == nullptr || rule->track <= 0) {
        walk.settled = true;
        return walk;
    }
    const double samples = static_cast<double>(own->m_nCount) + 1.0;
    double half = rule->track;
    int found = 0;
    double x1 = 0.0, x0 = 0.0;
    int i1 = 0, i0 = 0;
    int j = i - 1;
    for (; j >= 0 && found < 2; --j) {
        const CScan* line = profile.GetLine(j, a, n);
        if (line == nullptr || line->m_bDetect) break;
        if (line->m_measure && !line->m_measure->Found()) {
            walk.steps.push_back({j, false, 0.0});
            if (found > 0) continue;  // a miss between the two found images
            half *= 2.0;
            // Searched afresh once the search would span the line: the walk need go no further.
            if (half >= samples) {
                walk.settled = true;
                return walk;
            }
            continue;
        }
        const double x = line->HasSubPos() ? line->m_dSubPos : static_cast<double>(line->m_nPos);
        walk.steps.push_back({j, true, x});
        if (found == 0) {
            x1 = x;
            i1 = j;
        } else {
            x0 = x;
            i0 = j;
        }
        ++found;
    }
    walk.settled = j >= 0 || found == 2;
    if (found == 0) return walk;
    const double centre =
        found == 1 ? x1 : x1 + (x1 - x0) * static_cast<double>(i - i1) / static_cast<double>(i1 - i0);
    walk.window = TrackWindow{centre, half};
    return walk;
}

CaliperResult MeasureLineRule(std::span<const double> values, const CaliperRule& rule,
                              const CDataProfile& profile, int i, int a, int n) {
    if (rule.track > 0) {
        return MeasureCaliper(values, rule, std::nullopt, TrackingWindow(profile, i, a, n));
    }
    const std::optional<double> previous =
        PicksNearestToNeighbour(rule) ? NeighbourEdge(profile, i, a, n) : std::nullopt;
    return MeasureCaliper(values, rule, previous);
}
