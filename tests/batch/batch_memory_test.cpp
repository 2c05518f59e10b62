// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool's memory: bounded by the number of jobs, whatever the length of the series.
// Each run's peak is the tool's own, as the kernel counted it.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <string>

#include "batch/tool_run.h"
#include "support/peak_memory.h"
#include "support/sanitizer.h"

namespace {

class BatchMemoryTest : public BatchToolTest {
protected:
    void SetUp() override {
        BatchToolTest::SetUp();
        if (kAddressSanitizer) GTEST_SKIP() << "the address sanitizer keeps freed memory";
    }

    // A light picture with a dark disc in the middle, as a 24-bit BMP.
    std::string Picture(const char* name, int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(qRgb(230, 220, 210));
        for (int y = height / 4; y < 3 * height / 4; ++y) {
            for (int x = width / 4; x < 3 * width / 4; ++x) image.setPixel(x, y, qRgb(20, 30, 40));
        }
        EXPECT_TRUE(image.save(Path(QLatin1String(name)), "BMP"));
        return name;
    }

    // A session of `count` images, all the same file, with lines from the middle outwards.
    std::string Session(const char* name, const std::string& picture, int count, int width,
                        int height) {
        const int cx = width / 2;
        const int cy = height / 2;
        const std::string lines = "[[" + std::to_string(cx) + "," + std::to_string(cy) + "," +
                                  std::to_string(width - 2) + "," + std::to_string(cy) + "],[" +
                                  std::to_string(cx) + "," + std::to_string(cy) + "," +
                                  std::to_string(cx) + "," + std::to_string(height - 2) + "]]";
        std::string images = "[";
        for (int k = 0; k < count; ++k) images += (k ? ",\"" : "\"") + picture + "\"";
        return WriteSession(name, lines, images + "]").toStdString();
    }

    double Peak(const std::string& session, const char* jobs) {
        const ChildRun run = RunMeasured(
            QUANDREL_BATCH_EXE,
            {session, "-o", Path(QStringLiteral("out.dat")).toStdString(), "--jobs", jobs});
        EXPECT_EQ(run.exitCode, 0) << session;
        return run.peakMiB;
    }
};

// 5,000 images of 400 x 300 pixels against 50: were a decoded picture kept per image, the
// longer series would need 2.3 GiB more. What grows is each image's record, its detection job
// and its share of the session and of the data file: about a kilobyte with two lines.
TEST_F(BatchMemoryTest, TheSeriesLengthCostsOnlyItsRecords) {
    const std::string picture = Picture("medium.bmp", 400, 300);
    const double few = Peak(Session("few.json", picture, 50, 400, 300), "2");
    const double many = Peak(Session("many.json", picture, 5000, 400, 300), "2");
    const double perImageKiB = (many - few) * 1024.0 / 4950.0;
    std::printf(
        "peak resident memory, 2 jobs: 50 images %.1f MiB, 5000 images %.1f MiB "
        "(%.2f KiB more per image)\n",
        few, many, perImageKiB);
    EXPECT_LT(perImageKiB, 4.0);
}

// Pictures of 12 MB decoded: each job holds one at a time (its file's bytes, the decoded
// pixels, a conversion), never more, so the peak grows by a bounded amount per job and a
// single job stays at one picture's worth however many pictures there are.
TEST_F(BatchMemoryTest, DecodedPicturesAreAtMostOnePerJob) {
    constexpr int kWidth = 2000;
    constexpr int kHeight = 1500;
    constexpr double kPictureMiB = kWidth * kHeight * 4 / 1048576.0;
    const std::string small = Picture("small.bmp", 200, 150);
    const std::string large = Picture("large.bmp", kWidth, kHeight);
    const double base = Peak(Session("small.json", small, 16, 200, 150), "1");
    const std::string session = Session("large.json", large, 16, kWidth, kHeight);
    const double one = Peak(session, "1");
    const double four = Peak(session, "4");
    std::printf(
        "peak resident memory: small pictures %.1f MiB; pictures of %.1f MiB: 1 job "
        "%.1f MiB, 4 jobs %.1f MiB\n",
        base, kPictureMiB, one, four);
    EXPECT_LT(one - base, 3 * kPictureMiB);
    EXPECT_LT(four - base, 4 * 3 * kPictureMiB);
    EXPECT_GT(four - one, kPictureMiB);  // the jobs do decode at once: the test measures them
}

}  // namespace
