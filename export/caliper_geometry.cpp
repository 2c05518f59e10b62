#include "export/caliper_geometry.h"

#include <cmath>

#include "model/caliper_measure.h"

std::optional<PairGeometry> PairOf(const CScan& line, const AxisFrame* frame) {
    const CaliperMeasure* m = line.m_measure.get();
    if (m == nullptr || !m->Found() || !m->second) return std::nullopt;
    PairGeometry pair;
    pair.first = line.PointAt(m->edge.pos);
    pair.second = line.PointAt(m->second->pos);
    pair.widthPx = Distance(pair.first.x, pair.first.y, pair.second.x, pair.second.y);
    if (frame != nullptr) {
        const AxisValue a = frame->Convert(pair.first.x, pair.first.y);
        const AxisValue b = frame->Convert(pair.second.x, pair.second.y);
        pair.width = Distance(a.x, a.y, b.x, b.y);
    }
    pair.sigmaSamples = std::hypot(m->edge.sigma, m->second->sigma);
    return pair;
}

std::optional<EdgeReach> ReachOf(const CScan& line, const AxisFrame* frame) {
    const CaliperMeasure* m = line.m_measure.get();
    if (m == nullptr || !m->Found()) return std::nullopt;
    const CPointF a = line.PointAt(m->edge.pos - m->edge.sigma);
    const CPointF b = line.PointAt(m->edge.pos + m->edge.sigma);
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
