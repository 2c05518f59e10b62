// SPDX-License-Identifier: GPL-3.0-or-later
// Shards and merges, and the batch tool's memory.
//  - BM_Merge: 100 part files of 10,000 images in all, 10 lines each, merged into the data
//    file on disk (reading and checking the parts, the records, the file). Target: at most 1 s.
//    The parts are made from records directly: measuring 10,000 pictures would only be slow.
//  - BM_ToolMemory/N: the built tool over N images (640 x 480 JPEG, 10 lines, 2 jobs); its
//    peak resident memory, against 50 images the growth per image.
//  - BM_MergeMemory/N: the built tool merging 10 parts of N images in all, 10 lines each; its
//    peak resident memory and the bytes of the part files and of the data file.
// Each memory figure is the tool's own peak (wait4), one run.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "batch/part_merge.h"
#include "export/part_file.h"
#include "support/peak_memory.h"
#include "time_keeper.h"

namespace {

constexpr int kLines = 10;

std::vector<LineEnds> Lines() {
    std::vector<LineEnds> lines;
    for (int n = 0; n < kLines; ++n) lines.push_back({320, 240, 20 + 60 * n, 20 + (n % 3) * 200});
    return lines;
}

// Writes the N parts of a series of `total` images, as shards would have measured it: cursors
// all over their lines, every tenth image with a calibration of its own.
std::vector<std::string> WriteParts(const QTemporaryDir& dir, std::uint64_t total,
                                    std::uint32_t parts) {
    const std::vector<LineEnds> lines = Lines();
    std::vector<std::string> paths;
    for (std::uint32_t k = 1; k <= parts; ++k) {
        PartHeader header;
        header.session.fill(0x5A);
        header.part = k;
        header.parts = parts;
        header.total = total;
        header.measureLength = true;
        header.measureArea = true;
        const PartRange range = PartRangeOf(total, k, parts);
        header.first = range.first;
        header.images = range.images;
        CDataProfile records;
        for (std::uint64_t i = range.first; i < range.first + range.images; ++i) {
            auto series = std::make_unique<CScanSeries>();
            series->m_strPath = "/data/series/run-7/img" + std::to_string(1000000 + i) + ".jpg";
            for (int n = 0; n < kLines; ++n) {
                const LineEnds& e = lines[static_cast<std::size_t>(n)];
                series->AddLine(0, e[0], e[1], e[2], e[3]);
                CScan* line = series->GetLine(0, n);
                line->SetPos(static_cast<int>((i * 7 + static_cast<std::uint64_t>(n) * 13) %
                                              static_cast<std::uint64_t>(line->m_nCount + 1)));
                line->m_bDetect = false;
            }
            auto axis = std::make_unique<CDataAxis>();
            if (i % 10 == 3) axis->m_xAxis.m_xValue = 0.5 * static_cast<double>(i % 97 + 1);
            records.m_arSeries.push_back(std::move(series));
            records.m_arAxis.push_back(std::move(axis));
        }
        const std::optional<std::string> bytes = BuildPartFile(header, lines, records);
        if (!bytes) std::abort();
        paths.push_back(dir.filePath(QStringLiteral("part-%1.qpart").arg(k)).toStdString());
        std::ofstream(paths.back(), std::ios::binary) << *bytes;
    }
    return paths;
}

double MiB(std::uintmax_t bytes) {
    return static_cast<double>(bytes) / 1048576.0;
}

void BM_Merge(benchmark::State& state) {
    QTemporaryDir dir;
    const std::vector<std::string> parts = WriteParts(dir, 10000, 100);
    const std::string out = dir.filePath(QStringLiteral("merged.dat")).toStdString();
    for (auto _ : state) {
        const BatchOutcome outcome = RunMerge(parts, out);
        if (outcome.status != BatchStatus::Ok) state.SkipWithError(outcome.message.c_str());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond)->UseRealTime();

std::map<std::int64_t, double> g_toolPeak;

void BM_ToolMemory(benchmark::State& state) {
    const auto images = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    QImage picture(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const int dx = x - 320;
            const int dy = y - 240;
            picture.setPixel(
                x, y,
                dx * dx + dy * dy < 150 * 150 ? qRgb(30, 40, 50) : qRgb(200, 190, 180 + x % 16));
        }
    }
    if (!picture.save(dir.filePath(QStringLiteral("p.jpg")), "JPEG", 90)) std::abort();
    std::string lines;
    for (const LineEnds& e : Lines()) {
        lines += std::string(lines.empty() ? "" : ",") + "[" + std::to_string(e[0]) + "," +
                 std::to_string(e[1]) + "," + std::to_string(e[2]) + "," + std::to_string(e[3]) +
                 "]";
    }
    std::string text = R"({"quandrel-session": 1, "edgeMode": 3, "measureLength": true,
        "measureArea": true, "lines": [)" +
                       lines + R"(], "images": [)";
    for (int k = 0; k < images; ++k) text += k ? ",\"p.jpg\"" : "\"p.jpg\"";
    const std::string session = dir.filePath(QStringLiteral("s.json")).toStdString();
    std::ofstream(session) << text << "]}";
    const std::string out = dir.filePath(QStringLiteral("out.dat")).toStdString();
    ChildRun run;
    for (auto _ : state) {
        run = RunMeasured(QUANDREL_BATCH_EXE, {session, "-o", out, "--jobs", "2"});
        if (run.exitCode != 0) state.SkipWithError("the tool failed");
    }
    g_toolPeak[images] = run.peakMiB;
    state.counters["peak_MiB"] = run.peakMiB;
    state.counters["out_MiB"] = MiB(std::filesystem::file_size(out));
    if (images != 50 && g_toolPeak.contains(50)) {
        state.counters["KiB_per_image"] = (run.peakMiB - g_toolPeak[50]) * 1024.0 / (images - 50);
    }
}
BENCHMARK(BM_ToolMemory)->Arg(50)->Arg(5000)->Iterations(1)->Unit(benchmark::kSecond);

void BM_MergeMemory(benchmark::State& state) {
    const auto images = static_cast<std::uint64_t>(state.range(0));
    QTemporaryDir dir;
    const std::vector<std::string> parts = WriteParts(dir, images, 10);
    std::uintmax_t partBytes = 0;
    for (const std::string& p : parts) partBytes += std::filesystem::file_size(p);
    std::vector<std::string> args = {"merge"};
    args.insert(args.end(), parts.begin(), parts.end());
    const std::string out = dir.filePath(QStringLiteral("merged.dat")).toStdString();
    args.insert(args.end(), {"-o", out});
    ChildRun run;
    for (auto _ : state) {
        run = RunMeasured(QUANDREL_BATCH_EXE, args);
        if (run.exitCode != 0) state.SkipWithError("the merge failed");
    }
    state.counters["peak_MiB"] = run.peakMiB;
    state.counters["parts_MiB"] = MiB(partBytes);
    state.counters["out_MiB"] = MiB(std::filesystem::file_size(out));
    state.counters["B_per_image"] = run.peakMiB * 1048576.0 / static_cast<double>(images);
}
BENCHMARK(BM_MergeMemory)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    const auto t = RunAndKeepTimes(argc, argv);
    if (const auto merge = t.find("BM_Merge/real_time"); merge != t.end()) {
        std::printf("merge of 100 parts, 10,000 images: %.0f ms (target <= 1000 ms)\n",
                    merge->second * 1000.0);
    }
    return 0;
}
