// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/tidy_caliper.h"

#include <algorithm>

#include "export/caliper_geometry.h"
#include "model/caliper_measure.h"
#include "model/caliper_words.h"

using namespace tidy_fields;

namespace {

constexpr const char* kColumns[] = {"rule",     "edge2_x", "edge2_y", "width_px",
                                    "width",    "sigma_px", "contrast", "noise",
                                    "residual", "ratio",    "edge_status"};
constexpr std::size_t kColumnCount = std::size(kColumns);
// "at-line-end" is the longest status word.
constexpr std::size_t kMaxStatusWord = 11;

}  // namespace

bool TidyCaliperColumns::Wanted(const CDataProfile& profile, int lineCount) {
    for (int i = 0; i < profile.GetSize(); ++i) {
        const CScanArray* lines = profile.GetArray(i, 0);
        const int present = lines != nullptr ? std::min(lineCount, lines->GetSize()) : 0;
        for (int j = 0; j < present; ++j) {
            // A record may hold an empty place for a line.
            const CScan* line = lines->m_arLine[static_cast<std::size_t>(j)].get();
            if (line != nullptr && (line->m_nRule != 0 || line->m_measure)) return true;
        }
    }
    return false;
}

TidyCaliperColumns::TidyCaliperColumns(const CDataProfile& profile) {
    std::size_t longest = 0;
    for (const CaliperRule& rule : profile.m_rules) {
        m_ruleWords.push_back(CaliperWords(rule));
        longest = std::max(longest, m_ruleWords.back().size());
    }
    m_maxBytes = kColumnCount + longest + (kColumnCount - 2) * kMaxReal + kMaxStatusWord;
}

void TidyCaliperColumns::AppendHeader(std::string& out, char delimiter) const {
    for (const char* name : kColumns) (out += delimiter) += name;
}

char* TidyCaliperColumns::Put(char* out, const CDataProfile& profile, int i, int j,
                              const EdgeMeasure& point, const AxisFrame* frame,
                              const Format& f) const {
    const CScan* line = profile.GetLine(i, 0, j);
    *out++ = f.delimiter;
    if (line != nullptr && line->m_nRule != 0 && line->m_nRule <= m_ruleWords.size()) {
        out = tidy_fields::Put(out, m_ruleWords[line->m_nRule - 1u]);
    }
    const CaliperMeasure* m = line != nullptr ? line->m_measure.get() : nullptr;
    const bool measured = m != nullptr && (point.present || point.status == LineStatus::NotFound ||
                                          point.status == LineStatus::Lost);
    if (!measured) {
        std::memset(out, f.delimiter, kColumnCount - 1);
        return out + (kColumnCount - 1);
    }
    const auto real = [&](bool present, double v) {
        *out++ = f.delimiter;
        if (present) out = PutReal(out, v, f.decimal);
    };
    const bool found = m->Found();
    const CaliperRule* rule = profile.RuleOf(*line);
    const std::optional<PairGeometry> pair = PairOf(*line, frame, rule != nullptr && rule->bilinear);
    real(pair.has_value(), pair ? pair->second.x : 0.0);
    real(pair.has_value(), pair ? pair->second.y : 0.0);
    real(pair.has_value(), pair ? pair->widthPx : 0.0);
    real(pair && pair->width, pair ? pair->width.value_or(0.0) : 0.0);
    real(found, m->edge.sigma);
    real(found, m->edge.contrast);
    real(true, m->noise);
    real(found && m->edge.residual.has_value(), m->edge.residual.value_or(0.0));
    real(found, m->ratio);
    *out++ = f.delimiter;
    return tidy_fields::Put(out, CaliperStatusWord(m->status));
}
