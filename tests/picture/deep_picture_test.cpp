// SPDX-License-Identifier: GPL-3.0-or-later
// PNG and TIFF pictures: 8-bit ones exactly as Qt reads them, 16-bit ones at their own depth,
// damaged ones refused, and edges that only 16 bits show found where they are.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <cstring>
#include <functional>

#include "document/doc_fakes.h"
#include "picture/picture.h"
#include "picture/picture_prefetch.h"
#include "series/series_detect.h"
#include "tiff_fields.h"

namespace {

using Status = CPicture::LoadStatus;

QByteArray Written(const QImage& image, const char* format, int compression = 0) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setCompression(compression);
    EXPECT_TRUE(writer.write(image)) << format;
    return bytes;
}

// A picture of 16-bit samples: grey `v(x, y)`, or that in red beside fixed green and blue.
QImage Deep(int width, int height, bool colour, const std::function<int(int, int)>& v) {
    QImage image(width, height, colour ? QImage::Format_RGBX64 : QImage::Format_Grayscale16);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint16*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (!colour) {
                row[x] = static_cast<quint16>(v(x, y));
                continue;
            }
            quint16* p = row + 4 * x;
            p[0] = static_cast<quint16>(v(x, y));
            p[1] = static_cast<quint16>(30000 + x);
            p[2] = static_cast<quint16>(65535 - y);
            p[3] = 65535;
        }
    }
    return image;
}

int Busy(int x, int y) {
    return (x * 2111 + y * 997) & 0xFFFF;
}

QImage Qt32(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

bool SamePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return false;
    const auto bytes = static_cast<std::size_t>(a.width()) * a.depth() / 8;
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), bytes) != 0) return false;
    }
    return true;
}

quint32 Crc(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

// A PNG of a header, an empty data chunk and an end chunk, with true checksums: a size and a
// depth, no pixels.
QByteArray PngHeaderOnly(quint32 width, quint32 height, int bits, int colourType) {
    const auto be32 = [](quint32 v) {
        QByteArray bytes(4, '\0');
        for (int k = 0; k < 4; ++k) bytes[k] = static_cast<char>(v >> (24 - 8 * k));
        return bytes;
    };
    const auto chunk = [&](const QByteArray& type, const QByteArray& body) {
        return be32(static_cast<quint32>(body.size())) + type + body + be32(Crc(type + body));
    };
    QByteArray header = be32(width) + be32(height);
    header += static_cast<char>(bits);
    header += static_cast<char>(colourType);
    header += QByteArray(3, '\0');
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + chunk("IHDR", header) + chunk("IDAT", {}) +
           chunk("IEND", {});
}

TEST(DeepPictures, EightBitPngAndTiffGiveQtsPixels) {
    QImage colour(37, 21, QImage::Format_RGB32);
    for (int y = 0; y < colour.height(); ++y) {
        for (int x = 0; x < colour.width(); ++x) colour.setPixel(x, y, qRgb(x * 7, y * 11, x ^ y));
    }
    QImage alpha = colour.convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < alpha.width(); ++x) alpha.setPixel(x, 3, qRgba(200, 100, 50, x * 6));
    const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    const QImage indexed = colour.convertToFormat(QImage::Format_Indexed8);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"rgb.png", Written(colour, "png")},     {"alpha.png", Written(alpha, "png")},
        {"grey.png", Written(grey, "png")},      {"indexed.png", Written(indexed, "png")},
        {"rgb.tif", Written(colour, "tiff")},    {"alpha.tif", Written(alpha, "tiff")},
        {"grey.tif", Written(grey, "tiff")},     {"indexed.tif", Written(indexed, "tiff")},
        {"lzw.tif", Written(colour, "tiff", 1)},
    };
    CPicture picture;
    for (const auto& c : cases) {
        const CPicture::LoadResult result = picture.LoadData(c.bytes);
        ASSERT_EQ(result.status, Status::Ok) << c.name << ": " << result.reason.toStdString();
        EXPECT_EQ(picture.View().format, PixelFormat::Rgb32) << c.name;
        EXPECT_EQ(&picture.DisplayImage(), &picture.Image()) << c.name;
        EXPECT_TRUE(SamePixels(picture.Image(), Qt32(c.bytes))) << c.name;
    }
}

