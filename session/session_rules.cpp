// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_rules.h"

#include <array>
#include <cmath>
#include <string_view>
#include <utility>

#include "session/json_text.h"
#include "session/session_keys.h"

namespace {

using Json = nlohmann::json;

template <class E, std::size_t N>
using Names = std::array<std::pair<E, std::string_view>, N>;

constexpr Names<CaliperKind, 4> kKinds{{{CaliperKind::Edge, "edge"},
                                        {CaliperKind::Threshold, "threshold"},
                                        {CaliperKind::Pair, "pair"},
                                        {CaliperKind::Plain, "plain"}}};
// The plain rules by their numbers (EdgeMode), as the table's words spell them.
constexpr Names<int, 4> kPlainRules{{{0, "minimum"},
                                     {1, "maximum"},
                                     {2, "steepest-fall"},
                                     {3, "steepest-rise"}}};
constexpr Names<EdgePolarity, 3> kPolarities{{{EdgePolarity::Rising, "rising"},
                                              {EdgePolarity::Falling, "falling"},
                                              {EdgePolarity::Either, "either"}}};
constexpr Names<EdgeSelect, 5> kSelections{{{EdgeSelect::First, "first"},
                                            {EdgeSelect::Last, "last"},
                                            {EdgeSelect::Strongest, "strongest"},
                                            {EdgeSelect::Nth, "nth"},
                                            {EdgeSelect::Nearest, "nearest"}}};
constexpr Names<EdgeEstimator, 3> kEstimators{{{EdgeEstimator::Parabola, "parabola"},
                                               {EdgeEstimator::Gaussian, "gaussian"},
                                               {EdgeEstimator::StepFit, "step-fit"}}};
constexpr Names<PairOrder, 2> kOrders{{{PairOrder::RiseFall, "rise-fall"},
                                       {PairOrder::FallRise, "fall-rise"}}};
constexpr Names<CaliperStatus, 7> kStatuses{{{CaliperStatus::Ok, "ok"},
                                             {CaliperStatus::Weak, "weak"},
                                             {CaliperStatus::Ambiguous, "ambiguous"},
                                             {CaliperStatus::FitFailed, "fit-failed"},
                                             {CaliperStatus::AtLineEnd, "at-line-end"},
                                             {CaliperStatus::NotFound, "not-found"},
                                             {CaliperStatus::Lost, "lost"}}};

template <class E, std::size_t N>
E Named(const SessionValues& values, const Json& value, const std::string& field,
        const Names<E, N>& names) {
    if (value.is_string()) {
        for (const auto& [e, name] : names) {
            if (value.get_ref<const std::string&>() == name) return e;
        }
    }
    std::string expected = "expected";
    for (std::size_t k = 0; k < N; ++k) {
        expected += (k == 0 ? " \"" : k + 1 == N ? " or \"" : ", \"");
        (expected += names[k].second) += '"';
    }
    values.Fail(field, expected);
}

template <class E, std::size_t N>
std::string_view NameOf(E e, const Names<E, N>& names) {
    for (const auto& [k, name] : names) {
        if (k == e) return name;
    }
    return names[0].second;
}

double Finite(const SessionValues& values, const Json& value, const std::string& field) {
    const double v = values.Number(value, field);
    if (!std::isfinite(v)) values.Fail(field, "expected a finite number");
    return v;
}

CaliperEdge ReadEdge(const SessionValues& values, const Json& object, const std::string& field) {
    if (!object.is_object()) values.Fail(field, "expected an object");
    values.CheckKeys(object, field, kMeasureEdgeKeys);
    CaliperEdge edge;
    const auto pos = object.find("pos");
    if (pos == object.end()) values.Fail(field, "no \"pos\"");
    edge.pos = Finite(values, *pos, field + ".pos");
    if (const auto it = object.find("contrast"); it != object.end()) {
        edge.contrast = Finite(values, *it, field + ".contrast");
    }
    if (const auto it = object.find("sigma"); it != object.end()) {
        edge.sigma = Finite(values, *it, field + ".sigma");
        if (edge.sigma < 0.0) values.Fail(field + ".sigma", "expected a number >= 0");
    }
    if (const auto it = object.find("residual"); it != object.end() && !it->is_null()) {
        edge.residual = Finite(values, *it, field + ".residual");
    }
    return edge;
}

void AppendNumber(std::string& out, std::string_view key, double value, bool first = false) {
    if (!first) out += ", ";
    AppendJsonString(out, key);
    out += ": ";
    AppendJsonDouble(out, value);
}

void AppendName(std::string& out, std::string_view key, std::string_view name,
                bool first = false) {
    if (!first) out += ", ";
    AppendJsonString(out, key);
    out += ": ";
    AppendJsonString(out, name);
}

void AppendEdge(std::string& out, const CaliperEdge& edge) {
    out += '{';
    AppendNumber(out, "pos", edge.pos, true);
    AppendNumber(out, "contrast", edge.contrast);
    AppendNumber(out, "sigma", edge.sigma);
    if (edge.residual) AppendNumber(out, "residual", *edge.residual);
    out += '}';
}

}  // namespace

