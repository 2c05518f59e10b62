// SPDX-License-Identifier: GPL-3.0-or-later
// The checks of a TIFF page and the reading of its strips or tiles as stored. Qt reads 8-bit grey
// and palette pages, 16-bit grey and 16-bit RGB(A) row by row as they are stored; the
// conversions that follow (a palette's 16-bit entries cut to their high byte) are Qt's own.
// 8-bit RGB, which Qt reads through libtiff's RGBA reader, comes from that reader as stored, and
// is read so here.

#include "picture/tiff_stored.h"

#include <tiffio.h>

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstring>

#include "model/pixel_request.h"
#include "picture/tiff_file.h"

DirectDecode TiffOutcome(DirectDecode::Outcome outcome, PictureFault fault) {
    DirectDecode result;
    result.outcome = outcome;
    result.fault = std::move(fault);
    return result;
}

DirectDecode TiffNotRead(const QString& what) {
    return TiffOutcome(
        DirectDecode::Outcome::Declined,
        {QStringLiteral("a TIFF picture of a kind that is not read (%1)").arg(what),
         QCoreApplication::translate("Document", "この種類の TIFF 画像は読み込めません（%1）。")
             .arg(what),
         PictureProblem::NotPicture});
}

DirectDecode TiffDamaged(CTiffFile& file, const char* what) {
    const QString error = file.TakeError();
    return TiffOutcome(DirectDecode::Outcome::Failed,
                       CorruptFault(error.isEmpty() ? QString::fromLatin1(what) : error));
}

namespace {

// The kind Qt's reader makes of the page, or a decline that says why it is not read here.
bool Classify(const TiffPage& p, TiffKind& kind, DirectDecode& declined) {
    const QString shape = QStringLiteral("%1 bits, %2 samples, photometric %3")
                              .arg(p.bits)
                              .arg(p.samples)
                              .arg(p.photometric);
    if (p.sampleFormat == SAMPLEFORMAT_IEEEFP || p.sampleFormat == SAMPLEFORMAT_COMPLEXIEEEFP) {
        declined = TiffNotRead(QStringLiteral("floating point"));
        return false;
    }
    if (p.bits != 8 && p.bits != 16) {
        declined = TiffNotRead(shape);
        return false;
    }
    const bool grey =
        p.photometric == PHOTOMETRIC_MINISBLACK || p.photometric == PHOTOMETRIC_MINISWHITE;
    if (p.samples == 1 && p.bits == 8 && p.photometric == PHOTOMETRIC_MINISBLACK) {
        kind = TiffKind::Grey8;
    } else if (p.samples == 1 && p.bits == 16 && p.photometric == PHOTOMETRIC_MINISBLACK) {
        kind = TiffKind::Grey16;
    } else if (p.samples == 1 && p.bits == 8 && (grey || p.photometric == PHOTOMETRIC_PALETTE)) {
        kind = TiffKind::Indexed8;
    } else if (p.bits == 16 && p.photometric == PHOTOMETRIC_RGB &&
               (p.samples == 3 || p.samples == 4)) {
        // Read as stored, so the samples must lie together.
        if (p.planar != PLANARCONFIG_CONTIG) {
            declined = TiffNotRead(QStringLiteral("16-bit colour in separate planes"));
            return false;
        }
        kind = p.samples == 3 ? TiffKind::Rgb48 : TiffKind::Rgba64;
    } else if ((grey && p.samples <= 2) ||
               (p.photometric == PHOTOMETRIC_RGB && p.samples <= 4 && p.samples >= 3)) {
        kind = TiffKind::ViaRgba;
    } else {
        declined = TiffNotRead(shape);
        return false;
    }
    return true;
}

// Where the stored rows go: the picture's own rows for 16-bit samples, 32-bit pixels through a
// table for 8-bit ones.
class RowSink {
public:
    RowSink(TiffKind kind, unsigned char* out, std::ptrdiff_t stride)
        : m_kind(kind), m_out(out), m_stride(stride) {}
    std::array<std::uint32_t, 256> table{};

