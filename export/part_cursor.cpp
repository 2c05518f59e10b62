// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/part_cursor.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "export/part_caliper.h"

namespace part_cursor {

using part_bytes::Reader;
using part_bytes::Writer;

std::uint32_t GetUnsigned(Reader& r, std::size_t bytes) {
    return bytes == 1 ? r.U8() : bytes == 2 ? r.U16() : r.U32();
}

void PutUnsigned(Writer& w, std::size_t bytes, std::uint32_t v) {
    if (bytes == 1) {
        w.U8(static_cast<std::uint8_t>(v));
    } else if (bytes == 2) {
        w.U16(static_cast<std::uint16_t>(v));
    } else {
        w.U32(v);
    }
}


void PutSettings(Writer& w, const DetectionSettings& s, std::uint32_t format) {
    for (const int v : {s.channel, s.mode, s.edge.subPixel ? 1 : 0, s.edge.lineWidth, s.edge.smoothing,
                        s.edge.smoothWidth, s.edge.wholeLine ? 1 : 0}) {
        w.U8(static_cast<std::uint8_t>(v));
    }
    if (format < 3) return;
    w.U8(s.caliper ? 1 : 0);
    if (s.caliper) PutPartRule(w, *s.caliper, format);
}

bool GetSettings(Reader& r, DetectionSettings& s, std::uint32_t format) {
    s.channel = r.U8();
    s.mode = r.U8();
    const int sub = r.U8();
    s.edge.lineWidth = r.U8();
    s.edge.smoothing = r.U8();
    s.edge.smoothWidth = r.U8();
    const int whole = r.U8();
    s.edge.subPixel = sub == 1;
    s.edge.wholeLine = whole == 1;
    if (format >= 3) {
        const std::uint8_t has = r.U8();
        if (has > 1) return false;
        if (has == 1 && !GetPartRule(r, s.caliper.emplace(), format)) return false;
    }
    return s.channel <= 3 && s.mode <= 3 && sub <= 1 && whole <= 1 && IsValidEdgeOptions(s.edge);
}

bool GetCursor(Reader& r, const CursorLayout& layout,
               const std::vector<DetectionSettings>& settings, CScan& line) {
    const std::uint32_t pos = GetUnsigned(r, layout.place);
    if (pos > static_cast<std::uint32_t>(line.m_nCount)) return false;
    if (layout.found == 0) {
        line.SetPos(static_cast<int>(pos));
        return true;
    }
    const std::uint8_t flags = r.U8();
    const std::uint8_t origin = flags & 3;
    const bool detected = origin == static_cast<std::uint8_t>(CursorOrigin::Detected);
    const bool subPixel = (flags & kSubPixelFlag) != 0;
    const bool measured = (flags & kMeasureFlag) != 0;
    const std::uint8_t known = 3 | kSubPixelFlag | (layout.caliper ? kMeasureFlag : 0);
    const std::size_t rest = (detected ? layout.found : 0) + (subPixel ? 8 : 0);
    if (origin > 2 || (flags & ~known) != 0 || (subPixel && !detected) ||
        (measured && (!detected || subPixel)) || r.Left() < rest) {
        return false;
    }
    const std::uint32_t found = detected ? GetUnsigned(r, layout.found) : 0;
    double subPos = subPixel ? r.F64() : -1.0;
    if (detected && found >= settings.size()) return false;
    // Only a detection with sub-pixel placement leaves a sub-pixel edge.
    if (subPixel && !settings[found].edge.subPixel) return false;
    if (subPixel && !(subPos >= 0.0 && subPos <= line.m_nCount)) return false;
    // A caliper rule's measure holds its edge between samples, whose nearest is the cursor.
    std::shared_ptr<const CaliperMeasure> kept;
    if (measured) {
        CaliperMeasure measure;
        if (!settings[found].caliper || !GetPartMeasure(r, measure, layout.tracking)) return false;
        if (measure.Found()) {
            subPos = measure.edge.pos;
            if (!(subPos >= 0.0 && subPos <= line.m_nCount) ||
                std::floor(subPos + 0.5) != static_cast<double>(pos)) {
                return false;
            }
        }
        kept = std::make_shared<const CaliperMeasure>(measure);
    }
    line.SetEdge(static_cast<int>(pos), subPos);
    line.m_origin = static_cast<CursorOrigin>(origin);
    line.m_nFound = found;
    line.m_measure = std::move(kept);
    return true;
}

bool UsesCaliper(const CDataProfile& records) {
    for (const DetectionSettings& settings : records.m_detections) {
        if (settings.caliper) return true;
    }
    for (const auto& series : records.m_arSeries) {
        const CScanArray* set = series != nullptr ? series->GetAt(0) : nullptr;
        if (set == nullptr) continue;
        for (const auto& line : set->m_arLine) {
            if (line != nullptr && (line->m_nRule != 0 || line->m_measure)) return true;
        }
    }
    return false;
}

bool UsesTracking(const CDataProfile& records) {
    for (const DetectionSettings& settings : records.m_detections) {
        if (settings.caliper && settings.caliper->track > 0) return true;
    }
    for (const auto& series : records.m_arSeries) {
        const CScanArray* set = series != nullptr ? series->GetAt(0) : nullptr;
        if (set == nullptr) continue;
        for (const auto& line : set->m_arLine) {
            const CaliperRule* rule = line != nullptr ? records.RuleOf(*line) : nullptr;
            if (rule != nullptr && rule->track > 0) return true;
        }
    }
    return false;
}

bool UsesPlainRule(const CDataProfile& records) {
    const auto plain = [](const CaliperRule& rule) { return rule.kind == CaliperKind::Plain; };
    for (const DetectionSettings& settings : records.m_detections) {
        if (settings.caliper && plain(*settings.caliper)) return true;
    }
    for (const auto& series : records.m_arSeries) {
        const CScanArray* set = series != nullptr ? series->GetAt(0) : nullptr;
        if (set == nullptr) continue;
        for (const auto& line : set->m_arLine) {
            const CaliperRule* rule = line != nullptr ? records.RuleOf(*line) : nullptr;
            if (rule != nullptr && plain(*rule)) return true;
        }
    }
    return false;
}

bool PutLineRules(Writer& w, const CDataProfile& records, std::size_t lineCount,
                  std::uint32_t format) {
    std::vector<std::uint16_t> ruleOf(lineCount, 0);
    std::vector<CaliperRule> rules;
    for (std::size_t i = 0; i < records.m_arSeries.size(); ++i) {
        const CScanArray* set = records.m_arSeries[i] ? records.m_arSeries[i]->GetAt(0) : nullptr;
        if (set == nullptr || set->m_arLine.size() != lineCount) return false;
        for (std::size_t n = 0; n < lineCount; ++n) {
            const CaliperRule* rule = records.RuleOf(*set->m_arLine[n]);
            std::uint16_t number = 0;
            if (rule != nullptr) {
                const auto at = std::find(rules.begin(), rules.end(), *rule);
                number = static_cast<std::uint16_t>(at - rules.begin() + 1);
                if (at == rules.end()) rules.push_back(*rule);
            }
            if (i == 0) ruleOf[n] = number;
            if (ruleOf[n] != number) return false;
        }
    }
    w.U32(static_cast<std::uint32_t>(rules.size()));
    for (const CaliperRule& rule : rules) PutPartRule(w, rule, format);
    for (const std::uint16_t number : ruleOf) w.U16(number);
    return true;
}

bool GetLineRules(Reader& r, std::vector<CaliperRule>& rules, std::vector<std::uint16_t>& ruleOf,
                  std::uint32_t format) {
    if (r.Left() < 4) return false;
    const std::uint32_t count = r.U32();
    if (count > CDataProfile::kMaxRules || count > r.Left() / kPartRuleBytes) return false;
    rules.resize(count);
    for (CaliperRule& rule : rules) {
        if (!GetPartRule(r, rule, format)) return false;
    }
    if (r.Left() / 2 < ruleOf.size()) return false;
    for (std::uint16_t& number : ruleOf) {
        number = r.U16();
        if (number > count) return false;
    }
    return true;
}


void PutCursor(Writer& w, const CursorLayout& layout, const std::vector<DetectionSettings>& settings,
               const CScan& line) {
    const bool detected = line.m_origin == CursorOrigin::Detected;
    // A caliper rule's measure carries its own edge between samples.
    const bool measured =
        layout.caliper && detected && line.m_measure && settings[line.m_nFound].caliper;
    const bool subPixel =
        detected && !measured && line.HasSubPos() && settings[line.m_nFound].edge.subPixel;
    PutUnsigned(w, layout.place, static_cast<std::uint32_t>(line.m_nPos));
    w.U8(static_cast<std::uint8_t>(static_cast<std::uint8_t>(line.m_origin) |
                                   (subPixel ? kSubPixelFlag : 0) | (measured ? kMeasureFlag : 0)));
    if (detected) PutUnsigned(w, layout.found, line.m_nFound);
    if (subPixel) w.F64(line.m_dSubPos);
    if (measured) PutPartMeasure(w, *line.m_measure);
}

}  // namespace part_cursor
