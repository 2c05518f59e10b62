// The edge rules on real-valued profiles (a wide line, a smoothed profile) and the sub-pixel
// placement of the edge.
#include <algorithm>

#include "model/edge_detect.h"
#include "model/edge_rules.h"
#include "model/profile_filter.h"

int FindEdgeIn(const double* v, int count, int mode) {
    if (count < 0) return 0;
    count = std::min(count, kProfileSize - 1);
    return FindEdgeIndex(v, count, mode);
}

namespace {

// The vertex of the parabola through (-1, a), (0, b), (1, c), as an offset from 0 in -0.5..0.5;
// 0 for three values on a line.
double Vertex(double a, double b, double c) {
    const double curve = a - 2.0 * b + c;
    if (curve == 0.0) return 0.0;
    return std::clamp(0.5 * (a - c) / curve, -0.5, 0.5);
}

}  // namespace

double RefineEdge(const double* v, int count, int mode, int index) {
    if (count <= 0) return 0.0;
    count = std::min(count, kProfileSize - 1);
    index = std::clamp(index, 0, count);
    double position = index;
    if (mode == kEdgeMinimum || mode == kEdgeMaximum) {
        if (index > 0 && index < count) position += Vertex(v[index - 1], v[index], v[index + 1]);
    } else if (index > 0 && index + 2 <= count) {
        // Steps index - 1, index and index + 1, sitting at index - 0.5, index + 0.5, index + 1.5.
        const double before = v[index] - v[index - 1];
        const double step = v[index + 1] - v[index];
        const double after = v[index + 2] - v[index + 1];
        // A rule that found no step at all stays on its index.
        if (step != 0.0) position += 0.5 + Vertex(before, step, after);
    }
    return std::clamp(position, 0.0, static_cast<double>(count));
}

EdgeResult FindEdge(const ProfileBuffer& buffer, int count, int channel, int mode,
                    const EdgeOptions& options) {
    EdgeResult result;
    if (options.IsPlainProfile()) {
        result.index = FindEdge(buffer, count, channel, mode);
        if (!options.subPixel) return result;
    }
    if (count < 0) return result;
    count = std::min(count, kProfileSize - 1);
    double values[kProfileSize];
    ProfileValues(buffer, count, channel, options, values);
    if (!options.IsPlainProfile()) result.index = FindEdgeIn(values, count, mode);
    if (options.subPixel) result.subPos = RefineEdge(values, count, mode, result.index);
    return result;
}