CaliperRule ReadRule(const SessionValues& values, const Json& object, const std::string& field) {
    if (!object.is_object()) values.Fail(field, "expected a caliper rule (an object)");
    values.CheckKeys(object, field, kRuleKeys);
    CaliperRule rule;
    const auto at = [&](const char* key) { return field + "." + key; };
    if (const auto it = object.find("kind"); it != object.end()) {
        rule.kind = Named(values, *it, at("kind"), kKinds);
    }
    if (const auto it = object.find("polarity"); it != object.end()) {
        rule.polarity = Named(values, *it, at("polarity"), kPolarities);
    }
    if (const auto it = object.find("select"); it != object.end()) {
        rule.select = Named(values, *it, at("select"), kSelections);
    }
    if (const auto it = object.find("nth"); it != object.end()) {
        rule.nth = values.Int(*it, at("nth"), 1, 1000000);
    }
    if (const auto it = object.find("sigma"); it != object.end()) {
        rule.sigma = Finite(values, *it, at("sigma"));
        if (rule.sigma < kMinCaliperSigma || rule.sigma > kMaxCaliperSigma) {
            values.Fail(at("sigma"), "expected a number from 0.5 to 10");
        }
    }
    if (const auto it = object.find("minContrast"); it != object.end()) {
        rule.minContrast = Finite(values, *it, at("minContrast"));
    }
    if (const auto it = object.find("estimator"); it != object.end()) {
        rule.estimator = Named(values, *it, at("estimator"), kEstimators);
    }
    if (const auto it = object.find("level"); it != object.end()) {
        rule.level = Finite(values, *it, at("level"));
    }
    if (const auto it = object.find("levelIsFraction"); it != object.end()) {
        rule.levelIsFraction = values.Bool(*it, at("levelIsFraction"));
    }
    if (const auto it = object.find("lastCrossing"); it != object.end()) {
        rule.lastCrossing = values.Bool(*it, at("lastCrossing"));
    }
    if (const auto it = object.find("pairOrder"); it != object.end()) {
        rule.pairOrder = Named(values, *it, at("pairOrder"), kOrders);
    }
    if (const auto it = object.find("minWidth"); it != object.end()) {
        rule.minWidth = Finite(values, *it, at("minWidth"));
    }
    if (const auto it = object.find("maxWidth"); it != object.end()) {
        rule.maxWidth = Finite(values, *it, at("maxWidth"));
    }
    if (const auto it = object.find("bilinear"); it != object.end()) {
        rule.bilinear = values.Bool(*it, at("bilinear"));
    }
    if (const auto it = object.find("track"); it != object.end()) {
        rule.track = values.Int(*it, at("track"), 0, kMaxTrackHalfWidth);
    }
    if (const auto it = object.find("plainRule"); it != object.end()) {
        if (rule.kind != CaliperKind::Plain) values.Fail(at("plainRule"), "only for \"kind\": \"plain\"");
        rule.plainMode = Named(values, *it, at("plainRule"), kPlainRules);
    }
    if (rule.kind == CaliperKind::Plain && rule.bilinear) {
        values.Fail(at("bilinear"), "a plain rule reads the pixels of the line's walk, not between them");
    }
    if (!IsValidCaliperRule(rule)) {
        values.Fail(field, "not a usable rule (a contrast below 0, a fraction outside 0 to 1, or "
                           "widths not 0 <= minWidth <= maxWidth)");
    }
    return rule;
}

std::vector<std::optional<CaliperRule>> ReadLineRules(const SessionValues& values,
                                                      const Json& list, std::size_t lineCount) {
    if (!list.is_array() || list.size() != lineCount) {
        values.Fail("lineRules", "expected an array of rules or nulls, one for each scan line");
    }
    std::vector<std::optional<CaliperRule>> rules(lineCount);
    for (std::size_t n = 0; n < lineCount; ++n) {
        if (list[n].is_null()) continue;
        rules[n] = ReadRule(values, list[n], "lineRules[" + std::to_string(n) + "]");
    }
    return rules;
}

