// SPDX-License-Identifier: GPL-3.0-or-later
// A JPEG decoded only where some lines read: every pixel they may read is the whole decode's, for
// each kind of subsampling, grey, restart markers and progressive files, with lines at every
// angle, on the edges and narrow or wide; and a file damaged where nothing is read is refused as
// the whole decode refuses it. A TIFF, as a file and as a page, goes the same way through the
// loader (its strips and tiles have tests of their own).

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

// jpeglib.h needs the size types of stdio.h declared first.
#include <jpeglib.h>

#include "model/pixel_request.h"
#include "picture/picture.h"

namespace {

struct Kind {
    const char* name;
    int components;  // 1 grey, 3 YCbCr
    int h;           // the luma's sampling factors
    int v;
    bool progressive;
    int restartRows;  // 0: no restart markers
};

// Structure in every channel at every scale, so that each upsampling shows its own rounding.
std::vector<unsigned char> Pattern(int width, int height, int components) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height * components));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[static_cast<std::size_t>((y * width + x) * components)];
            p[0] = static_cast<unsigned char>((x * 7 + y * 3) & 255);
            if (components == 3) {
                p[1] = static_cast<unsigned char>((x * y) & 255);
                p[2] = static_cast<unsigned char>(((x ^ y) * 5 + x / 9) & 255);
            }
        }
    }
    return pixels;
}

QByteArray Compress(const Kind& kind, int width, int height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = kind.components;
    info.in_color_space = kind.components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 88, TRUE);
    info.comp_info[0].h_samp_factor = kind.h;
    info.comp_info[0].v_samp_factor = kind.v;
    info.restart_in_rows = kind.restartRows;
    if (kind.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const std::vector<unsigned char> pixels = Pattern(width, height, kind.components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            &pixels[static_cast<std::size_t>(info.next_scanline) *
                    static_cast<std::size_t>(width * kind.components)]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    return bytes;
}

struct Geometry {
    const char* name;
    std::vector<std::vector<int>> ends;  // x0, y0, x1, y1
    int width;                           // the band's
    bool between;                        // read between pixels
};

PixelRequest RequestOf(const Geometry& g) {
    std::vector<CScan> lines(g.ends.size());
    for (std::size_t n = 0; n < lines.size(); ++n) {
        lines[n].SetLine(g.ends[n][0], g.ends[n][1], g.ends[n][2], g.ends[n][3]);
        lines[n].m_nRule = g.between ? 1 : 0;
    }
    CaliperRule between;
    between.bilinear = true;
    return LinesRequest(lines, g.width, {between});
}

class PartialPicture : public testing::Test {
protected:
    std::string Write(const QString& name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return QFile::encodeName(file.fileName()).toStdString();
    }
    QTemporaryDir m_dir;
};

TEST_F(PartialPicture, EveryPixelReadIsTheWholeDecodes) {
    constexpr int kWidth = 403;  // odd sizes: partial blocks at the right and the bottom
    constexpr int kHeight = 301;
    const Kind kinds[] = {
        {"4:2:0", 3, 2, 2, false, 0}, {"4:2:2", 3, 2, 1, false, 0}, {"4:4:4", 3, 1, 1, false, 0},
        {"4:4:0", 3, 1, 2, false, 0}, {"grey", 1, 1, 1, false, 0},  {"4:2:0 restarts", 3, 2, 2, false, 1},
        {"4:2:2 restarts", 3, 2, 1, false, 3}, {"progressive", 3, 2, 2, true, 0},
    };
    const Geometry geometries[] = {
        {"a band across", {{0, 140, 402, 150}, {0, 160, 402, 158}}, 1, false},
        {"one short line in the middle", {{190, 120, 214, 131}}, 1, false},
        {"vertical", {{200, 0, 200, 300}}, 3, false},
        {"diagonals to the corners", {{0, 0, 402, 300}, {402, 0, 0, 300}}, 1, false},
        {"along the edges", {{0, 0, 402, 0}, {402, 300, 0, 300}, {0, 300, 0, 0}}, 5, false},
        {"off the picture", {{-40, -10, 30, 20}, {380, 290, 450, 340}}, 3, false},
        {"wide, between pixels", {{30, 50, 370, 90}, {100, 250, 120, 260}}, 9, true},
        {"rows far apart", {{10, 3, 60, 5}, {300, 296, 390, 297}}, 1, true},
        {"one pixel", {{401, 299, 401, 299}}, 1, false},
    };
    CPicture whole;
    CPicture part;
    for (const Kind& kind : kinds) {
        const std::string path =
            Write(QString::fromLatin1(kind.name) + QStringLiteral(".jpg"), Compress(kind, kWidth, kHeight));
        ASSERT_EQ(whole.Load(path).status, CPicture::LoadStatus::Ok) << kind.name;
        const PixelView reference = whole.View();
        for (const Geometry& g : geometries) {
            const std::string at = std::string(kind.name) + ", " + g.name;
            const PixelRequest request = RequestOf(g);
            const CPicture::LoadResult loaded = part.Load(path, -1, request);
            ASSERT_EQ(loaded.status, CPicture::LoadStatus::Ok) << at << loaded.reason.toStdString();
            const PixelView view = part.View(request);
            ASSERT_FALSE(view.IsNull()) << at;
            // A progressive file is decoded whole and shown as such; any other only in part,
            // which nobody is shown.
            EXPECT_EQ(part.IsNull(), !kind.progressive) << at;
            const PixelRegion region(request, kWidth, kHeight);
            int held = 0;
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) {
                    if (!region.Holds(x, y)) continue;
                    ++held;
                    ASSERT_EQ(view.GetPixel(x, y), reference.GetPixel(x, y))
                        << at << ": pixel " << x << ", " << y;
                }
            }
            EXPECT_GT(held, 0) << at;
        }
    }
}

