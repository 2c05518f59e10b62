// SPDX-License-Identifier: GPL-3.0-or-later
// The finer detection options: the band across the line, the smoothing and the sub-pixel edge.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/band_sampling.h"
#include "model/edge_detect.h"
#include "model/profile_filter.h"
#include "model/synthetic_picture.h"

namespace {

constexpr double kEdgeAt = 10.3;

int Rise(int x, int) { return static_cast<int>(std::lround(25.5 + 204.0 / (1.0 + std::exp(-(x - kEdgeAt))))); }
int Fall(int x, int y) { return 255 - Rise(x, y); }
int Dip(int x, int) {
    return static_cast<int>(std::lround(230.0 - 180.0 * std::exp(-(x - kEdgeAt) * (x - kEdgeAt) / 8.0)));
}
int Peak(int x, int y) { return 255 - Dip(x, y); }

EdgeOptions With(bool sub, int width, int smoothing = kSmoothNone, int smoothWidth = 3) {
    return {sub, width, smoothing, smoothWidth};
}

TEST(EdgeOptions, SubPixelFindsAnEdgeBetweenPixels) {
    struct Case {
        int (*value)(int, int);
        int mode;
        EdgeOptions options;
        PixelFormat format;
        int index;  // the cursor: the plain rule's; for the slope rules the step 10.3 lies in
    };
    const Case cases[] = {
        {Dip, kEdgeMinimum, With(true, 1), PixelFormat::Rgb32, 10},
        {Peak, kEdgeMaximum, With(true, 1), PixelFormat::Rgb32, 10},
        {Fall, kEdgeSteepestFall, With(true, 1), PixelFormat::Rgb32, 10},
        {Rise, kEdgeSteepestRise, With(true, 1), PixelFormat::Rgb32, 10},
        // Deeper samples, a wide band and a symmetric smoothing move nothing.
        {Dip, kEdgeMinimum, With(true, 1), PixelFormat::Grey16, 10},
        {Rise, kEdgeSteepestRise, With(true, 5), PixelFormat::Grey16, 10},
        {Fall, kEdgeSteepestFall, With(true, 5, kSmoothGaussian, 3), PixelFormat::Rgb32, 10},
        {Peak, kEdgeMaximum, With(true, 3, kSmoothMean, 3), PixelFormat::Rgb32, 10},
    };
    for (const Case& c : cases) {
        const Picture picture(32, 9, c.value, c.format);
        ProfileBuffer buffer;
        SampleLine(picture.View(), 0, 4, 31, 4, buffer, c.options.lineWidth);
        const EdgeResult edge = FindEdge(buffer, 31, kChannelSum, c.mode, c.options);
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " width " << c.options.lineWidth);
        EXPECT_EQ(edge.index, c.index);
        EXPECT_NEAR(edge.subPos, kEdgeAt, 0.05);
        // The slope rules' index is the sample before the step: the whole part of the position.
        if (c.mode >= kEdgeSteepestFall) {
            EXPECT_EQ(static_cast<int>(edge.subPos), edge.index);
        }
    }
}

// An exact profile of whole values, one pixel each.
ExactProfile Exact(const std::vector<std::int64_t>& values, int smoothing = kSmoothNone,
                   int width = 3) {
    ExactProfile profile;
    const std::vector<int> ones(values.size(), 1);
    profile.Build(values.data(), ones.data(), static_cast<int>(values.size()) - 1, smoothing, width);
    return profile;
}

TEST(EdgeOptions, SubPixelStaysOnTheIndexWhereANeighbourIsMissing) {
    struct Case {
        std::vector<std::int64_t> values;
        int mode;
        double position;
    };
    const Case cases[] = {
        {{1, 5, 6, 7}, kEdgeMinimum, 0.0},        // extreme at the start
        {{1, 5, 6, 7}, kEdgeMaximum, 3.0},        // at the end
        {{0, 9, 9, 9, 9}, kEdgeSteepestRise, 0.0},  // the first step
        {{9, 9, 9, 9, 0}, kEdgeSteepestFall, 3.0},  // the last step
        {{4, 4, 4, 4}, kEdgeSteepestFall, 0.0},   // no step at all
        {{4, 4, 4, 4}, kEdgeMinimum, 0.0},
        {{0, 0, 9, 9, 9}, kEdgeSteepestRise, 1.5},  // a sharp step sits between its samples
        {{5, 2, 2, 5}, kEdgeMinimum, 1.5},        // a flat bottom two wide: its middle
    };
    for (const Case& c : cases) {
        const ExactProfile profile = Exact(c.values);
        const int index = FindEdgeIn(profile, c.mode);
        EXPECT_DOUBLE_EQ(RefineEdge(profile, c.mode, index), c.position)
            << "mode " << c.mode << " first " << c.values[0];
    }
}

