// SPDX-License-Identifier: GPL-3.0-or-later
// Completeness checks of PNG and TIFF files, and of one page of a TIFF open in libtiff: the
// structure only, never a pixel. Qt's readers
// fail on most damage themselves; what they pass over is a file cut inside the PNG end chunk,
// TIFF values cut from the end of the file (the directory Qt writes follows the pixels), and the
// TIFF compressions whose decoders only warn about damaged data.
#include <tiffio.h>

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstdint>

#include "picture/picture_checks.h"
#include "picture/tiff_file.h"
#include "picture/tiff_page.h"

namespace {

unsigned ByteAt(const QByteArray& data, qsizetype at) {
    return static_cast<unsigned char>(data.at(at));
}

// ---------------------------------------------------------------------------------------------
// TIFF

// Reads numbers in the file's byte order; callers check the bounds first.
class TiffReader {
public:
    TiffReader(const QByteArray& data, bool bigEndian) : m_data(data), m_big(bigEndian) {}

    std::uint64_t Read(qsizetype at, int bytes) const {
        std::uint64_t v = 0;
        for (int k = 0; k < bytes; ++k) {
            const unsigned b = ByteAt(m_data, at + (m_big ? k : bytes - 1 - k));
            v = v << 8 | b;
        }
        return v;
    }

private:
    const QByteArray& m_data;
    bool m_big;
};

// The size of one value of a TIFF field type; 0 for a type this reader does not know.
int TypeSize(unsigned type) {
    static constexpr std::array<int, 19> kSizes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4,
                                                   8, 4, 8, 4, 0, 0, 8, 8, 8};
    return type < kSizes.size() ? kSizes[type] : 0;
}

// One field of the directory: where its values lie and how they are stored.
struct TiffField {
    unsigned type = 0;
    std::uint64_t count = 0;
    qsizetype at = -1;  // the first value; -1 when the directory has no such field

    bool Present() const { return at >= 0; }
};

constexpr unsigned kWidth = 256, kHeight = 257, kBits = 258, kCompression = 259,
                   kStripOffsets = 273, kSamples = 277, kRowsPerStrip = 278, kStripByteCounts = 279,
                   kPlanar = 284, kTileWidth = 322, kTileLength = 323, kTileOffsets = 324,
                   kTileByteCounts = 325;

}  // namespace

PictureFault CheckPngComplete(const QByteArray& data) {
    const qsizetype size = data.size();
    const PictureFault cut = CutFault(QStringLiteral("the file ends before the PNG end chunk"));
    qsizetype at = 8;  // after the signature
    bool pixelData = false;
    for (bool first = true;; first = false) {
        if (at + 8 > size) return cut;
        const std::uint64_t length = std::uint64_t{ByteAt(data, at)} << 24 |
                                     ByteAt(data, at + 1) << 16 | ByteAt(data, at + 2) << 8 |
                                     ByteAt(data, at + 3);
        const QByteArray type = data.mid(at + 4, 4);
        if (length > 0x7FFFFFFFu) {
            return CorruptFault(QStringLiteral("a PNG chunk is longer than the format allows"));
        }
        if (first && (type != "IHDR" || length != 13)) {
            return CorruptFault(QStringLiteral("the PNG does not begin with its header chunk"));
        }
        // Length, type, data and checksum.
        if (static_cast<std::uint64_t>(size - at) < 12 + length) return cut;
        if (type == "IEND") {
            return pixelData ? PictureFault()
                             : CorruptFault(QStringLiteral("the PNG holds no pixel data"));
        }
        pixelData = pixelData || type == "IDAT";
        at += static_cast<qsizetype>(12 + length);
    }
}

