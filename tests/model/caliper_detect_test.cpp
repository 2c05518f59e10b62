// SPDX-License-Identifier: GPL-3.0-or-later
// A line's own caliper rule in detection: where the cursor goes, what it keeps, and what the
// detection records.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>

#include "model/caliper_measure.h"
#include "model/data_profile.h"
#include "model/edge_detect.h"
#include "model/synthetic_picture.h"

namespace {

// A blurred rise at 10.3 and a bright bar from 18.6 to 25.2 on a 40-pixel row.
int Scene(int x, int) {
    const auto step = [](double d) { return 0.5 * std::erfc(-d / std::sqrt(2.0)); };
    const double v = 40.0 + 100.0 * step(x - 10.3) + 90.0 * (step(x - 18.6) - step(x - 25.2));
    return static_cast<int>(std::lround(v));
}

CaliperRule Rule(CaliperKind kind, EdgePolarity polarity, EdgeSelect select) {
    CaliperRule rule;
    rule.kind = kind;
    rule.polarity = polarity;
    rule.select = select;
    rule.sigma = 1.25;
    rule.estimator = EdgeEstimator::Gaussian;
    return rule;
}

TEST(CaliperDetect, TheLinesOwnRuleFindsItsEdge) {
    struct Case {
        const char* name;
        std::optional<CaliperRule> rule;
        int cursor;                      // the cursor's sample after detection
        std::optional<double> place;     // the edge between samples, none without one
        std::optional<double> width;     // a pair's width
        CaliperStatus status;
    };
    CaliperRule pair = Rule(CaliperKind::Pair, EdgePolarity::Either, EdgeSelect::Last);
    pair.minWidth = 3.0;
    CaliperRule threshold = Rule(CaliperKind::Threshold, EdgePolarity::Rising, EdgeSelect::First);
    threshold.level = 90.0;
    threshold.levelIsFraction = false;
    CaliperRule fifth = Rule(CaliperKind::Edge, EdgePolarity::Falling, EdgeSelect::Nth);
    fifth.nth = 5;
    const Case cases[] = {
        {"the panel's rule", std::nullopt, 25, std::nullopt, std::nullopt,
         CaliperStatus::NotFound},
        // The two rises are 100 and 90 high: each is within 80 % of the other.
        {"first rising", Rule(CaliperKind::Edge, EdgePolarity::Rising, EdgeSelect::First), 10,
         10.3, std::nullopt, CaliperStatus::Ambiguous},
        {"last rising", Rule(CaliperKind::Edge, EdgePolarity::Rising, EdgeSelect::Last), 19, 18.6,
         std::nullopt, CaliperStatus::Ambiguous},
        {"falling", Rule(CaliperKind::Edge, EdgePolarity::Falling, EdgeSelect::First), 25, 25.2,
         std::nullopt, CaliperStatus::Ok},
        {"a bar's width", pair, 19, 18.6, 6.6, CaliperStatus::Ambiguous},
        {"a level", threshold, 10, 10.3, std::nullopt, CaliperStatus::Ok},
        {"nothing to find", fifth, 7,
         std::nullopt, std::nullopt, CaliperStatus::NotFound},
    };
    const Picture picture(40, 3, Scene);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDataProfile profile;
        profile.AddImage("a", "a.bmp");
        profile.GetSeries(0)->AddLine(0, 0, 1, 39, 1);
        CScan& line = *profile.GetLine(0, 0, 0);
        line.SetPos(7);
        const CaliperRule rule = c.rule.value_or(CaliperRule{});
        if (c.rule) line.m_nRule = profile.RuleNumber(rule);
        ProfileBuffer buffer;
        ASSERT_TRUE(DetectEdge(profile, 0, 0, 0, picture.View(), kChannelSum,
                               kEdgeSteepestFall, buffer));
        EXPECT_FALSE(line.m_bDetect);
        EXPECT_EQ(line.m_nPos, c.cursor);
        EXPECT_EQ(line.HasSubPos(), c.place.has_value());
        if (c.place) {
            EXPECT_NEAR(line.m_dSubPos, *c.place, 0.1);
        }
        const DetectionSettings* found = profile.FoundWith(line);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->caliper.has_value(), c.rule.has_value());
        if (!c.rule) {
            EXPECT_EQ(line.m_measure, nullptr);
            continue;
        }
        EXPECT_EQ(*found->caliper, rule);
        ASSERT_NE(line.m_measure, nullptr);
        EXPECT_EQ(line.m_measure->status, c.status);
        EXPECT_EQ(line.m_measure->second.has_value(), c.width.has_value());
        if (c.width) {
            EXPECT_NEAR(line.m_measure->widthSamples, *c.width, 0.15);
        }
        // A cursor moved any other way keeps nothing of the measure.
        line.Next();
        EXPECT_EQ(line.m_measure, nullptr);
        EXPECT_FALSE(line.HasSubPos());
    }
}

