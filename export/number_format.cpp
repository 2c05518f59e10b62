// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/number_format.h"

#include <charconv>
#include <cmath>
#include <cstring>

// Both conversions go through std::to_chars, which never consults the process locale, so the
// decimal point stays a point even when the user's locale writes a comma.

namespace {

constexpr std::size_t kFieldWidth = 10;

char* WritePadded(char* out, const char* text, std::size_t length) {
    if (length < kFieldWidth) {
        std::memset(out, ' ', kFieldWidth - length);
        out += kFieldWidth - length;
    }
    std::memcpy(out, text, length);
    return out + length;
}

}  // namespace

char* WriteInt10(char* out, long long value) {
    // The blank flag puts a blank where a minus sign would stand, inside the field width. The
    // digits go straight to their place: a file holds millions of these, and a copy through a
    // buffer of unknown length costs more than the conversion.
    const bool negative = value < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                  : static_cast<unsigned long long>(value);
    std::size_t digits = 1;
    for (unsigned long long rest = magnitude; rest >= 10; rest /= 10) ++digits;
    std::memset(out, ' ', kFieldWidth);
    if (digits + 1 < kFieldWidth) out += kFieldWidth - (digits + 1);
    *out++ = negative ? '-' : ' ';
    return std::to_chars(out, out + digits, magnitude).ptr;
}

char* WriteExp(char* out, double value) {
    if (std::isnan(value)) {
        // Whatever the sign bit of the NaN, it reads the same in the file.
        return WritePadded(out, " nan", 4);
    }
    if (std::isinf(value)) return WritePadded(out, value < 0 ? "-inf" : " inf", 4);

    // A blank or the minus sign, then d.dddddd, 'e', the exponent's sign and its digits; always
    // longer than the field width, so no padding is ever needed.
    char* first = out;
    // -0.0 keeps its minus sign, as C's formatting does.
    if (!std::signbit(value)) *first++ = ' ';
    const auto result =
        std::to_chars(first, out + kMaxExpChars, value, std::chars_format::scientific, 6);
    char* end = result.ptr;
    // to_chars writes at least two exponent digits; the file always has three.
    if (end[-3] == '+' || end[-3] == '-') {
        end[0] = end[-1];
        end[-1] = end[-2];
        end[-2] = '0';
        ++end;
    }
    return end;
}

void AppendInt10(std::string& out, long long value) {
    char buf[kMaxInt10Chars];
    out.append(buf, WriteInt10(buf, value));
}

void AppendExp(std::string& out, double value) {
    char buf[kMaxExpChars];
    out.append(buf, WriteExp(buf, value));
}

void AppendReal(std::string& out, double value, char decimal) {
    // One spelling for every NaN, whatever its sign bit or payload.
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    char buffer[32];
    char* const end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    const std::size_t first = out.size();
    out.append(buffer, static_cast<std::size_t>(end - buffer));
    if (decimal == '.') return;
    const std::size_t point = out.find('.', first);
    if (point != std::string::npos) out[point] = decimal;
}
