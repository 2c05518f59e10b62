// Opening 16-bit 12-megapixel TIFF files (4000 x 3000, grey and colour, uncompressed as Qt
// writes them): the whole load, in a new picture and in one that loaded before (as the batch
// workers and the window load), against Qt's reader alone reading the same file into a QImage.
// The load reads the file, checks its structure, decodes and makes the 32-bit copy to paint;
// the target is at most 1.5 times the bare read.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "picture/picture.h"
#include "time_keeper.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth gradients with some texture, in every channel.
QImage Picture(bool colour) {
    QImage image(kWidth, kHeight, colour ? QImage::Format_RGBX64 : QImage::Format_Grayscale16);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<quint16*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const auto level = static_cast<quint16>(x * 16 + y * 5 + ((x * y) & 63));
            if (!colour) {
                row[x] = level;
                continue;
            }
            row[4 * x] = level;
            row[4 * x + 1] = static_cast<quint16>(y * 21 + x);
            row[4 * x + 2] = static_cast<quint16>(65535 - level);
            row[4 * x + 3] = 65535;
        }
    }
    return image;
}

const QString& Path(bool colour) {
    static QTemporaryDir dir;
    static const QString grey = [] {
        const QString path = dir.filePath(QStringLiteral("grey16.tif"));
        if (!Picture(false).save(path, "TIFF")) std::abort();
        return path;
    }();
    static const QString rgb = [] {
        const QString path = dir.filePath(QStringLiteral("colour16.tif"));
        if (!Picture(true).save(path, "TIFF")) std::abort();
        return path;
    }();
    return colour ? rgb : grey;
}

void Load(benchmark::State& state, bool colour) {
    const QString& path = Path(colour);
    for (auto _ : state) {
        CPicture picture;
        if (picture.Load(path).status != CPicture::LoadStatus::Ok) std::abort();
        benchmark::DoNotOptimize(picture.GetPixel(0, 0));
    }
}

void LoadAgain(benchmark::State& state, bool colour) {
    const QString& path = Path(colour);
    CPicture picture;
    for (auto _ : state) {
        if (picture.Load(path).status != CPicture::LoadStatus::Ok) std::abort();
        benchmark::DoNotOptimize(picture.GetPixel(0, 0));
    }
}

// Qt's reader alone: the file into a QImage of the reader's own format.
void QtRead(benchmark::State& state, bool colour) {
    const QString& path = Path(colour);
    for (auto _ : state) {
        QImageReader reader(path);
        reader.setAllocationLimit(1024);
        const QImage image = reader.read();
        if (image.isNull()) std::abort();
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK_CAPTURE(QtRead, Grey16, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, Grey16, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAgain, Grey16, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(QtRead, Rgb16, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, Rgb16, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAgain, Rgb16, true)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const auto t = RunAndKeepTimes(argc, argv);
    for (const char* kind : {"Grey16", "Rgb16"}) {
        const auto qt = t.find(std::string("QtRead/") + kind);
        if (qt == t.end()) continue;
        for (const char* load : {"Load/", "LoadAgain/"}) {
            const auto it = t.find(load + std::string(kind));
            if (it != t.end()) {
                std::printf("%s%s: %.2f times Qt's read (target at most 1.5)\n", load, kind,
                            it->second / qt->second);
            }
        }
    }
    return 0;
}
