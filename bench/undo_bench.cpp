// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo of each kind of step on a document of 10,000 images with 100 lines, and what
// 10,000 steps on such a document cost in memory. Every file of the list is one tiny picture, so
// the figures leave decoding out: where the current image changes, the same file stays loaded.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <memory>

#include "document/doc_fakes.h"
#include "support/resident_memory.h"

namespace {

constexpr int kImages = 10000;
constexpr int kLines = 100;

const std::string& TinyPicture() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        const QString file = dir.filePath(QStringLiteral("tiny.bmp"));
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::gray);
        image.save(file);
        return file.toStdString();
    }();
    return path;
}

// The list as a long measurement leaves it: titles out of order, image 5000 and line 50
// current, the history empty.
struct BigDoc {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    FakePanel panel;
    FakeImageView view{doc};

    BigDoc() {
        doc.AddView(&panel);
        doc.AddView(&view);
        doc.AddImageFile("first.bmp", TinyPicture());
        for (int k = 0; k < kLines; ++k) doc.AddLineToAll(k, 0, k + 50, 100);
        for (int k = 1; k < kImages; ++k) {
            doc.AddImageFile("img" + std::to_string(k * 7919 % kImages) + ".bmp", TinyPicture());
        }
        doc.OpenImage(5000);
        doc.m_nCurLine = 50;
        doc.ClearUndoHistory();
    }
    ~BigDoc() {
        doc.RemoveView(&panel);
        doc.RemoveView(&view);
    }
};

struct Edit {
    const char* name;
    std::function<void(BigDoc&)> run;
};

const Edit kEdits[] = {
    {"add a file",
     [](BigDoc& b) {
         b.ui.openChoices.push_back({QString::fromStdString(TinyPicture())});
         b.doc.OnAddFiles();
     }},
    {"delete a file", [](BigDoc& b) { b.doc.OnDeleteFile(); }},
    {"delete all", [](BigDoc& b) { b.doc.OnDeleteAll(); }},
    {"sort", [](BigDoc& b) { b.doc.OnSortFiles(); }},
    {"move up", [](BigDoc& b) { b.doc.OnMoveUp(); }},
    {"move down", [](BigDoc& b) { b.doc.OnMoveDown(); }},
    {"draw a line", [](BigDoc& b) { b.doc.DrawLine(3, 3, 90, 70); }},
    {"reshape a line", [](BigDoc& b) { b.doc.ReshapeCurLine(10, 10, 30, 20); }},
    {"delete a line", [](BigDoc& b) { b.doc.DeleteCurLine(); }},
    {"nudge", [](BigDoc& b) { b.doc.OnCmdMsg(ID_MOVE_RIGHT); }},
    {"pick the origin", [](BigDoc& b) { b.doc.SetAxisPixel(0, 3, 4); }},
    {"axis dialog",
     [](BigDoc& b) {
         b.ui.axisDialog = [](AxisDialogValues& v) {
             v.m_dXMax = 42.0;
             v.m_bLogX = true;
             return true;
         };
         b.doc.OnAxisSettings();
     }},
    {"re-detect", [](BigDoc& b) { b.doc.RedetectCurLine(); }},
    {"length switch", [](BigDoc& b) { b.doc.OnCmdMsg(ID_MEASURE_LENGTH); }},
    {"edge rule",
     [](BigDoc& b) {
         const PanelOptions before = b.doc.Options();
         PanelOptions after = before;
         after.edgeMode = 2;
         b.panel.options = after;
         b.doc.ChangeOptions(before, after);
     }},
};

double Microseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// One iteration is an undo and a redo of the step; both are reported, in microseconds each.
void BM_UndoRedo(benchmark::State& state) {
    const Edit& edit = kEdits[state.range(0)];
    state.SetLabel(edit.name);
    BigDoc big;
    edit.run(big);
    if (big.doc.UndoStack().count() != 1) {
        state.SkipWithError("the edit took no step");
        return;
    }
    double undo = 0.0;
    double redo = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        big.doc.Undo();
        const auto t1 = std::chrono::steady_clock::now();
        big.doc.Redo();
        const auto t2 = std::chrono::steady_clock::now();
        undo += Microseconds(t1 - t0);
        redo += Microseconds(t2 - t1);
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["undo_us"] = undo / n;
    state.counters["redo_us"] = redo / n;
}
BENCHMARK(BM_UndoRedo)
    ->DenseRange(0, static_cast<int>(std::size(kEdits)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

// 10,000 steps that each touch every image: common calibration picks and reshapes of a line,
// in turn, so no two merge.
void BM_TenThousandStepsMemory(benchmark::State& state) {
    for (auto _ : state) {
        BigDoc big;
        const double before = ResidentMiB();
        for (int k = 0; k < 10000; ++k) {
            if (k % 2 == 0) {
                big.doc.SetAxisPixel(0, k % 97, k % 89);
            } else {
                big.doc.ReshapeCurLine(50, 0, 100 + k % 7, 100);
            }
        }
        state.counters["steps"] = big.doc.UndoStack().count();
        state.counters["MiB"] = ResidentMiB() - before;
    }
}
BENCHMARK(BM_TenThousandStepsMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
