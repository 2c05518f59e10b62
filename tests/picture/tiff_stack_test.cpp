// SPDX-License-Identifier: GPL-3.0-or-later
// The pages of multi-page TIFF files written here with libtiff: each page's pixels as written and
// as Qt's reader gives them, in any order of loading; damaged pages refused while the others
// load; and the count of pages the image list makes of a file.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <cstring>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "picture/picture_entries.h"
#include "picture/qt_decode.h"

namespace {

using Status = CPicture::LoadStatus;

struct StackKind {
    const char* name;
    std::uint16_t bits, samples, photometric;
    bool tiled = false;
    bool bigTiff = false;
    std::uint16_t compression = COMPRESSION_NONE;
};

constexpr int kWidth = 37;  // odd: 16-bit rows are padded in memory, and tiles overhang
constexpr int kHeight = 21;

// The value of sample `s` at (x, y) of page `page`: every page, row and sample differs.
unsigned Sample(const StackKind& kind, int page, int x, int y, int s) {
    if (kind.samples == 4 && s == 3) return kind.bits == 8 ? 255 : 65535;  // opaque alpha
    const unsigned v = static_cast<unsigned>(page * 5003 + x * 611 + y * 1231 + s * 20011);
    return kind.bits == 8 ? (v >> 3) & 0xFF : v & 0xFFFF;
}

// A palette whose low bytes differ from the high ones, which alone count.
std::uint16_t PaletteEntry(int channel, unsigned index) {
    return static_cast<std::uint16_t>(((index * (37 + 50 * channel)) & 0xFF) << 8 | 0x7F);
}

void PutSamples(const StackKind& kind, int page, int x, int y, unsigned char* to) {
    for (int s = 0; s < kind.samples; ++s) {
        const unsigned v = Sample(kind, page, x, y, s);
        if (kind.bits == 8) {
            to[s] = static_cast<unsigned char>(v);
        } else {
            const auto v16 = static_cast<std::uint16_t>(v);
            std::memcpy(to + 2 * s, &v16, 2);
        }
    }
}

// Writes `pages` pages; `shortPage` (if >= 0) gets a strip of half its bytes; `description`
// goes on the first page.
bool WriteStack(const std::string& path, const StackKind& kind, int pages, int shortPage = -1,
                const char* description = nullptr) {
    TIFF* tif = TIFFOpen(path.c_str(), kind.bigTiff ? "w8" : "w");
    if (tif == nullptr) return false;
    const std::size_t pixelBytes = kind.samples * kind.bits / 8u;
    std::vector<std::uint16_t> map[3];
    for (int c = 0; c < 3; ++c) {
        for (unsigned i = 0; i < 256; ++i) map[c].push_back(PaletteEntry(c, i));
    }
    bool ok = true;
    for (int page = 0; page < pages && ok; ++page) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, kind.bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, kind.samples);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, kind.photometric);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, kind.compression);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
        if (kind.samples == 4) {
            const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        if (kind.photometric == PHOTOMETRIC_PALETTE) {
            TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
        }
        if (page == 0 && description != nullptr) {
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description);
        }
        if (kind.tiled) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
            std::vector<unsigned char> tile(16 * 16 * pixelBytes);
            for (int ty = 0; ty < kHeight && ok; ty += 16) {
                for (int tx = 0; tx < kWidth && ok; tx += 16) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (int y = ty; y < std::min(ty + 16, kHeight); ++y) {
                        for (int x = tx; x < std::min(tx + 16, kWidth); ++x) {
                            PutSamples(kind, page, x, y,
                                       &tile[((y - ty) * 16 + (x - tx)) * pixelBytes]);
                        }
                    }
                    ok = TIFFWriteTile(tif, tile.data(), static_cast<std::uint32_t>(tx),
                                       static_cast<std::uint32_t>(ty), 0, 0) >= 0;
                }
            }
        } else {
            const bool cut = page == shortPage;
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, cut ? kHeight : 5);
            std::vector<unsigned char> rows(kWidth * kHeight * pixelBytes);
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) {
                    PutSamples(kind, page, x, y, &rows[(y * kWidth + x) * pixelBytes]);
                }
            }
            if (cut) {
                ok = TIFFWriteRawStrip(tif, 0, rows.data(),
                                       static_cast<tmsize_t>(rows.size() / 2)) >= 0;
            }
            for (int y = 0; y < kHeight && ok && !cut; ++y) {
                ok = TIFFWriteScanline(tif, &rows[y * kWidth * pixelBytes],
                                       static_cast<std::uint32_t>(y), 0) >= 0;
            }
        }
        ok = ok && TIFFWriteDirectory(tif) != 0;
    }
    TIFFClose(tif);
    return ok;
}

