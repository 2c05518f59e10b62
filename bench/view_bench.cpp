// SPDX-License-Identifier: GPL-3.0-or-later
// The image view's two hot paths: a full paint of a large viewport over a large picture, and one
// mouse move while a long line is dragged. The baseline paints the same scene the simple way,
// through a scaled copy of the whole picture.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <memory>

#include "document/doc_fakes.h"
#include "view/norvale_view.h"

namespace {

constexpr int kPicture = 8000;
constexpr int kPortWidth = 1600;
constexpr int kPortHeight = 1000;
constexpr int kLines = 50;

// Resident memory now, in MiB.
double ResidentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0.0;
}

// One document with an 8000 x 8000 picture and 50 lines crossing the middle of it, shown in a
// 1600 x 1000 viewport with a panel that does nothing on a repaint. Built once: writing and
// decoding the picture takes seconds.
struct Scene {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    FakePanel panel;
    QTemporaryDir dir;
    std::unique_ptr<CNorvaleView> view;

    Scene() {
        doc.AddView(&panel);
        doc.OnNewDocument();
        {
            QImage image(kPicture, kPicture, QImage::Format_RGB32);
            for (int y = 0; y < kPicture; ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < kPicture; ++x) {
                    row[x] = qRgb(x & 0xFF, y & 0xFF, ((x / 64) ^ (y / 64)) & 1 ? 200 : 40);
                }
            }
            image.save(dir.filePath(QStringLiteral("large.bmp")));
        }
        ui.openChoices.push_back({dir.filePath(QStringLiteral("large.bmp"))});
        doc.OnAddFiles();
        for (int i = 0; i < kLines; ++i) {
            doc.AddLineToAll(3400 + 4 * i, 3450 + 6 * i, 4400 - 2 * i, 3550 + 5 * i);
        }
        doc.m_nCurLine = 0;

        view = std::make_unique<CNorvaleView>(doc);
        view->setFrameShape(QFrame::NoFrame);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->resize(kPortWidth, kPortHeight);
        view->show();
        QApplication::processEvents();
    }
    ~Scene() {
        view.reset();
        doc.RemoveView(&panel);
    }

    // The middle of the picture at the zoom.
    void Show(int zoom) {
        view->SetZoom(zoom);
        view->horizontalScrollBar()->setValue(zoom * 3500);
        view->verticalScrollBar()->setValue(zoom * 3400);
        QApplication::processEvents();
    }

    static Scene& Get();
};

// Made on first use and destroyed in main, while the application still exists.
std::unique_ptr<Scene> g_scene;

Scene& Scene::Get() {
    if (!g_scene) g_scene = std::make_unique<Scene>();
    return *g_scene;
}

void BM_PaintViewport(benchmark::State& state) {
    Scene& scene = Scene::Get();
    scene.Show(static_cast<int>(state.range(0)));
    QImage target(kPortWidth, kPortHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        scene.view->viewport()->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    // The picture alone is 244 MiB; every zoom must stay at that.
    state.counters["resident_MiB"] = ResidentMiB();
}
BENCHMARK(BM_PaintViewport)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

// The same scene painted from an enlarged copy of the whole picture, made for each paint.
void BM_PaintScaledCopyBaseline(benchmark::State& state) {
    // The copy at zoom 4 alone takes 3.8 GiB.
    const double memoryGiB = static_cast<double>(sysconf(_SC_PHYS_PAGES)) *
                             static_cast<double>(sysconf(_SC_PAGE_SIZE)) / (1 << 30);
    if (memoryGiB < 8.0) {
        state.SkipWithError("the scaled copy needs a machine with 8 GiB of memory");
        return;
    }
    Scene& scene = Scene::Get();
    const int zoom = static_cast<int>(state.range(0));
    scene.Show(zoom);
    const QImage& picture = scene.doc.GetPictureBitmap()->Image();
    const QPoint scroll(scene.view->horizontalScrollBar()->value(),
                        scene.view->verticalScrollBar()->value());
    QImage target(kPortWidth, kPortHeight, QImage::Format_RGB32);
    double peak = 0.0;
    for (auto _ : state) {
        const QImage scaled = picture.scaled(picture.size() * zoom);
        peak = std::max(peak, ResidentMiB());
        QPainter painter(&target);
        painter.drawImage(QPoint(0, 0), scaled, QRect(scroll, target.size()));
        painter.translate(-scroll);
        painter.setPen(QColor(0, 255, 0));
        for (int n = 0; n <= scene.doc.GetLastLineIndex(); ++n) {
            const CScan& line = *scene.doc.m_profile.GetLine(0, 0, n);
            painter.drawLine(QPoint(line.m_ptStart.x, line.m_ptStart.y) * zoom,
                             QPoint(line.m_ptEnd.x, line.m_ptEnd.y) * zoom);
            painter.drawEllipse(QPointF(line.m_ptCur.x, line.m_ptCur.y) * zoom, 5, 5);
        }
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["resident_MiB"] = peak;
}
BENCHMARK(BM_PaintScaledCopyBaseline)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);

// One mouse move while a new line of 1024 samples is dragged at zoom 1: the band, the sampling
// of the segment, the panel's repaint (a no-op here) and the paint of the band's area.
void BM_DragMove(benchmark::State& state) {
    Scene& scene = Scene::Get();
    scene.Show(1);
    QWidget* port = scene.view->viewport();
    const auto send = [port](QEvent::Type type, QPointF pos, Qt::MouseButtons buttons,
                             Qt::KeyboardModifiers mods) {
        QMouseEvent event(type, pos, port->mapToGlobal(pos),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, mods);
        QApplication::sendEvent(port, &event);
    };
    send(QEvent::MouseButtonPress, {100, 500}, Qt::LeftButton, Qt::ShiftModifier);
    send(QEvent::MouseButtonRelease, {100, 500}, Qt::NoButton, Qt::ShiftModifier);
    QApplication::processEvents();
    int flip = 0;
    for (auto _ : state) {
        flip ^= 1;
        send(QEvent::MouseMove, {1123.0, 500.0 + 20 * flip}, Qt::NoButton, Qt::NoModifier);
        QApplication::processEvents();
    }
    state.counters["samples"] = scene.doc.m_buffer.m_nLastSample + 1;
    // Drop the line far from where it started, leaving the scene as it was but for one line.
    send(QEvent::MouseButtonPress, {1123, 500}, Qt::LeftButton, Qt::NoModifier);
    send(QEvent::MouseButtonRelease, {1123, 500}, Qt::NoButton, Qt::NoModifier);
    scene.doc.m_profile.RemoveLine(scene.doc.GetLastLineIndex());
    scene.doc.m_nCurLine = 0;
}
BENCHMARK(BM_DragMove)->Unit(benchmark::kMicrosecond);

}  // namespace

// The offscreen platform cannot grab the mouse for real and says so at every drag; Qt's own
// grab, which routes the events, works all the same.
void QuietGrabWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("does not support grabbing the mouse"))) return;
    qt_message_output(type, context, text);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietGrabWarning);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_scene.reset();
    return 0;
}
