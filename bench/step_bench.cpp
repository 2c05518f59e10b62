// SPDX-License-Identifier: GPL-3.0-or-later
// Up and Down through 12-megapixel JPEGs in the real window, from the key to the finished repaint
// of the image view: at a user's pace of one step per 300 ms with the neighbours decoded ahead,
// against the same steps decoding each picture when it is shown; and stepping as fast as the
// window goes (the user outrunning the prefetch), against the decode of one picture alone. The
// paced run also reports the peak resident memory over the steps, against the memory of the
// window before any picture was loaded.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <memory>
#include <thread>

#include "app/main_frame.h"
#include "app/norvale_app.h"
#include "document/doc_fakes.h"
#include "picture/picture_prefetch.h"
#include "series_files.h"
#include "support/resident_memory.h"
#include "time_keeper.h"
#include "view/norvale_view.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kPictures = 6;
constexpr auto kPace = std::chrono::milliseconds(300);


QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

const QStringList& Pictures() {
    static const QStringList paths = [] {
        QStringList files;
        for (int k = 0; k < kPictures; ++k) {
            files << Folder().filePath(QStringLiteral("p%1.jpg").arg(k));
            series_files::Scene(kWidth, kHeight, k).save(files.back(), "JPEG", 90);
        }
        return files;
    }();
    return paths;
}

double PictureMiB() {
    return static_cast<double>(kWidth) * kHeight * 4 / (1024.0 * 1024.0);
}

// The kernel's peak of this process's resident memory since it was last reset, in MiB.
double PeakResidentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0.0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
    }
    return 0.0;
}

void ResetPeakResident() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

// Counts the paints of the image view, so that a step is timed to its finished repaint.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// The window with the pictures listed, one line across them, the first one shown.
struct Window {
    FakeUi ui;
    CNorvaleApp app{&ui};
    PaintCounter counter;
    double emptyMiB = 0.0;  // the window before any picture was loaded

    explicit Window(bool prefetch) {
        app.InitInstance({});
        (void)QTest::qWaitForWindowExposed(&app.Frame());
        app.Document().EnablePrefetch(prefetch);
        QApplication::processEvents();
        emptyMiB = ResidentMiB();
        app.Frame().ImageView()->viewport()->installEventFilter(&counter);
        ui.openChoices.push_back(Pictures());
        QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        app.Document().AddLineToAll(100, 1500, 3900, 1520);
        app.Document().m_nCurLine = 0;
        Settle();
    }
    ~Window() { app.Frame().ImageView()->viewport()->removeEventFilter(&counter); }

    void Settle() {
        if (CPicturePrefetch* prefetch = app.Document().Prefetch()) prefetch->WaitIdle(10000);
        QApplication::processEvents();
    }
    // One key, then events until the view has painted; returns the seconds it took.
    double Step(Qt::Key key) {
        const int before = counter.paints;
        const auto start = Clock::now();
        QTest::keyClick(&app.Frame(), key);
        while (counter.paints == before) QApplication::processEvents();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
    // The rest of the pace, with the window running as it does between a user's keys.
    static void Wait(Clock::time_point until) {
        while (Clock::now() < until) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
};

Qt::Key KeyOf(const benchmark::State& state) {
    return state.range(0) > 0 ? Qt::Key_Down : Qt::Key_Up;
}

// Steps at a user's pace; arg 0: +1 Down, -1 Up; arg 1: the prefetch on or off.
void Paced(benchmark::State& state, bool prefetch) {
    Window window(prefetch);
    const Qt::Key key = KeyOf(state);
    window.Wait(Clock::now() + kPace);
    ResetPeakResident();
    for (auto _ : state) {
        const auto start = Clock::now();
        state.SetIterationTime(window.Step(key));
        window.Wait(start + kPace);
    }
    const double peak = PeakResidentMiB();
    state.counters["peak_MiB"] = peak;
    state.counters["window_MiB"] = window.emptyMiB;
    // The peak over the window without pictures, against what the pictures may take: the
    // current one, two ahead, and 40 MB.
    state.counters["pictures_MiB"] = peak - window.emptyMiB;
    state.counters["allowed_MiB"] = 3 * PictureMiB() + 40e6 / (1024.0 * 1024.0);
    if (CPicturePrefetch* ahead = window.app.Document().Prefetch()) {
        state.counters["taken"] = ahead->GetCounts().taken;
    }
}

void BM_StepPrefetched(benchmark::State& state) {
    Paced(state, true);
}
BENCHMARK(BM_StepPrefetched)->Arg(1)->Arg(-1)->Iterations(12)->UseManualTime()->Unit(
    benchmark::kMillisecond);

void BM_StepDecodingBaseline(benchmark::State& state) {
    Paced(state, false);
}
BENCHMARK(BM_StepDecodingBaseline)->Arg(1)->Arg(-1)->Iterations(12)->UseManualTime()->Unit(
    benchmark::kMillisecond);

// Key after key with nothing between: each step finds the decode of its picture under way.
void BM_StepOutrunning(benchmark::State& state) {
    Window window(true);
    const Qt::Key key = KeyOf(state);
    for (int k = 0; k < 2; ++k) window.Step(key);  // past the pictures decoded while settled
    for (auto _ : state) state.SetIterationTime(window.Step(key));
}
BENCHMARK(BM_StepOutrunning)->Arg(1)->Arg(-1)->Iterations(12)->UseManualTime()->Unit(
    benchmark::kMillisecond);

// The decode of one of the pictures, alone on the thread that steps.
void BM_DecodeBaseline(benchmark::State& state) {
    CPicture picture;
    int k = 0;
    for (auto _ : state) {
        const CPicture::LoadResult result = picture.Load(Pictures()[k++ % kPictures]);
        if (result.status != CPicture::LoadStatus::Ok) state.SkipWithError("did not decode");
    }
}
BENCHMARK(BM_DecodeBaseline)->Iterations(12)->UseRealTime()->Unit(benchmark::kMillisecond);

void PrintRatio(const std::map<std::string, double>& times, const std::string& what,
                const std::string& base, const char* text) {
    if (!times.contains(what) || !times.contains(base)) return;
    std::printf("%-44s %6.1f ms / %6.1f ms = %.3f\n", text, times.at(what) * 1e3,
                times.at(base) * 1e3, times.at(what) / times.at(base));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    Pictures();
    const std::map<std::string, double> times = RunAndKeepTimes(argc, argv);
    for (const char* arg : {"1", "-1"}) {
        const std::string tail = std::string("/") + arg + "/iterations:12/manual_time";
        PrintRatio(times, "BM_StepPrefetched" + tail, "BM_StepDecodingBaseline" + tail,
                   arg[0] == '1' ? "Down, prefetched / decoding:" : "Up, prefetched / decoding:");
        PrintRatio(times, "BM_StepOutrunning" + tail, "BM_DecodeBaseline/iterations:12/real_time",
                   arg[0] == '1' ? "Down, outrunning / decode:" : "Up, outrunning / decode:");
    }
    QSettings().clear();
    return 0;
}
