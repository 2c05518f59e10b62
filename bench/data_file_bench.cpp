#include <benchmark/benchmark.h>

#include <string>

#include "export/data_file.h"
#include "model/data_profile.h"

namespace {

// Many images sharing many lines, with cursors spread along the lines and each image's
// calibration a little different, so every number in the file has its own digits.
CDataProfile MakeProfile(int images, int lines) {
    CDataProfile profile;
    for (int i = 0; i < images; ++i) profile.AddImage("img" + std::to_string(i), "");
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