// The page as written, compared with what the picture holds; an empty string when they agree.
std::string Mismatch(const StackKind& kind, int page, const CPicture& picture) {
    if (picture.Width() != kWidth || picture.Height() != kHeight) return "size";
    const PixelView view = picture.View();
    for (int y = 0; y < kHeight; ++y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(view.bits + y * view.stride);
        for (int x = 0; x < kWidth; ++x) {
            const auto at = [&](int s) { return Sample(kind, page, x, y, s); };
            bool same = true;
            if (kind.bits == 16 && kind.samples == 1) {
                same = row[x] == at(0);
            } else if (kind.bits == 16) {
                same = row[4 * x] == at(0) && row[4 * x + 1] == at(1) && row[4 * x + 2] == at(2) &&
                       row[4 * x + 3] == 65535;
            } else {
                std::uint32_t bgr = at(0) * 0x010101u;
                if (kind.photometric == PHOTOMETRIC_PALETTE) {
                    bgr = PaletteEntry(0, at(0)) >> 8 | (PaletteEntry(1, at(0)) >> 8) << 8 |
                          std::uint32_t(PaletteEntry(2, at(0)) >> 8) << 16;
                } else if (kind.samples >= 3) {
                    bgr = at(0) | at(1) << 8 | at(2) << 16;
                }
                same = picture.GetPixel(x, y) == bgr;
            }
            if (!same) return "pixel " + std::to_string(x) + ", " + std::to_string(y);
        }
    }
    return {};
}

// Qt's reader on the same page, in the format the picture holds it.
bool SameAsQt(const QString& path, int page, const QImage& image) {
    QImageReader reader(path);
    if (!reader.jumpToImage(page)) return false;
    QImage qt = reader.read();
    if (qt.isNull()) return false;
    qt.convertTo(HeldFormat(qt.format()));
    if (qt.size() != image.size() || qt.format() != image.format()) return false;
    const auto bytes = static_cast<std::size_t>(qt.width()) * qt.depth() / 8;
    for (int y = 0; y < qt.height(); ++y) {
        if (std::memcmp(qt.constScanLine(y), image.constScanLine(y), bytes) != 0) return false;
    }
    return true;
}

const StackKind kKinds[] = {
    {"grey8", 8, 1, PHOTOMETRIC_MINISBLACK},
    {"grey16", 16, 1, PHOTOMETRIC_MINISBLACK},
    {"rgb8", 8, 3, PHOTOMETRIC_RGB},
    {"rgb16", 16, 3, PHOTOMETRIC_RGB},
    {"rgba8", 8, 4, PHOTOMETRIC_RGB},
    {"rgba16", 16, 4, PHOTOMETRIC_RGB},
    {"palette", 8, 1, PHOTOMETRIC_PALETTE},
    {"tiled grey16", 16, 1, PHOTOMETRIC_MINISBLACK, true},
    {"tiled palette", 8, 1, PHOTOMETRIC_PALETTE, true},
    {"bigtiff grey16", 16, 1, PHOTOMETRIC_MINISBLACK, false, true},
    {"bigtiff tiled rgb16", 16, 3, PHOTOMETRIC_RGB, true, true},
    {"lzw grey16", 16, 1, PHOTOMETRIC_MINISBLACK, false, false, COMPRESSION_LZW},
    {"deflate rgb16", 16, 3, PHOTOMETRIC_RGB, false, false, COMPRESSION_ADOBE_DEFLATE},
};

TEST(TiffStacks, EveryPageAsWrittenAndAsQtReadsItInAnyOrder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    constexpr int kPages = 5;
    const std::vector<std::vector<int>> orders = {{0, 1, 2, 3, 4}, {3, 0, 4, 2, 1}, {4, 3, 2, 1, 0}};
    for (const StackKind& kind : kKinds) {
        const QString path = dir.filePath(QString::fromLatin1(kind.name) + ".tif");
        ASSERT_TRUE(WriteStack(path.toStdString(), kind, kPages)) << kind.name;
        EXPECT_EQ(SurveyEntries(path.toStdString()).count, kPages) << kind.name;
        CPicture picture;
        for (const std::vector<int>& order : orders) {
            for (const int page : order) {
                const CPicture::LoadResult result = picture.Load(path.toStdString(), page);
                ASSERT_EQ(result.status, Status::Ok)
                    << kind.name << " page " << page << ": " << result.reason.toStdString();
                EXPECT_EQ(Mismatch(kind, page, picture), "") << kind.name << " page " << page;
                EXPECT_TRUE(SameAsQt(path, page, picture.Image())) << kind.name << " " << page;
            }
        }
        // A page past the last says how many there are.
        const CPicture::LoadResult past = picture.Load(path.toStdString(), kPages);
        EXPECT_EQ(past.status, Status::CannotDecode) << kind.name;
        EXPECT_NE(past.reason.indexOf(QStringLiteral("only 5")), -1) << past.reason.toStdString();
    }
}

