// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/title_order.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

namespace {

// Keys of characters outside the code page start above its largest two-byte value (0xFCFC).
constexpr std::uint32_t kBeyond = 0x10000;
constexpr std::uint32_t kInvalidByte = kBeyond + 0x110000;
constexpr std::uint32_t kUnmapped = 0xFFFFFFFF;

// The code page value of every code point of the Basic Multilingual Plane, made once with
// glibc's converter, so that ordering thousands of titles costs no conversion calls.
const std::array<std::uint32_t, 0x10000>& Cp932Table() {
    static std::unique_ptr<std::array<std::uint32_t, 0x10000>> table;
    static std::once_flag once;
    std::call_once(once, [] {
        table = std::make_unique<std::array<std::uint32_t, 0x10000>>();
        table->fill(kUnmapped);
        iconv_t cd = iconv_open("CP932", "UTF-32LE");
        if (cd == reinterpret_cast<iconv_t>(-1)) return;
        for (std::uint32_t cp = 0; cp < 0x10000; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF) continue;
            char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF), 0, 0};
            char out[8];
            char* inPtr = in;
            char* outPtr = out;
            std::size_t inLeft = sizeof in;
            std::size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
                continue;
            }
            const auto written = static_cast<std::size_t>(outPtr - out);
            const auto b0 = static_cast<unsigned char>(out[0]);
            if (written == 1) {
                (*table)[cp] = b0;
            } else if (written == 2) {
                (*table)[cp] = b0 * 256u + static_cast<unsigned char>(out[1]);
            }
        }
        iconv_close(cd);
    });
    return *table;
}

// Decodes one UTF-8 sequence at s[pos]; returns its length and sets cp, or returns 0 for a byte
// that does not start a well-formed sequence.
std::size_t DecodeUtf8(std::string_view s, std::size_t pos, std::uint32_t& cp) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[pos + k]); };
    const unsigned char c = b(0);
    std::size_t len = 0;
    std::uint32_t min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2, cp = c & 0x1Fu, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3, cp = c & 0x0Fu, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4, cp = c & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    if (pos + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(k) & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

TitleKey MakeTitleKey(std::string_view utf8) {
    TitleKey key;
    key.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[pos]);
        if (c < 0x80) {
            key.push_back(c);
            ++pos;
            continue;
        }
        std::uint32_t cp = 0;
        const std::size_t len = DecodeUtf8(utf8, pos, cp);
        if (len == 0) {
            key.push_back(kInvalidByte + c);
            ++pos;
            continue;
        }
        const std::uint32_t mapped = cp < 0x10000 ? Cp932Table()[cp] : kUnmapped;
        key.push_back(mapped != kUnmapped ? mapped : kBeyond + cp);
        pos += len;
    }
    return key;
}

int CompareTitleKeys(const TitleKey& a, const TitleKey& b) {
    const auto order =
        std::lexicographical_compare_three_way(a.begin(), a.end(), b.begin(), b.end());
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int CompareTitles(std::string_view a, std::string_view b) {
    return CompareTitleKeys(MakeTitleKey(a), MakeTitleKey(b));
}

std::string TitleOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string EntryTitle(const std::string& title, std::int64_t frame, std::int64_t count) {
    if (frame < 0) return title;
    std::string out = title + " [" + std::to_string(frame + 1);
    if (count > 0) out += "/" + std::to_string(count);
    return out + "]";
}

std::string_view EntryFileTitle(std::string_view title, std::int64_t frame) {
    if (frame < 0 || title.empty() || title.back() != ']') return title;
    const std::size_t open = title.rfind(" [");
    if (open == std::string_view::npos) return title;
    const std::string_view inside = title.substr(open + 2, title.size() - open - 3);
    const bool digits = !inside.empty() && std::all_of(inside.begin(), inside.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '/';
    });
    return digits ? title.substr(0, open) : title;
}
