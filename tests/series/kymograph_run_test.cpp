// SPDX-License-Identifier: GPL-3.0-or-later
// The kymograph's rows are the line's profiles, entry by entry, whatever the picture's depth,
// the line's width and smoothing or a reading between pixels; a picture that does not decode
// gives an empty row, marked so; and the rows come back from the files they are saved to.
#include "series/kymograph_run.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <cmath>

#include "model/line_profile.h"
#include "picture/picture.h"
#include "series/kymograph_image.h"

namespace {

// A picture whose brightness rises across, with a dark bar at column `bar`: 8-bit RGB or
// 16-bit grey, so that rounding, band sums and smoothing all have fractions to deal with.
QImage Frame(int bar, bool deep) {
    constexpr int kWidth = 90;
    constexpr int kHeight = 40;
    QImage image(kWidth, kHeight, deep ? QImage::Format_Grayscale16 : QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int v = std::abs(x - bar) < 2 ? 5 + y : 60 + 2 * x + (x * y) % 9;
            if (deep) {
                reinterpret_cast<quint16*>(image.scanLine(y))[x] = static_cast<quint16>(v * 251 + x);
            } else {
                image.setPixel(x, y, qRgb(v, (v * 3) % 256, 255 - v));
            }
        }
    }
    return image;
}

struct Series {
    QTemporaryDir dir;
    CDataProfile profile;

    // Frames with the bar moving by three columns an entry; entry `damaged` is a file cut short.
    Series(int entries, bool deep, int damaged, int x1, int y1, int x2, int y2,
           const char* format = "PNG") {
        for (int i = 0; i < entries; ++i) {
            const QString path =
                dir.filePath(QStringLiteral("f%1.%2").arg(i).arg(QString::fromLatin1(format).toLower()));
            Frame(10 + 3 * i, deep).save(path, format);
            if (i == damaged) {
                QFile file(path);
                file.open(QIODevice::ReadWrite);
                file.resize(file.size() / 2);
            }
            profile.AddImage("f" + std::to_string(i), path.toStdString());
            // Later records take the first one's lines.
            if (i == 0) profile.GetSeries(0)->AddLine(0, x1, y1, x2, y2);
        }
    }
};

std::vector<int> Rounded(const std::vector<double>& values, int white) {
    std::vector<int> out;
    for (const double v : values) {
        out.push_back(static_cast<int>(std::clamp(std::round(v), 0.0, double(white))));
    }
    return out;
}

std::vector<int> RowValues(const KymoRow& row) {
    std::vector<int> out;
    for (int s = 0; s < row.Count(); ++s) out.push_back(row.Value(s));
    return out;
}

CKymographRun& Finish(CKymographRun& run) {
    while (!run.Finished()) run.Wait(50);
    run.Collect();
    return run;
}

