// SPDX-License-Identifier: GPL-3.0-or-later
// Sampling and detecting one scan line of 1024 samples on a decoded 2000 x 2000 picture: the
// direct read of the RGB32 rows against the same walk reading through QImage::pixel().

#include <benchmark/benchmark.h>

#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "model/edge_detect.h"
#include "model/edge_options.h"
#include "model/sampling.h"
#include "picture/picture.h"
#include "time_keeper.h"

namespace {

// A diagonal-ish line whose major axis spans 1023 steps: 1024 samples.
constexpr int kX1 = 100, kY1 = 200, kX2 = 1123, kY2 = 900;

const CPicture& Picture() {
    static const CPicture picture = [] {
        QImage image(2000, 2000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                row[x] =
                    qRgb((x * 3 + y) & 255, (x ^ y) & 255, ((x - 1000) * (y - 1000)) >> 12 & 255);
            }
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("picture.jpg"));
        image.save(path, "JPEG", 90);
        CPicture loaded;
        if (loaded.Load(path).status != CPicture::LoadStatus::Ok) std::abort();
        return loaded;
    }();
    return picture;
}

void BM_SampleAndDetect(benchmark::State& state) {
    const PixelView view = Picture().View();
    ProfileBuffer buffer;
    for (auto _ : state) {
        SampleLine(view, kX1, kY1, kX2, kY2, buffer);
        benchmark::DoNotOptimize(
            FindEdge(buffer, buffer.m_nLastSample, kChannelSum, kEdgeSteepestRise));
    }
}
BENCHMARK(BM_SampleAndDetect);

// The same line with the finer options all on: a band 5 pixels wide, the profile smoothed, the
// edge placed between samples. Measured against BM_SampleAndDetect, the defaults.
void SampleAndDetectWide(benchmark::State& state, int smoothing) {
    const PixelView view = Picture().View();
    ProfileBuffer buffer;
    const EdgeOptions options{true, 5, smoothing, 5};
    for (auto _ : state) {
        SampleLine(view, kX1, kY1, kX2, kY2, buffer, options.lineWidth);
        benchmark::DoNotOptimize(
            FindEdge(buffer, buffer.m_nLastSample, kChannelSum, kEdgeSteepestRise, options));
    }
}
void BM_SampleAndDetectWideMean(benchmark::State& state) {
    SampleAndDetectWide(state, kSmoothMean);
}
BENCHMARK(BM_SampleAndDetectWideMean);
void BM_SampleAndDetectWideGaussian(benchmark::State& state) {
    SampleAndDetectWide(state, kSmoothGaussian);
}
BENCHMARK(BM_SampleAndDetectWideGaussian);

// The same walk and detection, each pixel read with QImage::pixel().
void BM_QImagePixelBaseline(benchmark::State& state) {
    const QImage& image = Picture().Image();
    ProfileBuffer buffer;
    for (auto _ : state) {
        const ScanWalk walk = SetupWalk(kX1, kY1, kX2, kY2);
        for (int i = 0; i <= walk.count; ++i) {
            const CPoint p = WalkPosition({kX1, kY1}, walk, i);
            const QRgb c = image.pixel(p.x, p.y);
            buffer.m_nRed[i] = qRed(c);
            buffer.m_nGreen[i] = qGreen(c);
            buffer.m_nBlue[i] = qBlue(c);
        }
        buffer.m_nLastSample = walk.count;
        benchmark::DoNotOptimize(
            FindEdge(buffer, buffer.m_nLastSample, kChannelSum, kEdgeSteepestRise));
    }
}
BENCHMARK(BM_QImagePixelBaseline);

}  // namespace

int main(int argc, char** argv) {
    const auto t = RunAndKeepTimes(argc, argv);
    const auto ours = t.find("BM_SampleAndDetect");
    const auto base = t.find("BM_QImagePixelBaseline");
    if (ours != t.end() && base != t.end()) {
        std::printf(
            "sample+detect of 1024 samples: %.0f ns (target <= 5000); QImage::pixel() "
            "loop: %.0f ns; %.1fx faster (target >= 10x)\n",
            ours->second * 1e9, base->second * 1e9, base->second / ours->second);
        for (const char* name : {"BM_SampleAndDetectWideMean", "BM_SampleAndDetectWideGaussian"}) {
            const auto wide = t.find(name);
            if (wide == t.end()) continue;
            std::printf("%s (width 5, smoothing 5, sub-pixel): %.0f ns, %.2fx the defaults "
                        "(target <= 3x)\n",
                        name, wide->second * 1e9, wide->second / ours->second);
        }
    }
    return 0;
}
