// SPDX-License-Identifier: GPL-3.0-or-later
// Ordering a long image list by title: the key-based stable sort against the plain passes of
// neighbour exchanges that define the order.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "model/data_profile.h"
#include "support/pass_sort.h"

namespace {

CDataProfile MakeList(int n) {
    static const char* const stems[] = {"img", "IMG", "試料", "ｻﾝﾌﾟﾙ", "scan_", "測定"};
    std::mt19937 rng(7);
    CDataProfile profile;
    for (int i = 0; i < n; ++i) {
        std::string title = stems[rng() % 6] + std::to_string(rng() % (n / 2 + 1)) + ".jpg";
        profile.AddImage(title, "/data/" + title);
    }
    return profile;
}

void BM_SortByTitle(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        CDataProfile profile = MakeList(n);
        state.ResumeTiming();
        profile.SortByTitle();
        benchmark::DoNotOptimize(profile.m_arSeries.data());
    }
}
BENCHMARK(BM_SortByTitle)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SortByTitlePasses(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        CDataProfile profile = MakeList(n);
        state.ResumeTiming();
        SortByTitlePasses(profile);
        benchmark::DoNotOptimize(profile.m_arSeries.data());
    }
}
BENCHMARK(BM_SortByTitlePasses)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
