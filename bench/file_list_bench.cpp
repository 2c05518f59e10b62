// SPDX-License-Identifier: GPL-3.0-or-later
// The side panel's file list over a long list: what redrawing the panel after a change costs
// with 10,000 and 100,000 entries (a long video's frames), and adding such a video to the list,
// from its survey to the new entries in the document.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "document/doc_fakes.h"
#include "panel/data_view.h"
#include "support/synthetic_video.h"

namespace {

// A list of `count` entries with one line, as a long video gives it.
std::unique_ptr<CNorvaleDoc> LongList(FakeUi& ui, int count) {
    auto doc = std::make_unique<CNorvaleDoc>(ui);
    doc->AddImageFile("run.mp4 [1/" + std::to_string(count) + "]", "/nowhere/run.mp4");
    doc->AddLineToAll(10, 10, 150, 10);
    for (int k = 1; k < count; ++k) {
        doc->AddImageFile("run.mp4 [" + std::to_string(k + 1) + "/" + std::to_string(count) + "]",
                          "/nowhere/run.mp4");
    }
    return doc;
}

void BM_FileListUpdate(benchmark::State& state) {
    FakeUi ui;
    const std::unique_ptr<CNorvaleDoc> doc = LongList(ui, static_cast<int>(state.range(0)));
    CDataView panel(*doc);
    panel.resize(panel.sizeHint());
    panel.show();
    for (auto _ : state) {
        panel.OnUpdate();
        QApplication::processEvents();  // the list lays out and paints what shows
    }
}
BENCHMARK(BM_FileListUpdate)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

const std::string& LongVideo() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        SyntheticVideo video;
        video.path = dir.filePath(QStringLiteral("long.mp4")).toStdString();
        video.codec = AV_CODEC_ID_MPEG4;
        video.width = 32;
        video.height = 16;
        video.frames = 100000;
        video.gop = 250;
        if (const std::string failure = WriteSyntheticVideo(video); !failure.empty()) std::abort();
        return video.path;
    }();
    return path;
}

void BM_AddHundredThousandFrames(benchmark::State& state) {
    const std::string& video = LongVideo();
    for (auto _ : state) {
        state.PauseTiming();
        auto ui = std::make_unique<FakeUi>();
        auto doc = std::make_unique<CNorvaleDoc>(*ui);
        state.ResumeTiming();
        doc->AddFiles(std::vector<std::string>{video});
        state.PauseTiming();
        if (doc->m_profile.GetSize() != 100000) state.SkipWithError("the frames were not added");
        doc.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddHundredThousandFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
