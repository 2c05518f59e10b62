// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

// Longest text the writers below produce.
inline constexpr std::size_t kMaxInt10Chars = 20;  // "-9223372036854775808"
inline constexpr std::size_t kMaxExpChars = 14;    // "-1.797693e+308"

// printf's "% 10d" (for any integer up to 64 bits), independent of the locale.
void AppendInt10(std::string& out, long long value);
// printf's "% 10.6le" with a three-digit exponent (5.000000e-001), independent of the locale.
// Non-finite values read as C writes them: "       inf", "      -inf", and "       nan" for any
// NaN, whatever its sign bit.
void AppendExp(std::string& out, double value);

// The same conversions into a caller's buffer, which must have room for kMaxInt10Chars or
// kMaxExpChars characters; they return the end of what they wrote. For building large texts
// without a capacity check per character.
char* WriteInt10(char* out, long long value);
char* WriteExp(char* out, double value);

// A real number as the tables write it: the shortest form that reads back as the same double
// (std::to_chars: "0.5", "1e-07", "-2.5e+300"), "inf" and "-inf", and "nan" for any value that
// is not a number; `decimal` stands for the point.
void AppendReal(std::string& out, double value, char decimal = '.');
