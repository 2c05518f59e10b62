// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The little-endian integers and doubles of a part file, written to a string and read from a
// span whose length has been checked for what is read.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace part_bytes {

class Writer {
public:
    explicit Writer(std::string& out) : m_out(out) {}
    void U8(std::uint8_t v) { m_out.push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v) { Le(v, 2); }
    void U32(std::uint32_t v) { Le(v, 4); }
    void U64(std::uint64_t v) { Le(v, 8); }
    void I32(int v) { U32(static_cast<std::uint32_t>(v)); }
    void F64(double v) { U64(std::bit_cast<std::uint64_t>(v)); }
    void Bytes(std::string_view b) { m_out.append(b); }

private:
    void Le(std::uint64_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) m_out.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
    }
    std::string& m_out;
};

// Reads from a span whose length has been checked for what is read; no read goes past its end.
class Reader {
public:
    explicit Reader(std::string_view in) : m_in(in) {}
    std::size_t Left() const { return m_in.size() - m_at; }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Le(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Le(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Le(4)); }
    std::uint64_t U64() { return Le(8); }
    int I32() { return static_cast<int>(U32()); }
    double F64() { return std::bit_cast<double>(U64()); }
    std::string_view Bytes(std::size_t n) {
        n = std::min(n, Left());
        const std::string_view b = m_in.substr(m_at, n);
        m_at += n;
        return b;
    }

private:
    std::uint64_t Le(int bytes) {
        std::uint64_t v = 0;
        for (int k = 0; k < bytes && m_at < m_in.size(); ++k) {
            v |= std::uint64_t{static_cast<unsigned char>(m_in[m_at++])} << (8 * k);
        }
        return v;
    }
    std::string_view m_in;
    std::size_t m_at = 0;
};

}  // namespace part_bytes
