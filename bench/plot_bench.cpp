// SPDX-License-Identifier: GPL-3.0-or-later
// The series plot's redraw with 10,000 images by 20 lines at a dock's size, which must stay
// within a frame (16 ms). The baseline draws the same curves the straightforward way, one
// drawLine per pair of neighbouring values, into the same picture.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <memory>

#include "document/doc_fakes.h"
#include "panel/plot_mapping.h"
#include "panel/series_panel.h"
#include "panel/series_plot.h"
#include "time_keeper.h"

namespace {

constexpr int kImages = 10000;
constexpr int kLines = 20;
constexpr int kWidth = 800;
constexpr int kHeight = 300;

// Wandering curves with noise on every image, the worst case for the per-column reduction (each
// column keeps four points); a missing file every 997 images and the last 500 still pending.
SeriesData MakeData() {
    SeriesData data;
    data.label = QStringLiteral("X (mm)");
    data.images = kImages;
    data.gaps.assign(kImages, QString());
    data.pending.assign(kImages, false);
    data.current = kImages / 2;
    unsigned noise = 12345;
    for (int c = 0; c < kLines; ++c) {
        SeriesCurve curve;
        curve.name = QStringLiteral("走査線 %1").arg(c + 1);
        curve.values.resize(kImages);
        for (int i = 0; i < kImages; ++i) {
            noise = noise * 1103515245u + 12345u;
            const double jitter = static_cast<double>((noise >> 16) & 0xFF) / 255.0;
            curve.values[i] = 10.0 * c + 5.0 * std::sin(i / 300.0 + c) + 3.0 * jitter;
        }
        data.curves.push_back(std::move(curve));
    }
    for (int i = 0; i < kImages; i += 997) {
        data.gaps[i] = QStringLiteral("ファイルを開くことができません");
        for (SeriesCurve& curve : data.curves) curve.values[i] = std::nan("");
    }
    for (int i = kImages - 500; i < kImages; ++i) data.pending[i] = true;
    return data;
}

struct Scene {
    SeriesData data = MakeData();
    CSeriesPlot plot;
    QImage target{kWidth, kHeight, QImage::Format_RGB32};