TEST(DeepPictures, SixteenBitPicturesKeepTheirSamples) {
    const QImage grey = Deep(53, 17, false, Busy);
    const QImage colour = Deep(53, 17, true, Busy);
    // Alpha goes as it goes from 8-bit pictures: dropped, the colour kept as it is.
    QImage alpha = colour.convertToFormat(QImage::Format_RGBA64);
    for (int x = 0; x < alpha.width(); ++x) {
        reinterpret_cast<quint16*>(alpha.scanLine(5))[4 * x + 3] = static_cast<quint16>(x * 1000);
    }
    const struct {
        const char* name;
        QByteArray bytes;
        const QImage& samples;
        PixelFormat format;
    } cases[] = {
        {"grey.png", Written(grey, "png"), grey, PixelFormat::Grey16},
        {"grey.tif", Written(grey, "tiff"), grey, PixelFormat::Grey16},
        {"grey_lzw.tif", Written(grey, "tiff", 1), grey, PixelFormat::Grey16},
        {"colour.png", Written(colour, "png"), colour, PixelFormat::Rgba64},
        {"colour.tif", Written(colour, "tiff"), colour, PixelFormat::Rgba64},
        {"alpha.png", Written(alpha, "png"), colour, PixelFormat::Rgba64},
        {"alpha.tif", Written(alpha, "tiff"), colour, PixelFormat::Rgba64},
    };
    CPicture picture;
    for (const auto& c : cases) {
        const CPicture::LoadResult result = picture.LoadData(c.bytes);
        ASSERT_EQ(result.status, Status::Ok) << c.name << ": " << result.reason.toStdString();
        const PixelView view = picture.View();
        ASSERT_EQ(view.format, c.format) << c.name;
        EXPECT_EQ(view.MaxValue(), 65535);
        const PixelView want{c.samples.constBits(), c.samples.width(), c.samples.height(),
                             c.samples.bytesPerLine(), c.format};
        int wrong = 0;
        for (int y = 0; y < view.height; ++y) {
            for (int x = 0; x < view.width; ++x) {
                const SampleRgb a = view.SampleAt(x, y);
                const SampleRgb b = want.SampleAt(x, y);
                wrong += a.r != b.r || a.g != b.g || a.b != b.b;
            }
        }
        EXPECT_EQ(wrong, 0) << c.name;
        // Painted as Qt cuts the samples to 8 bits.
        ASSERT_EQ(picture.DisplayImage().format(), QImage::Format_RGB32) << c.name;
        EXPECT_TRUE(
            SamePixels(picture.DisplayImage(), c.samples.convertToFormat(QImage::Format_RGB32)))
            << c.name;
    }
}

TEST(DeepPictures, AnImageHandedOutKeepsItsSamplesThroughTheNextLoad) {
    const QByteArray first = Written(Deep(64, 32, true, Busy), "tiff");
    const QByteArray second = Written(Deep(64, 32, true, [](int x, int) { return x; }), "tiff");
    CPicture picture;
    ASSERT_EQ(picture.LoadData(first).status, Status::Ok);
    const QImage kept = picture.Image();
    const QImage shown = picture.DisplayImage();
    const QImage keptCopy = kept.copy();
    const QImage shownCopy = shown.copy();
    ASSERT_EQ(picture.LoadData(second).status, Status::Ok);
    EXPECT_TRUE(SamePixels(kept, keptCopy));
    EXPECT_TRUE(SamePixels(shown, shownCopy));
    EXPECT_EQ(picture.View().SampleAt(9, 3).r, 9);
}

