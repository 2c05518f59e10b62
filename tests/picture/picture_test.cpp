// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/picture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Status = CPicture::LoadStatus;

QString DataFile(const char* name) {
    return QString::fromUtf8(QUANDREL_TEST_DATA_DIR) + QLatin1Char('/') + QLatin1String(name);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// A picture with structure in every channel, so that the compressed data spans the whole file
// and any cut lands in the middle of the pixels.
QImage MakePattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb((x * 7 + y * 3) & 255, (x * y) & 255, (x ^ y) & 255));
        }
    }
    return image;
}

// 0x00BBGGRR of an RGB triple.
std::uint32_t Bgr(int r, int g, int b) {
    return static_cast<std::uint32_t>(r | g << 8 | b << 16);
}

bool Near(std::uint32_t colour, std::uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((colour >> shift) & 0xFF);
        const int b = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance) return false;
    }
    return (colour >> 24) == 0;
}

// Text for the window: Japanese, with no English word in it (names such as "GIF" may stay).
bool IsJapanese(const QString& text) {
    static const QRegularExpression englishWord(QStringLiteral("[a-z]{3,}"));
    const bool kana = std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x3040 && c.unicode() <= 0x30FF;
    });
    return kana && !text.contains(englishWord);
}

// Where the coded data of a JPEG's last scan lies: after its header, up to the end marker.
std::pair<qsizetype, qsizetype> LastScan(const QByteArray& jpeg) {
    const qsizetype sos = jpeg.lastIndexOf("\xFF\xDA");
    const auto at = [&jpeg](qsizetype k) { return static_cast<unsigned char>(jpeg[k]); };
    return {sos + 2 + (at(sos + 2) << 8 | at(sos + 3)), jpeg.lastIndexOf("\xFF\xD9")};
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    QString Save(const QImage& image, const char* name, const char* format, int quality = -1) {
        const QString path = Path(name);
        EXPECT_TRUE(image.save(path, format, quality)) << name;
        return path;
    }

    QString SaveProgressive(const QImage& image, const char* name) {
        QImageWriter writer(Path(name), "JPEG");
        writer.setQuality(90);
        writer.setProgressiveScanWrite(true);
        EXPECT_TRUE(writer.write(image)) << name;
        return Path(name);
    }

    // Writes `source` to `name` with `change` applied to its bytes.
    template <typename Change>
    QString Damage(const QString& source, const char* name, Change change) {
        QByteArray bytes = ReadAll(source);
        change(bytes);
        WriteBytes(Path(name), bytes);
        return Path(name);
    }

    // Writes the first `keep` bytes of `source` (negative: all but that many) to `name`.
    QString Cut(const QString& source, qsizetype keep, const char* name) {
        const QByteArray bytes = ReadAll(source);
        const QString path = Path(name);
        WriteBytes(path, bytes.left(keep < 0 ? bytes.size() + keep : keep));
        return path;
    }

    QTemporaryDir m_dir;
};

TEST_F(PictureTest, DecodesEachFormatToExactPixels) {
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(qRgb(0x12, 0x34, 0x56));
    image.setPixel(4, 3, qRgb(0xFE, 0x01, 0x80));
    QImage indexed = image.convertToFormat(QImage::Format_Indexed8);

    struct Case {
        QString path;
        CPoint at;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {Save(image, "rgb.bmp", "BMP"), {0, 0}, Bgr(0x12, 0x34, 0x56)},
        {Save(image, "rgb.bmp", "BMP"), {4, 3}, Bgr(0xFE, 0x01, 0x80)},
        {Save(indexed, "indexed.bmp", "BMP"), {4, 3}, Bgr(0xFE, 0x01, 0x80)},
        {DataFile("colours.gif"), {0, 0}, Bgr(0xFF, 0, 0)},
        {DataFile("colours.gif"), {1, 1}, Bgr(0, 0xFF, 0)},
        {DataFile("colours.gif"), {7, 0}, Bgr(0, 0, 0xFF)},
        {DataFile("colours.gif"), {6, 4}, Bgr(0xFF, 0xFF, 0xFF)},
        // Only the first frame of an animation is read.
        {DataFile("animated.gif"), {3, 3}, Bgr(0x20, 0x40, 0x60)},
        {DataFile("ramp.gif"), {63, 47}, Bgr(0xFC, 0xFC, 0xFC)},
        // Row y of the interlaced picture is in colour y: read in stored order, rows swap.
        {DataFile("interlaced.gif"), {0, 1}, Bgr(0x10, 0, 0x0F)},
        {DataFile("interlaced.gif"), {7, 6}, Bgr(0x60, 0, 0x0F)},
        // The colours picture as a frame at (4, 3) of a larger screen.
        {DataFile("inset.gif"), {5, 4}, Bgr(0, 0xFF, 0)},
        {DataFile("inset.gif"), {10, 7}, Bgr(0xFF, 0xFF, 0xFF)},
    };
    for (const Case& c : cases) {
        CPicture picture;
        const CPicture::LoadResult result = picture.Load(c.path);
        ASSERT_EQ(result.status, Status::Ok)
            << c.path.toStdString() << ": " << result.reason.toStdString();
        EXPECT_TRUE(result.reason.isEmpty());
        EXPECT_EQ(picture.Image().format(), QImage::Format_RGB32);
        EXPECT_EQ(picture.GetPixel(c.at.x, c.at.y), c.colour) << c.path.toStdString();
    }
}

