// SPDX-License-Identifier: GPL-3.0-or-later
// Random sessions on JPEG series measured with each picture decoded whole and decoded only where
// its lines read: every edge, sub-pixel place and caliper result is the same.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <random>
#include <vector>

#include "model/caliper_measure.h"
#include "model/edge_detect.h"
#include "series/series_detect.h"

namespace {

struct Place {
    CPoint point;
    double subPos;
    bool operator==(const Place&) const = default;
};

std::vector<Place> Measure(const std::vector<std::string>& paths, unsigned seed, bool partial) {
    std::mt19937 random(seed);
    const auto draw = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    CDataProfile profile;
    for (const std::string& path : paths) profile.AddImage("p.jpg", path);
    CaliperRule between;
    between.bilinear = true;
    CaliperRule strongest;
    const std::uint16_t rules[] = {0, profile.RuleNumber(between), profile.RuleNumber(strongest)};
    const int lines = draw(1, 6);
    for (int n = 0; n < lines; ++n) {
        // Anywhere, off the picture too, and of any length.
        const int x0 = draw(-30, 330);
        const int y0 = draw(-30, 270);
        const int x1 = draw(-30, 330);
        const int y1 = draw(-30, 270);
        const std::uint16_t rule = rules[draw(0, 2)];
        for (int k = 0; k < profile.GetSize(); ++k) {
            profile.GetSeries(k)->AddLine(0, x0, y0, x1, y1);
            profile.GetLine(k, 0, n)->m_nRule = rule;
        }
    }
    DetectSettings settings;
    settings.jobs = 2;
    settings.mode = draw(0, 3);
    settings.edge.lineWidth = 2 * draw(0, 4) + 1;
    settings.partialPictures = partial;
    const DetectReport report =
        DetectPendingRecords(profile, RecordsWithPendingLines(profile), settings);
    EXPECT_TRUE(report.failures.empty());
    std::vector<Place> places;
    for (int k = 0; k < profile.GetSize(); ++k) {
        for (int n = 0; n < lines; ++n) {
            const CScan* line = profile.GetLine(k, 0, n);
            places.push_back({profile.GetCurPoint(k, 0, n), line->m_dSubPos});
        }
    }
    return places;
}

TEST(PartialDetect, RandomSessionsMeasureAsOnWholePictures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<std::string> paths;
    for (int k = 0; k < 4; ++k) {
        // A dark disc moving on a shaded ground, in colour and in grey.
        QImage image(301, 241, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int dx = x - 100 - 20 * k;
                const int dy = y - 120;
                const int shade = dx * dx + dy * dy < 3600 ? 40 : 120 + (x + 2 * y) % 90;
                image.setPixel(x, y, qRgb(shade, (shade + x) & 255, shade / 2 + k));
            }
        }
        if (k % 2 == 1) image = image.convertToFormat(QImage::Format_Grayscale8);
        paths.push_back(dir.filePath(QStringLiteral("p%1.jpg").arg(k)).toStdString());
        ASSERT_TRUE(image.save(QString::fromStdString(paths.back()), "JPEG", 85));
    }
    for (unsigned seed = 1; seed <= 40; ++seed) {
        EXPECT_EQ(Measure(paths, seed, true), Measure(paths, seed, false)) << "seed " << seed;
    }
}

}  // namespace