TEST(EdgeOptions, SmoothingDefeatsNoiseThatFoolsThePlainMinimum) {
    // A broad dip at 40, and one dark speck at 12 deeper than the dip.
    const Picture picture(64, 3, [](int x, int) {
        if (x == 12) return 20;
        return 200 - static_cast<int>(std::lround(120.0 * std::exp(-(x - 40) * (x - 40) / 50.0)));
    });
    struct Case {
        EdgeOptions options;
        int index;
    };
    const Case cases[] = {
        {With(false, 1), 12},
        {With(false, 1, kSmoothMean, 9), 40},
        {With(false, 1, kSmoothGaussian, 7), 40},
        {With(true, 1, kSmoothGaussian, 7), 40},
    };
    for (const Case& c : cases) {
        ProfileBuffer buffer;
        SampleLine(picture.View(), 0, 1, 63, 1, buffer, c.options.lineWidth);
        EXPECT_EQ(FindEdge(buffer, 63, kChannelSum, kEdgeMinimum, c.options).index, c.index)
            << "smoothing " << c.options.smoothing;
    }
}

TEST(EdgeOptions, SmoothingKeepsLinesAndEndsAndConstantsExactly) {
    std::vector<std::int64_t> line(40), constant(40, 15);
    for (int i = 0; i < 40; ++i) line[static_cast<std::size_t>(i)] = 3 * i - 11;
    const std::vector<int> twos(40, 2);  // 15 over two pixels: 7.5
    for (const int kind : {kSmoothMean, kSmoothGaussian}) {
        for (const int width : {3, 9, 51}) {
            const ExactProfile smoothed = Exact(line, kind, width);
            ExactProfile flat;
            flat.Build(constant.data(), twos.data(), 39, kind, width);
            for (int i = 0; i < 40; ++i) {
                EXPECT_EQ(smoothed.Value(i), 3.0 * i - 11.0) << kind << " " << width << " at " << i;
                EXPECT_EQ(flat.Value(i), 7.5);
                if (i > 0) {
                    EXPECT_EQ(flat.Compare(i, 0), 0);
                }
            }
        }
    }
}

TEST(EdgeOptions, EqualSmoothedValuesTieToTheFirstSample) {
    // Flat and saturated stretches: the smoothed samples are equal, so the first must win, and a
    // flat line has no step. Computed in rounded sums they came out a hair apart.
    const Picture white(10, 10, [](int, int) { return 255; });
    const Picture grey(40, 20, [](int, int) { return 30; });
    const Picture column(1, 3, [](int, int y) { return y == 0 ? 198 : y == 1 ? 241 : 63; });
    const Picture wide(420, 3, [](int, int) { return 255; });
    struct Case {
        const Picture* picture;
        PixelFormat format;
        CPoint start, end;
        int mode;
        EdgeOptions options;
        int index;
    };
    const Case cases[] = {
        {&white, PixelFormat::Rgb32, {2, 5}, {4, 5}, kEdgeMaximum, With(false, 1, kSmoothGaussian, 5), 0},
        // Off the picture the samples read white: the smoothed maximum starts where the whole
        // kernel (reach 9 at width 7) lies off it.
        {&grey, PixelFormat::Rgb32, {30, 10}, {200, 10}, kEdgeMaximum, With(false, 1, kSmoothGaussian, 7), 19},
        {&grey, PixelFormat::Grey16, {30, 10}, {200, 10}, kEdgeMaximum, With(false, 1, kSmoothGaussian, 7), 19},
        {&grey, PixelFormat::Rgb32, {30, 10}, {200, 10}, kEdgeMaximum, With(false, 1, kSmoothMean, 9), 14},
        {&column, PixelFormat::Rgb32, {0, 1}, {5, 1}, kEdgeMaximum, With(false, 3, kSmoothMean, 3), 2},
        {&wide, PixelFormat::Rgb32, {0, 1}, {399, 1}, kEdgeSteepestFall, With(false, 1, kSmoothGaussian, 9), 0},
        {&wide, PixelFormat::Rgb32, {0, 1}, {399, 1}, kEdgeSteepestRise, With(false, 3, kSmoothMean, 51), 0},
        {&wide, PixelFormat::Grey16, {0, 1}, {399, 1}, kEdgeSteepestFall, With(true, 1, kSmoothGaussian, 51), 0},
    };
    for (const Case& c : cases) {
        Picture picture = *c.picture;
        picture.format = c.format;
        ProfileBuffer buffer;
        SampleLine(picture.View(), c.start.x, c.start.y, c.end.x, c.end.y, buffer, c.options.lineWidth);
        const EdgeResult edge = FindEdge(buffer, buffer.m_nLastSample, kChannelSum, c.mode, c.options);
        EXPECT_EQ(edge.index, c.index) << "from x " << c.start.x << " to " << c.end.x << " mode "
                                       << c.mode << " smoothing " << c.options.smoothing;
        if (c.options.subPixel) {
            EXPECT_EQ(edge.subPos, c.index);
        }
    }
}

