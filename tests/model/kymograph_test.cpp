// SPDX-License-Identifier: GPL-3.0-or-later
// The kymograph's rows at their depth, and many rows reduced to few pixel rows without losing
// an extreme.
#include "model/kymograph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

TEST(Kymograph, RowsKeepTheRoundedValuesAtTheirDepth) {
    struct Case {
        const char* what;
        std::vector<double> values;
        bool wide;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"8-bit integers", {0, 1, 128, 255}, false, {0, 1, 128, 255}},
        {"8-bit halves round away", {0.5, 1.49, 254.5}, false, {1, 1, 255}},
        {"8-bit out of range", {-3, 300, NAN}, false, {0, 255, 0}},
        {"16-bit whole range", {0, 256, 65535, 40000.4}, true, {0, 256, 65535, 40000}},
        {"16-bit out of range", {-1, 70000}, true, {0, 65535}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KymoRow row;
        row.Set(c.values, c.wide);
        ASSERT_EQ(row.Count(), static_cast<int>(c.expected.size()));
        for (int s = 0; s < row.Count(); ++s) EXPECT_EQ(row.Value(s), c.expected[s]) << s;
        EXPECT_EQ(row.bytes.size(), c.values.size() * (c.wide ? 2u : 1u));
    }
}

TEST(Kymograph, EightBitRowsBesideSixteenBitOnesAreScaledExactly) {
    CKymograph k(2);
    k.SetRow(0, {0, 1, 255}, false);
    EXPECT_EQ(k.MaxValue(), 255);
    EXPECT_EQ(k.ScaledValue(0, 2), 255);
    k.SetRow(1, {7, 65535}, true);
    EXPECT_EQ(k.MaxValue(), 65535);
    EXPECT_EQ(k.Samples(), 3);
    EXPECT_EQ(k.ScaledValue(0, 1), 257);
    EXPECT_EQ(k.ScaledValue(0, 2), 65535);
    EXPECT_EQ(k.ScaledValue(1, 0), 7);
}

TEST(Kymograph, SizeLimitCountsTwoBytesASample) {
    EXPECT_TRUE(KymographFits(100000, 2000));
    EXPECT_TRUE(KymographFits(1, kMaxKymographBytes / 2));
    EXPECT_FALSE(KymographFits(1, kMaxKymographBytes / 2 + 1));
    EXPECT_FALSE(KymographFits(100000, 1048576));
    EXPECT_TRUE(KymographFits(0, 1048576));
}

// Entry i's value at sample s, with some spread so that extremes differ per pixel row.
int Pattern(int i, int s) {
    return (i * 37 + s * 11 + (i * s) % 7) % 256;
}

TEST(Kymograph, PixelRowsHoldEveryEntryOnceAndKeepItsExtremes) {
    struct Case {
        int entries;
        int pixels;
    };
    const Case cases[] = {{10, 3}, {7, 7}, {3, 10}, {1, 5}, {1000, 37}, {999, 1000}, {5, 1}};
    constexpr int kSamples = 4;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.entries) + " entries, " + std::to_string(c.pixels) + " rows");
        CKymograph k(c.entries);
        for (int i = 0; i < c.entries; ++i) {
            std::vector<double> values(kSamples);
            for (int s = 0; s < kSamples; ++s) values[static_cast<std::size_t>(s)] = Pattern(i, s);
            k.SetRow(i, values, false);
        }
        std::vector<int> seen(static_cast<std::size_t>(c.entries), 0);
        for (int p = 0; p < c.pixels; ++p) {
            const ReducedRow row = ReducePixelRow(k, c.pixels, p);
            ASSERT_LE(row.first, row.last) << "pixel row " << p << " shows nothing";
            // The pixel row's middle lies in the band of each entry shown when the entries are
            // fewer; else every entry shown has its own middle in the pixel row.
            for (int i = row.first; i <= row.last; ++i) {
                if (c.entries > c.pixels) {
                    EXPECT_EQ(PixelRowOfEntry(c.entries, c.pixels, i), p) << i;
                } else {
                    const double middle = (p + 0.5) * c.entries / c.pixels;
                    EXPECT_TRUE(middle >= i && middle < i + 1) << i;
                }
                ++seen[static_cast<std::size_t>(i)];
            }
            for (int s = 0; s < kSamples; ++s) {
                int lo = 256;
                int hi = -1;
                for (int i = row.first; i <= row.last; ++i) {
                    lo = std::min(lo, Pattern(i, s));
                    hi = std::max(hi, Pattern(i, s));
                }
                EXPECT_EQ(row.lo[static_cast<std::size_t>(s)], lo) << p << "," << s;
                EXPECT_EQ(row.hi[static_cast<std::size_t>(s)], hi) << p << "," << s;
            }
        }
        if (c.entries >= c.pixels) {
            for (int i = 0; i < c.entries; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], 1) << i;
        }
    }
}

TEST(Kymograph, RowsWithoutValuesAddNothingToTheirPixelRow) {
    CKymograph k(4);
    k.SetRow(0, {10, 20, 30}, false);
    k.RowToFill(1).SetUnreadable();
    k.NoteRow(1);
    k.SetRow(2, {50}, false);  // shorter than the rest
    // Entry 3 stays pending.
    const ReducedRow joined = ReducePixelRow(k, 1, 0);
    EXPECT_EQ(joined.lo, (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(joined.hi, (std::vector<int>{50, 20, 30}));
    const ReducedRow unreadable = ReducePixelRow(k, 4, 1);
    EXPECT_EQ(unreadable.first, 1);
    EXPECT_EQ(unreadable.lo, (std::vector<int>{-1, -1, -1}));
    const ReducedRow shorter = ReducePixelRow(k, 4, 2);
    EXPECT_EQ(shorter.hi, (std::vector<int>{50, -1, -1}));
}

}  // namespace
