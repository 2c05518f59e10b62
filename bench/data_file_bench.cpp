// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include <string>

#include "export/data_file.h"
#include "bench_records.h"
#include "model/data_profile.h"

namespace {

CDataProfile MakeProfile(int images, int lines) {
    return MakeBenchRecords(images, lines, false);
}

void BM_BuildDataFile(benchmark::State& state) {
    const CDataProfile profile =
        MakeProfile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto file = BuildDataFile(profile, true, true);
        bytes = file->size();
        benchmark::DoNotOptimize(file->data());
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildDataFile)->Args({10000, 100})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