    // `count` stored pixels of row `y` from column `x`; of one plane when the samples lie in
    // separate planes.
    void Put(std::uint32_t y, std::uint32_t x, const unsigned char* from, std::uint32_t count,
             std::uint16_t plane) {
        unsigned char* row = m_out + static_cast<std::ptrdiff_t>(y) * m_stride;
        switch (m_kind) {
            case TiffKind::Grey8:
            case TiffKind::Indexed8: {
                auto* to = reinterpret_cast<std::uint32_t*>(row) + x;
                for (std::uint32_t i = 0; i < count; ++i) to[i] = table[from[i]];
                break;
            }
            case TiffKind::Grey16:
                std::memcpy(row + x * 2, from, std::size_t{count} * 2);
                break;
            case TiffKind::Rgba64:
                std::memcpy(row + x * 8, from, std::size_t{count} * 8);
                break;
            case TiffKind::Rgb48: {
                auto* to = reinterpret_cast<std::uint16_t*>(row) + std::size_t{x} * 4;
                for (std::uint32_t i = 0; i < count; ++i) {
                    std::uint16_t rgb[3];
                    std::memcpy(rgb, from + std::size_t{i} * 6, 6);
                    to[4 * i] = rgb[0];
                    to[4 * i + 1] = rgb[1];
                    to[4 * i + 2] = rgb[2];
                    to[4 * i + 3] = 0xFFFF;
                }
                break;
            }
            case TiffKind::Rgb8: {
                auto* to = reinterpret_cast<std::uint32_t*>(row) + x;
                if (m_separate) {
                    // Red comes first and sets the pixel; green and blue go in beside it.
                    const int shift = 16 - 8 * plane;
                    for (std::uint32_t i = 0; i < count; ++i) {
                        const std::uint32_t v = std::uint32_t{from[i]} << shift;
                        to[i] = plane == 0 ? 0xFF000000u | v : to[i] | v;
                    }
                } else {
                    for (std::uint32_t i = 0; i < count; ++i) {
                        const unsigned char* s = from + std::size_t{i} * 3;
                        to[i] = 0xFF000000u | std::uint32_t{s[0]} << 16 | std::uint32_t{s[1]} << 8 |
                                s[2];
                    }
                }
                break;
            }
            case TiffKind::ViaRgba:
                break;
        }
    }
    void SetSeparate(bool separate) { m_separate = separate; }

private:
    TiffKind m_kind;
    unsigned char* m_out;
    std::ptrdiff_t m_stride;
    bool m_separate = false;
};

// Whether a strip or tile holds a pixel of the region.
bool Touches(const PixelRegion& region, const TiffBlock& block) {
    const auto first = [](std::uint32_t at, int cell) { return static_cast<int>(at) / cell; };
    const int left = first(block.x, PixelRegion::kCellWidth);
    const int right = std::min(first(block.x + block.columns - 1, PixelRegion::kCellWidth),
                               region.CellColumns() - 1);
    const int top = first(block.y, PixelRegion::kCellHeight);
    const int bottom =
        std::min(first(block.y + block.rows - 1, PixelRegion::kCellHeight), region.CellRows() - 1);
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            if (region.HasCell(column, row)) return true;
        }
    }
    return false;
}