TEST(TiffStacks, ASinglePageLoadsAsItsFirstPageAndAsQtReadsIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const StackKind& kind : kKinds) {
        const QString path = dir.filePath(QString::fromLatin1(kind.name) + ".tif");
        ASSERT_TRUE(WriteStack(path.toStdString(), kind, 1)) << kind.name;
        const FileEntries entries = SurveyEntries(path.toStdString());
        EXPECT_EQ(entries.kind, FileEntries::Kind::Single) << kind.name;
        CPicture whole;
        CPicture page;
        CPicture bytes;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_EQ(whole.Load(path.toStdString()).status, Status::Ok) << kind.name;
        ASSERT_EQ(page.Load(path.toStdString(), 0).status, Status::Ok) << kind.name;
        ASSERT_EQ(bytes.LoadData(file.readAll()).status, Status::Ok) << kind.name;
        EXPECT_EQ(Mismatch(kind, 0, whole), "") << kind.name;
        EXPECT_TRUE(SameAsQt(path, 0, whole.Image())) << kind.name;
        EXPECT_TRUE(whole.Image() == page.Image()) << kind.name;
        EXPECT_TRUE(whole.Image() == bytes.Image()) << kind.name;
    }
}

TEST(TiffStacks, ADamagedPageIsRefusedAndTheOthersStillLoad) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const StackKind grey = kKinds[1];
    struct Case {
        const char* name;
        bool cutInPage3;      // the file ends inside the third page's data
        int shortStripPage;   // or this page's one strip holds half its rows
        PictureProblem problem;
        std::vector<int> loadable;
        std::int64_t pages;   // that the image list makes of the file
    };
    const Case cases[] = {
        {"cut in page 3", true, -1, PictureProblem::CutShort, {0, 1}, 3},
        {"short strip in page 3", false, 2, PictureProblem::Damaged, {0, 1, 3}, 4},
    };
    for (const Case& c : cases) {
        const std::string path = dir.filePath(QString::fromLatin1(c.name)).toStdString();
        ASSERT_TRUE(WriteStack(path, grey, 4, c.shortStripPage)) << c.name;
        if (c.cutInPage3) {
            TIFF* tif = TIFFOpen(path.c_str(), "r");
            ASSERT_NE(tif, nullptr);
            ASSERT_TRUE(TIFFSetDirectory(tif, 2));
            const std::uint64_t data = TIFFGetStrileOffset(tif, 0);
            TIFFClose(tif);
            ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(data + 7)), 0);
        }
        EXPECT_EQ(SurveyEntries(path).count, c.pages) << c.name;
        CPicture picture;
        const CPicture::LoadResult refused = picture.Load(path, 2);
        EXPECT_EQ(refused.status, Status::CannotDecode) << c.name;
        EXPECT_EQ(refused.problem, c.problem) << c.name << ": " << refused.reason.toStdString();
        EXPECT_FALSE(refused.uiReason.isEmpty()) << c.name;
        EXPECT_TRUE(picture.IsNull()) << c.name;
        for (const int page : c.loadable) {
            ASSERT_EQ(picture.Load(path, page).status, Status::Ok) << c.name << " " << page;
            EXPECT_EQ(Mismatch(grey, page, picture), "") << c.name << " " << page;
        }
    }
}

TEST(TiffStacks, OnlyStacksHavePages) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string bmp = dir.filePath(QStringLiteral("one.bmp")).toStdString();
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(bmp), "BMP"));
    const std::string text = dir.filePath(QStringLiteral("notes.txt")).toStdString();
    {
        QFile file(QString::fromStdString(text));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture at all\n");
    }
    CPicture picture;
    // Pages of a plain picture, or of no picture, are no pages.
    for (const std::string& path : {bmp, text}) {
        const CPicture::LoadResult result = picture.Load(path, 0);
        EXPECT_EQ(result.status, Status::CannotDecode) << path;
        EXPECT_EQ(result.problem, PictureProblem::NotPicture) << path;
    }
    EXPECT_EQ(picture.Load(bmp, -1).status, Status::Ok);
    const FileEntries single = SurveyEntries(bmp);
    EXPECT_EQ(single.kind, FileEntries::Kind::Single);
    EXPECT_EQ(single.count, 1);
    EXPECT_EQ(single.result.status, Status::Ok);
    EXPECT_EQ(SurveyEntries(text).result.problem, PictureProblem::NotPicture);
    const FileEntries missing = SurveyEntries(dir.filePath(QStringLiteral("gone.tif")).toStdString());
    EXPECT_EQ(missing.result.status, Status::CannotOpen);
    EXPECT_EQ(missing.result.problem, PictureProblem::Missing);
}

}  // namespace