TEST(CaliperDetect, TheNearestCandidateIsMeasuredFromTheImageBefore) {
    // The rises at 10.3 (100 high, the strongest) and 18.6 (90); the line's cursor on the image
    // before decides, where it holds a measurement.
    struct Case {
        const char* name;
        int before;           // the cursor on the image before
        double subPos;        // its edge between samples, negative for none
        bool pending;         // still to detect: no measurement
        bool foundNothing;    // its rule found no edge there: no measurement
        int cursor;           // the cursor after detection
    };
    const Case cases[] = {
        {"near the second rise", 20, -1.0, false, false, 19},
        {"near the first", 8, -1.0, false, false, 10},
        {"between them, by its edge between samples", 14, 14.6, false, false, 19},
        {"still to detect: the strongest", 20, -1.0, true, false, 10},
        {"found nothing: the strongest", 20, -1.0, false, true, 10},
    };
    const Picture picture(40, 3, Scene);
    const CaliperRule rule = Rule(CaliperKind::Edge, EdgePolarity::Rising, EdgeSelect::Nearest);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDataProfile profile;
        profile.AddImage("a", "a.bmp");
        profile.GetSeries(0)->AddLine(0, 0, 1, 39, 1);
        profile.AddImage("b", "b.bmp");
        CScan& before = *profile.GetLine(0, 0, 0);
        before.m_nRule = profile.RuleNumber(rule);
        profile.GetLine(1, 0, 0)->m_nRule = before.m_nRule;
        before.SetEdge(c.before, c.subPos);
        before.m_bDetect = c.pending;
        if (c.foundNothing) before.m_measure = std::make_shared<const CaliperMeasure>();
        ProfileBuffer buffer;
        ASSERT_TRUE(DetectEdge(profile, 1, 0, 0, picture.View(), kChannelSum, kEdgeMinimum, buffer));
        EXPECT_EQ(profile.GetLine(1, 0, 0)->m_nPos, c.cursor);
    }
}

TEST(CaliperDetect, ReadBetweenPixelsASlantedLineFollowsItsOwnPath) {
    // A horizontal edge at row 10.3, crossed by a line of slope 1/2: the straight line meets it
    // 20.6 steps along, where the walk, whose rows are whole, has it half a sample later.
    const auto step = [](double d) { return 0.5 * std::erfc(-d / std::sqrt(2.0)); };
    const Picture picture(45, 25, [&](int, int y) {
        return static_cast<int>(std::lround(40.0 + 100.0 * step((y - 10.3) / 0.8)));
    });
    struct Case {
        bool bilinear;
        int width;
        double place;
        double tolerance;
    };
    const Case cases[] = {{true, 1, 20.6, 0.1}, {true, 5, 20.6, 0.1}, {false, 1, 21.15, 0.1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.bilinear ? "between pixels" : "the walk")
                                        << ", width " << c.width);
        CDataProfile profile;
        profile.AddImage("a", "a.bmp");
        profile.GetSeries(0)->AddLine(0, 0, 0, 40, 20);
        CScan& line = *profile.GetLine(0, 0, 0);
        CaliperRule rule = Rule(CaliperKind::Edge, EdgePolarity::Rising, EdgeSelect::Strongest);
        rule.bilinear = c.bilinear;
        line.m_nRule = profile.RuleNumber(rule);
        EdgeOptions options;
        options.lineWidth = c.width;
        ProfileBuffer buffer;
        ASSERT_TRUE(DetectEdge(profile, 0, 0, 0, picture.View(), kChannelSum, kEdgeMinimum, buffer,
                               options));
        ASSERT_NE(line.m_measure, nullptr);
        EXPECT_NEAR(line.m_measure->edge.pos, c.place, c.tolerance);
        if (c.bilinear) {
            EXPECT_NEAR(line.ExactPointAt(line.m_measure->edge.pos).y, 10.3, 0.05);
        }
    }
}

TEST(CaliperDetect, RulesAreNumberedOnceAndFoundWithThemIsNotTheModesSettings) {
    CDataProfile profile;
    const CaliperRule a = Rule(CaliperKind::Edge, EdgePolarity::Rising, EdgeSelect::First);
    CaliperRule b = a;
    b.sigma = 2.0;
    EXPECT_EQ(profile.RuleNumber(a), 1);
    EXPECT_EQ(profile.RuleNumber(b), 2);
    EXPECT_EQ(profile.RuleNumber(a), 1);
    ASSERT_EQ(profile.m_rules.size(), 2u);
    // Under a caliper rule the panel's mode plays no part: two modes read as one setting.
    DetectionSettings x{0, kEdgeMinimum, {}, a};
    DetectionSettings y{0, kEdgeSteepestRise, {}, a};
    EXPECT_EQ(x.Normalized(), y.Normalized());
    y.caliper = b;
    EXPECT_NE(x.Normalized(), y.Normalized());
    CScan line;
    line.m_nRule = 3;  // beyond the list
    EXPECT_EQ(profile.RuleOf(line), nullptr);
}

}  // namespace
