// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/picture_checks.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstdint>

#include "picture/gif_codes.h"
#include "picture/picture.h"

namespace {

// Callers check the size first.
unsigned ByteAt(const QByteArray& data, qsizetype at) {
    return static_cast<unsigned char>(data.at(at));
}

quint32 ReadLe32(const QByteArray& data, qsizetype at) {
    return ByteAt(data, at) | ByteAt(data, at + 1) << 8 | ByteAt(data, at + 2) << 16 |
           ByteAt(data, at + 3) << 24;
}

quint16 ReadLe16(const QByteArray& data, qsizetype at) {
    return static_cast<quint16>(ByteAt(data, at) | ByteAt(data, at + 1) << 8);
}

PictureFault MissingPixels(const QString& reason) {
    return {reason,
            QCoreApplication::translate("Document", "画像のデータに欠けている画素があります。")};
}

// ---------------------------------------------------------------------------------------------
// BMP

// Walks the run-length codes of an 8-bit (BI_RLE8) or 4-bit (BI_RLE4) picture from `at` to the
// end of the picture or of the file. Qt's reader leaves every pixel that the codes do not reach
// as the memory held it, so a picture is whole only when each row is coded up to its last pixel:
// an end of line or of bitmap before that, or a delta, leaves pixels that nobody may measure.
PictureFault CheckRunLengths(const QByteArray& data, qsizetype at, qint64 width, qint64 rows,
                             int bits) {
    const qsizetype size = data.size();
    qint64 x = 0;
    qint64 y = 0;  // rows in the order stored, from the bottom of the picture
    const auto whole = [&] { return y == rows || (y == rows - 1 && x == width); };
    const PictureFault cut = CutFault(QStringLiteral("the file ends inside the pixel data"));
    while (y < rows && at + 2 <= size) {
        const unsigned count = ByteAt(data, at);
        const unsigned code = ByteAt(data, at + 1);
        at += 2;
        if (count > 0) {  // a run of `count` pixels of one colour (or two alternating)
            if (x + count > width) {
                return CorruptFault(QStringLiteral("a run goes past the end of its row"));
            }
            x += count;
        } else if (code == 0) {  // end of line
            if (x != width) {
                return MissingPixels(QStringLiteral("a row ends before its last pixel"));
            }
            x = 0;
            ++y;
        } else if (code == 1) {  // end of bitmap
            return whole()
                       ? PictureFault()
                       : MissingPixels(QStringLiteral("the pixel data ends before the last row"));
        } else if (code == 2) {  // delta: move right and up without coding the pixels between
            if (at + 2 > size) return cut;
            const unsigned dx = ByteAt(data, at);
            const unsigned dy = ByteAt(data, at + 1);
            at += 2;
            if (x + dx > width || y + dy >= rows) {
                return CorruptFault(QStringLiteral("a delta moves outside the picture"));
            }
            if (dx != 0 || dy != 0) return MissingPixels(QStringLiteral("a delta skips pixels"));
        } else {  // `code` pixels as they are, padded to a 16-bit boundary
            const qsizetype bytes = bits == 8 ? code : (code + 1) / 2;
            if (x + code > width) {
                return CorruptFault(QStringLiteral("a run goes past the end of its row"));
            }
            if (at + bytes > size) return cut;
            at += (bytes + 1) / 2 * 2;
            x += code;
        }
    }
    return whole() ? PictureFault() : cut;
}

// ---------------------------------------------------------------------------------------------
// GIF

// Follows the LZW codes of a frame far enough to know that they yield `wanted` pixels before
// the end code or the end of the blocks. Only the length of each table string is kept, never
// the pixels, so this costs a small part of a decode and stops at the last pixel needed.
PictureFault CheckLzwPixels(const QByteArray& data, qsizetype at, int minCodeSize, qint64 wanted) {
    constexpr int kMaxCodes = 4096;  // codes are at most 12 bits wide
    const PictureFault corrupt =
        CorruptFault(QStringLiteral("the picture data holds an invalid code"));
    if (minCodeSize < 1 || minCodeSize > 11) return corrupt;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    // The number of pixels of each code's string; a literal is one pixel.
    std::array<std::uint16_t, kMaxCodes> lengths{};
    std::fill_n(lengths.begin(), clear, std::uint16_t{1});
    GifCodeReader reader(data, at);
    int width = minCodeSize + 1;
    int next = end + 1;  // the entry the next code adds
    int previous = -1;   // none right after a clear code
    qint64 pixels = 0;
    for (;;) {
        const int code = reader.Next(width);
        if (code < 0 || code == end) break;
        if (code == clear) {
            width = minCodeSize + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code > clear) return corrupt;  // nothing in the table yet
        } else {
            if (code > next) return corrupt;
            // The new entry is the previous string and one pixel more. Written before it is
            // read, it also serves a code one past the table, which names that very entry.
            if (next < kMaxCodes) {
                lengths[next] = static_cast<std::uint16_t>(lengths[previous] + 1);
                if (++next == 1 << width && width < 12) ++width;
            }
        }
        pixels += lengths[code];
        if (pixels >= wanted) return {};
        previous = code;
    }
    return MissingPixels(QStringLiteral("the picture data ends before all pixels are coded"));
}

}  // namespace

PictureFault CutFault(const QString& reason) {
    return {reason, QCoreApplication::translate("Document", "ファイルが途中で切れています。"),
            PictureProblem::CutShort};
}

PictureFault CorruptFault(const QString& reason) {
    return {reason, QCoreApplication::translate("Document", "画像のデータが壊れています。")};
}