TEST(DeepPictures, CutDamagedOrHugePngAndTiffAreRefused) {
    const QByteArray png = Written(Deep(120, 40, true, Busy), "png");
    const QByteArray tiff = Written(Deep(120, 40, true, Busy), "tiff");
    const QByteArray greyTiff = Written(Deep(120, 40, false, Busy), "tiff");
    const QByteArray lzw = Written(Deep(120, 40, false, Busy), "tiff", 1);
    const auto cut = [](const QByteArray& bytes, double share) {
        return bytes.left(static_cast<qsizetype>(static_cast<double>(bytes.size()) * share));
    };
    QByteArray flipped = png;
    flipped[png.size() / 2] = static_cast<char>(flipped[png.size() / 2] ^ 0x10);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* reasonPart;  // nullptr: the file loads
    } cases[] = {
        {"whole.png", png, nullptr},
        {"whole.tif", tiff, nullptr},
        {"whole_lzw.tif", lzw, nullptr},
        {"png 30%", cut(png, 0.3), "ends before the PNG end chunk"},
        {"png 60%", cut(png, 0.6), "ends before the PNG end chunk"},
        {"png 95%", cut(png, 0.95), "ends before the PNG end chunk"},
        // Qt makes up the end chunk's checksum: the cut is seen only by the check.
        {"png -1", png.left(png.size() - 1), "ends before the PNG end chunk"},
        {"png -4", png.left(png.size() - 4), "ends before the PNG end chunk"},
        {"png -12", png.left(png.size() - 12), "ends before the PNG end chunk"},
        {"png flipped", flipped, "Unable to read"},
        {"tif 30%", cut(tiff, 0.3), "ends inside the TIFF directory"},
        {"tif 60%", cut(tiff, 0.6), "ends inside the TIFF directory"},
        {"tif 95%", cut(tiff, 0.95), "ends inside the TIFF directory"},
        {"tif -1", tiff.left(tiff.size() - 1), "ends inside the TIFF directory"},
        // Only the resolution's values are lost: Qt reads the pixels, but the file is cut.
        {"grey tif -12", greyTiff.left(greyTiff.size() - 12), "ends inside the TIFF directory"},
        {"lzw 50%", cut(lzw, 0.5), "ends inside the TIFF directory"},
        {"strip past end", WithTiffField(tiff, 273, static_cast<quint32>(tiff.size())),
         "ends inside the TIFF picture data"},
        {"short strip", WithTiffField(tiff, 279, 100), "fewer rows"},
        {"jpeg in tiff", WithTiffField(tiff, 259, 7), "compression 7"},
        // 16-bit colour takes 12 bytes a pixel held: refused where 8-bit would not be.
        {"huge 16-bit png", PngHeaderOnly(10000, 10000, 16, 2), "larger than 1 GiB"},
        {"huge grey tif", WithTiffField(WithTiffField(greyTiff, 256, 40000), 257, 40000),
         "larger than 1 GiB"},
    };
    CPicture picture;
    for (const auto& c : cases) {
        const CPicture::LoadResult result = picture.LoadData(c.bytes);
        if (c.reasonPart == nullptr) {
            EXPECT_EQ(result.status, Status::Ok) << c.name << ": " << result.reason.toStdString();
            continue;
        }
        EXPECT_EQ(result.status, Status::CannotDecode) << c.name;
        EXPECT_TRUE(result.reason.contains(QLatin1String(c.reasonPart)))
            << c.name << ": " << result.reason.toStdString();
        EXPECT_FALSE(result.uiReason.isEmpty()) << c.name;
        EXPECT_TRUE(picture.IsNull()) << c.name;
    }
    // The same size in 8 bits is within the limit: it fails for its missing pixels only.
    const CPicture::LoadResult eightBit = picture.LoadData(PngHeaderOnly(10000, 10000, 8, 2));
    EXPECT_EQ(eightBit.status, Status::CannotDecode);
    EXPECT_FALSE(eightBit.reason.contains(QLatin1String("larger")))
        << eightBit.reason.toStdString();
}

