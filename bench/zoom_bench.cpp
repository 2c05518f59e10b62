// SPDX-License-Identifier: GPL-3.0-or-later
// The image view's reduced paints: a 12-megapixel picture (4000 x 3000) fitted to a 1600 x 1000
// viewport, and shown at 1/2 and 1/4. The baselines paint the same visible source area the
// straightforward ways: QPainter's smooth scaling, and QImage::scaled with smooth transformation.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <memory>

#include "bench/series_files.h"
#include "document/doc_fakes.h"
#include "view/norvale_view.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kPortWidth = 1600;
constexpr int kPortHeight = 1000;

struct Scene {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    FakePanel panel;
    QTemporaryDir dir;
    std::unique_ptr<CNorvaleView> view;

    Scene() {
        doc.AddView(&panel);
        doc.OnNewDocument();
        const std::string path = dir.filePath(QStringLiteral("photo.bmp")).toStdString();
        series_files::WritePicture(path, "BMP", kWidth, kHeight, 3);
        ui.openChoices.push_back({QString::fromStdString(path)});
        doc.OnAddFiles();
        doc.AddLineToAll(1000, 1500, 3000, 1500);
        doc.m_nCurLine = 0;
        view = std::make_unique<CNorvaleView>(doc);
        view->setFrameShape(QFrame::NoFrame);
        view->resize(kPortWidth, kPortHeight);
        view->show();
        QApplication::processEvents();
    }
    ~Scene() {
        view.reset();
        doc.RemoveView(&panel);
    }

    // 0 fits the picture; otherwise the zoom is 1 / range, scrolled to the middle.
    void Show(int divisor) {
        if (divisor == 0) {
            view->SetZoomFit();
        } else {
            view->SetZoom(1.0 / divisor);
            view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() / 2);
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
        }
        QApplication::processEvents();
    }

    // The visible part of the picture, in image pixels, and where it lands in the viewport.
    QRect Source() const {
        const double z = view->GetZoom();
        const QPoint scroll(view->horizontalScrollBar()->value(),
                            view->verticalScrollBar()->value());
        const QRect port = view->viewport()->rect();
        const QRect shown = QRect(QPoint(0, 0), QSize(static_cast<int>(kWidth * z),
                                                      static_cast<int>(kHeight * z)))
                                .intersected(port.translated(scroll));
        return {static_cast<int>(shown.x() / z), static_cast<int>(shown.y() / z),
                static_cast<int>(shown.width() / z), static_cast<int>(shown.height() / z)};
    }

    static Scene& Get();
};

std::unique_ptr<Scene> g_scene;

Scene& Scene::Get() {
    if (!g_scene) g_scene = std::make_unique<Scene>();
    return *g_scene;
}

void SetLabel(benchmark::State& state) {
    state.SetLabel(state.range(0) == 0 ? "fit" : "1/" + std::to_string(state.range(0)));
}

// A full paint of the viewport: picture, measurement and overlays.
void BM_PaintReduced(benchmark::State& state) {
    Scene& scene = Scene::Get();
    scene.Show(static_cast<int>(state.range(0)));
    QImage target(kPortWidth, kPortHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        scene.view->viewport()->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["scale"] = scene.view->GetZoom();
    SetLabel(state);
}
BENCHMARK(BM_PaintReduced)->Arg(0)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

// The visible source area drawn smoothly scaled by QPainter.
void BM_PainterSmoothBaseline(benchmark::State& state) {
    Scene& scene = Scene::Get();
    scene.Show(static_cast<int>(state.range(0)));
    const QImage& picture = scene.doc.GetPictureBitmap()->Image();
    const QRect source = scene.Source();
    const double z = scene.view->GetZoom();
    const QRectF shown(0, 0, source.width() * z, source.height() * z);
    QImage target(kPortWidth, kPortHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(shown, picture, source);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
    SetLabel(state);
}
BENCHMARK(BM_PainterSmoothBaseline)->Arg(0)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

// The visible source area copied and scaled by QImage::scaled, then drawn.
void BM_ScaledCopyBaseline(benchmark::State& state) {
    Scene& scene = Scene::Get();
    scene.Show(static_cast<int>(state.range(0)));
    const QImage& picture = scene.doc.GetPictureBitmap()->Image();
    const QRect source = scene.Source();
    const double z = scene.view->GetZoom();
    const QSize size(static_cast<int>(source.width() * z), static_cast<int>(source.height() * z));
    QImage target(kPortWidth, kPortHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        const QImage scaled = picture.copy(source).scaled(size, Qt::IgnoreAspectRatio,
                                                          Qt::SmoothTransformation);
        QPainter painter(&target);
        painter.drawImage(QPoint(0, 0), scaled);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
    SetLabel(state);
}
BENCHMARK(BM_ScaledCopyBaseline)->Arg(0)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_scene.reset();
    return 0;
}
