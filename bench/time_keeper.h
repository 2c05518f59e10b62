// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

// A console reporter that also keeps the real time per iteration of every run, so that a
// benchmark program can print the ratios its targets are stated in.
class TimeKeeper : public benchmark::ConsoleReporter {
public:
    TimeKeeper() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
                // Of repetitions, the fastest: on a shared machine the others lost time to
                // other work.
                const double seconds =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
                const auto [at, fresh] = m_seconds.emplace(run.benchmark_name(), seconds);
                if (!fresh) at->second = std::min(at->second, seconds);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> m_seconds;
};

// Runs the benchmarks the command line selects and returns each one's real time per iteration,
// in seconds, by benchmark name (with --benchmark_repetitions, the fastest repetition's).
inline std::map<std::string, double> RunAndKeepTimes(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) std::exit(1);
    TimeKeeper keeper;
    benchmark::RunSpecifiedBenchmarks(&keeper);
    benchmark::Shutdown();
    return keeper.m_seconds;
}
