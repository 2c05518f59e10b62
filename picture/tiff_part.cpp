// SPDX-License-Identifier: GPL-3.0-or-later
// Of a TIFF page, only the strips or tiles that a measurement's lines reach: a band of a tall
// picture costs the strips of the band.

#include <cstring>

#include "picture/tiff_decode.h"
#include "picture/tiff_file.h"
#include "picture/tiff_stored.h"

namespace {

// The read blocks' pixels from the format as read to the one a picture keeps, by Qt's own
// conversion of each pixel, as the whole page is converted. False without memory.
bool ConvertBlocks(const TiffRows& rows) {
    const int depth = QImage::toPixelFormat(rows.format).bitsPerPixel() / 8;
    for (const TiffBlock& block : rows.read) {
        unsigned char* at = rows.bits + static_cast<std::ptrdiff_t>(block.y) * rows.stride +
                            static_cast<std::ptrdiff_t>(block.x) * depth;
        const QImage read(at, static_cast<int>(block.columns), static_cast<int>(block.rows),
                          rows.stride, rows.format);
        const QImage held = read.convertToFormat(rows.held);
        if (held.isNull() || held.format() != rows.held) return false;
        const auto bytes =
            static_cast<std::size_t>(block.columns) * static_cast<std::size_t>(depth);
        for (int i = 0; i < held.height(); ++i) {
            std::memcpy(at + i * rows.stride, held.constScanLine(i), bytes);
        }
    }
    return true;
}

}  // namespace

DirectDecode DecodeTiffPagePart(CTiffFile& file, CPixelBuffer& pixels, const PixelRequest& request,
                                PixelView& part, TiffBlockCount* count) {
    part = {};
    TiffPage p;
    TiffKind kind = TiffKind::ViaRgba;
    DirectDecode refused;
    if (!OpenTiffPage(file, p, kind, refused)) return refused;
    if (kind == TiffKind::ViaRgba) {
        return TiffNotRead(QStringLiteral("only the whole page is read of this kind"));
    }
    const PixelRegion region(request, static_cast<int>(p.width), static_cast<int>(p.height));
    TiffRows rows;
    DirectDecode result = ReadTiffRows(file, p, kind, pixels, &region, rows);
    if (count != nullptr) *count = rows.count;
    if (result.outcome != DirectDecode::Outcome::Decoded) return result;
    if (rows.format != rows.held && !ConvertBlocks(rows)) {
        return TiffOutcome(DirectDecode::Outcome::OutOfMemory);
    }
    part = {rows.bits, result.width, result.height, rows.stride,
            rows.held == QImage::Format_Grayscale16 ? PixelFormat::Grey16
            : rows.held == QImage::Format_RGBX64    ? PixelFormat::Rgba64
                                                    : PixelFormat::Rgb32};
    return result;
}

DirectDecode DecodeTiffPageFor(CTiffFile& file, CPixelBuffer& pixels, const PixelRequest* request,
                               QImage& image, PixelView& part) {
    part = {};
    if (request != nullptr) {
        const DirectDecode decoded = DecodeTiffPagePart(file, pixels, *request, part);
        if (decoded.outcome != DirectDecode::Outcome::Declined) return decoded;
    }
    return DecodeTiffPage(file, pixels, image);
}
