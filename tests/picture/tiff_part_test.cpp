// SPDX-License-Identifier: GPL-3.0-or-later
// A TIFF page decoded only where lines reach: every pixel of the region as the whole decode gives
// it, whatever the samples, strips, tiles, planes and compression; damage anywhere in the page
// refused as the whole decode refuses it; and no more strips read than the region needs.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/pixel_request.h"
#include "picture/tiff_decode.h"
#include "picture/tiff_file.h"
#include "picture/tiff_stored.h"
#include "tiff_fields.h"

namespace {

using Outcome = DirectDecode::Outcome;

struct Layout {
    const char* name;
    std::uint16_t bits, samples, photometric;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint32_t rowsPerStrip = 4;
    std::uint32_t tileWidth = 0;  // strips when 0
    std::uint32_t tileHeight = 0;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t extra = 0xFFFF;  // the last sample's meaning, none when 0xFFFF
    std::uint16_t orientation = 0;
    std::uint32_t width = 67;  // odd: tiles overhang and 16-bit rows are padded
    std::uint32_t height = 45;
    bool partial = true;  // false: the page is read whole only
};

unsigned Sample(const Layout& l, std::uint32_t x, std::uint32_t y, int s) {
    const unsigned v = x * 2111u + y * 997u + static_cast<unsigned>(s) * 20011u;
    return l.bits == 8 ? (v >> 3) & 0xFFu : v & 0xFFFFu;
}

// Writes the page with libtiff into `path` and gives its bytes.
QByteArray WriteTiff(const Layout& l, const QString& path) {
    TIFF* tif = TIFFOpen(path.toLocal8Bit().constData(), "w");
    if (tif == nullptr) return {};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, l.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, l.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, l.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
    if (l.extra != 0xFFFF) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &l.extra);
    if (l.orientation != 0) TIFFSetField(tif, TIFFTAG_ORIENTATION, l.orientation);
    std::vector<std::uint16_t> map(768);  // low bytes unlike the high ones, which alone count
    for (unsigned i = 0; i < 768; ++i) map[i] = static_cast<std::uint16_t>((i * 37) << 8 | 0x7F);
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
    }
    const bool tiled = l.tileWidth != 0;
    const std::uint32_t blockWidth = tiled ? l.tileWidth : l.width;
    const std::uint32_t blockHeight = tiled ? l.tileHeight : l.rowsPerStrip;
    if (tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, l.tileWidth);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, l.tileHeight);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, l.rowsPerStrip);
    }
    const bool separate = l.planar == PLANARCONFIG_SEPARATE;
    const int planes = separate ? l.samples : 1;
    const int perPixel = separate ? 1 : l.samples;
    const std::size_t sampleBytes = l.bits / 8u;
    bool ok = true;
    for (int plane = 0; plane < planes && ok; ++plane) {
        for (std::uint32_t by = 0; by < l.height && ok; by += blockHeight) {
            for (std::uint32_t bx = 0; bx < l.width && ok; bx += blockWidth) {
                const std::uint32_t rows =
                    tiled ? blockHeight : std::min(blockHeight, l.height - by);
                std::vector<unsigned char> block(blockWidth * rows * perPixel * sampleBytes, 0);
                for (std::uint32_t y = by; y < std::min(by + rows, l.height); ++y) {
                    for (std::uint32_t x = bx; x < std::min(bx + blockWidth, l.width); ++x) {
                        for (int s = 0; s < perPixel; ++s) {
                            const unsigned v = Sample(l, x, y, separate ? plane : s);
                            unsigned char* to =
                                &block[(((y - by) * blockWidth + x - bx) * perPixel + s) *
                                       sampleBytes];
                            const auto v16 = static_cast<std::uint16_t>(v);
                            if (sampleBytes == 1)
                                *to = static_cast<unsigned char>(v);
                            else
                                std::memcpy(to, &v16, 2);
                        }
                    }
                }
                const auto s = static_cast<std::uint16_t>(plane);
                const std::uint32_t at =
                    tiled ? TIFFComputeTile(tif, bx, by, 0, s) : TIFFComputeStrip(tif, by, s);
                ok = (tiled ? TIFFWriteEncodedTile : TIFFWriteEncodedStrip)(
                         tif, at, block.data(), static_cast<tmsize_t>(block.size())) >= 0;
            }
        }
    }
    ok = ok && TIFFWriteDirectory(tif) != 0;
    TIFFClose(tif);
    QFile file(path);
    if (!ok || !file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

PixelRequest::Walk Walk(int x1, int y1, int x2, int y2, int reach) {
    return {{x1, y1}, SetupWalk(x1, y1, x2, y2), reach};
}

// The first pixel of the region where the part differs from the whole page, or "".
std::string Mismatch(const QImage& whole, const PixelView& part, const PixelRegion& region) {
    const PixelFormat format = whole.format() == QImage::Format_Grayscale16 ? PixelFormat::Grey16
                               : whole.format() == QImage::Format_RGBX64    ? PixelFormat::Rgba64
                                                                            : PixelFormat::Rgb32;
    if (part.IsNull() || part.width != whole.width() || part.height != whole.height() ||
        part.format != format) {
        return "not the page's shape";
    }
    const auto bytes = static_cast<std::size_t>(whole.depth() / 8);
    int held = 0;
    for (int y = 0; y < whole.height(); ++y) {
        for (int x = 0; x < whole.width(); ++x) {
            if (!region.Holds(x, y)) continue;
            ++held;
            const std::size_t at = static_cast<std::size_t>(x) * bytes;
            if (std::memcmp(whole.constScanLine(y) + at, part.bits + y * part.stride + at, bytes) !=
                0) {
                return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    return held == 0 && !region.Runs().empty() ? "no pixel compared" : "";
}

// 8-bit RGB is read as stored, where Qt takes libtiff's RGBA reader: the first pixel where that
// reader, from the file mapped (it refuses uncompressed tiles in separate planes otherwise),
// gives another colour, or "".
std::string RgbaReaderMismatch(const QString& path, const QImage& whole) {
    TIFF* tif = TIFFOpen(path.toLocal8Bit().constData(), "r");
    if (tif == nullptr) return "not opened";
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(whole.width()) *
                                      static_cast<std::size_t>(whole.height()));
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation);
    const int read = TIFFReadRGBAImageOriented(tif, static_cast<std::uint32_t>(whole.width()),
                                               static_cast<std::uint32_t>(whole.height()),
                                               raster.data(), orientation, 1);
    TIFFClose(tif);
    if (read == 0) return "not read";
    for (int y = 0; y < whole.height(); ++y) {
        for (int x = 0; x < whole.width(); ++x) {
            const std::uint32_t abgr = raster[static_cast<std::size_t>(y * whole.width() + x)];
            if (whole.pixel(x, y) != qRgb(static_cast<int>(TIFFGetR(abgr)),
                                          static_cast<int>(TIFFGetG(abgr)),
                                          static_cast<int>(TIFFGetB(abgr)))) {
                return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    return "";
}

TEST(TiffPart, EveryPixelOfTheRegionIsTheWholeDecodes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    constexpr std::uint16_t kGrey = PHOTOMETRIC_MINISBLACK;
    constexpr std::uint16_t kRgb = PHOTOMETRIC_RGB;
    constexpr std::uint16_t kSeparate = PLANARCONFIG_SEPARATE;
    constexpr std::uint16_t kContig = PLANARCONFIG_CONTIG;
    const Layout layouts[] = {
        {"grey8 strips of 4", 8, 1, kGrey},
        {"grey8 a row a strip, deflate", 8, 1, kGrey, kContig, 1, 0, 0, COMPRESSION_ADOBE_DEFLATE},
        {"grey8 tiles, lzw", 8, 1, kGrey, kContig, 0, 16, 16, COMPRESSION_LZW},
        {"grey8 one strip", 8, 1, kGrey, kContig, 45},
        {"white-is-zero grey8, packbits", 8, 1, PHOTOMETRIC_MINISWHITE, kContig, 3, 0, 0,
         COMPRESSION_PACKBITS},
        {"palette", 8, 1, PHOTOMETRIC_PALETTE, kContig, 5, 0, 0, COMPRESSION_LZW},
        {"rgb8 strips of 5", 8, 3, kRgb, kContig, 5},
        {"rgb8 tiles 32 x 16, deflate", 8, 3, kRgb, kContig, 0, 32, 16, COMPRESSION_ADOBE_DEFLATE},
        {"rgb8 planes, strips, lzw", 8, 3, kRgb, kSeparate, 4, 0, 0, COMPRESSION_LZW},
        {"rgb8 planes, tiles", 8, 3, kRgb, kSeparate, 0, 16, 32},
        {"rgb8 a quarter turn", 8, 3, kRgb, kContig, 6, 0, 0, COMPRESSION_NONE, 0xFFFF, 6},
        {"grey16 strips, deflate", 16, 1, kGrey, kContig, 7, 0, 0, COMPRESSION_ADOBE_DEFLATE},
        {"grey16 even width, a row a strip", 16, 1, kGrey, kContig, 1, 0, 0, COMPRESSION_NONE,
         0xFFFF, 0, 66},
        {"grey16 tiles, lzw", 16, 1, kGrey, kContig, 0, 16, 16, COMPRESSION_LZW},
        {"rgb16 strips", 16, 3, kRgb, kContig, 2},
        {"rgb16 tiles, deflate", 16, 3, kRgb, kContig, 0, 16, 16, COMPRESSION_ADOBE_DEFLATE},
        {"rgba16 straight alpha, strips", 16, 4, kRgb, kContig, 3, 0, 0, COMPRESSION_NONE,
         EXTRASAMPLE_UNASSALPHA},
        {"rgba16 premultiplied, tiles", 16, 4, kRgb, kContig, 0, 16, 16, COMPRESSION_LZW,
         EXTRASAMPLE_ASSOCALPHA},
        // What the whole decode takes through libtiff's RGBA reader, which folds alpha in.
        {"rgba8", 8, 4, kRgb, kContig, 4, 0, 0, COMPRESSION_NONE, EXTRASAMPLE_UNASSALPHA, 0, 67, 45,
         false},
        {"grey8 with alpha", 8, 2, kGrey, kContig, 4, 0, 0, COMPRESSION_NONE,
         EXTRASAMPLE_ASSOCALPHA, 0, 67, 45, false},
        {"white-is-zero grey16", 16, 1, PHOTOMETRIC_MINISWHITE, kContig, 4, 0, 0, COMPRESSION_NONE,
         0xFFFF, 0, 67, 45, false},
    };
    const struct {
        const char* name;
        std::vector<PixelRequest::Walk> walks;
    } geometries[] = {
        {"horizontal band", {Walk(0, 20, 66, 20, 0)}},
        {"diagonal", {Walk(3, 2, 60, 40, 1)}},
        {"vertical", {Walk(33, 0, 33, 44, 0)}},
        {"right edge", {Walk(66, 44, 66, 0, 0)}},
        {"corners", {Walk(0, 0, 0, 0, 0), Walk(66, 44, 66, 44, 3), Walk(66, 0, 66, 0, 0)}},
        {"wide by reach", {Walk(10, 30, 50, 31, 6)}},
        {"from off the picture", {Walk(-5, -5, 10, 3, 0)}},
        {"everything", {Walk(0, 0, 66, 44, 80)}},
        {"nothing", {}},
    };
    for (const Layout& l : layouts) {
        const QString path = dir.filePath(QString::fromLatin1(l.name) + QStringLiteral(".tif"));
        const QByteArray bytes = WriteTiff(l, path);
        ASSERT_FALSE(bytes.isEmpty()) << l.name;
        QString error;
        const std::unique_ptr<CTiffFile> wholeFile = CTiffFile::OpenMemory(bytes, error);
        ASSERT_TRUE(wholeFile && wholeFile->SelectPage(0) == CTiffFile::Select::Ok) << l.name;
        CPixelBuffer wholePixels;
        QImage whole;
        const DirectDecode wholeDecoded = DecodeTiffPage(*wholeFile, wholePixels, whole);
        ASSERT_EQ(wholeDecoded.outcome, Outcome::Decoded)
            << l.name << ": " << wholeDecoded.fault.reason.toStdString();
        if (l.bits == 8 && l.samples == 3) {
            EXPECT_EQ(RgbaReaderMismatch(path, whole), "") << l.name;
        }
        for (const auto& g : geometries) {
            const std::string at = std::string(l.name) + ", " + g.name;
            // A file of its own for each, as a measurement opens it: nothing read before.
            const std::unique_ptr<CTiffFile> file = CTiffFile::OpenMemory(bytes, error);
            ASSERT_TRUE(file && file->SelectPage(0) == CTiffFile::Select::Ok) << at;
            CPixelBuffer pixels;
            PixelView part;
            const PixelRequest request{g.walks};
            const DirectDecode decoded = DecodeTiffPagePart(*file, pixels, request, part);
            if (!l.partial) {
                EXPECT_EQ(decoded.outcome, Outcome::Declined) << at;
                EXPECT_TRUE(part.IsNull()) << at;
                continue;
            }
            ASSERT_EQ(decoded.outcome, Outcome::Decoded)
                << at << ": " << decoded.fault.reason.toStdString();
            EXPECT_EQ(decoded.width, whole.width()) << at;
            EXPECT_EQ(decoded.height, whole.height()) << at;
            const PixelRegion region(request, whole.width(), whole.height());
            EXPECT_EQ(Mismatch(whole, part, region), "") << at;
        }
    }
}

TEST(TiffPart, DamageWhereTheLinesDoNotReachIsRefusedAsTheWholeDecodeRefusesIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The lines read the first strip or tile alone; the damage lies in the last.
    const PixelRequest top{{Walk(0, 1, 40, 1, 0)}};
    const Layout uncompressed{"plain", 8, 1, PHOTOMETRIC_MINISBLACK};
    const QByteArray plain = WriteTiff(uncompressed, dir.filePath(QStringLiteral("plain.tif")));
    const Layout deflate{"deflate", 8, 1, PHOTOMETRIC_MINISBLACK,   PLANARCONFIG_CONTIG,
                         4,         0, 0, COMPRESSION_ADOBE_DEFLATE};
    const QByteArray squeezed = WriteTiff(deflate, dir.filePath(QStringLiteral("deflate.tif")));
    const Layout tiles{"tiles", 8, 1, PHOTOMETRIC_MINISBLACK, PLANARCONFIG_CONTIG, 0, 16, 16};
    const QByteArray tiled = WriteTiff(tiles, dir.filePath(QStringLiteral("tiles.tif")));
    ASSERT_FALSE(plain.isEmpty() || squeezed.isEmpty() || tiled.isEmpty());
    // The last strip's data spoilt: its deflate stream begins with nonsense.
    const auto spoilt = [](QByteArray bytes, std::uint32_t strip) {
        QString error;
        const std::unique_ptr<CTiffFile> file = CTiffFile::OpenMemory(bytes, error);
        if (!file || file->SelectPage(0) != CTiffFile::Select::Ok) return QByteArray();
        const std::uint64_t at = TIFFGetStrileOffset(file->Handle(), strip);
        for (int k = 0; k < 4; ++k) bytes[static_cast<qsizetype>(at) + k] = '\xFF';
        return bytes;
    };
    const struct {
        const char* name;
        QByteArray bytes;
        Outcome part;  // what the partial decode gives
    } cases[] = {
        {"last strip past the end",
         WithTiffField(plain, 273, static_cast<quint32>(plain.size() + 8)), Outcome::Failed},
        {"last strip short of rows", WithTiffField(plain, 279, 66), Outcome::Failed},
        {"last tile past the end", WithTiffField(tiled, 325, static_cast<quint32>(tiled.size())),
         Outcome::Failed},
        {"last compressed strip past the end",
         WithTiffField(squeezed, 279, static_cast<quint32>(squeezed.size())), Outcome::Failed},
        {"compression of no decoder", WithTiffField(squeezed, 259, 7), Outcome::Declined},
        // Damage inside compressed data shows only in decoding it: strips the lines do not read
        // are decoded all the same.
        {"first compressed strip spoilt", spoilt(squeezed, 0), Outcome::Failed},
        {"last compressed strip spoilt", spoilt(squeezed, 11), Outcome::Failed},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.bytes.isEmpty()) << c.name;
        QString error;
        const std::unique_ptr<CTiffFile> wholeFile = CTiffFile::OpenMemory(c.bytes, error);
        ASSERT_TRUE(wholeFile && wholeFile->SelectPage(0) == CTiffFile::Select::Ok) << c.name;
        CPixelBuffer wholePixels;
        QImage image;
        const DirectDecode whole = DecodeTiffPage(*wholeFile, wholePixels, image);
        ASSERT_NE(whole.outcome, Outcome::Decoded) << c.name;
        const std::unique_ptr<CTiffFile> file = CTiffFile::OpenMemory(c.bytes, error);
        ASSERT_TRUE(file && file->SelectPage(0) == CTiffFile::Select::Ok) << c.name;
        CPixelBuffer pixels;
        PixelView part;
        const DirectDecode decoded = DecodeTiffPagePart(*file, pixels, top, part);
        EXPECT_EQ(decoded.outcome, c.part) << c.name << ": " << decoded.fault.reason.toStdString();
        if (c.part == Outcome::Decoded) continue;
        EXPECT_EQ(decoded.outcome, whole.outcome) << c.name;
        EXPECT_EQ(decoded.fault.reason, whole.fault.reason) << c.name;
        EXPECT_EQ(decoded.fault.problem, whole.fault.problem) << c.name;
        EXPECT_TRUE(part.IsNull()) << c.name;
    }
}

TEST(TiffPart, OnlyTheStripsOrTilesOfTheRegionAreRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        Layout layout;
        std::vector<PixelRequest::Walk> walks;
        std::size_t read, total;
    } cases[] = {
        // A tenth of the rows: rows 90 to 109 by their cells, 20 strips of 200.
        {{"a row a strip", 8, 1, PHOTOMETRIC_MINISBLACK, PLANARCONFIG_CONTIG, 1, 0, 0,
          COMPRESSION_NONE, 0xFFFF, 0, 67, 200},
         {Walk(0, 100, 66, 100, 9)},
         20,
         200},
        // Rows 0 and 1 lie in the first strip of each of the three planes.
        {{"planes", 8, 3, PHOTOMETRIC_RGB, PLANARCONFIG_SEPARATE, 8, 0, 0, COMPRESSION_NONE, 0xFFFF,
          0, 67, 40},
         {Walk(5, 0, 60, 1, 0)},
         3,
         15},
        // A vertical line at x 40 meets the third column of tiles only.
        {{"tiles", 16, 1, PHOTOMETRIC_MINISBLACK, PLANARCONFIG_CONTIG, 0, 16, 16, COMPRESSION_LZW,
          0xFFFF, 0, 67, 45},
         {Walk(40, 0, 40, 44, 0)},
         3,
         15},
        {{"nothing", 8, 1, PHOTOMETRIC_MINISBLACK}, {}, 0, 12},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = WriteTiff(c.layout, dir.filePath(QStringLiteral("count.tif")));
        QString error;
        const std::unique_ptr<CTiffFile> file = CTiffFile::OpenMemory(bytes, error);
        ASSERT_TRUE(file && file->SelectPage(0) == CTiffFile::Select::Ok) << c.layout.name;
        CPixelBuffer pixels;
        PixelView part;
        TiffBlockCount count;
        ASSERT_EQ(DecodeTiffPagePart(*file, pixels, PixelRequest{c.walks}, part, &count).outcome,
                  Outcome::Decoded)
            << c.layout.name;
        EXPECT_EQ(count.read, c.read) << c.layout.name;
        EXPECT_EQ(count.total, c.total) << c.layout.name;
    }
}

}  // namespace