TEST(EdgeOptions, ABandOfEqualPixelsReadsAsOneOfThem) {
    // (10, 10, 11) reads 10 under the average channel, pixel by pixel and so as a band.
    const PixelView view = [] {
        static const std::vector<std::uint32_t> words(16 * 9, 0xFF0A0A0Bu);
        return PixelView{reinterpret_cast<const std::uint8_t*>(words.data()), 16, 9, 64};
    }();
    for (const int width : {1, 3, 7}) {
        ProfileBuffer buffer;
        SampleLine(view, 0, 4, 15, 4, buffer, width);
        for (int i = 0; i <= 15; ++i) {
            EXPECT_EQ(GetSampleValue(buffer, i, kChannelSum), 10.0) << "width " << width;
            EXPECT_EQ(GetBrightness(buffer, i, kChannelSum), 10);
        }
        // On the flat band the minimum is the first sample, as at width 1.
        EXPECT_EQ(FindEdge(buffer, 15, kChannelSum, kEdgeMinimum, With(true, width)).subPos, 0.0);
    }
}

TEST(EdgeOptions, GaussianWeightsAreTheSameForAnyExp) {
    // The weights a reader of the documentation computes: none lies near a rounding boundary, so
    // a less exact exp cannot move one.
    EXPECT_EQ(GaussianWeights(5),
              (std::vector<std::int64_t>{65536, 58656, 42055, 24154, 11113, 4096, 1209, 286}));
    for (int width = kMinSmoothWidth; width <= kMaxSmoothWidth; width += 2) {
        const long double sigma = width / (2.0L * std::sqrt(2.0L * std::log(2.0L)));
        EXPECT_GT(std::fabs(3.0L * sigma - std::round(3.0L * sigma)), 0.01L);
        const auto& weights = GaussianWeights(width);
        ASSERT_EQ(weights.size(), static_cast<std::size_t>(std::ceil(3.0L * sigma)) + 1);
        for (std::size_t k = 0; k < weights.size(); ++k) {
            const long double exact = 65536.0L * std::exp(-0.5L * (k / sigma) * (k / sigma));
            EXPECT_GT(std::fabs(exact - std::floor(exact) - 0.5L), 0.0007L) << width << " " << k;
            EXPECT_EQ(weights[k], std::llround(exact));
        }
    }
}

TEST(EdgeOptions, WholeLinesFindEdgesPastTheFirst1024Samples) {
    // A shallow dip at 500 and a deeper one at 2000 on a 3000-pixel row.
    const Picture picture(3000, 20, [](int x, int) { return x == 2000 ? 10 : x == 500 ? 60 : 200; });
    struct Case {
        CPoint start, end;
        bool whole;
        EdgeOptions options;
        int x;
    };
    const Case cases[] = {
        {{0, 10}, {2999, 10}, false, {}, 500},  // only the first 1024 samples are read
        {{0, 10}, {2999, 10}, true, {}, 2000},
        {{2999, 10}, {0, 10}, false, {}, 2000},  // drawn the other way, the first 1024 hold it
        {{0, 10}, {2999, 10}, true, With(true, 3, kSmoothGaussian, 3), 2000},
    };
    for (const Case& c : cases) {
        CScan line;
        line.m_nMaxSteps = c.whole ? kMaxWholeScanSteps : kMaxScanSteps;
        line.SetLine(c.start.x, c.start.y, c.end.x, c.end.y);
        ProfileBuffer buffer;
        SampleScan(picture.View(), line, buffer, c.options.lineWidth);
        ASSERT_EQ(buffer.m_nLastSample, line.m_nCount);
        const EdgeResult edge = FindEdge(buffer, line.m_nCount, kChannelSum, kEdgeMinimum, c.options);
        line.SetEdge(edge.index, edge.subPos);
        EXPECT_EQ(line.m_ptCur.x, c.x) << "from " << c.start.x << (c.whole ? " whole" : "");
    }
}

