// SPDX-License-Identifier: GPL-3.0-or-later
// The tidy table against the data file of the same records, in the same run: the table should
// cost at most about one and a half times the file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "export/data_file.h"
#include "export/tidy_table.h"
#include "bench_records.h"
#include "model/data_profile.h"

namespace {

CDataProfile MakeProfile(int images, int lines) {
    return MakeBenchRecords(images, lines, true);
}

const CDataProfile& Profile() {
    static const CDataProfile profile = MakeProfile(10000, 100);
    return profile;
}

void BM_DataFile(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto file = BuildDataFile(Profile(), true, true);
        bytes = file->size();
        benchmark::DoNotOptimize(file->data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_TidyTable(benchmark::State& state) {
    TidyOptions options;
    if (state.range(0) != 0) options.delimiter = TidyOptions::Delimiter::Semicolon;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto table = BuildTidyTable(Profile(), true, true, options);
        bytes = table->size();
        benchmark::DoNotOptimize(table->data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_DataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TidyTable)->ArgName("semicolon")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