TEST_F(PictureTest, JpegColourAndGreyDecodeToRgb) {
    QImage colour(32, 24, QImage::Format_RGB32);
    colour.fill(qRgb(200, 40, 90));
    QImage grey(32, 24, QImage::Format_Grayscale8);
    grey.fill(77);

    CPicture picture;
    ASSERT_EQ(picture.Load(Save(colour, "colour.jpg", "JPEG", 95)).status, Status::Ok);
    EXPECT_TRUE(Near(picture.GetPixel(10, 10), Bgr(200, 40, 90), 4));
    ASSERT_EQ(picture.Load(Save(grey, "grey.jpg", "JPEG", 95)).status, Status::Ok);
    EXPECT_EQ(picture.Image().format(), QImage::Format_RGB32);
    const std::uint32_t p = picture.GetPixel(31, 23);
    EXPECT_TRUE(Near(p, Bgr(77, 77, 77), 2));
    EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF);
    EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF);
}

TEST_F(PictureTest, OutsideAndWithoutPictureReadsInvalid) {
    CPicture picture;
    EXPECT_TRUE(picture.IsNull());
    EXPECT_TRUE(picture.View().IsNull());
    EXPECT_EQ(picture.GetPixel(0, 0), CLR_INVALID);

    ASSERT_EQ(picture.Load(DataFile("colours.gif")).status, Status::Ok);
    const PixelView view = picture.View();
    EXPECT_EQ(view.width, 8);
    EXPECT_EQ(view.height, 6);
    EXPECT_EQ(view.stride, picture.Image().bytesPerLine());
    for (const CPoint p : {CPoint{-1, 0}, CPoint{0, -1}, CPoint{8, 0}, CPoint{0, 6}}) {
        EXPECT_EQ(picture.GetPixel(p.x, p.y), CLR_INVALID) << p.x << "," << p.y;
    }
    EXPECT_NE(picture.GetPixel(7, 5), CLR_INVALID);
}

TEST_F(PictureTest, KeepsTheStoredOrientation) {
    // Qt's writer turns the pixels itself rather than writing the tag, so the EXIF block that
    // asks for a quarter turn (orientation 6) goes in by hand, right after the start marker.
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    for (int y = 0; y < 20; ++y) image.setPixel(0, y, qRgb(0, 0, 0));
    QByteArray jpeg = ReadAll(Save(image, "plain.jpg", "JPEG", 95));
    const char exif[] =
        "\xFF\xE1\x00\x22"
        "Exif\0\0"
        "II\x2A\0\x08\0\0\0"
        "\x01\0"
        "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0"
        "\0\0\0\0";
    jpeg.insert(2, QByteArray(exif, sizeof exif - 1));
    WriteBytes(Path("turned.jpg"), jpeg);
    ASSERT_EQ(QImageReader(Path("turned.jpg")).transformation(),
              QImageIOHandler::TransformationRotate90);

    CPicture picture;
    ASSERT_EQ(picture.Load(Path("turned.jpg")).status, Status::Ok);
    EXPECT_EQ(picture.Width(), 40);
    EXPECT_EQ(picture.Height(), 20);
    EXPECT_TRUE(Near(picture.GetPixel(0, 10), Bgr(0, 0, 0), 40));
}

