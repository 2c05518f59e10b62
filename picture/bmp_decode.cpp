// SPDX-License-Identifier: GPL-3.0-or-later
// Uncompressed 24-bit BMP, the kind that cameras and scanners write for series: three bytes a
// pixel, rows padded to four bytes. Qt's reader goes through a row of 24 bits and a second pass
// over every pixel; this writes the RGB32 pixel once. Anything unusual about the header is left
// to Qt, whose checks and messages then apply as they always have.

#include <cstring>

#include "picture/direct_decode.h"

namespace {

quint32 Le32(const unsigned char* p) {
    return quint32{p[0]} | quint32{p[1]} << 8 | quint32{p[2]} << 16 | quint32{p[3]} << 24;
}

quint16 Le16(const unsigned char* p) {
    return static_cast<quint16>(p[0] | p[1] << 8);
}

// One row of `width` pixels from BGR bytes to 0xFFRRGGBB. Four bytes are read at a time where
// the fourth still belongs to the row; the last pixel is put together byte by byte.
void ConvertRow(const unsigned char* from, std::uint32_t* to, int width) {
    const int whole = width - 1;
    for (int x = 0; x < whole; ++x) {
        std::uint32_t bgr;
        std::memcpy(&bgr, from + 3 * x, 4);  // little-endian: B, G, R in the low three bytes
        to[x] = bgr | 0xFF000000u;
    }
    const unsigned char* last = from + 3 * whole;
    to[whole] = 0xFF000000u | std::uint32_t{last[2]} << 16 | std::uint32_t{last[1]} << 8 | last[0];
}

}  // namespace

DirectDecode DecodeBmp24(const QByteArray& data, CPixelBuffer& buffer) {
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "ConvertRow reads pixels little-endian");
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const qint64 size = data.size();
    if (size < 54 || bytes[0] != 'B' || bytes[1] != 'M') return {};
    const qint64 offset = Le32(bytes + 10);
    const quint32 headerSize = Le32(bytes + 14);
    // The information headers of version 3, 4 and 5; the old core header, the OS/2 ones and
    // the sizes between, which Qt refuses, go to Qt.
    if (headerSize != 40 && headerSize != 108 && headerSize != 124) return {};
    if (size < 14 + qint64{headerSize}) return {};
    const auto width = static_cast<qint32>(Le32(bytes + 18));
    const auto height = static_cast<qint32>(Le32(bytes + 22));  // negative: stored top down
    const quint16 planes = Le16(bytes + 26);
    const quint16 bitCount = Le16(bytes + 28);
    const quint32 compression = Le32(bytes + 30);
    if (planes != 1 || bitCount != 24 || compression != 0) return {};
    if (width <= 0 || height == 0 || height == INT32_MIN) return {};
    const qint64 rows = height < 0 ? -qint64{height} : qint64{height};
    if (TooLargeFault(width, rows)) return {};
    // Qt starts at the stated offset only when it lies past the headers; leave the other case to
    // it.
    if (offset < 14 + qint64{headerSize}) return {};
    const qint64 rowBytes = (qint64{width} * 24 + 31) / 32 * 4;
    if (offset + rowBytes * rows > size) return {};  // cut: Qt's path says so in its words

    DirectDecode result;
    result.width = width;
    result.height = static_cast<int>(rows);
    std::uint32_t* pixels = buffer.Prepare(result.width, result.height);
    if (pixels == nullptr) {
        result.outcome = DirectDecode::Outcome::OutOfMemory;
        return result;
    }
    for (qint64 k = 0; k < rows; ++k) {
        const qint64 y = height < 0 ? k : rows - 1 - k;
        ConvertRow(bytes + offset + k * rowBytes, pixels + y * width, width);
    }
    result.outcome = DirectDecode::Outcome::Decoded;
    return result;
}
