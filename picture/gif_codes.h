// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <cstdint>

// The data sub-blocks of one frame as one stream of LZW codes, low bit first. The bits are
// taken into a 64-bit store several bytes at a time, since this runs once per code.
class GifCodeReader {
public:
    GifCodeReader(const QByteArray& data, qsizetype at)
        : m_at(reinterpret_cast<const unsigned char*>(data.constData()) + at),
          m_blockEnd(m_at),
          m_end(reinterpret_cast<const unsigned char*>(data.constData()) + data.size()) {}

    // The next code of `width` bits, or -1 at the end of the blocks.
    int Next(int width) {
        if (m_bits < width) {
            Refill();
            if (m_bits < width) return -1;
        }
        const int code = static_cast<int>(m_store & ((1u << width) - 1));
        m_store >>= width;
        m_bits -= width;
        return code;
    }

private:
    void Refill() {
        while (m_bits <= 56) {
            if (m_at == m_blockEnd) {
                // The next sub-block's length; a zero length is the terminator.
                if (m_ended || m_at >= m_end || *m_at == 0) {
                    m_ended = true;
                    return;
                }
                const qsizetype length = *m_at++;
                m_blockEnd = m_end - m_at < length ? m_end : m_at + length;
                continue;
            }
            m_store |= std::uint64_t{*m_at++} << m_bits;
            m_bits += 8;
        }
    }

    const unsigned char* m_at;
    const unsigned char* m_blockEnd;  // the end of the current sub-block's data
    const unsigned char* m_end;       // the end of the file
    bool m_ended = false;
    std::uint64_t m_store = 0;
    int m_bits = 0;
};

