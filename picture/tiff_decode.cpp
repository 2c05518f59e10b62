// SPDX-License-Identifier: GPL-3.0-or-later
// One page of a TIFF through libtiff, into the pixels Qt's TIFF reader gives for it. Qt reads
// 8-bit grey and palette pages, 16-bit grey and 16-bit RGB(A) row by row as they are stored, and
// every other page through libtiff's RGBA reader; so does this, and the conversions that follow
// (a palette's 16-bit entries cut to their high byte, libtiff's ABGR to ARGB, alpha away) are
// Qt's own, or Qt's conversion itself where an alpha channel is involved.

#include "picture/tiff_decode.h"

#include <tiffio.h>

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "picture/tiff_file.h"
#include "picture/tiff_page.h"

namespace {

// The kinds of page, by the format Qt's reader gives for them.
enum class Kind { Grey8, Indexed8, Grey16, Rgb48, Rgba64, ViaRgba };


DirectDecode Result(DirectDecode::Outcome outcome, PictureFault fault = {}) {
    DirectDecode result;
    result.outcome = outcome;
    result.fault = std::move(fault);
    return result;
}

DirectDecode NotRead(const QString& what) {
    return Result(
        DirectDecode::Outcome::Declined,
        {QStringLiteral("a TIFF picture of a kind that is not read (%1)").arg(what),
         QCoreApplication::translate("Document", "この種類の TIFF 画像は読み込めません（%1）。")
             .arg(what),
         PictureProblem::NotPicture});
}

DirectDecode Damaged(CTiffFile& file, const char* what) {
    const QString error = file.TakeError();
    return Result(DirectDecode::Outcome::Failed,
                  CorruptFault(error.isEmpty() ? QString::fromLatin1(what) : error));
}

// The kind Qt's reader makes of the page, or a decline that says why it is not read here.
bool Classify(const TiffPage& p, Kind& kind, DirectDecode& declined) {
    const QString shape =
        QStringLiteral("%1 bits, %2 samples, photometric %3").arg(p.bits).arg(p.samples).arg(
            p.photometric);
    if (p.sampleFormat == SAMPLEFORMAT_IEEEFP || p.sampleFormat == SAMPLEFORMAT_COMPLEXIEEEFP) {
        declined = NotRead(QStringLiteral("floating point"));
        return false;
    }
    if (p.bits != 8 && p.bits != 16) {
        declined = NotRead(shape);
        return false;
    }
    const bool grey = p.photometric == PHOTOMETRIC_MINISBLACK ||
                      p.photometric == PHOTOMETRIC_MINISWHITE;
    if (p.samples == 1 && p.bits == 8 && p.photometric == PHOTOMETRIC_MINISBLACK) {
        kind = Kind::Grey8;
    } else if (p.samples == 1 && p.bits == 16 && p.photometric == PHOTOMETRIC_MINISBLACK) {
        kind = Kind::Grey16;
    } else if (p.samples == 1 && p.bits == 8 && (grey || p.photometric == PHOTOMETRIC_PALETTE)) {
        kind = Kind::Indexed8;
    } else if (p.bits == 16 && p.photometric == PHOTOMETRIC_RGB &&
               (p.samples == 3 || p.samples == 4)) {
        // Read as stored, so the samples must lie together.
        if (p.planar != PLANARCONFIG_CONTIG) {
            declined = NotRead(QStringLiteral("16-bit colour in separate planes"));
            return false;
        }
        kind = p.samples == 3 ? Kind::Rgb48 : Kind::Rgba64;
    } else if ((grey && p.samples <= 2) || (p.photometric == PHOTOMETRIC_RGB && p.samples <= 4 &&
                                            p.samples >= 3)) {
        kind = Kind::ViaRgba;
    } else {
        declined = NotRead(shape);
        return false;
    }
    return true;
}

// Where the stored rows go: the picture's own rows for 16-bit samples, 32-bit pixels through a
// table for 8-bit ones.
class RowSink {
public:
    RowSink(Kind kind, unsigned char* out, std::ptrdiff_t stride) :
        m_kind(kind), m_out(out), m_stride(stride) {}
    std::array<std::uint32_t, 256> table{};

