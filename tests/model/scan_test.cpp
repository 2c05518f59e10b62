// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/scan.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Line {
    int x1, y1, x2, y2;
};

std::vector<CPoint> Positions(const Line& l) {
    CScan scan;
    scan.SetLine(l.x1, l.y1, l.x2, l.y2);
    std::vector<CPoint> out;
    for (int i = 0; i <= scan.m_nCount; ++i) {
        scan.SetPos(i);
        out.push_back(scan.m_ptCur);
    }
    return out;
}

TEST(ScanWalk, MinorAxisIsTruncatedTowardTheStart) {
    // 3 * 0.3 is just below 0.9 in doubles, so index 3 stays on the start row.
    const std::vector<int> ys = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3};
    const auto forward = Positions({0, 0, 10, 3});
    const auto backward = Positions({0, 0, -10, 3});
    ASSERT_EQ(forward.size(), ys.size());
    ASSERT_EQ(backward.size(), ys.size());
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(forward[i], (CPoint{i, ys[i]})) << i;
        EXPECT_EQ(backward[i], (CPoint{-i, ys[i]})) << i;
    }
}

TEST(ScanWalk, SetUpChoosesAxisStepAndCount) {
    struct Case {
        Line line;
        bool xMajor;
        int count;
        int step;
        CPoint last;
    };
    const Case cases[] = {
        {{0, 0, 5, 5}, true, 5, 1, {5, 5}},           // a diagonal steps along x
        {{0, 0, 5, 6}, false, 6, 1, {5, 6}},          // one more in y: y steps
        {{3, 7, 3, -2}, false, 9, -1, {3, -2}},       // vertical, upwards
        {{8, 4, -1, 4}, true, 9, -1, {-1, 4}},        // horizontal, leftwards
        {{0, 0, 2000, 0}, true, 1023, 1, {1023, 0}},  // capped: 1023 steps, never the end
        {{0, 0, 49, 1}, true, 49, 1, {49, 0}},        // 49 * (1/49) is just below 1
        {{4, 4, 4, 4}, true, 0, 1, {4, 4}},           // zero length
        {{10, 10, 4, 2}, false, 8, -1, {4, 2}},
    };
    for (const Case& c : cases) {
        CScan scan;
        scan.SetLine(c.line.x1, c.line.y1, c.line.x2, c.line.y2);
        SCOPED_TRACE(testing::Message()
                     << c.line.x1 << "," << c.line.y1 << " -> " << c.line.x2 << "," << c.line.y2);
        EXPECT_EQ(scan.m_bXMajor, c.xMajor);
        EXPECT_EQ(scan.m_nCount, c.count);
        EXPECT_EQ(scan.m_nStep, c.step);
        EXPECT_EQ(scan.m_nPos, 0);
        EXPECT_EQ(scan.m_ptCur, (CPoint{c.line.x1, c.line.y1}));
        scan.SetPos(c.count);
        EXPECT_EQ(scan.m_ptCur, c.last);
    }
}

TEST(ScanCursor, SetPosClampsAndNextPrevWrap) {
    CScan scan;
    scan.SetLine(0, 0, 10, 0);
    struct Step {
        void (*op)(CScan&);
        int expected;
    };
    const Step steps[] = {
        {[](CScan& s) { s.SetPos(-5); }, 0}, {[](CScan& s) { s.SetPos(99); }, 10},
        {[](CScan& s) { s.Next(); }, 0},     {[](CScan& s) { s.Prev(); }, 10},
        {[](CScan& s) { s.Prev(); }, 9},     {[](CScan& s) { s.Next(); }, 10},
    };
    for (const Step& step : steps) {
        step.op(scan);
        EXPECT_EQ(scan.m_nPos, step.expected);
        EXPECT_EQ(scan.m_ptCur, (CPoint{step.expected, 0}));
    }

    CScan dot;
    dot.SetLine(2, 2, 2, 2);
    dot.Next();
    EXPECT_EQ(dot.m_nPos, 0);
    dot.Prev();
    EXPECT_EQ(dot.m_nPos, 0);
}

TEST(ScanCursor, ReshapeKeepsTheIndexAndTheFlag) {
    CScan scan;
    scan.SetLine(0, 0, 20, 0);
    scan.m_bDetect = false;
    scan.SetPos(15);

    scan.ReshapeLine(0, 10, 30, 10);  // longer: the index stays, the cursor moves with the line
    EXPECT_EQ(scan.m_nPos, 15);
    EXPECT_EQ(scan.m_ptCur, (CPoint{15, 10}));
    EXPECT_FALSE(scan.m_bDetect);

    scan.ReshapeLine(0, 10, 0, 4);  // shorter than the index: the cursor goes to the new end
    EXPECT_EQ(scan.m_nPos, 6);
    EXPECT_EQ(scan.m_ptCur, (CPoint{0, 4}));
    EXPECT_FALSE(scan.m_bDetect);
}

TEST(ScanWalk, WholeLinesWalkPastTheDefaultLimit) {
    struct Case {
        int x2;
        int limit;
        int count;
        bool cut;
    };
    const Case cases[] = {
        {1023, kMaxScanSteps, 1023, false},
        {2999, kMaxScanSteps, 1023, true},
        {2999, kMaxWholeScanSteps, 2999, false},
        {2000000000, kMaxWholeScanSteps, kMaxWholeScanSteps, true},
    };
    for (const Case& c : cases) {
        CScan scan;
        scan.m_nMaxSteps = c.limit;
        scan.SetLine(0, 5, c.x2, 5);
        EXPECT_EQ(scan.m_nCount, c.count) << c.x2;
        EXPECT_EQ(scan.IsCut(), c.cut) << c.x2;
    }
    // A shorter walk takes a cursor past its end back to its last place; a longer one keeps
    // the cursor and its sub-pixel edge where they are.
    CScan scan;
    scan.m_nMaxSteps = kMaxWholeScanSteps;
    scan.SetLine(0, 5, 2999, 5);
    scan.SetEdge(700, 700.5);
    scan.SetStepLimit(kMaxScanSteps);
    EXPECT_EQ(scan.m_dSubPos, 700.5);
    scan.SetStepLimit(kMaxWholeScanSteps);
    EXPECT_EQ(scan.m_dSubPos, 700.5);
    scan.SetEdge(2500, 2500.5);
    scan.SetStepLimit(kMaxScanSteps);
    EXPECT_EQ(scan.m_nPos, 1023);
    EXPECT_EQ(scan.m_ptCur, (CPoint{1023, 5}));
    EXPECT_FALSE(scan.HasSubPos());
}

TEST(ScanWalk, ExtremeCoordinatesDoNotOverflow) {
    CScan scan;
    scan.SetLine(-2000000000, 0, 2000000000, 1);
    EXPECT_EQ(scan.m_nCount, 1023);
    EXPECT_EQ(scan.m_nStep, 1);
    EXPECT_TRUE(scan.m_bXMajor);
}

}  // namespace
