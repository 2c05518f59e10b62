// SPDX-License-Identifier: GPL-3.0-or-later
// Exact comparisons and correctly rounded quotients: the arithmetic every edge of a wide or
// smoothed line rests on.
#include <gtest/gtest.h>

#include "model/exact_number.h"

namespace {

constexpr Int128 Pow2(int n) { return Int128{1} << n; }

Int128 Pow10(int n) {
    Int128 v = 1;
    for (int i = 0; i < n; ++i) v *= 10;
    return v;
}

TEST(ExactNumber, NearestDoubleRoundsOnceToTheNearestTiesToEven) {
    struct Case {
        Int128 p, q;
        double expected;  // Python's float(Fraction(p, q))
    };
    const Case cases[] = {
        {1, 3, 0x1.5555555555555p-2},
        {-1, 3, -0x1.5555555555555p-2},
        {2, -3, -0x1.5555555555555p-1},
        {Pow10(30) + 1, 3 * Pow10(29), 0x1.aaaaaaaaaaaabp+1},
        {Pow2(64) + Pow2(10), Pow2(11), 0x1p+53},       // a tie: to the even neighbour
        {Pow2(53) + 1, 1, 0x1p+53},                     // the same, through the wide path
        {Pow2(53) + 3, 1, 0x1.0000000000002p+53},       // a tie the other way
        {3 * Pow2(80) + 1, Pow2(79) + 7, 0x1.8p+2},
        {-Pow2(100) - 12345, Pow2(40) + 1, -0x1.fffffffffep+59},
        {7, Pow2(100) + 3, 0x1.cp-98},
        {0, Pow2(90), 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NearestDouble(c.p, c.q), c.expected) << static_cast<double>(c.p) << " / "
                                                       << static_cast<double>(c.q);
    }
}

TEST(ExactNumber, ProductsCompareExactlyBeyond128Bits) {
    struct Case {
        Int128 a, b, c, d;
        int sign;
    };
    const Int128 big = Pow2(100) + 1;
    const Case cases[] = {
        {3, 5, 5, 3, 0},
        {-3, 5, 2, 7, -1},
        {big, big, Pow2(100), Pow2(100) + 2, 1},      // (2^100+1)^2 = 2^200 + 2^101 + 1
        {big, big, Pow2(100) + 2, Pow2(100), 1},
        {big, -big, -(Pow2(100) + 2), Pow2(100), -1},
        {Pow2(110), Pow2(20), Pow2(65), Pow2(65), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareProducts(c.a, c.b, c.c, c.d), c.sign);
        EXPECT_EQ(CompareProducts(c.c, c.d, c.a, c.b), -c.sign);
    }
    EXPECT_EQ(BitLength(0), 0);
    EXPECT_EQ(BitLength(-Pow2(100)), 101);
}

}  // namespace
