// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string_view>

// How the tidy table spells its fields, shared by the files that build its columns. Rows are
// built in buffers sized from these bounds, so that no field can run past its room.
namespace tidy_fields {

inline constexpr std::size_t kMaxInt = 11;   // an int: "-2147483648"; a difference of two ints too
inline constexpr std::size_t kMaxReal = 24;  // "-2.2250738585072014e-308"

struct Format {
    char delimiter;
    char decimal;
};

inline char* Put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

template <typename Int>
char* PutInt(char* out, Int value) {
    return std::to_chars(out, out + kMaxInt, value).ptr;
}

inline char* PutReal(char* out, double value, char decimal) {
    // One spelling for every NaN, whatever its sign bit or payload.
    if (std::isnan(value)) return Put(out, "nan");
    char* const first = out;
    out = std::to_chars(out, out + kMaxReal, value).ptr;
    if (decimal != '.') {
        for (char* p = first; p < out; ++p) {
            if (*p == '.') {
                *p = decimal;
                break;
            }
        }
    }
    return out;
}

}  // namespace tidy_fields
