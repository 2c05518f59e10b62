// SPDX-License-Identifier: GPL-3.0-or-later
// The edge rules on the exact profile of a wide or smoothed line, and the sub-pixel placement of
// the edge.
#include <algorithm>

#include "model/edge_detect.h"
#include "model/exact_rational.h"
#include "model/profile_filter.h"

int FindEdgeIn(const ExactProfile& profile, int mode) {
    // A rule that finds nothing (equal samples, no step of its sign) stays on sample 0.
    return std::max(FindEdgeWithin(profile, mode, 0, profile.Count()), 0);
}

int FindEdgeWithin(const ExactProfile& profile, int mode, int first, int last) {
    // The same rules as the plain detection's: strict comparisons, so the first of equal
    // extremes wins.
    first = std::max(first, 0);
    last = std::min(last, profile.Count());
    if (first > last) return -1;
    int best = first;
    switch (mode) {
        case kEdgeMinimum:
        case kEdgeMaximum: {
            const int sign = mode == kEdgeMinimum ? -1 : 1;
            bool contrast = false;  // some sample differs from the first
            for (int i = first + 1; i <= last; ++i) {
                const int order = profile.Compare(i, best);
                if (order == sign) best = i;
                contrast = contrast || order != 0;
            }
            return contrast ? best : -1;
        }
        default: {
            const int sign = mode == kEdgeSteepestFall ? -1 : 1;
            bool found = false;
            ExactProfile::Step steepest;
            for (int i = first; i < last; ++i) {
                const ExactProfile::Step step = profile.StepAt(i);
                const int order = found ? profile.CompareSteps(step, steepest) : profile.Sign(step);
                if (order == sign) best = i, steepest = step, found = true;
            }
            return found ? best : -1;
        }
    }
}

namespace {

// The vertex of the parabola through (-1, a), (0, b), (1, c), as an offset from 0 clamped to
// -1/2..1/2; 0 for three values on a line.
mpq_class Vertex(const mpq_class& a, const mpq_class& b, const mpq_class& c) {
    const mpq_class curve = a - 2 * b + c;
    if (curve == 0) return 0;
    const mpq_class half(1, 2);
    const mpq_class offset = (a - c) / (2 * curve);
    return offset < -half ? mpq_class(-half) : (offset > half ? half : offset);
}

}  // namespace

double RefineEdge(const ExactProfile& profile, int mode, int index) {
    const int count = profile.Count();
    if (count <= 0) return 0.0;
    index = std::clamp(index, 0, count);
    const auto value = [&profile](int i) {
        return Ratio(profile.Num(i), profile.Den(i) * profile.Scale());
    };
    // Worked out exactly and rounded once, so that any program doing the same arithmetic finds
    // the same double.
    mpq_class position = index;
    if (mode == kEdgeMinimum || mode == kEdgeMaximum) {
        if (index > 0 && index < count) position += Vertex(value(index - 1), value(index), value(index + 1));
    } else if (index > 0 && index + 2 <= count) {
        // Steps index - 1, index and index + 1, sitting at index - 0.5, index + 0.5, index + 1.5.
        const mpq_class before = value(index) - value(index - 1);
        const mpq_class step = value(index + 1) - value(index);
        const mpq_class after = value(index + 2) - value(index + 1);
        // A rule that found no step at all stays on its index.
        if (step != 0) position += mpq_class(1, 2) + Vertex(before, step, after);
    }
    if (position < 0) position = 0;
    if (position > count) position = count;
    return NearestDouble(position);
}

EdgeResult FindEdge(const ProfileBuffer& buffer, int count, int channel, int mode,
                    const EdgeOptions& options) {
    EdgeResult result;
    if (options.IsPlainProfile()) {
        result.index = FindEdge(buffer, count, channel, mode);
        if (!options.subPixel) return result;
    }
    if (count < 0) return result;
    thread_local ExactProfile profile;
    profile.Build(buffer, count, channel, options);
    if (!options.IsPlainProfile()) result.index = FindEdgeIn(profile, mode);
    if (options.subPixel) result.subPos = RefineEdge(profile, mode, result.index);
    return result;
}
