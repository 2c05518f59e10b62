// SPDX-License-Identifier: GPL-3.0-or-later
// The loader's own decoders against Qt's readers: for every kind of JPEG, BMP and GIF that
// series are made of, and for the kinds that stay with Qt, the loaded pixels are Qt's to the
// bit, the filler byte included, and what Qt cannot read is refused. And the reuse of memory
// from one load to the next never changes a picture that was handed out.

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <cstring>
#include <vector>

#include "picture/direct_decode.h"
#include "picture/picture.h"

namespace {

QByteArray DataFile(const char* name) {
    QFile file(QString::fromUtf8(QUANDREL_TEST_DATA_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Structure in every channel and at every scale, so that each kind of subsampling and each
// DCT shows its own rounding.
QImage Pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = qRgb((x * 7 + y * 3) & 255, (x * y) & 255, ((x ^ y) * 5 + x / 9) & 255);
        }
    }
    return image;
}

QByteArray QtWritten(const QImage& image, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (qstrcmp(format, "JPEG") == 0) writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image)) << format;
    return bytes;
}

// A JPEG with the chroma subsampling Qt's writer does not offer.
QByteArray TurboJpeg(const QImage& image, int subsampling) {
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int failed =
        tjCompress2(handle, image.constBits(), image.width(), static_cast<int>(image.bytesPerLine()),
                    image.height(), TJPF_BGRX, &out, &size, subsampling, 85, 0);
    QByteArray bytes = failed == 0 ? QByteArray(reinterpret_cast<const char*>(out),
                                                static_cast<qsizetype>(size))
                                   : QByteArray();
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

void Put16(QByteArray& out, unsigned v) {
    out.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8 & 0xFF));
}

void Put32(QByteArray& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

struct BmpShape {
    int bits = 24;
    bool topDown = false;
    unsigned headerSize = 40;
    unsigned gap = 0;  // bytes between the headers (and palette) and the pixels
};

// An uncompressed BMP of the pattern with any depth, header and layout: Qt's writer makes
// only some of them. Palette pictures take the pattern's low bits as indices into a ramp.
QByteArray Bmp(const QImage& image, const BmpShape& shape) {
    const int w = image.width();
    const int h = image.height();
    const unsigned colours = shape.bits <= 8 ? 1u << shape.bits : 0;
    const unsigned offset = 14 + shape.headerSize + 4 * colours + shape.gap;
    const int rowBytes = (w * shape.bits + 31) / 32 * 4;
    QByteArray bmp("BM");
    Put32(bmp, offset + static_cast<unsigned>(rowBytes * h));
    Put32(bmp, 0);
    Put32(bmp, offset);
    Put32(bmp, shape.headerSize);
    Put32(bmp, static_cast<unsigned>(w));
    Put32(bmp, static_cast<unsigned>(shape.topDown ? -h : h));
    Put16(bmp, 1);
    Put16(bmp, static_cast<unsigned>(shape.bits));
    for (unsigned v : {0u, static_cast<unsigned>(rowBytes * h), 2835u, 2835u, colours, 0u}) {
        Put32(bmp, v);
    }
    bmp.append(static_cast<qsizetype>(shape.headerSize - 40), '\0');
    for (unsigned i = 0; i < colours; ++i) Put32(bmp, (i * 255 / (colours - 1)) * 0x010203u);
    bmp.append(static_cast<qsizetype>(shape.gap), '\x5A');
    for (int k = 0; k < h; ++k) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(shape.topDown ? k : h - 1 - k));
        QByteArray bytes(rowBytes, '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb p = row[x];
            if (shape.bits == 24 || shape.bits == 32) {
                const int at = x * shape.bits / 8;
                bytes[at] = static_cast<char>(qBlue(p));
                bytes[at + 1] = static_cast<char>(qGreen(p));
                bytes[at + 2] = static_cast<char>(qRed(p));
                if (shape.bits == 32) bytes[at + 3] = static_cast<char>(x);
            } else {
                const int index = qRed(p) & static_cast<int>(colours - 1);
                const int bit = x * shape.bits;
                const int shift = 8 - shape.bits - bit % 8;
                bytes[bit / 8] = static_cast<char>(bytes[bit / 8] | index << shift);
            }
        }
        bmp.append(bytes);
    }
    return bmp;
}

// Qt's pixels for the bytes, as the loader held them before it had decoders of its own.
QImage QtPixels(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(1024);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

// The number of rows whose bytes differ, filler bytes included.
int RowsDiffering(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        differing += std::memcmp(a.constScanLine(y), b.constScanLine(y),
                                 static_cast<std::size_t>(a.width()) * 4) != 0;
    }
    return differing;
}