std::vector<std::optional<CaliperMeasure>> ReadMeasures(
    const SessionValues& values, const Json& list, const std::string& field,
    const std::vector<DetectionSettings>& detections, const std::vector<int>& lastSample,
    const std::vector<SessionCursor>& cursors) {
    if (!list.is_array() || list.size() != cursors.size()) {
        values.Fail(field, "expected an array of measures or nulls, one for each scan line");
    }
    std::vector<std::optional<CaliperMeasure>> measures(cursors.size());
    for (std::size_t n = 0; n < cursors.size(); ++n) {
        const Json& entry = list[n];
        if (entry.is_null()) continue;
        const std::string at = field + "[" + std::to_string(n) + "]";
        const SessionCursor& cursor = cursors[n];
        if (cursor.origin != CursorOrigin::Detected || cursor.found >= detections.size() ||
            !detections[cursor.found].caliper) {
            values.Fail(at, "a measure for a cursor not detected under a caliper rule");
        }
        if (!entry.is_object()) values.Fail(at, "expected an object or null");
        values.CheckKeys(entry, at, kMeasureKeys);
        CaliperMeasure measure;
        const auto status = entry.find("status");
        if (status == entry.end()) values.Fail(at, "no \"status\"");
        measure.status = Named(values, *status, at + ".status", kStatuses);
        const auto edge = entry.find("edge");
        if (edge == entry.end()) values.Fail(at, "no \"edge\"");
        measure.edge = ReadEdge(values, *edge, at + ".edge");
        if (const auto it = entry.find("second"); it != entry.end() && !it->is_null()) {
            measure.second = ReadEdge(values, *it, at + ".second");
        }
        if (const auto it = entry.find("width"); it != entry.end()) {
            measure.widthSamples = Finite(values, *it, at + ".width");
        }
        if (const auto it = entry.find("noise"); it != entry.end()) {
            measure.noise = Finite(values, *it, at + ".noise");
        }
        if (const auto it = entry.find("ratio"); it != entry.end()) {
            measure.ratio = Finite(values, *it, at + ".ratio");
        }
        // A found edge stands on its line, and the cursor on the sample nearest it.
        const double last = n < lastSample.size() ? lastSample[n] : 0;
        if (measure.Found()) {
            if (measure.edge.pos < 0.0 || measure.edge.pos > last) {
                values.Fail(at + ".edge.pos", "off the line (0 to " + std::to_string(lastSample[n]) +
                                                  ")");
            }
            if (std::floor(measure.edge.pos + 0.5) != cursor.pos) {
                values.Fail(at + ".edge.pos", "not at the cursor's sample " +
                                                  std::to_string(cursor.pos));
            }
        }
        measures[n] = measure;
    }
    return measures;
}

void AppendRule(std::string& out, const CaliperRule& rule) {
    out += '{';
    AppendName(out, "kind", NameOf(rule.kind, kKinds), true);
    AppendName(out, "polarity", NameOf(rule.polarity, kPolarities));
    AppendName(out, "select", NameOf(rule.select, kSelections));
    out += ", \"nth\": ";
    AppendJsonInt(out, rule.nth);
    AppendNumber(out, "sigma", rule.sigma);
    AppendNumber(out, "minContrast", rule.minContrast);
    AppendName(out, "estimator", NameOf(rule.estimator, kEstimators));
    AppendNumber(out, "level", rule.level);
    out += rule.levelIsFraction ? ", \"levelIsFraction\": true" : ", \"levelIsFraction\": false";
    out += rule.lastCrossing ? ", \"lastCrossing\": true" : ", \"lastCrossing\": false";
    AppendName(out, "pairOrder", NameOf(rule.pairOrder, kOrders));
    AppendNumber(out, "minWidth", rule.minWidth);
    AppendNumber(out, "maxWidth", rule.maxWidth);
    // Only where it is on: rules saved before it was known read as they always did.
    if (rule.bilinear) out += ", \"bilinear\": true";
    if (rule.track > 0) {
        out += ", \"track\": ";
        AppendJsonInt(out, rule.track);
    }
    if (rule.kind == CaliperKind::Plain) AppendName(out, "plainRule", NameOf(rule.plainMode, kPlainRules));
    out += '}';
}

void AppendLineRules(std::string& out, const std::vector<std::optional<CaliperRule>>& rules) {
    bool any = false;
    for (const auto& rule : rules) any = any || rule.has_value();
    if (!any) return;
    out += "  \"lineRules\": [";
    for (std::size_t n = 0; n < rules.size(); ++n) {
        if (n > 0) out += ", ";
        if (rules[n]) {
            AppendRule(out, *rules[n]);
        } else {
            out += "null";
        }
    }
    out += "],\n";
}

void AppendMeasures(std::string& out, const std::vector<std::optional<CaliperMeasure>>& measures) {
    bool any = false;
    for (const auto& measure : measures) any = any || measure.has_value();
    if (!any) return;
    out += ", \"caliper\": [";
    for (std::size_t n = 0; n < measures.size(); ++n) {
        if (n > 0) out += ", ";
        if (!measures[n]) {
            out += "null";
            continue;
        }
        const CaliperMeasure& m = *measures[n];
        out += '{';
        AppendName(out, "status", NameOf(m.status, kStatuses), true);
        out += ", \"edge\": ";
        AppendEdge(out, m.edge);
        if (m.second) {
            out += ", \"second\": ";
            AppendEdge(out, *m.second);
        }
        AppendNumber(out, "width", m.widthSamples);
        AppendNumber(out, "noise", m.noise);
        AppendNumber(out, "ratio", m.ratio);
        out += '}';
    }
    out += ']';
}
