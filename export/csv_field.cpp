// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/csv_field.h"

namespace {

constexpr std::string_view kEscapedPrefix = "file:";

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Bytes that a URI path carries as themselves; every other byte is percent-encoded.
bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

bool NeedsQuotes(std::string_view text, char delimiter) {
    for (const char c : text) {
        if (c == delimiter || c == '"' || c == '\r' || c == '\n') return true;
    }
    return false;
}

bool NeedsEscape(std::string_view path) {
    return !IsValidUtf8(path) || path.starts_with(kEscapedPrefix);
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        std::size_t length = 0;
        // The range of the second byte narrows where the shortest form or the surrogates and
        // the end of the code space would otherwise slip through.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;  // a continuation byte, C0, C1, or F5 to FF
        }
        if (static_cast<std::size_t>(end - p) < length) return false;
        if (p[1] < low || p[1] > high) return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (!IsContinuation(p[k])) return false;
        }
        p += length;
    }
    return true;
}

void AppendCsvField(std::string& out, std::string_view text, char delimiter) {
    if (!NeedsQuotes(text, delimiter)) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendPathField(std::string& out, std::string_view path, char delimiter) {
    if (!NeedsEscape(path)) {
        AppendCsvField(out, path, delimiter);
        return;
    }
    constexpr char kHex[] = "0123456789ABCDEF";
    out += kEscapedPrefix;
    if (path.starts_with('/')) out += "//";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
}

std::size_t PathFieldSize(std::string_view path, char delimiter) {
    std::size_t size = 0;
    if (NeedsEscape(path)) {
        size = kEscapedPrefix.size() + (path.starts_with('/') ? 2 : 0);
        for (const char c : path) size += IsUnreserved(static_cast<unsigned char>(c)) ? 1 : 3;
        return size;
    }
    if (!NeedsQuotes(path, delimiter)) return path.size();
    size = path.size() + 2;
    for (const char c : path) size += c == '"' ? 1 : 0;
    return size;
}
