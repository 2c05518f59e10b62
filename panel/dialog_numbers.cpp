// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/dialog_numbers.h"

#include <charconv>
#include <string>
#include <system_error>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text without its surrounding spaces and tabs, and without a leading '+' (which
// from_chars does not take); empty when nothing that could be a number remains.
std::string Core(const QString& text) {
    const std::string s = text.toStdString();
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    if (begin < end && s[begin] == '+') {
        ++begin;
        // "+-1" and "++1" are not numbers.
        if (begin < end && (s[begin] == '+' || s[begin] == '-')) return {};
    }
    return s.substr(begin, end - begin);
}

// A decimal number: digits with an optional point and fraction (or a point and a fraction), then
// an optional exponent. from_chars would also take "inf", "nan" and the like.
bool IsDecimalNumber(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && s[i] == '-') ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == s.size();
}

}  // namespace

std::optional<int> ParseDialogInt(const QString& text) {
    const std::string s = Core(text);
    if (s.empty()) return std::nullopt;
    int value = 0;
    const char* last = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(s.data(), last, value, 10);
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

std::optional<double> ParseDialogDouble(const QString& text) {
    const std::string s = Core(text);
    if (!IsDecimalNumber(s)) return std::nullopt;
    double value = 0.0;
    const char* last = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(s.data(), last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

QString FormatDialogDouble(double value) {
    char buffer[64];
    const auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (ec != std::errc()) return {};
    return QString::fromLatin1(buffer, static_cast<qsizetype>(ptr - buffer));
}