PictureFault CheckTiffComplete(const QByteArray& data) {
    const qsizetype size = data.size();
    const PictureFault cutDirectory =
        CutFault(QStringLiteral("the file ends inside the TIFF directory"));
    if (size < 8) return cutDirectory;
    const bool bigEndian = data.startsWith("MM");
    const TiffReader r(data, bigEndian);
    const bool bigTiff = r.Read(2, 2) == 43;
    // Classic TIFF: 4-byte offsets and counts, 12-byte entries; BigTIFF: 8 and 20.
    const int word = bigTiff ? 8 : 4;
    const int entrySize = bigTiff ? 20 : 12;
    if (bigTiff && (size < 16 || r.Read(4, 2) != 8)) return cutDirectory;
    const std::uint64_t directory = r.Read(bigTiff ? 8 : 4, word);
    if (directory > static_cast<std::uint64_t>(size) - word) return cutDirectory;
    const auto ifd = static_cast<qsizetype>(directory);
    const std::uint64_t entries = r.Read(ifd, bigTiff ? 8 : 2);
    const qsizetype first = ifd + (bigTiff ? 8 : 2);
    if (entries > static_cast<std::uint64_t>(size - first) / entrySize) return cutDirectory;

    std::array<TiffField, 326> fields{};  // by tag, for the tags looked at below
    for (std::uint64_t k = 0; k < entries; ++k) {
        const qsizetype e = first + static_cast<qsizetype>(k) * entrySize;
        const unsigned tag = static_cast<unsigned>(r.Read(e, 2));
        TiffField field{static_cast<unsigned>(r.Read(e + 2, 2)), r.Read(e + 4, word), e + 4 + word};
        const int typeSize = TypeSize(field.type);
        if (typeSize == 0) continue;  // an unknown type: libtiff skips the field, so do we
        // Values that do not fit in the entry lie elsewhere; every byte of them must be there.
        if (field.count > static_cast<std::uint64_t>(size) / typeSize) return cutDirectory;
        const std::uint64_t bytes = field.count * typeSize;
        if (bytes > static_cast<std::uint64_t>(word)) {
            const std::uint64_t offset = r.Read(field.at, word);
            if (offset > static_cast<std::uint64_t>(size) || bytes > size - offset) {
                return cutDirectory;
            }
            field.at = static_cast<qsizetype>(offset);
        }
        if (tag < fields.size()) fields[tag] = field;
    }
    // The n-th value of a numeric field, or `fallback` when the field is absent.
    const auto value = [&](unsigned tag, std::uint64_t n, std::uint64_t fallback) {
        const TiffField& f = fields[tag];
        if (!f.Present() || n >= f.count) return fallback;
        const int typeSize = TypeSize(f.type);
        return r.Read(f.at + static_cast<qsizetype>(n) * typeSize, typeSize);
    };

    const std::uint64_t width = value(kWidth, 0, 0);
    const std::uint64_t height = value(kHeight, 0, 0);
    if (width == 0 || height == 0) {
        return CorruptFault(QStringLiteral("the TIFF picture has no pixels"));
    }
    // The limit before anything else, with the bytes Qt's reader holds for such samples: 16-bit
    // grey, or deeper colour, beside its 32-bit copy to paint.
    const std::uint64_t bits = value(kBits, 0, 1);
    const std::uint64_t samples = value(kSamples, 0, 1);
    if (width > static_cast<std::uint64_t>(INT32_MAX) ||
        height > static_cast<std::uint64_t>(INT32_MAX)) {
        return TooLargeFault(static_cast<qint64>(std::min<std::uint64_t>(width, INT64_MAX)),
                             static_cast<qint64>(std::min<std::uint64_t>(height, INT64_MAX)));
    }
    if (PictureFault tooLarge =
            TooLargeFault(static_cast<qint64>(width), static_cast<qint64>(height),
                          bits <= 8      ? 4
                          : samples == 1 ? 6
                                         : 12)) {
        return tooLarge;
    }
    const std::uint64_t compression = value(kCompression, 0, 1);
    // None, LZW, Deflate (both codes) and PackBits: their decoders fail on short or bad data.
    if (compression != 1 && compression != 5 && compression != 8 && compression != 32946 &&
        compression != 32773) {
        return {QStringLiteral("a TIFF picture with compression %1, which is not read")
                    .arg(compression),
                QCoreApplication::translate("Document",
                                            "この圧縮方式（%1）の TIFF 画像は読み込めません。")
                    .arg(compression),
                PictureProblem::NotPicture};
    }
    const bool planar = value(kPlanar, 0, 1) == 2;
    const bool tiled = fields[kTileOffsets].Present();
    const std::uint64_t blockWidth = tiled ? value(kTileWidth, 0, 0) : width;
    const std::uint64_t blockHeight =
        tiled ? value(kTileLength, 0, 0) : std::min(value(kRowsPerStrip, 0, height), height);
    const TiffField& offsets = fields[tiled ? kTileOffsets : kStripOffsets];
    const TiffField& counts = fields[tiled ? kTileByteCounts : kStripByteCounts];
    const PictureFault missing =
        CorruptFault(QStringLiteral("the TIFF's strips or tiles do not cover the picture"));
    if (blockWidth == 0 || blockHeight == 0 || !offsets.Present() || !counts.Present()) {
        return missing;
    }
    const std::uint64_t across = (width + blockWidth - 1) / blockWidth;
    const std::uint64_t down = (height + blockHeight - 1) / blockHeight;
    const std::uint64_t planes = planar ? samples : 1;
    // Compared by division: the header's sizes may be absurd, the counts are within the file.
    if (planes == 0 || across > offsets.count / down || across * down > offsets.count / planes ||
        counts.count < offsets.count) {
        return missing;
    }
    const std::uint64_t blocks = across * down * planes;
    // The bytes an uncompressed block holds: whole rows of its width. Absurd sample sizes are
    // the decoder's to refuse.
    if (bits == 0 || bits > 64 || samples == 0 || samples > 64 || blockWidth > (1u << 31)) {
        return CorruptFault(QStringLiteral("the TIFF's samples are of no size the reader takes"));
    }
    const std::uint64_t rowBytes = (blockWidth * bits * (planar ? 1 : samples) + 7) / 8;
    for (std::uint64_t k = 0; k < blocks; ++k) {
        const std::uint64_t offset = value(tiled ? kTileOffsets : kStripOffsets, k, 0);
        const std::uint64_t count = value(tiled ? kTileByteCounts : kStripByteCounts, k, 0);
        if (offset > static_cast<std::uint64_t>(size) || count > size - offset) {
            return CutFault(QStringLiteral("the file ends inside the TIFF picture data"));
        }
        if (compression == 1) {
            // The last strip may hold only the rows that are left.
            const std::uint64_t row = (k % (across * down)) / across * blockHeight;
            const std::uint64_t rows = tiled ? blockHeight : std::min(blockHeight, height - row);
            if (count / rowBytes < rows) {
                return {QStringLiteral("a TIFF strip or tile holds fewer rows than it must"),
                        QCoreApplication::translate("Document",
                                                    "画像のデータに欠けている画素があります。")};
            }
        }
    }
    return {};
}

