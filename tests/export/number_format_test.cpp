// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/number_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "export/locale_guard.h"

namespace {

// The C library's "% 10.6le" in the C locale, with its two-digit exponents widened to three.
std::string ReferenceExp(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "% 10.6le", value);
    std::string s(text);
    const std::size_t e = s.find('e');
    if (e != std::string::npos && s.size() - e == 4) s.insert(e + 2, "0");
    return s;
}

std::string Reference10d(long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "% 10lld", value);
    return text;
}

std::string Exp(double value) {
    std::string out;
    AppendExp(out, value);
    return out;
}

std::string Int10(long long value) {
    std::string out;
    AppendInt10(out, value);
    return out;
}

const std::vector<double> kEdgeValues = {
    0.5,
    1.0,
    0.0,
    100.0,
    0.125,
    -0.75,
    1e100,
    1e-100,
    1e99,
    1e-99,
    -1.5e-300,
    std::numeric_limits<double>::max(),
    std::numeric_limits<double>::min(),
    std::numeric_limits<double>::denorm_min(),
    -std::numeric_limits<double>::max(),
    9.9999995e-5,   // rounds up across a power of ten
    9.99999999e99,  // rounds up to e+100: the exponent gains its third digit
    -9.99999999e-100,
    1234567.5,
    1234568.5,  // exact halves: ties go to the even digit
    0.30000000000000004,
    123456789.0,
    6.02214076e23,
    1.602176634e-19};

TEST(NumberFormat, ExponentMatchesTheCLibraryWithThreeDigits) {
    std::vector<double> values = kEdgeValues;
    // Random bit patterns cover every exponent and rounding case the table does not.
    std::mt19937_64 random(20240607);
    while (values.size() < 20000) {
        const std::uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
    }
    std::vector<std::string> expected;
    for (double v : values) expected.push_back(ReferenceExp(v));

    CommaLocale comma;
    for (std::size_t k = 0; k < values.size(); ++k) {
        ASSERT_EQ(Exp(values[k]), expected[k]) << values[k];
    }
}

TEST(NumberFormat, ExponentWritesFixedExamples) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.5, " 5.000000e-001"},
        {1.0, " 1.000000e+000"},
        {0.0, " 0.000000e+000"},
        {-0.0, "-0.000000e+000"},
        {1e100, " 1.000000e+100"},
        {1.7976931348623157e308, " 1.797693e+308"},
        {-1.5e-300, "-1.500000e-300"},
        {std::numeric_limits<double>::infinity(), "       inf"},
        {-std::numeric_limits<double>::infinity(), "      -inf"},
        {std::numeric_limits<double>::quiet_NaN(), "       nan"},
        {-std::numeric_limits<double>::quiet_NaN(), "       nan"},
    };
    CommaLocale comma;
    for (const auto& c : cases) EXPECT_EQ(Exp(c.value), c.text) << c.value;
}

TEST(NumberFormat, IntegerMatchesTheCLibrary) {
    std::vector<long long> values = {
        0,          1,          -1,         50,      -3,      -4,        999999999, -99999999,
        -999999999, 1000000000, 1234567890, INT_MAX, INT_MIN, LLONG_MAX, LLONG_MIN, 4294967295LL};
    // Every number of digits, both signs, and the powers of ten either side.
    std::mt19937_64 random(20240611);
    for (int k = 0; k < 4000; ++k) {
        const auto bits = static_cast<long long>(random());
        values.push_back(bits >> (random() % 64));
    }
    for (long long p = 1; p <= LLONG_MAX / 10; p *= 10) {
        for (long long v : {p - 1, p, p + 1}) values.insert(values.end(), {v, -v});
    }
    std::vector<std::string> expected;
    for (long long v : values) expected.push_back(Reference10d(v));
    CommaLocale comma;
    for (std::size_t k = 0; k < values.size(); ++k) EXPECT_EQ(Int10(values[k]), expected[k]);
    EXPECT_EQ(Int10(50), "        50");
    EXPECT_EQ(Int10(-4), "        -4");
}

TEST(NumberFormat, IgnoresCommaDecimalLocale) {
    CommaLocale comma;
    REQUIRE_COMMA_LOCALE(comma);
    EXPECT_EQ(Exp(1234.5), " 1.234500e+003");
    EXPECT_EQ(Int10(1234567), "   1234567");
}

}  // namespace