TEST(EdgeOptions, WideLinesAverageAcrossTheLine) {
    // Each row is 10 times its number: the band's mean is the mean of the rows it covers.
    const Picture rows(20, 20, [](int, int y) { return 10 * y; });
    const Picture columns(20, 20, [](int x, int) { return 10 * x; });
    struct Case {
        const Picture* picture;
        CPoint start, end;
        int width;
        double first;  // sample 0's value
        double last;
    };
    const Case cases[] = {
        {&rows, {2, 8}, {15, 8}, 1, 80, 80},
        {&rows, {2, 8}, {15, 8}, 3, 80, 80},
        {&rows, {2, 8}, {15, 8}, 5, 80, 80},
        {&columns, {5, 2}, {5, 17}, 5, 50, 50},
        // The band reaches off the picture: the pixels outside are left out, not read as white.
        {&rows, {2, 0}, {15, 0}, 3, 5, 5},
        {&rows, {2, 19}, {15, 19}, 5, 180, 180},
        // Off the picture altogether: white, as at width 1.
        {&rows, {-9, -5}, {-2, -5}, 3, 255, 255},
        // A diagonal: rows either side cancel at every position.
        {&rows, {4, 4}, {14, 14}, 5, 40, 140},
    };
    for (const Case& c : cases) {
        for (const PixelFormat format : {PixelFormat::Rgb32, PixelFormat::Grey16}) {
            Picture picture = *c.picture;
            picture.format = format;
            const double scale = format == PixelFormat::Grey16 ? 257.0 : 1.0;
            ProfileBuffer buffer;
            SampleLine(picture.View(), c.start.x, c.start.y, c.end.x, c.end.y, buffer, c.width);
            const int n = buffer.m_nLastSample;
            SCOPED_TRACE(testing::Message() << "from " << c.start.x << "," << c.start.y
                                            << " width " << c.width << " format "
                                            << static_cast<int>(format));
            EXPECT_DOUBLE_EQ(GetSampleValue(buffer, 0, kChannelSum), c.first * scale);
            EXPECT_DOUBLE_EQ(GetSampleValue(buffer, n, kChannelRed), c.last * scale);
            EXPECT_EQ(GetBrightness(buffer, n, kChannelBlue), std::lround(c.last * scale));
        }
    }
}

TEST(EdgeOptions, BandOffsetsStandAcrossTheLine) {
    CPoint offsets[kMaxLineWidth];
    ASSERT_EQ(BandOffsets({0, 0}, {10, 0}, 5, offsets), 5);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(offsets[k], (CPoint{0, k - 2}));
    BandOffsets({3, 3}, {3, -20}, 3, offsets);
    EXPECT_EQ(offsets[0], (CPoint{-1, 0}));
    EXPECT_EQ(offsets[2], (CPoint{1, 0}));
}

TEST(EdgeOptions, DetectionKeepsTheSubPixelEdgeBesideTheIntegerCursor) {
    const Picture picture(32, 9, Rise);
    CScan line;
    line.SetLine(0, 4, 31, 4);
    ProfileBuffer buffer;
    SampleScan(picture.View(), line, buffer, 1);
    const EdgeResult edge = FindEdge(buffer, line.m_nCount, kChannelSum, kEdgeSteepestRise,
                                     With(true, 1));
    line.SetEdge(edge.index, edge.subPos);
    EXPECT_EQ(line.m_ptCur, (CPoint{10, 4}));  // what the data file holds, as without the option
    EXPECT_NEAR(line.SubPoint().x, kEdgeAt, 0.05);
    EXPECT_DOUBLE_EQ(line.SubPoint().y, 4.0);
    // Without the option nothing is kept; moving the cursor by hand drops what was.
    EXPECT_LT(FindEdge(buffer, line.m_nCount, kChannelSum, kEdgeSteepestRise, {}).subPos, 0.0);
    line.Next();
    EXPECT_FALSE(line.HasSubPos());
}

TEST(EdgeOptions, PlainOptionsGiveThePlainRulesIndex) {
    // Deep samples with no value below 255: the minimum rule still finds the lowest.
    std::vector<std::uint16_t> grey(16 * 3, 60000);
    grey[16 + 6] = 40000;
    const PixelView view{reinterpret_cast<const std::uint8_t*>(grey.data()), 16, 3, 32,
                         PixelFormat::Grey16};
    ProfileBuffer buffer;
    SampleLine(view, 0, 1, 15, 1, buffer);
    EXPECT_EQ(FindEdge(buffer, 15, kChannelSum, kEdgeMinimum), 6);
    for (const int mode : {0, 1, 2, 3}) {
        EXPECT_EQ(FindEdge(buffer, 15, kChannelSum, mode, EdgeOptions{}).index,
                  FindEdge(buffer, 15, kChannelSum, mode));
    }
}

}  // namespace