TEST_F(PictureTest, TellsOpenFailuresFromDecodeFailures) {
    const QString jpeg = Save(MakePattern(320, 240), "pattern.jpg", "JPEG", 90);
    const QString bmp = Save(MakePattern(64, 48), "pattern.bmp", "BMP");
    const QString indexedBmp =
        Save(MakePattern(64, 48).convertToFormat(QImage::Format_Indexed8), "indexed.bmp", "BMP");
    WriteBytes(Path("empty.bmp"), {});
    WriteBytes(Path("text.jpg"), "just some words, not a picture\n");
    QDir(m_dir.path()).mkdir(QStringLiteral("folder.bmp"));
    ASSERT_EQ(mkfifo(Path("pipe.bmp").toLocal8Bit().constData(), 0600), 0);
    QImage png(4, 4, QImage::Format_RGB32);
    png.fill(Qt::red);

    // A BMP header that announces 65535 x 65535 pixels of 32 bits and carries no pixel data.
    QByteArray huge(54, '\0');
    const auto put32 = [&huge](int at, quint32 v) {
        for (int k = 0; k < 4; ++k) huge[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    huge[0] = 'B';
    huge[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, 65535);
    put32(22, 65535);
    huge[26] = 1;
    huge[28] = 32;
    WriteBytes(Path("huge.bmp"), huge);

    using P = PictureProblem;
    struct Case {
        QString path;
        Status status;
        const char* reasonPart;  // the reason must contain this
        PictureProblem problem;  // the word of the window's image list
    };
    const Case cases[] = {
        {Path("missing.bmp"), Status::CannotOpen, "No such file", P::Missing},
        {Path("empty.bmp/a.bmp"), Status::CannotOpen, "Not a directory", P::Missing},
        {Path("folder.bmp"), Status::CannotOpen, "folder", P::Unreadable},
        {Path("pipe.bmp"), Status::CannotOpen, "not a regular file", P::Unreadable},
        {QStringLiteral("/dev/zero"), Status::CannotOpen, "not a regular file", P::Unreadable},
        {Path("empty.bmp"), Status::CannotDecode, "empty", P::CutShort},
        {Path("text.jpg"), Status::CannotDecode, "not a BMP, JPEG, GIF, PNG or TIFF",
         P::NotPicture},
        // A kind Qt reads that the loader does not take.
        {Save(png, "red.ppm", "PPM"), Status::CannotDecode, "PPM", P::NotPicture},
        {Path("huge.bmp"), Status::CannotDecode, "larger than 1 GiB", P::TooLarge},
        {Cut(jpeg, ReadAll(jpeg).size() * 6 / 10, "cut.jpg"), Status::CannotDecode, "JPEG",
         P::CutShort},
        {Cut(jpeg, -100, "cut_end.jpg"), Status::CannotDecode, "JPEG", P::CutShort},
        {Cut(jpeg, 300, "cut_header.jpg"), Status::CannotDecode, "", P::CutShort},
        {Cut(bmp, ReadAll(bmp).size() / 2, "cut.bmp"), Status::CannotDecode, "ends", P::CutShort},
        {Cut(bmp, -1, "short.bmp"), Status::CannotDecode, "ends", P::CutShort},
        {Cut(indexedBmp, 600, "cut_palette.bmp"), Status::CannotDecode, "", P::CutShort},
        {Cut(bmp, 20, "cut_header.bmp"), Status::CannotDecode, "", P::CutShort},
        {Cut(DataFile("ramp.gif"), 2000, "cut.gif"), Status::CannotDecode, "ends", P::CutShort},
        {Cut(DataFile("ramp.gif"), -2, "no_terminator.gif"), Status::CannotDecode, "ends",
         P::CutShort},
        {Cut(DataFile("ramp.gif"), 400, "cut_palette.gif"), Status::CannotDecode, "", P::CutShort},
        {DataFile("lzw_bad_code.gif"), Status::CannotDecode, "invalid code", P::Damaged},
        {Cut(DataFile("animated.gif"), -30, "cut_second_frame.gif"), Status::Ok, "", P::None},
        {Cut(DataFile("ramp.gif"), -1, "no_trailer.gif"), Status::Ok, "", P::None},
    };
    for (const Case& c : cases) {
        CPicture picture;
        // A failed load must not leave an earlier picture behind.
        ASSERT_EQ(picture.Load(DataFile("colours.gif")).status, Status::Ok);
        const CPicture::LoadResult result = picture.Load(c.path);
        const std::string name = QFileInfo(c.path).fileName().toStdString();
        EXPECT_EQ(result.status, c.status) << name << ": " << result.reason.toStdString();
        EXPECT_TRUE(result.reason.contains(QLatin1String(c.reasonPart)))
            << name << ": " << result.reason.toStdString();
        EXPECT_EQ(result.problem, c.problem) << name << ": " << result.reason.toStdString();
        if (c.status == Status::Ok) {
            EXPECT_TRUE(result.uiReason.isEmpty()) << name;
            continue;
        }
        EXPECT_FALSE(result.reason.isEmpty()) << name;
        EXPECT_TRUE(IsJapanese(result.uiReason)) << name << ": " << result.uiReason.toStdString();
        EXPECT_TRUE(picture.IsNull()) << name;
    }
}

TEST_F(PictureTest, RunLengthBmpsDecodeToEveryPixel) {
    // The pattern of make_pictures.py: runs on the left half, single pixels on the right.
    const auto colour = [](int x, int y, int width) {
        const int i = x < width / 2 ? (y / 3) % 16 : (x * 7 + y) % 16;
        return Bgr(i * 16, 255 - i * 16, i * 53 % 256);
    };
    for (const char* name : {"rle8.bmp", "rle4.bmp"}) {
        CPicture picture;
        ASSERT_EQ(picture.Load(DataFile(name)).status, Status::Ok) << name;
        int wrong = 0;
        for (int y = 0; y < picture.Height(); ++y) {
            for (int x = 0; x < picture.Width(); ++x) {
                wrong += picture.GetPixel(x, y) != colour(x, y, picture.Width());
            }
        }
        EXPECT_EQ(wrong, 0) << name;
    }
}

// Files whose damage Qt's readers pass over, returning a picture of invented pixels, beside
// whole files of the same kinds that must still load.
TEST_F(PictureTest, DamagedPicturesAreDecodeFailures) {
    const QString rle8 = DataFile("rle8.bmp");
    const QString rle4 = DataFile("rle4.bmp");
    const qsizetype rle8Size = ReadAll(rle8).size();
    const QImage pattern = MakePattern(320, 240);
    const QString colour = Save(pattern, "colour.jpg", "JPEG", 90);
    const QString grey =
        Save(pattern.convertToFormat(QImage::Format_Grayscale8), "grey.jpg", "JPEG", 90);
    const QString progressive = SaveProgressive(pattern, "progressive.jpg");
    const auto insertBytes = [](QByteArray& jpeg) {
        const auto [start, end] = LastScan(jpeg);
        jpeg.insert((start + end) / 2, "\x5A\xA5\x3C", 3);
    };
    const auto changeByte = [](QByteArray& jpeg) {
        const auto [start, end] = LastScan(jpeg);
        jpeg[(start + end) / 2] = static_cast<char>(jpeg[(start + end) / 2] ^ 0x10);
    };
    // The LZW code size of ramp.gif: after the header, its 256 colours and the descriptor.
    const auto codeSize12 = [](QByteArray& gif) { gif[13 + 3 * 256 + 10] = 12; };

    struct Case {
        QString path;
        const char* reasonPart;  // nullptr: the file loads
    };
    const Case cases[] = {
        {rle8, nullptr},
        {rle4, nullptr},
        // Every pixel is coded; only the end-of-bitmap code is missing.
        {Cut(rle8, -2, "rle8_no_end.bmp"), nullptr},
        // No image size in the header tells these cuts apart from whole files.
        {Cut(rle8, rle8Size / 3, "rle8_third.bmp"), "ends inside the pixel data"},
        {Cut(rle8, rle8Size * 2 / 3, "rle8_two_thirds.bmp"), "ends inside the pixel data"},
        {Cut(rle4, ReadAll(rle4).size() / 3, "rle4_third.bmp"), "ends inside the pixel data"},
        {DataFile("rle8_delta_skip.bmp"), "skips pixels"},
        {DataFile("rle8_short_row.bmp"), "before its last pixel"},
        {DataFile("rle8_early_end.bmp"), "before the last row"},
        {DataFile("rle8_delta_out.bmp"), "outside the picture"},
        {DataFile("rle8_long_run.bmp"), "past the end of its row"},
        {DataFile("lzw.gif"), nullptr},
        {DataFile("lzw_full_table.gif"), nullptr},
        {DataFile("bad_second_frame.gif"), nullptr},  // later frames are never shown
        {DataFile("short_lzw.gif"), "before all pixels are coded"},
        {DataFile("short_lzw_no_end.gif"), "before all pixels are coded"},
        {DataFile("lzw_one_short.gif"), "before all pixels are coded"},
        {DataFile("lzw_full_table_one_short.gif"), "before all pixels are coded"},
        {DataFile("lzw_bad_code.gif"), "invalid code"},
        {Damage(DataFile("ramp.gif"), "code_size.gif", codeSize12), "invalid code"},
        {DataFile("huge_frame.gif"), "(60000 x 60000 at 0, 0) is not inside the 200 x 150"},
        {DataFile("frame_outside.gif"), "not inside"},
        {colour, nullptr},
        {grey, nullptr},
        {progressive, nullptr},
        {Damage(colour, "colour_inserted.jpg", insertBytes), "extraneous bytes"},
        {Damage(grey, "grey_inserted.jpg", insertBytes), "extraneous bytes"},
        {Damage(progressive, "progressive_inserted.jpg", insertBytes), "extraneous bytes"},
        {Damage(colour, "colour_changed.jpg", changeByte), "extraneous bytes"},
    };
    for (const Case& c : cases) {
        CPicture picture;
        const CPicture::LoadResult result = picture.Load(c.path);
        const std::string name = QFileInfo(c.path).fileName().toStdString();
        if (c.reasonPart == nullptr) {
            EXPECT_EQ(result.status, Status::Ok) << name << ": " << result.reason.toStdString();
            continue;
        }
        EXPECT_EQ(result.status, Status::CannotDecode) << name;
        EXPECT_TRUE(result.reason.contains(QLatin1String(c.reasonPart)))
            << name << ": " << result.reason.toStdString();
        EXPECT_TRUE(IsJapanese(result.uiReason)) << name << ": " << result.uiReason.toStdString();
        EXPECT_TRUE(picture.IsNull()) << name;
    }
}

TEST_F(PictureTest, UnreadableFileCannotBeOpened) {
    const QString path = Save(MakePattern(8, 8), "locked.bmp", "BMP");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    QFile probe(path);
    if (probe.open(QIODevice::ReadOnly)) GTEST_SKIP() << "permissions do not bind this user";
    CPicture picture;
    const CPicture::LoadResult result = picture.Load(path);
    EXPECT_EQ(result.status, Status::CannotOpen);
    EXPECT_TRUE(result.reason.contains(QLatin1String("ermission"))) << result.reason.toStdString();
    EXPECT_EQ(result.uiReason, QStringLiteral("アクセスが拒否されました。"));
}

TEST_F(PictureTest, DecodesPicturesAboveQtsDefaultAllocationLimit) {
    // 36 megapixels, 144 MB as 32-bit pixels: above the 128 MB that Qt refuses by default.
    QImage big(6000, 6000, QImage::Format_RGB32);
    big.fill(qRgb(10, 200, 30));
    const QString path = Save(big, "big.jpg", "JPEG", 50);
    big = QImage();
    CPicture picture;
    const CPicture::LoadResult result = picture.Load(path);
    ASSERT_EQ(result.status, Status::Ok) << result.reason.toStdString();
    EXPECT_EQ(picture.Width(), 6000);
    EXPECT_TRUE(Near(picture.GetPixel(5999, 5999), Bgr(10, 200, 30), 4));
}

TEST_F(PictureTest, DecodeWarningsStayWithTheirOwnThread) {
    // One thread decodes only whole files, the other only cut ones: a warning captured on the
    // wrong thread would fail a whole file or pass a cut one.
    const QString whole = Save(MakePattern(320, 240), "whole.jpg", "JPEG", 90);
    const QString cut = Cut(whole, ReadAll(whole).size() / 2, "half.jpg");
    std::atomic<int> wrong{0};
    const auto run = [&wrong](const QString& path, Status expected) {
        CPicture picture;
        for (int k = 0; k < 20; ++k) {
            if (picture.Load(path).status != expected) ++wrong;
        }
    };
    std::thread a(run, whole, Status::Ok);
    std::thread b(run, cut, Status::CannotDecode);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