// Values that cut to the same 8-bit value (1000 and 1100 both give 4): the edge is there only
// at 16 bits, in the window's detection and in the batch detection alike.
TEST(DeepPictures, EdgesOnlySixteenBitsShowAreFound) {
    const auto step = [](int at, int before, int after) {
        return [=](int x, int) { return x < at ? before : after; };
    };
    const auto spike = [](int at, int base, int peak) {
        return [=](int x, int) { return x == at ? peak : base; };
    };
    const struct {
        const char* name;
        bool colour;
        const char* format;
        std::function<int(int, int)> value;
        int channel;
        int mode;
        int index;
    } cases[] = {
        {"grey png rise", false, "png", step(20, 1000, 1100), kChannelSum, 3, 19},
        {"grey tif fall", false, "tiff", step(30, 1100, 1000), kChannelSum, 2, 29},
        {"grey tif minimum", false, "tiff", spike(25, 1100, 1000), kChannelSum, 0, 25},
        {"grey png maximum", false, "png", spike(12, 1000, 1100), kChannelSum, 1, 12},
        {"colour tif red rise", true, "tiff", step(20, 1000, 1100), kChannelRed, 3, 19},
        {"colour png red minimum", true, "png", spike(33, 1100, 1000), kChannelRed, 0, 33},
        {"colour png average rise", true, "png", step(8, 1000, 1100), kChannelSum, 3, 7},
    };
    for (const auto& c : cases) {
        DocFixture f;
        const QString path = f.files.Path(QString::fromLatin1(c.name).replace(' ', '_') +
                                          QLatin1String(".") + QLatin1String(c.format));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Written(Deep(40, 10, c.colour, c.value), c.format));
        file.close();
        f.panel.options = {c.channel, c.mode, true, false};
        f.Add({path});
        ASSERT_NE(f.doc.GetPictureBitmap(), nullptr) << c.name;
        f.doc.AddLineToAll(0, 5, 39, 5);
        f.doc.m_nCurLine = 0;
        f.doc.DetectPending();
        EXPECT_EQ(f.doc.m_profile.GetLine(0, 0, 0)->m_nPos, c.index) << c.name;
        EXPECT_EQ(f.doc.m_buffer.m_nMaxValue, 65535) << c.name;

        CScan* line = f.doc.m_profile.GetLine(0, 0, 0);
        line->SetPos(0);
        line->m_bDetect = true;
        DetectSettings settings;
        settings.channel = c.channel;
        settings.mode = c.mode;
        settings.jobs = 1;
        const DetectReport report =
            DetectPendingRecords(f.doc.m_profile, {0}, settings, [](int, int) { return true; });
        EXPECT_TRUE(report.failures.empty()) << c.name;
        EXPECT_EQ(f.doc.m_profile.GetLine(0, 0, 0)->m_nPos, c.index) << c.name << " (batch)";
    }
}

// The window decodes the neighbours ahead: a 16-bit picture comes from there whole, with its
// copy to paint made on the worker, and goes back there when the user steps away.
TEST(DeepPictures, ThePrefetchCarriesSixteenBitPictures) {
    DocFixture f;
    f.doc.EnablePrefetch(true);
    const auto write = [&f](const char* name, const QByteArray& bytes) {
        const QString path = f.files.Path(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    };
    const QString grey = write("grey.tif", Written(Deep(64, 32, false, Busy), "tiff"));
    const QString colour = write("colour.png", Written(Deep(64, 32, true, Busy), "png"));
    f.Add({grey, colour});
    CPicturePrefetch* prefetch = f.doc.Prefetch();
    ASSERT_NE(prefetch, nullptr);
    const struct {
        void (CNorvaleDoc::*step)();
        const QString& path;
        PixelFormat format;
        int taken;
    } steps[] = {
        {&CNorvaleDoc::OnNextImage, colour, PixelFormat::Rgba64, 1},
        {&CNorvaleDoc::OnPrevImage, grey, PixelFormat::Grey16, 2},
    };
    for (const auto& s : steps) {
        ASSERT_TRUE(prefetch->WaitIdle(10000));
        (f.doc.*s.step)();
        EXPECT_EQ(prefetch->GetCounts().taken, s.taken);
        const CPicture* shown = f.doc.GetPictureBitmap();
        ASSERT_NE(shown, nullptr);
        CPicture fresh;
        ASSERT_EQ(fresh.Load(s.path).status, Status::Ok);
        EXPECT_EQ(shown->View().format, s.format);
        EXPECT_TRUE(shown->Image() == fresh.Image());
        EXPECT_TRUE(SamePixels(shown->DisplayImage(), fresh.DisplayImage()));
    }
}

}  // namespace
