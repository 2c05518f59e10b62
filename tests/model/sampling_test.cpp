// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/sampling.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/edge_detect.h"

namespace {

// A picture in memory: 32-bit words 0xffRRGGBB, the layout sampling reads.
struct Picture {
    int width, height;
    std::vector<std::uint32_t> words;

    Picture(int w, int h, std::uint32_t fill = 0xFF000000u)
        : width(w), height(h), words(static_cast<std::size_t>(w) * h, fill) {}
    void Set(int x, int y, int r, int g, int b) {
        words[static_cast<std::size_t>(y) * width + x] =
            0xFF000000u | static_cast<std::uint32_t>(r << 16 | g << 8 | b);
    }
    PixelView View() const {
        return {reinterpret_cast<const std::uint8_t*>(words.data()), width, height,
                static_cast<std::ptrdiff_t>(width) * 4};
    }
};

ProfileBuffer FromValues(const std::vector<int>& values) {
    ProfileBuffer buffer;
    for (std::size_t i = 0; i < values.size(); ++i) {
        buffer.m_nRed[i] = buffer.m_nGreen[i] = buffer.m_nBlue[i] = values[i];
    }
    return buffer;
}

TEST(Sampling, PixelViewGivesColourRefOrInvalid) {
    Picture pic(3, 2);
    pic.Set(1, 1, 0x12, 0x34, 0x56);
    EXPECT_EQ(pic.View().GetPixel(1, 1), 0x00563412u);
    for (CPoint p : {CPoint{-1, 0}, CPoint{3, 0}, CPoint{0, 2}, CPoint{0, -1}}) {
        EXPECT_EQ(pic.View().GetPixel(p.x, p.y), CLR_INVALID);
    }
    EXPECT_EQ(PixelView{}.GetPixel(0, 0), CLR_INVALID);
}

TEST(Sampling, ReadsTheWalkAndWhiteOutsideThePicture) {
    Picture pic(8, 8);
    for (int x = 0; x < 8; ++x) pic.Set(x, 3, 10 * x, 100, 200);
    ProfileBuffer buffer;
    SampleLine(pic.View(), 2, 3, 11, 3, buffer);  // runs off the right border
    EXPECT_EQ(buffer.m_nLastSample, 9);
    for (int i = 0; i <= 9; ++i) {
        const int x = 2 + i;
        EXPECT_EQ(buffer.m_nRed[i], x < 8 ? 10 * x : 255) << i;
        EXPECT_EQ(buffer.m_nGreen[i], x < 8 ? 100 : 255) << i;
        EXPECT_EQ(buffer.m_nBlue[i], x < 8 ? 200 : 255) << i;
    }
}

TEST(Sampling, LongLinesAreCutAndShortOnesLeaveTheRest) {
    Picture pic(1600, 4, 0xFF808080u);
    ProfileBuffer buffer;
    SampleLine(pic.View(), 0, 1, 1499, 1, buffer);
    EXPECT_EQ(buffer.m_nLastSample, 1023);
    buffer.m_nRed[300] = 7;
    SampleLine(pic.View(), 0, 0, 10, 0, buffer);
    EXPECT_EQ(buffer.m_nLastSample, 10);
    EXPECT_EQ(buffer.m_nRed[300], 7);

    ProfileBuffer untouched;
    SampleLine(PixelView{}, 0, 0, 10, 0, untouched);  // no picture: nothing happens
    EXPECT_EQ(untouched.m_nLastSample, -1);
}

TEST(Sampling, BrightnessByChannel) {
    ProfileBuffer buffer;
    buffer.m_nRed[0] = 1, buffer.m_nGreen[0] = 1, buffer.m_nBlue[0] = 0;
    buffer.m_nRed[1] = buffer.m_nGreen[1] = buffer.m_nBlue[1] = 255;
    buffer.m_nRed[2] = 10, buffer.m_nGreen[2] = 20, buffer.m_nBlue[2] = 30;
    EXPECT_EQ(GetBrightness(buffer, 0, kChannelSum), 0);
    EXPECT_EQ(GetBrightness(buffer, 1, kChannelSum), 255);
    EXPECT_EQ(GetBrightness(buffer, 2, kChannelRed), 10);
    EXPECT_EQ(GetBrightness(buffer, 2, kChannelGreen), 20);
    EXPECT_EQ(GetBrightness(buffer, 2, kChannelBlue), 30);
    EXPECT_EQ(GetBrightness(buffer, 2, 9), 30);
    EXPECT_EQ(GetBrightness(buffer, 1024, kChannelSum), 0);
    EXPECT_EQ(GetBrightness(buffer, -1, kChannelSum), 0);
}

TEST(EdgeRules, StrictComparisonsAndLowestIndex) {
    struct Case {
        std::vector<int> values;
        int mode;
        int expected;
    };
    const Case cases[] = {
        {{200, 100, 100, 150}, kEdgeMinimum, 1},
        {{255, 255, 255}, kEdgeMinimum, 0},
        {{0, 0, 0}, kEdgeMaximum, 0},
        {{3, 9, 9, 2}, kEdgeMaximum, 1},
        {{10, 10, 10}, kEdgeSteepestFall, 0},
        {{10, 10, 10}, kEdgeSteepestRise, 0},
        {{100, 40, 100, 30}, kEdgeSteepestFall, 2},
        {{100, 40, 100, 30}, kEdgeSteepestRise, 1},
        {{100, 40, 100, 30}, 7, 1},  // any other rule is the steepest rise
        {{5, 5, 5, 5, 4}, kEdgeSteepestFall, 3},
    };
    for (const Case& c : cases) {
        const ProfileBuffer buffer = FromValues(c.values);
        const int count = static_cast<int>(c.values.size()) - 1;
        EXPECT_EQ(FindEdge(buffer, count, kChannelSum, c.mode), c.expected)
            << "mode " << c.mode << " case of " << c.values.size();
    }
}

TEST(EdgeDetection, DetectsOnlyPendingLinesAndClearsTheirFlag) {
    Picture pic(100, 10, 0xFFC8C8C8u);  // grey 200
    pic.Set(37, 5, 0, 0, 0);            // one dark pixel on row 5
    CDataProfile profile;
    profile.AddImage("a", "a");
    CScanSeries* series = profile.GetSeries(0);
    series->AddLine(0, 10, 5, 90, 5);
    series->AddLine(0, 10, 5, 90, 5);
    series->AddLine(0, 90, 5, 10, 5);  // drawn the other way: index counts from its own start
    series->GetLine(0, 1)->m_bDetect = false;

    ProfileBuffer buffer;
    EXPECT_EQ(DetectPending(profile, 0, 0, PixelView{}, kChannelSum, kEdgeMinimum, buffer), 0);
    EXPECT_TRUE(series->GetLine(0, 0)->m_bDetect);

    EXPECT_EQ(DetectPending(profile, 0, 0, pic.View(), kChannelSum, kEdgeMinimum, buffer), 2);
    EXPECT_EQ(series->GetLine(0, 0)->m_nPos, 27);
    EXPECT_EQ(series->GetLine(0, 0)->m_ptCur, (CPoint{37, 5}));
    EXPECT_FALSE(series->GetLine(0, 0)->m_bDetect);
    EXPECT_EQ(series->GetLine(0, 1)->m_nPos, 0);  // was not pending
    EXPECT_EQ(series->GetLine(0, 2)->m_ptCur, (CPoint{37, 5}));
    EXPECT_EQ(buffer.m_nLastSample, 80);

    // Detected lines stay where they are until someone asks again.
    series->GetLine(0, 0)->SetPos(3);
    EXPECT_FALSE(DetectEdge(profile, 0, 0, 0, pic.View(), kChannelSum, kEdgeMinimum, buffer));
    EXPECT_EQ(series->GetLine(0, 0)->m_nPos, 3);
    EXPECT_FALSE(DetectEdge(profile, 0, 0, 9, pic.View(), kChannelSum, kEdgeMinimum, buffer));
    EXPECT_FALSE(DetectEdge(profile, 1, 0, 0, pic.View(), kChannelSum, kEdgeMinimum, buffer));
}

}  // namespace
