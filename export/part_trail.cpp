// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/part_trail.h"

#include <cmath>

using part_bytes::Reader;
using part_bytes::Writer;

void PutPartTrail(Writer& w, const std::vector<PartTrackStep>& steps, bool timed, const TimeRule& rule) {
    w.U32(static_cast<std::uint32_t>(steps.size()));
    for (const PartTrackStep& step : steps) {
        w.U32(step.line);
        w.U64(step.image);
        w.U8(step.found ? 1 : 0);
        w.F64(step.place);
    }
    if (!timed) return;
    w.U8(rule.kind == TimeRule::Kind::Interval ? 1 : rule.kind == TimeRule::Kind::FileTime ? 2 : 0);
    w.F64(rule.interval);
    w.F64(rule.start);
}

bool GetPartTrail(Reader& r, const PartHeader& header, std::vector<PartTrackStep>& steps,
                  TimeRule& rule) {
    if (r.Left() < 4) return false;
    const std::uint32_t count = r.U32();
    constexpr std::size_t kStepBytes = 4 + 8 + 1 + 8;
    if (count > r.Left() / kStepBytes) return false;
    steps.resize(count);
    for (PartTrackStep& step : steps) {
        step.line = r.U32();
        step.image = r.U64();
        const std::uint8_t found = r.U8();
        step.place = r.F64();
        if (found > 1 || step.line >= header.lines || step.image >= header.first ||
            !std::isfinite(step.place)) {
            return false;
        }
        step.found = found == 1;
    }
    rule = TimeRule();
    if (header.version < 5) return true;
    if (r.Left() < 1 + 8 + 8) return false;
    const std::uint8_t kind = r.U8();
    rule.interval = r.F64();
    rule.start = r.F64();
    if (kind > 2) return false;
    rule.kind = kind == 1   ? TimeRule::Kind::Interval
                : kind == 2 ? TimeRule::Kind::FileTime
                            : TimeRule::Kind::FromFiles;
    return rule.IsValid();
}