TEST(KymographRun, RowsAreTheLinesProfilesEntryByEntry) {
    CaliperRule bilinear;
    bilinear.bilinear = true;
    EdgeOptions band;
    band.lineWidth = 3;
    band.smoothing = kSmoothGaussian;
    band.smoothWidth = 5;
    struct Case {
        const char* what;
        bool deep;
        int channel;
        EdgeOptions options;
        std::optional<CaliperRule> rule;
        int x1, y1, x2, y2;
        // JPEG and TIFF are decoded only where the line reads.
        const char* format = "PNG";
    };
    const Case cases[] = {
        {"8-bit, one pixel wide", false, 0, {}, {}, 2, 20, 85, 20},
        {"8-bit green, a band smoothed, slanted", false, 2, band, {}, 3, 5, 80, 33},
        {"16-bit, one pixel wide", true, 0, {}, {}, 85, 8, 2, 8},
        {"16-bit, a band smoothed", true, 0, band, {}, 2, 30, 85, 12},
        {"caliper line read between pixels", false, 1, {}, bilinear, 4, 3, 81, 29},
        {"16-bit caliper line read between pixels", true, 0, band, bilinear, 4, 36, 81, 2},
        {"JPEG, a band smoothed, slanted", false, 2, band, {}, 3, 5, 80, 33, "JPEG"},
        {"JPEG caliper line read between pixels", false, 1, {}, bilinear, 4, 3, 81, 29, "JPEG"},
        {"16-bit TIFF, a band smoothed", true, 0, band, {}, 2, 30, 85, 12, "TIFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Series series(6, c.deep, -1, c.x1, c.y1, c.x2, c.y2, c.format);
        if (c.rule) {
            for (int i = 0; i < series.profile.GetSize(); ++i) {
                series.profile.GetLine(i, 0, 0)->m_nRule = series.profile.RuleNumber(*c.rule);
            }
        }
        KymographSettings settings{c.channel, 2, c.options, 2};
        CKymographRun run(series.profile, 0, settings);
        const CKymograph& k = Finish(run).Kymograph();
        ASSERT_EQ(k.Entries(), 6);
        EXPECT_EQ(k.MaxValue(), c.deep ? 65535 : 255);
        CPicture picture;
        for (int i = 0; i < k.Entries(); ++i) {
            ASSERT_EQ(picture.Load(series.profile.GetSeries(i)->m_strPath).status,
                      CPicture::LoadStatus::Ok);
            const LineProfile profile = MeasureLineProfile(
                picture.View(), *series.profile.GetLine(i, 0, 0), c.channel, 2, c.options,
                c.rule ? &*c.rule : nullptr);
            ASSERT_GT(profile.Count(), 10);
            EXPECT_EQ(k.Row(i).state, KymoRow::State::Ok);
            EXPECT_EQ(k.Row(i).wide, c.deep);
            EXPECT_EQ(RowValues(k.Row(i)), Rounded(profile.values, profile.maxValue)) << i;
            EXPECT_TRUE(run.Reason(i).isEmpty());
        }
    }
}

TEST(KymographRun, DamagedEntryIsAnEmptyRowWithItsReason) {
    Series series(5, false, 2, 2, 20, 85, 20);
    CKymographRun run(series.profile, 0, {0, 0, {}, 3});
    const CKymograph& k = Finish(run).Kymograph();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(k.Row(i).state, i == 2 ? KymoRow::State::Unreadable : KymoRow::State::Ok) << i;
    }
    EXPECT_EQ(k.Row(2).Count(), 0);
    EXPECT_FALSE(run.Reason(2).isEmpty());
    EXPECT_EQ(k.Samples(), 84);
    // A line the record lacks is no row either.
    series.profile.GetSeries(4)->GetAt(0)->RemoveLine(0);
    CKymographRun lacking(series.profile, 0, {});
    EXPECT_EQ(Finish(lacking).Kymograph().Row(4).state, KymoRow::State::Unreadable);
}

TEST(KymographImage, SavedPicturesReadBackAtTheirDepth) {
    struct Case {
        const char* format;
        bool deep;
    };
    for (const Case& c : {Case{"PNG", false}, Case{"PNG", true}, Case{"TIFF", false},
                          Case{"TIFF", true}}) {
        SCOPED_TRACE(std::string(c.format) + (c.deep ? " 16-bit" : " 8-bit"));
        Series series(4, c.deep, 1, 2, 20, 85, 20);
        CKymographRun run(series.profile, 0, {});
        const CKymograph& k = Finish(run).Kymograph();
        const QByteArray bytes = EncodeKymographImage(KymographImage(k), c.format);
        ASSERT_FALSE(bytes.isEmpty());
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer, c.format);
        const QImage back = reader.read();
        ASSERT_FALSE(back.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(back.format(), c.deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
        ASSERT_EQ(back.width(), k.Samples());
        ASSERT_EQ(back.height(), 4);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < k.Samples(); ++x) {
                const int v = c.deep ? reinterpret_cast<const quint16*>(back.constScanLine(y))[x]
                                     : back.constScanLine(y)[x];
                // The damaged entry is black.
                EXPECT_EQ(v, y == 1 ? 0 : k.Row(y).Value(x)) << x << "," << y;
            }
        }
    }
}

}  // namespace
