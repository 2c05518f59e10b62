// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/part_caliper.h"

#include <cmath>

using part_bytes::Reader;
using part_bytes::Writer;

namespace {

constexpr std::uint8_t kResidual = 1;
constexpr std::uint8_t kSecond = 2;
constexpr std::uint8_t kSecondResidual = 4;

void PutEdge(Writer& w, const CaliperEdge& edge) {
    w.F64(edge.pos);
    w.F64(edge.contrast);
    w.F64(edge.sigma);
    if (edge.residual) w.F64(*edge.residual);
}

bool GetEdge(Reader& r, bool residual, CaliperEdge& edge) {
    if (r.Left() < (residual ? 4u : 3u) * 8u) return false;
    edge.pos = r.F64();
    edge.contrast = r.F64();
    edge.sigma = r.F64();
    if (residual) edge.residual = r.F64();
    return std::isfinite(edge.pos) && std::isfinite(edge.contrast) && std::isfinite(edge.sigma) &&
           (!edge.residual || std::isfinite(*edge.residual));
}

template <typename Enum>
bool GetEnum(Reader& r, Enum last, Enum& into) {
    const std::uint8_t v = r.U8();
    into = static_cast<Enum>(v);
    return v <= static_cast<std::uint8_t>(last);
}

}  // namespace

void PutPartRule(Writer& w, const CaliperRule& rule, std::uint32_t format) {
    w.U8(static_cast<std::uint8_t>(rule.kind));
    w.U8(static_cast<std::uint8_t>(rule.polarity));
    w.U8(static_cast<std::uint8_t>(rule.select));
    w.U8(static_cast<std::uint8_t>(rule.estimator));
    w.U8(static_cast<std::uint8_t>(rule.pairOrder));
    w.U8(static_cast<std::uint8_t>((rule.levelIsFraction ? 1 : 0) | (rule.lastCrossing ? 2 : 0) |
                                   (rule.bilinear ? 4 : 0)));
    w.I32(rule.nth);
    for (const double v : {rule.sigma, rule.minContrast, rule.level, rule.minWidth, rule.maxWidth}) {
        w.F64(v);
    }
    if (format >= 4) w.I32(rule.track);
    if (format >= 5) w.U8(static_cast<std::uint8_t>(rule.plainMode));
}

bool GetPartRule(Reader& r, CaliperRule& rule, std::uint32_t format) {
    if (r.Left() < PartRuleBytes(format)) return false;
    // Plain rules came with format 5.
    bool known = GetEnum(r, format >= 5 ? CaliperKind::Plain : CaliperKind::Pair, rule.kind);
    known = GetEnum(r, EdgePolarity::Either, rule.polarity) && known;
    known = GetEnum(r, EdgeSelect::Nearest, rule.select) && known;
    known = GetEnum(r, EdgeEstimator::StepFit, rule.estimator) && known;
    known = GetEnum(r, PairOrder::FallRise, rule.pairOrder) && known;
    const std::uint8_t flags = r.U8();
    rule.levelIsFraction = (flags & 1) != 0;
    rule.lastCrossing = (flags & 2) != 0;
    rule.bilinear = (flags & 4) != 0;
    rule.nth = r.I32();
    for (double* v : {&rule.sigma, &rule.minContrast, &rule.level, &rule.minWidth, &rule.maxWidth}) {
        *v = r.F64();
    }
    if (format >= 4) rule.track = r.I32();
    if (format >= 5) rule.plainMode = r.U8();
    return known && (flags & ~7) == 0 && IsValidCaliperRule(rule);
}

void PutPartMeasure(Writer& w, const CaliperMeasure& m) {
    w.U8(static_cast<std::uint8_t>(m.status));
    w.U8(static_cast<std::uint8_t>((m.edge.residual ? kResidual : 0) | (m.second ? kSecond : 0) |
                                   (m.second && m.second->residual ? kSecondResidual : 0)));
    PutEdge(w, m.edge);
    if (m.second) PutEdge(w, *m.second);
    w.F64(m.widthSamples);
    w.F64(m.noise);
    w.F64(m.ratio);
}

bool GetPartMeasure(Reader& r, CaliperMeasure& m, bool tracking) {
    if (r.Left() < kPartMeasureLeast) return false;
    m = {};
    if (!GetEnum(r, tracking ? CaliperStatus::Lost : CaliperStatus::NotFound, m.status)) {
        return false;
    }
    const std::uint8_t flags = r.U8();
    if ((flags & ~(kResidual | kSecond | kSecondResidual)) != 0 ||
        ((flags & kSecondResidual) != 0 && (flags & kSecond) == 0)) {
        return false;
    }
    if (!GetEdge(r, (flags & kResidual) != 0, m.edge)) return false;
    if ((flags & kSecond) != 0) {
        m.second.emplace();
        if (!GetEdge(r, (flags & kSecondResidual) != 0, *m.second)) return false;
    }
    if (r.Left() < 3 * 8) return false;
    m.widthSamples = r.F64();
    m.noise = r.F64();
    m.ratio = r.F64();
    return std::isfinite(m.widthSamples) && std::isfinite(m.noise) && std::isfinite(m.ratio);
}
