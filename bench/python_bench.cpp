// SPDX-License-Identifier: GPL-3.0-or-later
// The Python module's measurement against the batch tool's on the same session: a session of
// 3,000 images (the examples, each 1,000 times) measured into the table on 2 threads.
//  - BM_BatchTable: what `quandrel-batch SESSION --format csv` does between reading the session
//    and writing the bytes (MeasureSession).
//  - BM_PythonMeasure: `session.measure(jobs=2)` in an embedded interpreter, the table returned
//    as a pandas DataFrame (pandas imported beforehand, as a notebook has it).
// Target: BM_PythonMeasure within 1.1 times BM_BatchTable. The ratio is printed at the end.
#include <benchmark/benchmark.h>
#include <pybind11/embed.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "batch/batch_run.h"
#include "session/session_file.h"

namespace py = pybind11;

namespace {

constexpr int kCopies = 1000;

const std::string& SessionPath() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        const std::string examples = QUANDREL_EXAMPLES_DIR;
        std::string images;
        for (int k = 0; k < kCopies; ++k) {
            for (const char* name : {"disc.bmp", "ellipse.gif", "square.jpg"}) {
                images += (images.empty() ? "\"" : ", \"") + examples + "/" + name + "\"";
            }
        }
        const std::string file = dir.filePath(QStringLiteral("big.json")).toStdString();
        std::ofstream(file) << R"({"quandrel-session": 2, "edgeMode": 3, "measureLength": true,
            "measureArea": true, "lines": [[100, 75, 195, 75], [100, 75, 40, 10],
            [100, 75, 70, 145]], "images": [)" << images << "]}";
        return file;
    }();
    return path;
}

void BM_BatchTable(benchmark::State& state) {
    const SessionResult read = LoadSession(SessionPath());
    if (!read.session) {
        state.SkipWithError(read.error.c_str());
        return;
    }
    BatchFormat format;
    format.tidyTable = true;
    std::string bytes;
    for (auto _ : state) {
        if (MeasureSession(*read.session, 2, {}, bytes, format).status != BatchStatus::Ok) {
            state.SkipWithError("the session did not measure");
        }
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_BatchTable)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_PythonMeasure(benchmark::State& state) {
    py::dict scope;
    py::exec("import sys\nsys.path.insert(0, '" QUANDREL_PYTHON_BUILD_DIR "')\n"
             "import pandas, quandrel\n",
             py::globals(), scope);
    scope["path"] = SessionPath();
    py::exec("s = quandrel.load_session(path)\n", py::globals(), scope);
    for (auto _ : state) {
        py::exec("t = s.measure(jobs=2)\n", py::globals(), scope);
    }
    if (scope["t"].attr("__len__")().cast<int>() != 9 * kCopies) {
        state.SkipWithError("the table has not every row");
    }
}
BENCHMARK(BM_PythonMeasure)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

class Keeper : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    py::scoped_interpreter interpreter;
    benchmark::Initialize(&argc, argv);
    Keeper keeper;
    benchmark::RunSpecifiedBenchmarks(&keeper);
    benchmark::Shutdown();
    const auto batch = keeper.seconds.find("BM_BatchTable/min_time:2.000/real_time");
    const auto python = keeper.seconds.find("BM_PythonMeasure/min_time:2.000/real_time");
    if (batch != keeper.seconds.end() && python != keeper.seconds.end()) {
        std::printf("session.measure() / the batch tool's table: %.3f\n", python->second / batch->second);
    }
    return 0;
}
