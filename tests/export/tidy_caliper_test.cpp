// SPDX-License-Identifier: GPL-3.0-or-later
// The tidy table's columns for lines under a caliper rule, and what every output writes for a
// line whose rule found no edge.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "export/data_file.h"
#include "export/tidy_table.h"
#include "model/caliper_measure.h"

namespace {

std::vector<std::string> Split(const std::string& text, const std::string& by) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find(by, at)) != std::string::npos; at = end + by.size()) {
        parts.push_back(text.substr(at, end - at));
    }
    parts.push_back(text.substr(at));
    return parts;
}

std::string Field(const std::vector<std::string>& header, const std::vector<std::string>& row,
                  const std::string& name) {
    for (std::size_t k = 0; k < header.size(); ++k) {
        if (header[k] == name) return k < row.size() ? row[k] : "<short row>";
    }
    return "<no column>";
}

CaliperMeasure Measured(CaliperStatus status, double pos, std::optional<double> second = {}) {
    CaliperMeasure m;
    m.status = status;
    m.edge = {pos, 40.0, 0.125, {}};
    if (second) {
        m.second = CaliperEdge{*second, -38.0, 0.25, 0.5};
        m.widthSamples = *second - pos;
    }
    m.noise = 2.0;
    m.ratio = 3.0;
    return m;
}

struct LineCase {
    const char* what;
    std::optional<CaliperRule> rule;
    std::optional<CaliperMeasure> measure;
    CursorOrigin origin;
    // Expected fields, by column name.
    std::vector<std::pair<std::string, std::string>> fields;
};

TEST(TidyCaliper, EachKindOfLineWritesWhatItMeasuredAndNothingElse) {
    CaliperRule pair;
    pair.kind = CaliperKind::Pair;
    const CaliperRule edge;
    const LineCase cases[] = {
        {"a pair found",
         pair,
         Measured(CaliperStatus::Ok, 10.5, 20.25),
         CursorOrigin::Detected,
         {{"status", "detected"}, {"x", "10"}, {"rule", "pair rise-fall strongest width=0..1e+09 sigma=1 parabola"},
          {"edge2_x", "20.25"}, {"edge2_y", "50"}, {"width_px", "9.75"}, {"sigma_px", "0.125"},
          {"contrast", "40"}, {"noise", "2"}, {"residual", ""}, {"ratio", "3"}, {"edge_status", "ok"}}},
        {"an edge that is weak, with a fit's residual",
         edge,
         [] {
             CaliperMeasure m = Measured(CaliperStatus::Weak, 3.0);
             m.edge.residual = 1.5;
             return m;
         }(),
         CursorOrigin::Detected,
         {{"status", "detected"}, {"edge2_x", ""}, {"width_px", ""}, {"width", ""},
          {"residual", "1.5"}, {"edge_status", "weak"}}},
        {"a rule that found nothing",
         edge,
         Measured(CaliperStatus::NotFound, 0.0),
         CursorOrigin::Detected,
         {{"status", "not-found"}, {"x", ""}, {"value_x", ""}, {"sigma_px", ""},
          {"contrast", ""}, {"noise", "2"}, {"edge_status", "not-found"},
          {"found_with", "edge either strongest sigma=1 parabola average width=1"}}},
        {"a followed edge lost in its window",
         [] {
             CaliperRule followed;
             followed.track = 5;
             return followed;
         }(),
         Measured(CaliperStatus::Lost, 0.0),
         CursorOrigin::Detected,
         {{"status", "lost"}, {"x", ""}, {"value_x", ""}, {"sigma_px", ""}, {"contrast", ""},
          {"noise", "2"}, {"edge_status", "lost"},
          {"rule", "edge either strongest sigma=1 parabola track=5"},
          {"found_with", "edge either strongest sigma=1 parabola track=5 average width=1"}}},
        {"a cursor put by hand on a rule's line",
         edge,
         {},
         CursorOrigin::Placed,
         {{"status", "hand-placed"}, {"x", "7"}, {"rule", "edge either strongest sigma=1 parabola"},
          {"noise", ""}, {"edge_status", ""}}},
        {"a line under the side panel's rule",
         {},
         {},
         CursorOrigin::Detected,
         {{"status", "detected"}, {"rule", ""}, {"contrast", ""}, {"edge_status", ""}}},
    };
    CDataProfile profile;
    profile.AddImage("a", "/p/a.png");
    CScanSeries& series = *profile.GetSeries(0);
    for (const LineCase& c : cases) {
        series.AddLine(0, 0, 50, 100, 50);
        CScan& line = *profile.GetArray(0, 0)->m_arLine.back();
        line.m_bDetect = false;
        if (c.rule) line.m_nRule = profile.RuleNumber(*c.rule);
        if (c.measure) {
            if (c.measure->Found()) line.SetEdge(static_cast<int>(c.measure->edge.pos), c.measure->edge.pos);
            line.m_measure = std::make_shared<const CaliperMeasure>(*c.measure);
        } else {
            line.SetPos(7);
        }
        line.m_origin = c.origin;
        if (c.origin == CursorOrigin::Detected) {
            DetectionSettings settings;
            if (c.rule) settings.caliper = *c.rule;
            const auto keep = line.m_measure;
            profile.MarkDetected(line, settings);
            line.m_measure = keep;
        }
    }
    const std::string table = *BuildTidyTable(profile, true, false);
    const std::vector<std::string> rows = Split(table, "\r\n");
    ASSERT_EQ(rows.size(), std::size(cases) + 2) << table;
    const std::vector<std::string> header = Split(rows[0], ",");
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const std::vector<std::string> row = Split(rows[k + 1], ",");
        EXPECT_EQ(row.size(), header.size()) << cases[k].what;
        for (const auto& [name, want] : cases[k].fields) {
            EXPECT_EQ(Field(header, row, name), want) << cases[k].what << ": " << name;
        }
        // A line that found nothing keeps its image from having a length.
        EXPECT_EQ(Field(header, row, "length"), "") << cases[k].what;
    }
    // The pair's width in axis units: 9.75 pixels along x, where 100 pixels make 1.
    const std::vector<std::string> first = Split(rows[1], ",");
    EXPECT_NEAR(std::strtod(Field(header, first, "width").c_str(), nullptr), 0.0975, 1e-15);
    // The data file has no number for an image where a line found nothing.
    const std::string data = *BuildDataFile(profile, false, false);
    EXPECT_NE(data.find("No Data"), std::string::npos) << data;
}

