// SPDX-License-Identifier: GPL-3.0-or-later
// The kymograph dock over a long series: 100,000 entries of a 2,000-sample line (a long video's
// frames), 8-bit and 16-bit.
//  - BM_KymographRedraw/W: the dock made anew at 600 pixel rows, as a resize or a new reduction
//    makes it: every pixel row reduced from the entries sitting in it, then painted.
//  - BM_KymographRowsArrive/W: 1,000 rows arriving from the background run in one batch, drawn
//    into the picture the dock holds.
// A repaint of the dock draws the picture it holds; neither figure may grow with more than the
// entries reduced, so that the dock stays responsive however long the series.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <memory>
#include <numeric>
#include <vector>

#include "model/kymograph.h"
#include "panel/kymograph_view.h"

namespace {

constexpr int kEntries = 100000;
constexpr int kSamples = 2000;

const CKymograph& Kymograph(bool wide) {
    static std::unique_ptr<CKymograph> made[2];
    std::unique_ptr<CKymograph>& kymograph = made[wide ? 1 : 0];
    if (!kymograph) {
        kymograph = std::make_unique<CKymograph>(kEntries);
        std::vector<double> values(kSamples);
        const double white = wide ? 65535.0 : 255.0;
        for (int i = 0; i < kEntries; ++i) {
            // An edge moving across the line, on a texture.
            const int edge = 200 + (i * 7) % 1600;
            for (int s = 0; s < kSamples; ++s) {
                values[static_cast<std::size_t>(s)] =
                    (s < edge ? 0.2 : 0.8) * white + ((s * 31 + i * 17) % 23) * (white / 255.0);
            }
            kymograph->SetRow(i, values, wide);
        }
    }
    return *kymograph;
}

void BM_KymographRedraw(benchmark::State& state) {
    const CKymograph& kymograph = Kymograph(state.range(0) != 0);
    CKymographView view;
    view.resize(800, 600);
    QImage target(800, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        view.SetKymograph(&kymograph);
        view.render(&target);
    }
}
BENCHMARK(BM_KymographRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KymographRowsArrive(benchmark::State& state) {
    const CKymograph& kymograph = Kymograph(state.range(0) != 0);
    CKymographView view;
    view.resize(800, 600);
    view.SetKymograph(&kymograph);
    std::vector<int> batch(1000);
    int start = 0;
    for (auto _ : state) {
        std::iota(batch.begin(), batch.end(), start);
        start = (start + 1000) % kEntries;
        view.UpdateRows(batch);
    }
}
BENCHMARK(BM_KymographRowsArrive)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
