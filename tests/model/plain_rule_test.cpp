// SPDX-License-Identifier: GPL-3.0-or-later
// A line under one of the four plain rules as its own: over the whole line it finds the side
// panel's edge bit for bit, and within a search window the rule's own choice among the window's
// samples, or nothing.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/caliper_measure.h"
#include "model/edge_detect.h"
#include "model/plain_rule.h"
#include "model/synthetic_picture.h"

namespace {

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Rows 0 to 10 of a picture 120 wide, the line along row 5: wide lines average the rows around.
int Noisy(int x, int y) { return (x * 37 + y * 11 + (x * x) % 23) % 200 + 20; }
int Ties(int x, int) { return x < 30 ? 90 : (x < 60 ? 30 : (x < 90 ? 90 : 30)); }
int Flat(int, int) { return 77; }
int Ramp(int x, int y) { return 2 * x + y; }

TEST(PlainRule, TheWholeLineFindsTheSidePanelsEdgeBitForBit) {
    const struct {
        const char* name;
        int (*scene)(int, int);
    } scenes[] = {{"noise", Noisy}, {"equal extremes", Ties}, {"flat", Flat}, {"ramp", Ramp}};
    const EdgeOptions options[] = {
        {},
        {true, 1, kSmoothNone, 3, false},
        {false, 3, kSmoothNone, 3, false},
        {true, 5, kSmoothMean, 5, false},
        {true, 1, kSmoothGaussian, 7, false},
        {false, 3, kSmoothGaussian, 9, false},
    };
    for (const auto& scene : scenes) {
        const Picture picture(120, 11, [&](int x, int y) { return scene.scene(x, y); });
        for (const EdgeOptions& o : options) {
            for (int mode = 0; mode < 4; ++mode) {
                SCOPED_TRACE(testing::Message() << scene.name << " mode " << mode << " width "
                                                << o.lineWidth << " smoothing " << o.smoothing
                                                << " sub-pixel " << o.subPixel);
                CScanArray set;
                set.AddLine(2, 5, 117, 5);
                CScan& line = *set.m_arLine[0];
                ProfileBuffer buffer;
                SampleScan(picture.View(), line, buffer, o.lineWidth);
                const EdgeResult want = FindEdge(buffer, line.m_nCount, 0, mode, o);
                CaliperRule rule;
                rule.kind = CaliperKind::Plain;
                rule.plainMode = mode;
                MeasurePlainRule(buffer, line, 0, o, rule, std::nullopt);
                EXPECT_EQ(line.m_nPos, want.index);
                EXPECT_EQ(Bits(line.m_dSubPos), Bits(want.subPos));
                EXPECT_EQ(line.m_measure, nullptr);
                // Kept for later and measured then, the same again.
                CScan later = line;
                later.SetPos(0);
                MeasurePlainRule(KeepPlainSamples(buffer, line, 0, o), later, o, rule, std::nullopt);
                EXPECT_EQ(later.m_nPos, want.index);
                EXPECT_EQ(Bits(later.m_dSubPos), Bits(want.subPos));
                // A window over the whole line chooses alike wherever the line has an edge.
                ExactProfile profile;
                profile.Build(buffer, line.m_nCount, 0, o);
                const std::optional<EdgeResult> spanned = FindPlainEdge(
                    profile, mode, o.subPixel, TrackWindow{line.m_nCount / 2.0, 1.0 * line.m_nCount});
                if (scene.scene != Flat && !(scene.scene == Ramp && mode == kEdgeSteepestFall)) {
                    ASSERT_TRUE(spanned);
                    EXPECT_EQ(spanned->index, want.index);
                    EXPECT_EQ(Bits(spanned->subPos), Bits(want.subPos));
                } else {
                    EXPECT_FALSE(spanned) << "nothing to find";
                }
            }
        }
    }
}

TEST(PlainRule, AWindowSearchesItsOwnSamplesAlone) {
    // Samples 0 to 15.
    const std::vector<int> v = {50, 50, 10, 50, 50, 40, 40, 70, 70, 20, 20, 90, 95, 95, 95, 95};
    const struct {
        const char* name;
        int mode;
        TrackWindow window;
        int edge;  // -1: lost
    } cases[] = {
        {"the window's minimum, not the line's", kEdgeMinimum, {6, 2}, 5},
        {"equal extremes: the first", kEdgeMaximum, {8, 1}, 7},
        {"both ends included", kEdgeMaximum, {9, 2}, 11},
        {"a fractional centre", kEdgeMinimum, {10.5, 1.5}, 9},
        {"equal samples are no edge", kEdgeMaximum, {13.5, 1.5}, -1},
        {"nor is one sample", kEdgeMinimum, {2, 0.5}, -1},
        {"clipped to the line", kEdgeMaximum, {16, 6}, 12},
        {"off the line", kEdgeMinimum, {-5, 4}, -1},
        {"a rise is the sample before it", kEdgeSteepestRise, {7.5, 2}, 6},
        {"a step half outside does not count", kEdgeSteepestRise, {13, 2}, 11},
        {"the steepest fall in the window", kEdgeSteepestFall, {8, 2}, 8},
        {"no step of the rule's sign", kEdgeSteepestFall, {12, 1}, -1},
        {"a window with no step", kEdgeSteepestRise, {14, 1}, -1},
    };
    std::vector<std::int64_t> sums(v.begin(), v.end());
    std::vector<int> pixels(v.size(), 1);
    ExactProfile profile;
    profile.Build(sums.data(), pixels.data(), static_cast<int>(v.size()) - 1, kSmoothNone, 3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<EdgeResult> edge = FindPlainEdge(profile, c.mode, false, c.window);
        EXPECT_EQ(edge ? edge->index : -1, c.edge);
        // On a line: the cursor goes there, or stays with the search lost.
        CScanArray set;
        set.AddLine(0, 0, 15, 0);
        CScan& line = *set.m_arLine[0];
        line.SetPos(3);
        PlacePlainEdge(line, edge);
        EXPECT_EQ(line.m_nPos, c.edge >= 0 ? c.edge : 3);
        EXPECT_EQ(line.m_measure != nullptr && line.m_measure->status == CaliperStatus::Lost,
                  c.edge < 0);
    }
}

}  // namespace