PictureFault CheckTiffPage(CTiffFile& file, const TiffPage& p) {
    TIFF* tif = file.Handle();
    if (p.compression != COMPRESSION_NONE && p.compression != COMPRESSION_LZW &&
        p.compression != COMPRESSION_ADOBE_DEFLATE && p.compression != COMPRESSION_DEFLATE &&
        p.compression != COMPRESSION_PACKBITS) {
        return {QStringLiteral("a TIFF picture with compression %1, which is not read")
                    .arg(p.compression),
                QCoreApplication::translate("Document",
                                            "この圧縮方式（%1）の TIFF 画像は読み込めません。")
                    .arg(p.compression),
                PictureProblem::NotPicture};
    }
    std::uint32_t blockWidth = p.width;
    std::uint32_t blockHeight = p.height;
    if (p.tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &blockWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &blockHeight);
    } else {
        std::uint32_t rows = p.height;
        if (TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rows) != 0) {
            blockHeight = std::min(rows, p.height);
        }
    }
    if (blockWidth == 0 || blockHeight == 0) {
        return CorruptFault(QStringLiteral("the TIFF's strips or tiles do not cover the picture"));
    }
    const std::uint64_t across = p.tiled ? (p.width + std::uint64_t{blockWidth} - 1) / blockWidth
                                         : 1;
    const std::uint64_t down = (p.height + std::uint64_t{blockHeight} - 1) / blockHeight;
    const bool planar = p.planar == PLANARCONFIG_SEPARATE;
    const std::uint64_t blocks = across * down * (planar ? p.samples : 1);
    const std::vector<std::uint64_t>* counts = file.StoredByteCounts();
    if ((p.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif)) < blocks ||
        counts == nullptr || counts->size() < blocks) {
        return CorruptFault(QStringLiteral("the TIFF's strips or tiles do not cover the picture"));
    }
    const std::uint64_t rowBytes =
        (std::uint64_t{blockWidth} * p.bits * (planar ? 1 : p.samples) + 7) / 8;
    const auto size = static_cast<std::uint64_t>(file.FileSize());
    for (std::uint64_t k = 0; k < blocks; ++k) {
        int error = 0;
        const auto strile = static_cast<std::uint32_t>(k);
        const std::uint64_t offset = TIFFGetStrileOffsetWithErr(tif, strile, &error);
        const std::uint64_t count = (*counts)[static_cast<std::size_t>(k)];
        if (error != 0 || offset > size || count > size - offset) {
            return CutFault(QStringLiteral("the file ends inside the TIFF picture data"));
        }
        if (p.compression == COMPRESSION_NONE) {
            // The last strip may hold only the rows that are left.
            const std::uint64_t row = (k % (across * down)) / across * blockHeight;
            const std::uint64_t rows =
                p.tiled ? blockHeight : std::min<std::uint64_t>(blockHeight, p.height - row);
            if (count / rowBytes < rows) {
                return {QStringLiteral("a TIFF strip or tile holds fewer rows than it must"),
                        QCoreApplication::translate("Document",
                                                    "画像のデータに欠けている画素があります。")};
            }
        }
        // libtiff would read other bytes than the file names: whatever they are, not these.
        if (count != TIFFGetStrileByteCount(tif, strile)) {
            return CorruptFault(QStringLiteral("the TIFF's strip or tile sizes are not readable"));
        }
    }
    return {};
}
