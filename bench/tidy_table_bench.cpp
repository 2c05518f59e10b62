// The tidy table against the data file of the same records, in the same run: the table should
// cost at most about one and a half times the file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "export/data_file.h"
#include "export/tidy_table.h"
#include "model/data_profile.h"

namespace {

// Many images sharing many lines, with cursors spread along the lines and each image's
// calibration a little different, so every number has its own digits; paths as a folder of a
// series of pictures has them.
CDataProfile MakeProfile(int images, int lines) {
    CDataProfile profile;
    for (int i = 0; i < images; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "/data/series/run-07/img%05d.bmp", i + 1);
        profile.AddImage(path + 20, path);
    }
    for (int i = 0; i < images; ++i) {
        CScanSeries& series = *profile.GetSeries(i);
        for (int n = 0; n < lines; ++n) series.AddLine(0, 5, 5 + n, 900, 400 + 3 * n);
        for (int n = 0; n < lines; ++n) series.GetLine(0, n)->SetPos((i * 7 + n * 13) % 800);
        CDataAxis& axis = *profile.GetAxis(i);
        axis.m_xAxis.m_xValue = 1.0 + i * 1e-3;
        axis.m_yAxis.m_yValue = 250.0 - i * 1e-2;
    }
    return profile;
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