// Reads the stored rows of a page in strips or tiles into the sink: all of them, or with a
// region those that hold a pixel of it. Where the rows as stored are the picture's own (16-bit
// grey of an even width), each strip is decoded straight into them.
bool ReadStored(TIFF* tif, const TiffPage& p, std::size_t pixelBytes, RowSink& sink,
                unsigned char* direct, std::ptrdiff_t stride, const PixelRegion* region,
                TiffRows& rows) {
    const bool separate = p.planar == PLANARCONFIG_SEPARATE && p.samples > 1;
    const std::uint16_t planes = separate ? p.samples : 1;
    sink.SetSeparate(separate);
    const std::size_t blockPixelBytes = pixelBytes / planes;
    const std::size_t rowBytes = p.width * blockPixelBytes;
    // Whether the block is read, counting it.
    const auto wanted = [&](const TiffBlock& block) {
        rows.count.total += planes;
        if (region != nullptr && !Touches(*region, block)) return false;
        rows.count.read += planes;
        if (region != nullptr) rows.read.push_back(block);
        return true;
    };
    // A compressed strip or tile the region does not reach is still decoded, into scratch, and
    // dropped: damage inside its data shows only in decoding it, and a page whose data is
    // damaged anywhere is never measured, whichever part the lines read. An uncompressed one is
    // checked whole by its place and size before anything is read.
    const bool decodeUnread = region != nullptr && p.compression != COMPRESSION_NONE;
    std::vector<unsigned char> scratch;
    if (p.tiled) {
        std::uint32_t tileWidth = 0;
        std::uint32_t tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        const tmsize_t tileBytes = TIFFTileSize(tif);
        const std::size_t tileRow = tileWidth * blockPixelBytes;
        if (tileBytes <= 0 || static_cast<std::size_t>(tileBytes) < tileRow * tileHeight) {
            return false;
        }
        scratch.resize(static_cast<std::size_t>(tileBytes));
        for (std::uint32_t y = 0; y < p.height; y += tileHeight) {
            for (std::uint32_t x = 0; x < p.width; x += tileWidth) {
                const TiffBlock block{x, y, std::min(tileWidth, p.width - x),
                                      std::min(tileHeight, p.height - y)};
                const bool put = wanted(block);
                if (!put && !decodeUnread) continue;
                for (std::uint16_t plane = 0; plane < planes; ++plane) {
                    if (TIFFReadTile(tif, scratch.data(), x, y, 0, plane) < 0) return false;
                    if (!put) continue;
                    for (std::uint32_t i = 0; i < block.rows; ++i) {
                        sink.Put(y + i, x, scratch.data() + i * tileRow, block.columns, plane);
                    }
                }
            }
        }
        return true;
    }
    std::uint32_t rowsPerStrip = p.height;
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::min(std::max(rowsPerStrip, 1u), p.height);
    const std::uint32_t stripsPerPlane = (p.height - 1) / rowsPerStrip + 1;
    for (std::uint32_t y = 0, strip = 0; y < p.height; y += rowsPerStrip, ++strip) {
        const TiffBlock block{0, y, p.width, std::min(rowsPerStrip, p.height - y)};
        const bool put = wanted(block);
        if (!put && !decodeUnread) continue;
        const auto bytes = static_cast<tmsize_t>(rowBytes * block.rows);
        for (std::uint16_t plane = 0; plane < planes; ++plane) {
            unsigned char* into = nullptr;
            if (put && direct != nullptr && static_cast<std::size_t>(stride) == rowBytes) {
                into = direct + static_cast<std::ptrdiff_t>(y) * stride;
            } else {
                scratch.resize(static_cast<std::size_t>(bytes));
                into = scratch.data();
            }
            if (TIFFReadEncodedStrip(tif, plane * stripsPerPlane + strip, into, bytes) != bytes) {
                return false;
            }
            if (put && into == scratch.data()) {
                for (std::uint32_t i = 0; i < block.rows; ++i) {
                    sink.Put(y + i, 0, into + i * rowBytes, p.width, plane);
                }
            }
        }
    }
    return true;
}

// Whether a page that Qt reads through libtiff's RGBA reader is 8-bit RGB that the reader gives
// as stored: three samples and no extra one (so no alpha to fold in), which the reader puts in
// with no table, whatever the planes, rows per strip or orientation (asked for as stored). Such
// a page is read as stored: the same pixels, and uncompressed tiles in separate planes, which
// the RGBA reader refuses from a file that is not mapped (it wants each tile three times its
// size), are read too.
bool PlainRgb8(CTiffFile& file, const TiffPage& p) {
    if (p.bits != 8 || p.samples != 3 || p.photometric != PHOTOMETRIC_RGB) return false;
    std::uint16_t extras = 0;
    std::uint16_t* extra = nullptr;
    if (TIFFGetField(file.Handle(), TIFFTAG_EXTRASAMPLES, &extras, &extra) != 0 && extras != 0) {
        return false;
    }
    char message[1024] = {};
    return TIFFRGBAImageOK(file.Handle(), message) != 0;
}

}  // namespace

bool OpenTiffPage(CTiffFile& file, TiffPage& p, TiffKind& kind, DirectDecode& refused) {
    TIFF* tif = file.Handle();
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &p.width) == 0 ||
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &p.height) == 0 ||
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &p.photometric) == 0) {
        refused = TiffDamaged(file, "the TIFF page gives no size or colour space");
        return false;
    }
    if (p.width == 0 || p.height == 0) {
        refused = TiffOutcome(DirectDecode::Outcome::Failed,
                              CorruptFault(QStringLiteral("the TIFF picture has no pixels")));
        return false;
    }
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &p.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &p.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &p.sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &p.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &p.compression);
    p.tiled = TIFFIsTiled(tif) != 0;
    if (PictureFault tooLarge = TooLargeFault(p.width, p.height,
                                              p.bits <= 8      ? 4
                                              : p.samples == 1 ? 6
                                                               : 12)) {
        refused = TiffOutcome(DirectDecode::Outcome::Failed, tooLarge);
        return false;
    }
    if (!Classify(p, kind, refused)) return false;
    if (p.tiled) {
        std::uint32_t tileWidth = 0;
        std::uint32_t tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        if (tileWidth == 0 || tileHeight == 0 || tileWidth % 16 != 0 || tileHeight % 16 != 0) {
            refused =
                TiffNotRead(QStringLiteral("tiles of %1 x %2").arg(tileWidth).arg(tileHeight));
            return false;
        }
    }
    if (PictureFault fault = CheckTiffPage(file, p)) {
        refused = TiffOutcome(fault.problem == PictureProblem::NotPicture
                                  ? DirectDecode::Outcome::Declined
                                  : DirectDecode::Outcome::Failed,
                              fault);
        return false;
    }
    if (kind == TiffKind::ViaRgba && PlainRgb8(file, p)) kind = TiffKind::Rgb8;
    file.TakeError();
    return true;
}

