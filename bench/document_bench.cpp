// SPDX-License-Identifier: GPL-3.0-or-later
// The document's costs: opening a 12-megapixel JPEG against decoding it with QImageReader alone;
// detecting every pending line of a long series before an export, on all cores, against decoding
// the same files alone; and the file-list commands on a list of 10,000 images with 100 lines.
// The series size comes from QUANDREL_BENCH_IMAGES (default 1000).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <thread>

#include "document/doc_fakes.h"
#include "series/series_detect.h"
#include "series_files.h"

namespace {


QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

const QString& BigJpeg() {
    static const QString path = [] {
        const QString file = Folder().filePath(QStringLiteral("big.jpg"));
        series_files::Scene(4000, 3000, 1).save(file, "JPEG", 90);
        return file;
    }();
    return path;
}

int SeriesSize() {
    const char* text = std::getenv("QUANDREL_BENCH_IMAGES");
    return text != nullptr ? std::max(1, std::atoi(text)) : 1000;
}

const QStringList& Series() {
    static const QStringList paths = [] {
        QStringList files;
        const int n = SeriesSize();
        for (int k = 0; k < n; ++k) {
            files << Folder().filePath(QStringLiteral("s%1.jpg").arg(k, 5, 10, QLatin1Char('0')));
            // A handful of distinct pictures, written under many names, keeps the set-up short.
            if (k < 8) {
                series_files::Scene(1632, 1224, k).save(files.back(), "JPEG", 90);
            } else {
                QFile::copy(files[k % 8], files.back());
            }
        }
        return files;
    }();
    return paths;
}

void BM_OpenImage12MP(benchmark::State& state) {
    FakeUi ui;
    CNorvaleDoc doc(ui);
    doc.AddImageFile("big.jpg", BigJpeg().toStdString());
    for (auto _ : state) doc.OpenImage(0);
    if (doc.GetPictureBitmap() == nullptr) state.SkipWithError("did not load");
}
BENCHMARK(BM_OpenImage12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QImageReaderDecode12MP(benchmark::State& state) {
    QImageReader::setAllocationLimit(1024);
    for (auto _ : state) {
        QImageReader reader(BigJpeg());
        QImage image = reader.read();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_QImageReaderDecode12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DetectBeforeExport(benchmark::State& state) {
    const QStringList& files = Series();
    for (auto _ : state) {
        state.PauseTiming();
        CDataProfile profile;
        for (const QString& file : files) profile.AddImage("s", file.toStdString());
        for (int k = 0; k < 20; ++k) {
            for (auto& series : profile.m_arSeries)
                series->AddLine(0, 50 + k * 70, 600, 1500 - k * 20, 620 + k);
        }
        state.ResumeTiming();
        const DetectReport report =
            DetectPendingRecords(profile, RecordsWithPendingLines(profile), {});
        if (!report.failures.empty()) state.SkipWithError("an image failed");
    }
    state.counters["images/s"] = benchmark::Counter(static_cast<double>(files.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DetectBeforeExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_DecodeSeriesOneThread(benchmark::State& state) {
    const QStringList& files = Series();
    for (auto _ : state) {
        for (const QString& file : files) {
            QImageReader reader(file);
            QImage image = reader.read();
            benchmark::DoNotOptimize(image.constBits());
        }
    }
    state.counters["images/s"] = benchmark::Counter(static_cast<double>(files.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DecodeSeriesOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// A list of 10,000 images with 100 lines, as the file-list commands meet it.
struct BigList {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    BigList() {
        doc.AddImageFile("first.bmp", "/nowhere/first.bmp");
        for (int k = 0; k < 100; ++k) doc.AddLineToAll(k, 0, k + 50, 100);
        for (int k = 1; k < 10000; ++k) {
            doc.AddImageFile("img" + std::to_string(k * 7919 % 10000) + ".bmp", "/nowhere/x.bmp");
        }
        doc.m_nCurImage = 5000;
    }
};

void BM_AddTenThousandFiles(benchmark::State& state) {
    QStringList files;
    for (int k = 0; k < 10000; ++k) files << QStringLiteral("/nowhere/img%1.bmp").arg(k);
    for (auto _ : state) {
        state.PauseTiming();
        auto ui = std::make_unique<FakeUi>();
        auto doc = std::make_unique<CNorvaleDoc>(*ui);
        doc->AddImageFile("first.bmp", "/nowhere/first.bmp");
        for (int k = 0; k < 100; ++k) doc->AddLineToAll(k, 0, k + 50, 100);
        ui->openChoices.push_back(files);
        state.ResumeTiming();
        doc->OnAddFiles();  // the first new file does not exist: its load fails at once
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}
// Each run sets up a list of 10,000 images first, so the run counts are fixed and small.
BENCHMARK(BM_AddTenThousandFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// 0 delete the current file, 1 move it up, 2 sort the list.
void BM_ListCommandAtTenThousand(benchmark::State& state) {
    const int command = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<BigList>();
        state.ResumeTiming();
        switch (command) {
            case 0:
                list->doc.OnDeleteFile();
                break;
            case 1:
                list->doc.OnMoveUp();
                break;
            default:
                list->doc.OnSortFiles();
                break;
        }
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ListCommandAtTenThousand)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