TEST(DecodePaths, GiveExactlyQtsPixels) {
    const QImage pattern = Pattern(203, 101);  // odd sizes: partial blocks and row padding
    const QImage grey = pattern.convertToFormat(QImage::Format_Grayscale8);
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"JPEG 4:2:0 from Qt", QtWritten(pattern, "JPEG")},
        {"JPEG progressive", QtWritten(pattern, "JPEG", true)},
        {"JPEG grey", QtWritten(grey, "JPEG")},
        {"JPEG 4:4:4", TurboJpeg(pattern, TJSAMP_444)},
        {"JPEG 4:2:2", TurboJpeg(pattern, TJSAMP_422)},
        {"JPEG 4:4:0", TurboJpeg(pattern, TJSAMP_440)},
        {"JPEG 4:2:0", TurboJpeg(pattern, TJSAMP_420)},
        {"JPEG CMYK", DataFile("cmyk.jpg")},
        {"BMP 24-bit from Qt", QtWritten(pattern, "BMP")},
        {"BMP 24-bit", Bmp(pattern, {})},
        {"BMP 24-bit top down", Bmp(pattern, {.topDown = true})},
        {"BMP 24-bit, version 5 header", Bmp(pattern, {.headerSize = 124})},
        {"BMP 24-bit, version 4 header", Bmp(pattern, {.headerSize = 108})},
        // Headers that Qt's reader does not take.
        {"BMP 24-bit, 52-byte header", Bmp(pattern, {.headerSize = 52})},
        {"BMP 24-bit, 56-byte header", Bmp(pattern, {.headerSize = 56})},
        {"BMP 24-bit, gap before the pixels", Bmp(pattern, {.gap = 6})},
        {"BMP 24-bit, one column", Bmp(pattern.copy(0, 0, 1, 40), {})},
        {"BMP 32-bit", Bmp(pattern, {.bits = 32})},
        {"BMP 8-bit", Bmp(pattern, {.bits = 8})},
        {"BMP 4-bit", Bmp(pattern, {.bits = 4})},
        {"BMP 1-bit", Bmp(pattern, {.bits = 1})},
        {"BMP run-length 8-bit", DataFile("rle8.bmp")},
        {"BMP run-length 4-bit", DataFile("rle4.bmp")},
        {"GIF", DataFile("colours.gif")},
        {"GIF ramp", DataFile("ramp.gif")},
        {"GIF interlaced", DataFile("interlaced.gif")},
        {"GIF animated", DataFile("animated.gif")},
        {"GIF with a bad second frame", DataFile("bad_second_frame.gif")},
        {"GIF through real LZW", DataFile("lzw.gif")},
        {"GIF with a full table", DataFile("lzw_full_table.gif")},
        {"GIF inset", DataFile("inset.gif")},
        {"GIF transparent", DataFile("transparent.gif")},
        {"GIF transparent inset", DataFile("transparent_inset.gif")},
    };
    CPicture picture;  // one for all: each load reuses what the one before left
    for (const Case& c : cases) {
        ASSERT_FALSE(c.bytes.isEmpty()) << c.name;
        const QImage expected = QtPixels(c.bytes);
        const CPicture::LoadResult result = picture.LoadData(c.bytes);
        if (expected.isNull()) {  // what Qt cannot read, the loader refuses as well
            EXPECT_EQ(result.status, CPicture::LoadStatus::CannotDecode) << c.name;
            continue;
        }
        ASSERT_EQ(result.status, CPicture::LoadStatus::Ok)
            << c.name << ": " << result.reason.toStdString();
        ASSERT_EQ(picture.Image().format(), QImage::Format_RGB32) << c.name;
        ASSERT_EQ(picture.Image().size(), expected.size()) << c.name;
        EXPECT_EQ(RowsDiffering(picture.Image(), expected), 0) << c.name;
    }
}

// The GIF decoder takes the plain frames itself, in one pass over their codes, and leaves every
// damaged or unusual one to Qt's path, which says why it fails.
TEST(DecodePaths, GifsThatTheDirectDecoderTakesOrLeaves) {
    const struct {
        const char* file;
        DirectDecode::Outcome outcome;
    } cases[] = {
        {"colours.gif", DirectDecode::Outcome::Decoded},
        {"ramp.gif", DirectDecode::Outcome::Decoded},
        {"interlaced.gif", DirectDecode::Outcome::Decoded},
        {"lzw.gif", DirectDecode::Outcome::Decoded},
        {"lzw_full_table.gif", DirectDecode::Outcome::Decoded},
        {"lzw_one_short.gif", DirectDecode::Outcome::Declined},
        {"lzw_full_table_one_short.gif", DirectDecode::Outcome::Declined},
        {"lzw_bad_code.gif", DirectDecode::Outcome::Declined},
        {"short_lzw.gif", DirectDecode::Outcome::Declined},
        {"short_lzw_no_end.gif", DirectDecode::Outcome::Declined},
        {"inset.gif", DirectDecode::Outcome::Declined},
        {"transparent.gif", DirectDecode::Outcome::Declined},
    };
    CPixelBuffer buffer;
    for (const auto& c : cases) {
        const QByteArray bytes = DataFile(c.file);
        ASSERT_FALSE(bytes.isEmpty()) << c.file;
        const DirectDecode decoded = DecodeGif(bytes, buffer);
        EXPECT_EQ(decoded.outcome, c.outcome) << c.file;
        if (decoded.outcome != DirectDecode::Outcome::Decoded) continue;
        EXPECT_EQ(RowsDiffering(buffer.Wrap(decoded.width, decoded.height), QtPixels(bytes)), 0)
            << c.file;
    }
}