    // `count` stored pixels of row `y` from column `x`.
    void Put(std::uint32_t y, std::uint32_t x, const unsigned char* from, std::uint32_t count) {
        unsigned char* row = m_out + static_cast<std::ptrdiff_t>(y) * m_stride;
        switch (m_kind) {
            case Kind::Grey8:
            case Kind::Indexed8: {
                auto* to = reinterpret_cast<std::uint32_t*>(row) + x;
                for (std::uint32_t i = 0; i < count; ++i) to[i] = table[from[i]];
                break;
            }
            case Kind::Grey16:
                std::memcpy(row + x * 2, from, std::size_t{count} * 2);
                break;
            case Kind::Rgba64:
                std::memcpy(row + x * 8, from, std::size_t{count} * 8);
                break;
            case Kind::Rgb48: {
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
            case Kind::ViaRgba:
                break;
        }
    }

private:
    Kind m_kind;
    unsigned char* m_out;
    std::ptrdiff_t m_stride;
};

// Reads the stored rows of a page in strips or tiles into the sink. Where the rows as stored
// are the picture's own (16-bit grey of an even width), each strip is decoded straight into
// them.
bool ReadStored(TIFF* tif, const TiffPage& p, std::size_t pixelBytes, RowSink& sink,
                unsigned char* direct, std::ptrdiff_t stride) {
    const std::size_t rowBytes = p.width * pixelBytes;
    std::vector<unsigned char> scratch;
    if (p.tiled) {
        std::uint32_t tileWidth = 0;
        std::uint32_t tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        const tmsize_t tileBytes = TIFFTileSize(tif);
        const std::size_t tileRow = tileWidth * pixelBytes;
        if (tileBytes <= 0 || static_cast<std::size_t>(tileBytes) < tileRow * tileHeight) {
            return false;
        }
        scratch.resize(static_cast<std::size_t>(tileBytes));
        for (std::uint32_t y = 0; y < p.height; y += tileHeight) {
            for (std::uint32_t x = 0; x < p.width; x += tileWidth) {
                if (TIFFReadTile(tif, scratch.data(), x, y, 0, 0) < 0) return false;
                const std::uint32_t rows = std::min(tileHeight, p.height - y);
                const std::uint32_t columns = std::min(tileWidth, p.width - x);
                for (std::uint32_t i = 0; i < rows; ++i) {
                    sink.Put(y + i, x, scratch.data() + i * tileRow, columns);
                }
            }
        }
        return true;
    }
    std::uint32_t rowsPerStrip = p.height;
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::min(std::max(rowsPerStrip, 1u), p.height);
    for (std::uint32_t y = 0, strip = 0; y < p.height; y += rowsPerStrip, ++strip) {
        const std::uint32_t rows = std::min(rowsPerStrip, p.height - y);
        const auto bytes = static_cast<tmsize_t>(rowBytes * rows);
        unsigned char* into = nullptr;
        if (direct != nullptr && static_cast<std::size_t>(stride) == rowBytes) {
            into = direct + static_cast<std::ptrdiff_t>(y) * stride;
        } else {
            scratch.resize(static_cast<std::size_t>(bytes));
            into = scratch.data();
        }
        if (TIFFReadEncodedStrip(tif, strip, into, bytes) != bytes) return false;
        if (into == scratch.data()) {
            for (std::uint32_t i = 0; i < rows; ++i) sink.Put(y + i, 0, into + i * rowBytes, p.width);
        }
    }
    return true;
}

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

// Whether an alpha channel of the page reaches Qt premultiplied.
bool Premultiplied(TIFF* tif, const TiffPage& p) {
    std::uint16_t count = 0;
    std::uint16_t* extra = nullptr;
    const bool present = TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &extra) != 0 &&
                         count > 0 && extra != nullptr;
    if (!present || extra[0] == EXTRASAMPLE_UNSPECIFIED) return false;
    return !(p.bits == 16 && extra[0] == EXTRASAMPLE_UNASSALPHA);
}

}  // namespace

