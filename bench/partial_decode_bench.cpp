// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool on a series of 12-megapixel JPEG files whose twenty lines lie within a band of
// a share of the rows (5 % to all of them), against TurboJPEG's decode of the whole of each file
// into a reused buffer. The batch decodes only the rows and columns its lines read; every row
// still passes the entropy decoder. The lines cross the band from its top to its bottom at
// twenty places across the whole width, so no column is saved: only rows are. A line walks at
// most 1023 steps, so in bands of more rows the lines are stacked to cover every row.
//
// Each case is one pass over the series, on one thread. On a machine that others use too, run
// --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true and take each case's
// fastest repetition; the ratio of a band is Turbo's time over the batch's.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "batch/batch_run.h"
#include "bench/series_files.h"
#include "bench/turbo_decoder.h"
#include "model/pixel_request.h"
#include "picture/picture.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kCount = 12;
constexpr int kLines = 20;

struct Series {
    QTemporaryDir dir;
    std::vector<SessionImage> images;
};

// Series 0 is the decoding benchmarks' scene, a fine texture in every pixel: its entropy-coded
// data, which every row still passes through, is nearly half of a whole decode. Series 1 is the
// same scene at half the size enlarged smoothly, as a lens renders it, with less fine detail:
// the entropy decoding is a smaller share there, and the rows skipped save more.
const Series& GetSeries(int kind) {
    static std::unique_ptr<Series> series[2];
    std::unique_ptr<Series>& s = series[kind];
    if (s) return *s;
    s = std::make_unique<Series>();
    if (!s->dir.isValid()) std::abort();
    for (int k = 0; k < kCount; ++k) {
        const QString path = s->dir.filePath(QStringLiteral("img%1.jpg").arg(k));
        const QImage scene =
            kind == 0 ? series_files::Scene(kWidth, kHeight, k)
                      : series_files::Scene(kWidth / 2, kHeight / 2, k)
                            .scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!scene.save(path, "JPEG", 90)) std::abort();
        s->images.push_back({path.toStdString(), std::nullopt, {}});
    }
    return *s;
}

// The session whose lines lie within the middle `percent` % of the rows (none for 0).
Session BandSession(int kind, int percent) {
    Session session;
    session.images = GetSeries(kind).images;
    const int rows = kHeight * percent / 100;
    const int top = (kHeight - rows) / 2;
    // A line walks at most 1023 steps: longer bands are covered by lines that overlap.
    const int length = std::min(rows, 1000);
    for (int n = 0; n < kLines && rows > 0; ++n) {
        const int x = (2 * n + 1) * kWidth / (2 * kLines);
        const int y = top + (rows - length) * n / (kLines - 1);
        session.lines.push_back({x - 40, y, x + 40, y + length - 1});
    }
    session.edgeMode = 3;
    return session;
}

void BM_BatchBand(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const int percent = static_cast<int>(state.range(1));
    const Session session = BandSession(kind, percent);
    const std::string output =
        GetSeries(kind).dir.filePath(QStringLiteral("out.dat")).toStdString();
    for (auto _ : state) {
        const BatchOutcome outcome = RunBatch(session, output, 1);
        if (outcome.status != BatchStatus::Ok) state.SkipWithError(outcome.message.c_str());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
    state.counters["rows_percent"] = percent;
}

// The loader alone, as a batch worker loads each picture for the band's lines.
void BM_LoadBand(benchmark::State& state) {
    const Session session =
        BandSession(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<CScan> lines(session.lines.size());
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::array<int, 4>& l = session.lines[n];
        lines[n].SetLine(l[0], l[1], l[2], l[3]);
    }
    const PixelRequest request = LinesRequest(lines, 1, {});
    CPicture picture;
    for (auto _ : state) {
        for (const SessionImage& image : session.images) {
            if (picture.Load(image.path, -1, request).status != CPicture::LoadStatus::Ok) {
                state.SkipWithError("cannot load");
                break;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// The loader decoding each picture whole, as the window loads it.
void BM_LoadWhole(benchmark::State& state) {
    const Series& series = GetSeries(static_cast<int>(state.range(0)));
    CPicture picture;
    for (auto _ : state) {
        for (const SessionImage& image : series.images) {
            if (picture.Load(image.path).status != CPicture::LoadStatus::Ok) {
                state.SkipWithError("cannot load");
                break;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_TurboWhole(benchmark::State& state) {
    const Series& series = GetSeries(static_cast<int>(state.range(0)));
    TurboDecoder decoder;
    for (auto _ : state) {
        if (!decoder.DecodeEvery(series.images, 0, 1)) state.SkipWithError("cannot decode");
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// Series, then the share of rows in per cent; 0 is no line at all, only the checks.
BENCHMARK(BM_LoadBand)
    ->ArgsProduct({{0, 1}, {0, 25, 100}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_LoadWhole)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TurboWhole)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BatchBand)
    ->ArgsProduct({{0, 1}, {5, 10, 25, 50, 100}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
