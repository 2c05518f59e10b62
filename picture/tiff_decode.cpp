// SPDX-License-Identifier: GPL-3.0-or-later
// One page of a TIFF through libtiff, into the pixels Qt's TIFF reader gives for it. Qt reads
// 8-bit grey and palette pages, 16-bit grey and 16-bit RGB(A) row by row as they are stored, and
// every other page through libtiff's RGBA reader; so does this, but for 8-bit RGB without alpha,
// which that reader gives as stored and which is read as stored. The conversions that follow
// (libtiff's ABGR to ARGB, alpha away) are Qt's own, or Qt's conversion itself where an alpha
// channel is involved.

#include "picture/tiff_decode.h"

#include <tiffio.h>

#include <cstdint>

#include "picture/tiff_file.h"
#include "picture/tiff_stored.h"

namespace {

// libtiff's RGBA reader gives ABGR in native order; Qt swaps red and blue.
void AbgrToArgb(std::uint32_t* pixels, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t v = pixels[k];
        pixels[k] = (v & 0xFF00FF00u) | (v & 0x00FF0000u) >> 16 | (v & 0x000000FFu) << 16;
    }
}

// Qt reads with the orientation the page names, so that libtiff turns nothing.
int StoredOrientation(TIFF* tif) {
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    if (TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation) == 0 || orientation < 1 ||
        orientation > 8) {
        return ORIENTATION_TOPLEFT;
    }
    return orientation;
}

}  // namespace

DirectDecode DecodeTiffPage(CTiffFile& file, CPixelBuffer& pixels, QImage& image) {
    image = QImage();
    TIFF* tif = file.Handle();
    TiffPage p;
    TiffKind kind = TiffKind::ViaRgba;
    DirectDecode refused;
    if (!OpenTiffPage(file, p, kind, refused)) return refused;

    DirectDecode result;
    result.width = static_cast<int>(p.width);
    result.height = static_cast<int>(p.height);
    const auto oom = [&] { return TiffOutcome(DirectDecode::Outcome::OutOfMemory); };
    QImage::Format held = QImage::Format_RGB32;
    if (kind == TiffKind::ViaRgba) {
        char message[1024] = {};
        if (TIFFRGBAImageOK(tif, message) == 0) return TiffNotRead(QString::fromUtf8(message));
        std::uint32_t* raster = pixels.Prepare(result.width, result.height);
        if (raster == nullptr) return oom();
        if (TIFFReadRGBAImageOriented(tif, p.width, p.height, raster, StoredOrientation(tif), 1) ==
            0) {
            return TiffDamaged(file, "libtiff cannot read the TIFF picture");
        }
        AbgrToArgb(raster, std::size_t{p.width} * p.height);
        QImage::Format format = QImage::Format_RGB32;
        if (p.samples >= 4) {
            format = TiffPremultiplied(file, p) ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_ARGB32;
        }
        image = pixels.WrapWritable(result.width, result.height,
                                    static_cast<qsizetype>(p.width) * 4, format);
        if (image.isNull()) return oom();
        // libtiff reports some damage and carries on; what it reported fails the page.
        if (const QString error = file.TakeError(); !error.isEmpty()) {
            image = QImage();
            return TiffOutcome(DirectDecode::Outcome::Failed, CorruptFault(error));
        }
    } else {
        TiffRows rows;
        if (DirectDecode read = ReadTiffRows(file, p, kind, pixels, nullptr, rows);
            read.outcome != DirectDecode::Outcome::Decoded) {
            return read;
        }
        image = pixels.WrapWritable(result.width, result.height, rows.stride, rows.format);
        if (image.isNull()) return oom();
        held = rows.held;
    }
    // Alpha goes as Qt's own conversion drops it.
    if (image.format() != held) {
        image.convertTo(held);
        if (image.isNull() || image.format() != held) {
            image = QImage();
            return oom();
        }
    }
    result.outcome = DirectDecode::Outcome::Decoded;
    return result;
}