DirectDecode DecodeTiffPage(CTiffFile& file, CPixelBuffer& pixels, QImage& image) {
    image = QImage();
    TIFF* tif = file.Handle();
    TiffPage p;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &p.width) == 0 ||
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &p.height) == 0 ||
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &p.photometric) == 0) {
        return Damaged(file, "the TIFF page gives no size or colour space");
    }
    if (p.width == 0 || p.height == 0) {
        return Result(DirectDecode::Outcome::Failed,
                      CorruptFault(QStringLiteral("the TIFF picture has no pixels")));
    }
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &p.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &p.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &p.sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &p.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &p.compression);
    p.tiled = TIFFIsTiled(tif) != 0;
    if (PictureFault tooLarge = TooLargeFault(p.width, p.height,
                                              p.bits <= 8        ? 4
                                              : p.samples == 1 ? 6
                                                               : 12)) {
        return Result(DirectDecode::Outcome::Failed, tooLarge);
    }
    Kind kind = Kind::ViaRgba;
    DirectDecode declined;
    if (!Classify(p, kind, declined)) return declined;
    if (p.tiled) {
        std::uint32_t tileWidth = 0;
        std::uint32_t tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        if (tileWidth == 0 || tileHeight == 0 || tileWidth % 16 != 0 || tileHeight % 16 != 0) {
            return NotRead(QStringLiteral("tiles of %1 x %2").arg(tileWidth).arg(tileHeight));
        }
    }
    if (PictureFault fault = CheckTiffPage(file, p)) {
        return Result(fault.problem == PictureProblem::NotPicture ? DirectDecode::Outcome::Declined
                                                                 : DirectDecode::Outcome::Failed,
                      fault);
    }
    file.TakeError();

    DirectDecode result;
    result.width = static_cast<int>(p.width);
    result.height = static_cast<int>(p.height);
    const auto oom = [&] { return Result(DirectDecode::Outcome::OutOfMemory); };
    QImage::Format format = QImage::Format_RGB32;
    if (kind == Kind::ViaRgba) {
        char message[1024] = {};
        if (TIFFRGBAImageOK(tif, message) == 0) return NotRead(QString::fromUtf8(message));
        std::uint32_t* raster = pixels.Prepare(result.width, result.height);
        if (raster == nullptr) return oom();
        if (TIFFReadRGBAImageOriented(tif, p.width, p.height, raster, StoredOrientation(tif), 1) ==
            0) {
            return Damaged(file, "libtiff cannot read the TIFF picture");
        }
        AbgrToArgb(raster, std::size_t{p.width} * p.height);
        if (p.samples >= 4) {
            format = Premultiplied(tif, p) ? QImage::Format_ARGB32_Premultiplied
                                           : QImage::Format_ARGB32;
        }
        image = pixels.WrapWritable(result.width, result.height,
                                    static_cast<qsizetype>(p.width) * 4, format);
    } else {
        const std::size_t pixelBytes = p.samples * p.bits / 8u;
        const int outBytes = kind == Kind::Grey16 ? 2 : kind == Kind::Grey8 || kind == Kind::Indexed8
                                                            ? 4
                                                            : 8;
        format = kind == Kind::Grey16   ? QImage::Format_Grayscale16
                 : kind == Kind::Rgb48  ? QImage::Format_RGBX64
                 : kind == Kind::Rgba64 ? (Premultiplied(tif, p) ? QImage::Format_RGBA64_Premultiplied
                                                                 : QImage::Format_RGBA64)
                                        : QImage::Format_RGB32;
        const auto stride = static_cast<std::ptrdiff_t>((std::size_t{p.width} * outBytes + 3) / 4 * 4);
        auto* out = static_cast<unsigned char*>(
            pixels.PrepareBytes(static_cast<std::size_t>(stride) * p.height));
        if (out == nullptr) return oom();
        RowSink sink(kind, out, stride);
        if (kind == Kind::Grey8) {
            for (std::uint32_t v = 0; v < 256; ++v) sink.table[v] = 0xFF000000u | v * 0x010101u;
        } else if (kind == Kind::Indexed8) {
            std::uint16_t* red = nullptr;
            std::uint16_t* green = nullptr;
            std::uint16_t* blue = nullptr;
            const bool palette = p.photometric == PHOTOMETRIC_PALETTE;
            if (palette && (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) == 0 ||
                            red == nullptr || green == nullptr || blue == nullptr)) {
                return Damaged(file, "the TIFF palette picture has no colour map");
            }
            for (std::uint32_t i = 0; i < 256; ++i) {
                const std::uint32_t c = palette ? 0 : p.photometric == PHOTOMETRIC_MINISBLACK
                                                          ? i
                                                          : 255 - i;
                // A palette's 16-bit entries keep their high byte.
                sink.table[i] = palette ? 0xFF000000u | (std::uint32_t{red[i]} >> 8) << 16 |
                                              (std::uint32_t{green[i]} >> 8) << 8 |
                                              std::uint32_t{blue[i]} >> 8
                                        : 0xFF000000u | c * 0x010101u;
            }
        }
        const bool straight = kind == Kind::Grey16 || kind == Kind::Rgba64;
        if (!ReadStored(tif, p, pixelBytes, sink, straight ? out : nullptr, stride)) {
            return Damaged(file, "libtiff cannot read the TIFF picture data");
        }
        image = pixels.WrapWritable(result.width, result.height, stride, format);
    }
    if (image.isNull()) return oom();
    // libtiff reports some damage and carries on; what it reported fails the page.
    if (const QString error = file.TakeError(); !error.isEmpty()) {
        image = QImage();
        return Result(DirectDecode::Outcome::Failed, CorruptFault(error));
    }
    // Alpha goes as Qt's own conversion drops it.
    const QImage::Format held = kind == Kind::Rgba64 ? QImage::Format_RGBX64
                                : kind == Kind::Grey16 || kind == Kind::Rgb48 ? format
                                                                              : QImage::Format_RGB32;
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
