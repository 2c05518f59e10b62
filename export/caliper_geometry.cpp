// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/caliper_geometry.h"

#include <cmath>

#include "model/caliper_measure.h"

CPointF EdgePointAt(const CScan& line, double t, bool straight) {
    return straight ? line.ExactPointAt(t) : line.PointAt(t);
}

std::optional<PairGeometry> PairOf(const CScan& line, const AxisFrame* frame, bool straight) {
    const CaliperMeasure* m = line.m_measure.get();
    if (m == nullptr || !m->Found() || !m->second) return std::nullopt;
    PairGeometry pair;
    pair.first = EdgePointAt(line, m->edge.pos, straight);
    pair.second = EdgePointAt(line, m->second->pos, straight);
    pair.widthPx = Distance(pair.first.x, pair.first.y, pair.second.x, pair.second.y);
    if (frame != nullptr) {
        const AxisValue a = frame->Convert(pair.first.x, pair.first.y);
        const AxisValue b = frame->Convert(pair.second.x, pair.second.y);
        pair.width = Distance(a.x, a.y, b.x, b.y);
    }
    pair.sigmaSamples = std::hypot(m->edge.sigma, m->second->sigma);
    return pair;
}

std::optional<EdgeReach> ReachOf(const CScan& line, const AxisFrame* frame, bool straight) {
    const CaliperMeasure* m = line.m_measure.get();
    if (m == nullptr || !m->Found()) return std::nullopt;
    const CPointF a = EdgePointAt(line, m->edge.pos - m->edge.sigma, straight);
    const CPointF b = EdgePointAt(line, m->edge.pos + m->edge.sigma, straight);
    EdgeReach reach;
    reach.dx = std::fabs(b.x - a.x) / 2;
    reach.dy = std::fabs(b.y - a.y) / 2;
    if (frame != nullptr) {
        const AxisValue va = frame->Convert(a.x, a.y);
        const AxisValue vb = frame->Convert(b.x, b.y);
        reach.vx = std::fabs(vb.x - va.x) / 2;
        reach.vy = std::fabs(vb.y - va.y) / 2;
    }
    return reach;
}
