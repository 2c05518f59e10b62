// SPDX-License-Identifier: GPL-3.0-or-later
// Which image of a multi-page TIFF is the picture, and that it keeps the orientation it is
// stored in.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <utility>
#include <vector>

#include "picture/picture.h"

namespace {

// One page of an uncompressed 8-bit grey TIFF, one grey level throughout, with an Orientation
// tag unless `orientation` is 0.
struct TiffPage {
    quint32 width, height, level, orientation;
};

QByteArray GreyTiff(const std::vector<TiffPage>& pages) {
    QByteArray out("II\x2A\0\x08\0\0\0", 8);
    const auto put = [&out](quint32 v, int bytes) {
        for (int k = 0; k < bytes; ++k) out.append(static_cast<char>((v >> (8 * k)) & 0xFF));
    };
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const TiffPage& page = pages[p];
        std::vector<std::pair<quint32, quint32>> tags = {
            {256, page.width}, {257, page.height}, {258, 8}, {259, 1}, {262, 1}, {273, 0},
            {277, 1}, {278, page.height}, {279, page.width * page.height}};
        if (page.orientation != 0) tags.insert(tags.begin() + 6, {274, page.orientation});
        // The page's directory, then its pixels, then the next page.
        const auto pixels = static_cast<quint32>(out.size() + 2 + 12 * tags.size() + 4);
        put(static_cast<quint32>(tags.size()), 2);
        for (const auto& [tag, value] : tags) {
            const bool isLong = tag == 273 || tag == 279;
            put(tag, 2);
            put(isLong ? 4 : 3, 2);
            put(1, 4);
            put(tag == 273 ? pixels : value, 4);
        }
        const qsizetype next = out.size();
        put(0, 4);
        out.append(QByteArray(static_cast<qsizetype>(page.width * page.height),
                              static_cast<char>(page.level)));
        if (out.size() % 2 != 0) out.append('\0');
        if (p + 1 < pages.size()) {
            const auto at = static_cast<quint32>(out.size());
            for (int k = 0; k < 4; ++k) out[next + k] = static_cast<char>((at >> (8 * k)) & 0xFF);
        }
    }
    return out;
}

TEST(TiffPages, TheFirstPageIsThePictureAsStored) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("pages.tif"));
    {
        // The first page asks for a quarter turn; the second is of another size and level.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GreyTiff({{4, 2, 0, 6}, {2, 3, 255, 0}}));
    }
    QImageReader reader(path);
    ASSERT_EQ(reader.imageCount(), 2);
    ASSERT_EQ(reader.transformation(), QImageIOHandler::TransformationRotate90);

    CPicture picture;
    ASSERT_EQ(picture.Load(path).status, CPicture::LoadStatus::Ok);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(picture.Height(), 2);
    EXPECT_EQ(picture.GetPixel(3, 1), 0u);  // black, 0x00BBGGRR

    // The later pages are not looked at: one cut short does not spoil the first.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(file.size() - 4));
    }
    CPicture cut;
    ASSERT_EQ(cut.Load(path).status, CPicture::LoadStatus::Ok);
    EXPECT_EQ(cut.Width(), 4);
}

}  // namespace
