// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and opening the window's work: a session of 10,000 images with 100 lines, every image
// with cursors of its own (some kept, some pending, some pending away from their start) and
// every tenth with a calibration of its own. Save is capture + text + the safe file write; open
// is read + parse + building the records, without a picture. Each part is measured alone too.
// Target: save and open at most 300 ms each. The copy of unsaved work against a crash is
// measured by the slices it holds the window for.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>

#include "document/doc_fakes.h"
#include "document/recovery_copy.h"
#include "document/session_document.h"
#include "model/title_order.h"
#include "session/session_limits.h"
#include "session/session_write.h"
#include "time_keeper.h"

namespace {

constexpr int kImages = 10000;
constexpr int kLines = 100;

struct Work {
    QTemporaryDir dir;
    FakeUi ui;
    CNorvaleDoc doc{ui};
    FakeImageView view{doc};
    std::string path;

    Work() {
        if (!dir.isValid()) std::abort();
        path = dir.filePath(QStringLiteral("work.json")).toStdString();
        doc.AddView(&view);
        for (int i = 0; i < kImages; ++i) {
            // Half below the session's folder, half elsewhere.
            const std::string name = (i % 2 ? dir.path().toStdString() + "/images/"
                                            : std::string("/data/shared/series/")) +
                                     "img" + std::to_string(i) + ".bmp";
            doc.AddImageFile(TitleOfPath(name), name);
        }
        for (int n = 0; n < kLines; ++n) doc.AddLineToAll(n * 3, 10, 600 + n * 5, 400 - n);
        for (int i = 0; i < kImages; ++i) {
            for (int n = 0; n < kLines; ++n) {
                CScan* line = doc.m_profile.GetLine(i, 0, n);
                line->SetPos((i * 7 + n * 13) % (line->m_nCount + 1));
                line->m_bDetect = (i + n) % 7 == 0;
            }
            if (i % 10 == 3) {
                CDataAxis& axis = *doc.m_profile.GetAxis(i);
                axis.m_xAxis.m_xValue = 0.1 * i;
                axis.m_origin.m_yPixel = i;
            }
        }
        doc.m_nCurImage = 1234;
        doc.m_nCurLine = 56;
        view.zoom = 2;
    }
    ~Work() { doc.RemoveView(&view); }
};

Work& GetWork() {
    static const std::unique_ptr<Work> work = std::make_unique<Work>();
    return *work;
}

void BM_Save(benchmark::State& state) {
    Work& w = GetWork();
    for (auto _ : state) {
        const SessionSaveResult saved = SaveSession(CaptureSession(w.doc), w.path);
        if (!saved.ok()) state.SkipWithError(saved.error.c_str());
    }
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Open(benchmark::State& state) {
    Work& w = GetWork();
    if (!SaveSession(CaptureSession(w.doc), w.path).ok()) std::abort();
    FakeUi ui;
    CNorvaleDoc doc(ui);
    for (auto _ : state) {
        const SessionResult read = LoadSession(w.path);
        if (!read.session || !ApplySession(doc, *read.session)) {
            state.SkipWithError(read.error.c_str());
        }
    }
    if (doc.m_profile.GetSize() != kImages) state.SkipWithError("not all images");
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->UseRealTime();

// The parts.
void BM_Capture(benchmark::State& state) {
    Work& w = GetWork();
    for (auto _ : state) benchmark::DoNotOptimize(CaptureSession(w.doc));
}
BENCHMARK(BM_Capture)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Text(benchmark::State& state) {
    Work& w = GetWork();
    const Session session = CaptureSession(w.doc);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const SessionText text = SessionToText(session, w.path);
        bytes = text.text ? text.text->size() : 0;
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_Text)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteFile(benchmark::State& state) {
    Work& w = GetWork();
    const SessionText text = SessionToText(CaptureSession(w.doc), w.path);
    for (auto _ : state) {
        if (!WriteFileSafely(w.path, *text.text).ok()) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadFile(benchmark::State& state) {
    Work& w = GetWork();
    if (!SaveSession(CaptureSession(w.doc), w.path).ok()) std::abort();
    std::string text;
    for (auto _ : state) {
        if (!ReadSessionText(w.path, text).empty()) state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Parse(benchmark::State& state) {
    Work& w = GetWork();
    const SessionText text = SessionToText(CaptureSession(w.doc), w.path);
    for (auto _ : state) {
        const SessionResult read = ParseSession(*text.text, "work.json", "/tmp");
        if (!read.session) state.SkipWithError(read.error.c_str());
    }
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond)->UseRealTime();

// The JSON library's own parse of the same text, the floor of what BM_Parse can cost.
void BM_JsonLibraryOnly(benchmark::State& state) {
    Work& w = GetWork();
    const SessionText text = SessionToText(CaptureSession(w.doc), w.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            nlohmann::json::parse(text.text->begin(), text.text->end(), nullptr, true, true));
    }
}
BENCHMARK(BM_JsonLibraryOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Apply(benchmark::State& state) {
    Work& w = GetWork();
    const Session session = CaptureSession(w.doc);
    FakeUi ui;
    CNorvaleDoc doc(ui);
    for (auto _ : state) ApplySession(doc, session);
}
BENCHMARK(BM_Apply)->Unit(benchmark::kMillisecond)->UseRealTime();

// The copy kept against a crash holds the window only while it takes the work: first the
// lines, options and calibrations, then the images a run at a time. Each is one slice; the
// text and the write happen on a worker. Target: no slice above 10 ms.
void BM_RecoveryFirstSlice(benchmark::State& state) {
    Work& w = GetWork();
    for (auto _ : state) {
        CSessionSnapshot snapshot(w.doc);
        benchmark::DoNotOptimize(snapshot.Result());
    }
}
BENCHMARK(BM_RecoveryFirstSlice)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecoveryImageSlice(benchmark::State& state) {
    Work& w = GetWork();
    auto snapshot = std::make_unique<CSessionSnapshot>(w.doc);
    for (auto _ : state) {
        if (snapshot->Take(CRecoveryCopy::kImagesPerRun)) {
            state.PauseTiming();
            snapshot = std::make_unique<CSessionSnapshot>(w.doc);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_RecoveryImageSlice)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    const auto t = RunAndKeepTimes(argc, argv);
    for (const char* name : {"BM_Save/real_time", "BM_Open/real_time"}) {
        if (const auto it = t.find(name); it != t.end()) {
            std::printf("%s: %.0f ms (target <= 300 ms)\n", name, it->second * 1e3);
        }
    }
    for (const char* name :
         {"BM_RecoveryFirstSlice/real_time", "BM_RecoveryImageSlice/real_time"}) {
        if (const auto it = t.find(name); it != t.end()) {
            std::printf("%s: %.2f ms (target <= 10 ms)\n", name, it->second * 1e3);
        }
    }
    return 0;
}