// Damage where no line reads: the entropy decoder still reads every row, so the file is refused
// with the whole decode's reason.
TEST_F(PartialPicture, DamageInRowsNotReadIsRefused) {
    const Kind kinds[] = {{"4:2:0", 3, 2, 2, false, 0}, {"restarts", 3, 2, 1, false, 2}};
    struct Damage {
        const char* name;
        double at;  // where in the file, as a share of its size
        QByteArray (*apply)(QByteArray bytes, qsizetype at);
    };
    const Damage damages[] = {
        {"cut near the end", 0.9, [](QByteArray b, qsizetype at) { return b.left(at); }},
        {"cut in the middle", 0.5, [](QByteArray b, qsizetype at) { return b.left(at); }},
        {"an end marker inside the data", 0.7,
         [](QByteArray b, qsizetype at) { return b.insert(at, "\xFF\xD9", 2); }},
        {"a run of zero bytes", 0.8,
         [](QByteArray b, qsizetype at) { return b.replace(at, 64, QByteArray(64, '\0')); }},
    };
    // A line in the first rows only: all damage lies in rows that are skipped.
    const PixelRequest request = RequestOf({"top", {{0, 2, 402, 4}}, 1, false});
    CPicture picture;
    for (const Kind& kind : kinds) {
        const QByteArray good = Compress(kind, 403, 301);
        for (const Damage& damage : damages) {
            const std::string at = std::string(kind.name) + ", " + damage.name;
            const QByteArray bad =
                damage.apply(good, static_cast<qsizetype>(damage.at * static_cast<double>(good.size())));
            const std::string path = Write(QStringLiteral("bad.jpg"), bad);
            const CPicture::LoadResult whole = picture.Load(path);
            ASSERT_NE(whole.status, CPicture::LoadStatus::Ok) << at << ": the whole decode takes it";
            const CPicture::LoadResult part = picture.Load(path, -1, request);
            EXPECT_EQ(part.status, whole.status) << at;
            EXPECT_EQ(part.reason, whole.reason) << at;
            EXPECT_TRUE(picture.View(request).IsNull()) << at;
        }
    }
}

TEST_F(PartialPicture, TiffsLoadInPartAsFilesAndAsPages) {
    QImage grey(203, 151, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            grey.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 3) & 255);
        }
    }
    const QString path = m_dir.filePath(QStringLiteral("grey.tif"));
    ASSERT_TRUE(grey.save(path, "TIFF"));
    const std::string name = QFile::encodeName(path).toStdString();
    const PixelRequest request = RequestOf({"a band", {{0, 70, 202, 80}}, 3, false});
    CPicture whole;
    ASSERT_EQ(whole.Load(name).status, CPicture::LoadStatus::Ok);
    CPicture part;
    for (const std::int64_t frame : {std::int64_t{-1}, std::int64_t{0}}) {
        ASSERT_EQ(part.Load(name, frame, request).status, CPicture::LoadStatus::Ok) << frame;
        EXPECT_TRUE(part.IsNull()) << frame;
        const PixelView view = part.View(request);
        ASSERT_FALSE(view.IsNull()) << frame;
        const PixelRegion region(request, grey.width(), grey.height());
        for (int y = 0; y < grey.height(); ++y) {
            for (int x = 0; x < grey.width(); ++x) {
                if (region.Holds(x, y)) {
                    ASSERT_EQ(view.GetPixel(x, y), whole.GetPixel(x, y)) << frame << ": " << x << ", " << y;
                }
            }
        }
    }
}

}  // namespace
