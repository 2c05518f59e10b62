// SPDX-License-Identifier: GPL-3.0-or-later
// The batch over 200 JPEG pictures of 2 megapixels with 20 scan lines: one worker against two,
// and one worker against decoding the same files with QImageReader alone. One pass over the 200
// pictures takes seconds; --benchmark_min_time=6 repeats each case a few times in a few minutes.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "batch/batch_run.h"
#include "time_keeper.h"

namespace {

constexpr int kImages = 200;
constexpr int kWidth = 1632;
constexpr int kHeight = 1224;  // 2.0 megapixels
constexpr int kLines = 20;

// A dark disc whose radius and place change from picture to picture, on a shaded ground with a
// fine texture, so the JPEG data is that of a real photograph rather than of flat areas.
QImage MakePicture(int k) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const int cx = kWidth / 2 + (k % 13) * 9 - 54;
    const int cy = kHeight / 2 + (k % 7) * 11 - 33;
    const int r = 300 + (k * 37) % 200;
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int dx = x - cx;
            const int dy = y - cy;
            const int texture = ((x * 7) ^ (y * 13) ^ k) & 15;
            if (dx * dx + dy * dy <= r * r) {
                row[x] = qRgb(30 + texture, 40 + texture, 60);
            } else {
                row[x] = qRgb(180 + texture + y / 40, 170 + texture, 150 + x / 40);
            }
        }
    }
    return image;
}

struct Fixture {
    QTemporaryDir dir;
    Session session;
    std::string output;
};

const Fixture& GetFixture() {
    static const std::unique_ptr<Fixture> fixture = [] {
        auto f = std::make_unique<Fixture>();
        if (!f->dir.isValid()) std::abort();
        for (int k = 0; k < kImages; ++k) {
            const QString path =
                f->dir.filePath(QStringLiteral("img%1.jpg").arg(k, 3, 10, QLatin1Char('0')));
            if (!MakePicture(k).save(path, "JPEG", 90)) std::abort();
            f->session.images.push_back({path.toStdString(), std::nullopt, {}});
        }
        // Twenty lines from the middle outwards, all round.
        for (int n = 0; n < kLines; ++n) {
            const double a = 2.0 * 3.14159265358979 * n / kLines;
            f->session.lines.push_back({kWidth / 2, kHeight / 2,
                                        kWidth / 2 + static_cast<int>(600 * std::cos(a)),
                                        kHeight / 2 + static_cast<int>(580 * std::sin(a))});
        }
        f->session.edgeMode = 3;
        f->session.measureLength = true;
        f->session.measureArea = true;
        f->output = f->dir.filePath(QStringLiteral("out.dat")).toStdString();
        return f;
    }();
    return *fixture;
}

void BM_Batch(benchmark::State& state) {
    const Fixture& f = GetFixture();
    const int jobs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const BatchOutcome outcome = RunBatch(f.session, f.output, jobs);
        if (outcome.status != BatchStatus::Ok) state.SkipWithError(outcome.message.c_str());
    }
    state.SetItemsProcessed(state.iterations() * kImages);
}
BENCHMARK(BM_Batch)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Decoding alone, as the baseline of what the batch costs beyond reading the pictures.
void BM_DecodeOnly(benchmark::State& state) {
    const Fixture& f = GetFixture();
    for (auto _ : state) {
        for (const SessionImage& image : f.session.images) {
            QImageReader reader(QString::fromStdString(image.path));
            reader.setAllocationLimit(1024);
            const QImage decoded = reader.read();
            if (decoded.isNull()) state.SkipWithError("decode failed");
            benchmark::DoNotOptimize(decoded.constBits());
        }
    }
    state.SetItemsProcessed(state.iterations() * kImages);
}
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    const auto t = RunAndKeepTimes(argc, argv);
    const auto one = t.find("BM_Batch/1/real_time");
    const auto two = t.find("BM_Batch/2/real_time");
    const auto decode = t.find("BM_DecodeOnly/real_time");
    if (one != t.end() && two != t.end()) {
        std::printf("throughput jobs 2 / jobs 1: %.2f (target >= 1.7)\n",
                    one->second / two->second);
    }
    if (one != t.end() && decode != t.end()) {
        std::printf("jobs 1 time / decode-only time: %.2f (target <= 1.2)\n",
                    one->second / decode->second);
    }
    return 0;
}