bool TiffPremultiplied(CTiffFile& file, const TiffPage& p) {
    std::uint16_t count = 0;
    std::uint16_t* extra = nullptr;
    const bool present = TIFFGetField(file.Handle(), TIFFTAG_EXTRASAMPLES, &count, &extra) != 0 &&
                         count > 0 && extra != nullptr;
    if (!present || extra[0] == EXTRASAMPLE_UNSPECIFIED) return false;
    return !(p.bits == 16 && extra[0] == EXTRASAMPLE_UNASSALPHA);
}

DirectDecode ReadTiffRows(CTiffFile& file, const TiffPage& p, TiffKind kind, CPixelBuffer& pixels,
                          const PixelRegion* region, TiffRows& rows) {
    TIFF* tif = file.Handle();
    const std::size_t pixelBytes = p.samples * p.bits / 8u;
    const std::size_t outBytes = kind == TiffKind::Grey16                              ? 2
                                 : kind == TiffKind::Rgb48 || kind == TiffKind::Rgba64 ? 8
                                                                                       : 4;
    rows.format = kind == TiffKind::Grey16  ? QImage::Format_Grayscale16
                  : kind == TiffKind::Rgb48 ? QImage::Format_RGBX64
                  : kind == TiffKind::Rgba64
                      ? (TiffPremultiplied(file, p) ? QImage::Format_RGBA64_Premultiplied
                                                    : QImage::Format_RGBA64)
                      : QImage::Format_RGB32;
    // Alpha goes as Qt's own conversion drops it.
    rows.held = kind == TiffKind::Rgba64 ? QImage::Format_RGBX64 : rows.format;
    rows.stride = static_cast<std::ptrdiff_t>((std::size_t{p.width} * outBytes + 3) / 4 * 4);
    rows.bits = static_cast<unsigned char*>(
        pixels.PrepareBytes(static_cast<std::size_t>(rows.stride) * p.height));
    if (rows.bits == nullptr) return TiffOutcome(DirectDecode::Outcome::OutOfMemory);
    RowSink sink(kind, rows.bits, rows.stride);
    if (kind == TiffKind::Grey8) {
        for (std::uint32_t v = 0; v < 256; ++v) sink.table[v] = 0xFF000000u | v * 0x010101u;
    } else if (kind == TiffKind::Indexed8) {
        std::uint16_t* red = nullptr;
        std::uint16_t* green = nullptr;
        std::uint16_t* blue = nullptr;
        const bool palette = p.photometric == PHOTOMETRIC_PALETTE;
        if (palette && (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) == 0 ||
                        red == nullptr || green == nullptr || blue == nullptr)) {
            return TiffDamaged(file, "the TIFF palette picture has no colour map");
        }
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t c = palette                                   ? 0
                                    : p.photometric == PHOTOMETRIC_MINISBLACK ? i
                                                                              : 255 - i;
            // A palette's 16-bit entries keep their high byte.
            sink.table[i] = palette ? 0xFF000000u | (std::uint32_t{red[i]} >> 8) << 16 |
                                          (std::uint32_t{green[i]} >> 8) << 8 |
                                          std::uint32_t{blue[i]} >> 8
                                    : 0xFF000000u | c * 0x010101u;
        }
    }
    const bool straight = kind == TiffKind::Grey16 || kind == TiffKind::Rgba64;
    if (!ReadStored(tif, p, pixelBytes, sink, straight ? rows.bits : nullptr, rows.stride, region,
                    rows)) {
        return TiffDamaged(file, "libtiff cannot read the TIFF picture data");
    }
    // libtiff reports some damage and carries on; what it reported fails the page.
    if (const QString error = file.TakeError(); !error.isEmpty()) {
        return TiffOutcome(DirectDecode::Outcome::Failed, CorruptFault(error));
    }
    DirectDecode result = TiffOutcome(DirectDecode::Outcome::Decoded);
    result.width = static_cast<int>(p.width);
    result.height = static_cast<int>(p.height);
    return result;
}