PictureFault TooLargeFault(qint64 width, qint64 height, int bytesPerPixel) {
    // Divided rather than multiplied: a header may claim sizes whose product overflows.
    if (width <= 0 || height <= 0 || width <= CPicture::kMaxPixelBytes / bytesPerPixel / height) {
        return {};
    }
    return {
        QStringLiteral("the picture of %1 x %2 pixels is larger than 1 GiB").arg(width).arg(height),
        QCoreApplication::translate("Document",
                                    "画像が大きすぎます（%1 × %2 ピクセル、上限は 1 GiB）。")
            .arg(width)
            .arg(height),
        PictureProblem::TooLarge};
}

PictureFault CheckBmpComplete(const QByteArray& data) {
    const PictureFault cutHeader = CutFault(QStringLiteral("the file ends inside the header"));
    if (data.size() < 26) return cutHeader;
    const qint64 offset = ReadLe32(data, 10);
    const quint32 headerSize = ReadLe32(data, 14);
    qint64 width = 0;
    qint64 height = 0;
    int bitCount = 0;
    quint32 compression = 0;
    quint32 imageSize = 0;
    if (headerSize == 12) {  // the old core header with 16-bit sizes
        width = ReadLe16(data, 18);
        height = ReadLe16(data, 20);
        bitCount = ReadLe16(data, 24);
    } else {
        if (data.size() < 38) return cutHeader;
        width = static_cast<qint32>(ReadLe32(data, 18));
        height = static_cast<qint32>(ReadLe32(data, 22));  // negative: rows stored top down
        bitCount = ReadLe16(data, 28);
        compression = ReadLe32(data, 30);
        imageSize = ReadLe32(data, 34);
    }
    const qint64 rows = height < 0 ? -height : height;
    // Qt refuses such a header before it reports a size; say why.
    if (PictureFault tooLarge = TooLargeFault(width < 0 ? -width : width, rows)) return tooLarge;
    const PictureFault cut = CutFault(QStringLiteral("the file ends inside the pixel data"));
    if (compression == 0 || compression == 3 || compression == 6) {
        // Uncompressed rows (bit fields only mask them), each padded to 4 bytes.
        const qint64 rowBytes = (width * bitCount + 31) / 32 * 4;
        return offset + rowBytes * rows > data.size() ? cut : PictureFault();
    }
    // Run-length data: the size the header states, when it states one, must be there; and
    // whether it states one or not, the codes must reach every pixel.
    if (offset + imageSize > data.size()) return cut;
    if ((compression == 1 && bitCount == 8) || (compression == 2 && bitCount == 4)) {
        if (width <= 0 || rows == 0)
            return CorruptFault(QStringLiteral("the picture has no pixels"));
        return CheckRunLengths(data, static_cast<qsizetype>(offset), width, rows, bitCount);
    }
    return {};  // a compression Qt does not read: the decoder says so itself
}

PictureFault CheckGifComplete(const QByteArray& data) {
    const PictureFault cut = CutFault(QStringLiteral("the file ends inside the picture data"));
    const qsizetype size = data.size();
    const auto byte = [&](qsizetype at) { return ByteAt(data, at); };
    const auto tableBytes = [](unsigned flags) { return 3 * (qsizetype(2) << (flags & 7)); };
    // Skips a chain of data sub-blocks; returns the offset after its terminator, or -1 when the
    // file ends first.
    const auto skipBlocks = [&](qsizetype at) -> qsizetype {
        while (at < size) {
            const unsigned length = byte(at);
            if (length == 0) return at + 1;
            at += 1 + length;
        }
        return -1;
    };
    qsizetype at = 13;
    if (size < at) return cut;
    const qint64 screenWidth = ReadLe16(data, 6);
    const qint64 screenHeight = ReadLe16(data, 8);
    if (byte(10) & 0x80) at += tableBytes(byte(10));
    while (at < size) {
        const unsigned introducer = byte(at);
        if (introducer == 0x21) {  // extension: label, then sub-blocks
            at = at + 2 > size ? -1 : skipBlocks(at + 2);
            if (at < 0) return cut;
            continue;
        }
        if (introducer != 0x2C) return {};  // a trailer or a corrupt block: the decoder judges
        // Image descriptor: position, size, flags; then a colour table, code size and data.
        if (at + 10 > size) return cut;
        const qint64 left = ReadLe16(data, at + 1);
        const qint64 top = ReadLe16(data, at + 3);
        const qint64 width = ReadLe16(data, at + 5);
        const qint64 height = ReadLe16(data, at + 7);
        const unsigned flags = byte(at + 9);
        at += 10;
        if (flags & 0x80) at += tableBytes(flags);
        if (at >= size || skipBlocks(at + 1) < 0) return cut;
        // Qt clips a frame to the screen and paints the screen outside it black: a frame
        // that does not fit was written by something that disagrees about the picture.
        if (left + width > screenWidth || top + height > screenHeight) {
            return {QStringLiteral("the first frame (%1 x %2 at %3, %4) is not inside the "
                                   "%5 x %6 screen")
                        .arg(width)
                        .arg(height)
                        .arg(left)
                        .arg(top)
                        .arg(screenWidth)
                        .arg(screenHeight),
                    QCoreApplication::translate("Document",
                                                "GIF の画像が画面の外にはみ出しています。")};
        }
        if (width == 0 || height == 0) {
            return CorruptFault(QStringLiteral("the first frame has no pixels"));
        }
        return CheckLzwPixels(data, at + 1, static_cast<int>(byte(at)), width * height);
    }
    return cut;
}
