// SPDX-License-Identifier: GPL-3.0-or-later
// Following an edge from image to image: where the window stands after the images before, and
// what a followed line finds on a series where a stronger edge comes near and the edge is
// hidden for one image.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "model/caliper_measure.h"
#include "model/data_profile.h"
#include "model/edge_detect.h"
#include "model/synthetic_picture.h"
#include "model/tracking.h"

namespace {

// One line of 101 samples (0 to 100) on `images` records, under a rule that follows with
// half-width 4: the caliper's edge rule, or with `plain` that plain rule.
CDataProfile Records(int images, int track = 4, std::optional<int> plain = {}) {
    CDataProfile profile;
    for (int k = 0; k < images; ++k) profile.AddImage("", "p" + std::to_string(k));
    CaliperRule rule;
    rule.track = track;
    if (plain) rule.kind = CaliperKind::Plain, rule.plainMode = *plain;
    const std::uint16_t number = profile.RuleNumber(rule);
    for (int k = 0; k < images; ++k) {
        profile.GetSeries(k)->AddLine(0, 0, 0, 100, 0);
        profile.GetLine(k, 0, 0)->m_nRule = number;
    }
    return profile;
}

// What an image before holds: an edge at a place, a lost search, or nothing detected yet.
struct Held {
    enum Kind { Edge, Lost, Pending } kind;
    double place = 0.0;
};

void Hold(CDataProfile& profile, int k, const Held& held) {
    CScan& line = *profile.GetLine(k, 0, 0);
    if (held.kind == Held::Pending) return;
    line.m_bDetect = false;
    CaliperResult result;
    result.status = held.kind == Held::Lost ? CaliperStatus::Lost : CaliperStatus::Ok;
    result.edge.pos = held.place;
    PlaceCaliperEdge(line, result);
}

TEST(Tracking, TheWindowFollowsTheImagesBefore) {
    struct Case {
        const char* name;
        std::vector<Held> before;  // images 0 .. k-1; the window is image k's
        std::optional<TrackWindow> window;
    };
    const Held lost{Held::Lost};
    const Held pending{Held::Pending};
    const Case cases[] = {
        {"the first image searches the whole line", {}, std::nullopt},
        {"one edge before: at it", {{Held::Edge, 30.5}}, TrackWindow{30.5, 4}},
        {"two in a row: constant velocity", {{Held::Edge, 30}, {Held::Edge, 33.25}},
         TrackWindow{36.5, 4}},
        {"only the last two count", {{Held::Edge, 2}, {Held::Edge, 30}, {Held::Edge, 33}},
         TrackWindow{36, 4}},
        {"a miss doubles the window, the prediction steps on",
         {{Held::Edge, 30}, {Held::Edge, 33}, lost}, TrackWindow{39, 8}},
        {"a miss between the two spreads the velocity over the gap",
         {{Held::Edge, 30}, lost, {Held::Edge, 36}}, TrackWindow{39, 4}},
        {"two misses quadruple it", {{Held::Edge, 50}, lost, lost}, TrackWindow{50, 16}},
        // 4 * 2^5 = 128 reaches the 101 samples: the search starts afresh.
        {"afresh once the window spans the line", {{Held::Edge, 50}, lost, lost, lost, lost, lost},
         std::nullopt},
        {"an image still to detect ends the walk", {{Held::Edge, 10}, pending, {Held::Edge, 40}},
         TrackWindow{40, 4}},
        {"nothing found yet but misses", {lost, lost}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int k = static_cast<int>(c.before.size());
        CDataProfile profile = Records(k + 1);
        for (int j = 0; j < k; ++j) Hold(profile, j, c.before[static_cast<std::size_t>(j)]);
        EXPECT_EQ(TrackingWindow(profile, k, 0, 0), c.window);
    }
    // A line without the option has no window, whatever stands before it.
    CDataProfile plain = Records(2, 0);
    Hold(plain, 0, {Held::Edge, 30});
    EXPECT_EQ(TrackingWindow(plain, 1, 0, 0), std::nullopt);
}

// A weak rise moving 3 samples an image, from 20; from image 2 a rise twice as strong stands
// 15 samples after it, and on image 5 the weak rise is hidden.
struct Frame {
    int weak;             // the weak rise's column, or -1 where hidden
    std::optional<int> strong;
};
Frame FrameOf(int k) {
    return {k == 5 ? -1 : 20 + 3 * k, k >= 2 ? std::optional<int>(35 + 3 * k) : std::nullopt};
}
int Scene(const Frame& f, int x) {
    int v = 40;
    if (f.weak >= 0 && x >= f.weak) v += 40;
    if (f.strong && x >= *f.strong) v += 100;
    return v;
}

TEST(Tracking, AFollowedLineKeepsToItsEdgeAndFindsItAgain) {
    constexpr int kImages = 8;
    CDataProfile followed = Records(kImages, 5);
    CDataProfile strongest = Records(kImages, 0);
    CDataProfile plain = Records(kImages, 5, kEdgeSteepestRise);
    CDataProfile steepest = Records(kImages, 0, kEdgeSteepestRise);
    for (int k = 0; k < kImages; ++k) {
        const Frame f = FrameOf(k);
        const Picture picture(110, 1, [&](int x, int) { return Scene(f, x); });
        ProfileBuffer buffer;
        for (CDataProfile* records : {&followed, &strongest, &plain, &steepest}) {
            ASSERT_EQ(DetectPending(*records, k, 0, picture.View(), 0, 0, buffer), 1);
        }
    }
    struct Expect {
        CaliperStatus status;  // of the followed line
        int cursor;            // its cursor on the weak rise (-1: none to check)
        int strongest;         // the strongest rule's cursor
        int plain;             // the followed steepest rise's cursor, -1 for lost
        int steepest;          // the steepest rise's over the whole line
    };
    // A rise from column w - 1 to column w puts the cursor on w, and the steepest rise's on
    // w - 1. Within the window the weak rise is alone: no other candidate makes it ambiguous.
    const Expect expected[kImages] = {
        {CaliperStatus::Ok, 20, 20, 19, 19}, {CaliperStatus::Ok, 23, 23, 22, 22},
        {CaliperStatus::Ok, 26, 41, 25, 40}, {CaliperStatus::Ok, 29, 44, 28, 43},
        {CaliperStatus::Ok, 32, 47, 31, 46},
        // The plain rule finds no rise in 34 +- 5: the window holds only the weak rise's level.
        {CaliperStatus::Lost, -1, 50, -1, 49},
        // Searched within +-10 of 32 + 3 * 2 = 38 (31 + 3 * 2 = 37), where the strong rise at 53
        // is not.
        {CaliperStatus::Ok, 38, 53, 37, 52}, {CaliperStatus::Ok, 41, 56, 40, 55},
    };
    for (int k = 0; k < kImages; ++k) {
        SCOPED_TRACE(testing::Message() << "image " << k);
        const CScan& line = *followed.GetLine(k, 0, 0);
        ASSERT_NE(line.m_measure, nullptr);
        EXPECT_EQ(line.m_measure->status, expected[k].status);
        if (expected[k].cursor >= 0) {
            EXPECT_EQ(line.m_nPos, expected[k].cursor);
        }
        EXPECT_EQ(strongest.GetLine(k, 0, 0)->m_nPos, expected[k].strongest);
        // The plain rule keeps a measure only where it lost its edge.
        const CScan& followedPlain = *plain.GetLine(k, 0, 0);
        EXPECT_EQ(followedPlain.m_measure != nullptr, expected[k].plain < 0);
        if (expected[k].plain >= 0) {
            EXPECT_EQ(followedPlain.m_nPos, expected[k].plain);
        } else {
            ASSERT_NE(followedPlain.m_measure, nullptr);
            EXPECT_EQ(followedPlain.m_measure->status, CaliperStatus::Lost);
        }
        EXPECT_EQ(steepest.GetLine(k, 0, 0)->m_nPos, expected[k].steepest);
    }
}

}  // namespace