// The fuzzer's seed pictures, whole and damaged: a picture that loads has Qt's pixels, one
// that does not says why, and the damaged seeds stay refused.
TEST(DecodePaths, CorpusPicturesLoadAsQtReadsThemOrFailWithAReason) {
    const QDir corpus(QString::fromUtf8(QUANDREL_TEST_DATA_DIR "/../../fuzz/corpus/picture"));
    const QStringList names = corpus.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    CPicture picture;
    for (const QString& name : names) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        const CPicture::LoadResult result = picture.LoadData(bytes);
        const bool damaged = name.contains(QLatin1String("cut")) ||
                             name.contains(QLatin1String("corrupt")) ||
                             name.contains(QLatin1String("inserted")) ||
                             name.contains(QLatin1String("short")) ||
                             name.contains(QLatin1String("outside")) ||
                             name.contains(QLatin1String("huge")) ||
                             name.contains(QLatin1String("delta-out"));
        if (result.status != CPicture::LoadStatus::Ok) {
            EXPECT_TRUE(damaged) << name.toStdString() << ": " << result.reason.toStdString();
            EXPECT_FALSE(result.reason.isEmpty()) << name.toStdString();
            EXPECT_TRUE(picture.IsNull()) << name.toStdString();
            continue;
        }
        EXPECT_FALSE(damaged) << name.toStdString();
        // Qt's 32-bit pixels are those painted: the picture itself, or the 8-bit copy of a
        // 16-bit one.
        const QImage expected = QtPixels(bytes);
        ASSERT_EQ(picture.DisplayImage().size(), expected.size()) << name.toStdString();
        EXPECT_EQ(RowsDiffering(picture.DisplayImage(), expected), 0) << name.toStdString();
    }
}

// What reuse must keep: an image handed out never changes, the memory is used again when
// nobody holds it, and a failed load leaves no picture behind.
TEST(DecodePaths, ReuseNeverChangesAnImageHandedOut) {
    const QByteArray first = QtWritten(Pattern(64, 48), "BMP");
    const QByteArray second = QtWritten(Pattern(64, 48).mirrored(true, false), "BMP");
    const QByteArray larger = QtWritten(Pattern(128, 96), "JPEG");
    CPicture picture;
    ASSERT_EQ(picture.LoadData(first).status, CPicture::LoadStatus::Ok);
    const uchar* memory = picture.Image().constBits();

    // Nobody holds the first picture: the second goes into the same memory.
    ASSERT_EQ(picture.LoadData(second).status, CPicture::LoadStatus::Ok);
    EXPECT_EQ(picture.Image().constBits(), memory);

    // Held: the next load goes elsewhere and the held image keeps its pixels.
    const QImage held = picture.Image();
    const QImage heldCopy = held.copy();
    ASSERT_EQ(picture.LoadData(first).status, CPicture::LoadStatus::Ok);
    EXPECT_NE(picture.Image().constBits(), held.constBits());
    EXPECT_EQ(RowsDiffering(held, heldCopy), 0);
    EXPECT_EQ(RowsDiffering(picture.Image(), QtPixels(first)), 0);

    // Writing to a handed-out image detaches it, whatever it shares.
    QImage written = picture.Image();
    written.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(RowsDiffering(picture.Image(), QtPixels(first)), 0);

    // Growing to a larger picture, and refusing a cut one after it.
    ASSERT_EQ(picture.LoadData(larger).status, CPicture::LoadStatus::Ok);
    EXPECT_EQ(picture.Width(), 128);
    EXPECT_EQ(RowsDiffering(picture.Image(), QtPixels(larger)), 0);
    EXPECT_EQ(picture.LoadData(larger.left(larger.size() / 2)).status,
              CPicture::LoadStatus::CannotDecode);
    EXPECT_TRUE(picture.IsNull());

    // Clear gives the memory back; the picture loads again afterwards, and an image handed
    // out before keeps its pixels.
    ASSERT_EQ(picture.LoadData(second).status, CPicture::LoadStatus::Ok);
    const QImage kept = picture.Image();
    picture.Clear();
    EXPECT_TRUE(picture.IsNull());
    EXPECT_EQ(RowsDiffering(kept, QtPixels(second)), 0);
    ASSERT_EQ(picture.LoadData(first).status, CPicture::LoadStatus::Ok);
    EXPECT_EQ(RowsDiffering(picture.Image(), QtPixels(first)), 0);
}

}  // namespace
