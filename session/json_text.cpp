// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/json_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace {

constexpr char kHex[] = "0123456789abcdef";

// The length of the UTF-8 sequence at text[i], or 0 when none starts there.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        code = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        code = lead & 0x0f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;  // a continuation byte, an overlong two-byte lead, or past U+10FFFF
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3f);
    }
    if (length == 3 && (code < 0x800 || (code >= 0xd800 && code <= 0xdfff))) return 0;
    if (length == 4 && (code < 0x10000 || code > 0x10ffff)) return 0;
    return length;
}

}  // namespace

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t plain = 0;  // start of the bytes not yet copied
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\') continue;
        out.append(text.substr(plain, i - plain));
        plain = i + 1;
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
                break;
        }
    }
    out.append(text.substr(plain));
    out += '"';
}

void AppendJsonInt(std::string& out, long long value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

void AppendJsonDouble(std::string& out, double value) {
    char buffer[40];
    // Without a format, to_chars writes the shortest text that reads back as the same value,
    // in the C locale's form.
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
    // "1" or "-0" would read as an integer: the sign of zero would be lost.
    if (std::none_of(buffer, end, [](char c) { return c == '.' || c == 'e'; })) out += ".0";
}

std::string PrintableBytes(std::string_view text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        const auto byte = static_cast<unsigned char>(text[i]);
        if (length == 0 || byte < 0x20 || byte == 0x7f) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 15];
            ++i;
            continue;
        }
        shown.append(text.substr(i, length));
        i += length;
    }
    return shown;
}