TEST(TidyCaliper, RuleWordsOfAnyLengthFitTheirRow) {
    // Rules spelt with the longest numbers, on many rows: the row buffer must hold them all.
    CDataProfile profile;
    profile.AddImage("a", "/p/0.png");
    for (int n = 0; n < 30; ++n) profile.GetSeries(0)->AddLine(0, 0, n, 80, n);
    // Later images take the first one's lines.
    for (int i = 1; i < 40; ++i) profile.AddImage("a", "/p/" + std::to_string(i) + ".png");
    for (int i = 0; i < 40; ++i) {
        for (int n = 0; n < 30; ++n) {
            CaliperRule rule;
            rule.kind = CaliperKind::Pair;
            rule.select = EdgeSelect::Nth;
            rule.nth = 2147483647;
            rule.minWidth = 1.2345678901234567e-300 * (n + 1);
            rule.maxWidth = 9.8765432109876543e+300;
            rule.minContrast = 2.2250738585072014e-308;
            rule.sigma = 1.2345678901234567;
            CScan& line = *profile.GetLine(i, 0, n);
            line.m_bDetect = false;
            line.m_nRule = profile.RuleNumber(rule);
            DetectionSettings settings;
            settings.caliper = rule;
            settings.edge = {true, 51, kSmoothGaussian, 51, true};
            profile.MarkDetected(line, settings);
            line.m_measure = std::make_shared<const CaliperMeasure>(
                Measured(CaliperStatus::Ambiguous, 1.0000000000000002, 2.2250738585072014e-308));
        }
    }
    const std::string table = *BuildTidyTable(profile, true, true, WithSubPixel({}, true));
    const std::vector<std::string> rows = Split(table, "\r\n");
    ASSERT_EQ(rows.size(), 40u * 30u + 2u);
    EXPECT_NE(rows[1].find("nth=2147483647"), std::string::npos);
    EXPECT_EQ(rows[1200].substr(rows[1200].size() - 9), "ambiguous") << rows[0] << "\n" << rows[1200];
}

}  // namespace