    Scene() {
        plot.resize(kWidth, kHeight);
        plot.SetData(data);
        plot.show();
        QApplication::processEvents();
    }
    static Scene& Get();
};

std::unique_ptr<Scene> g_scene;

Scene& Scene::Get() {
    if (!g_scene) g_scene = std::make_unique<Scene>();
    return *g_scene;
}

// A repaint of the plot as the widget does it, with the drawing worked out already.
void BM_PlotPaint(benchmark::State& state) {
    Scene& scene = Scene::Get();
    for (auto _ : state) {
        scene.plot.render(&scene.target);
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}
BENCHMARK(BM_PlotPaint)->Unit(benchmark::kMillisecond);

// New data, then the paint: the reduction of 200,000 values to the pixel columns included.
void BM_PlotSetDataAndPaint(benchmark::State& state) {
    Scene& scene = Scene::Get();
    for (auto _ : state) {
        state.PauseTiming();
        SeriesData copy = scene.data;
        state.ResumeTiming();
        scene.plot.SetData(std::move(copy));
        scene.plot.render(&scene.target);
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}
BENCHMARK(BM_PlotSetDataAndPaint)->Unit(benchmark::kMillisecond);

// The whole widget grabbed into a new pixmap, as a test reads it.
void BM_PlotGrab(benchmark::State& state) {
    Scene& scene = Scene::Get();
    for (auto _ : state) {
        const QPixmap pixmap = scene.plot.grab();
        benchmark::DoNotOptimize(pixmap.cacheKey());
    }
}
BENCHMARK(BM_PlotGrab)->Unit(benchmark::kMillisecond);

// The whole panel after a nudge in a document of 10,000 images by 20 kept lines: the values
// gathered from the records, the drawing worked out and painted, as the window does it.
void BM_PanelAfterNudge(benchmark::State& state) {
    FakeUi ui;
    CNorvaleDoc doc(ui);
    doc.OnNewDocument();
    for (int i = 0; i < kImages; ++i) {
        doc.m_profile.AddImage("img" + std::to_string(i), "/none/img" + std::to_string(i) + ".bmp");
        for (int n = 0; n < kLines; ++n) {
            doc.m_profile.GetSeries(i)->AddLine(0, 0, 10 * n, 1000, 10 * n + 7);
            CScan* line = doc.m_profile.GetLine(i, 0, n);
            line->SetPos((i * 7 + n * 13) % line->m_nCount);
            line->m_bDetect = false;
        }
    }
    CSeriesPanel panel(doc);
    panel.resize(kWidth, kHeight + 40);
    panel.show();
    panel.SetQuantity(SeriesQuantity::PixelDx);
    QApplication::processEvents();
    QImage target(panel.size(), QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        CScan* line = doc.m_profile.GetLine(kImages / 2, 0, 3);
        line->SetPos(100 + (++step % 2));
        doc.UpdateAllViews();
        QApplication::processEvents();  // the refresh the update scheduled
        panel.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PanelAfterNudge)->Unit(benchmark::kMillisecond);

// The same curves in the same frame, one segment per pair of neighbouring values with the same
// one-pixel pen, without the reduction; nothing else of the plot is drawn.
void BM_PerSegmentBaseline(benchmark::State& state) {
    Scene& scene = Scene::Get();
    const PlotFrame frame = scene.plot.Frame();
    for (auto _ : state) {
        scene.target.fill(Qt::white);
        QPainter painter(&scene.target);
        painter.setClipRect(frame.area);
        for (int c = 0; c < kLines; ++c) {
            painter.setPen(QPen(CurveColour(c), 0.0));
            const std::vector<double>& values = scene.data.curves[c].values;
            for (int i = 1; i < kImages; ++i) {
                if (!IsPlottable(values[i - 1]) || !IsPlottable(values[i])) continue;
                painter.drawLine(QPointF(ImageX(frame, i - 1), ValueY(frame, values[i - 1])),
                                 QPointF(ImageX(frame, i), ValueY(frame, values[i])));
            }
        }
        painter.end();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}
BENCHMARK(BM_PerSegmentBaseline)->Unit(benchmark::kMillisecond);

// Every value as one drawPoint, the crudest picture of the same data.
void BM_PerPointBaseline(benchmark::State& state) {
    Scene& scene = Scene::Get();
    const PlotFrame frame = scene.plot.Frame();
    for (auto _ : state) {
        scene.target.fill(Qt::white);
        QPainter painter(&scene.target);
        for (int c = 0; c < kLines; ++c) {
            painter.setPen(QPen(CurveColour(c), 0.0));
            const std::vector<double>& values = scene.data.curves[c].values;
            for (int i = 0; i < kImages; ++i) {
                if (IsPlottable(values[i])) {
                    painter.drawPoint(QPointF(ImageX(frame, i), ValueY(frame, values[i])));
                }
            }
        }
        painter.end();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}
BENCHMARK(BM_PerPointBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto seconds = RunAndKeepTimes(argc, argv);
    const auto ratio = [&seconds](const char* baseline, const char* measured) {
        const auto b = seconds.find(baseline);
        const auto m = seconds.find(measured);
        if (b == seconds.end() || m == seconds.end() || m->second <= 0.0) return;
        std::printf("%s / %s = %.1f\n", baseline, measured, b->second / m->second);
    };
    ratio("BM_PerSegmentBaseline", "BM_PlotPaint");
    ratio("BM_PerPointBaseline", "BM_PlotPaint");
    ratio("BM_PerSegmentBaseline", "BM_PlotSetDataAndPaint");
    g_scene.reset();
    return 0;
}
