// SPDX-License-Identifier: GPL-3.0-or-later
// Opening 16-bit 12-megapixel TIFF files (4000 x 3000, grey and colour, uncompressed as Qt
// writes them): the whole load, in a new picture and in one that loaded before (as the batch
// workers and the window load), against Qt's reader alone reading the same file into a QImage.
// The load reads the file through libtiff, checks its structure and decodes; the target is at
// most 1.1 times the bare read for grey (the 32-bit copy to paint comes later, on demand).
//
// And the pages of a stack of 64 16-bit grey pages of 1024 x 1024 in strips as libtiff writes
// them by default, all read in order through one picture, against libtiff reading the same
// pages into a buffer it reuses: the picture's throughput is to be at least 0.9 of that.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

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

constexpr int kPages = 64;
constexpr int kPageSide = 1024;

const std::string& StackPath() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        const std::string p = dir.filePath(QStringLiteral("stack16.tif")).toStdString();
        TIFF* tif = TIFFOpen(p.c_str(), "w");
        if (tif == nullptr) std::abort();
        std::vector<std::uint16_t> row(kPageSide);
        for (int page = 0; page < kPages; ++page) {
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kPageSide);
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kPageSide);
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
            for (int y = 0; y < kPageSide; ++y) {
                for (int x = 0; x < kPageSide; ++x) {
                    row[static_cast<std::size_t>(x)] =
                        static_cast<std::uint16_t>(x * 37 + y * 11 + page * 101 + ((x * y) & 255));
                }
                if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
                    std::abort();
                }
            }
            TIFFWriteDirectory(tif);
        }
        TIFFClose(tif);
        return p;
    }();
    return path;
}

// Every page, in order, through one picture as a batch worker holds it.
void StackPages(benchmark::State& state) {
    const std::string& path = StackPath();
    CPicture picture;
    for (auto _ : state) {
        for (int page = 0; page < kPages; ++page) {
            if (picture.Load(path, page).status != CPicture::LoadStatus::Ok) std::abort();
            benchmark::DoNotOptimize(picture.GetPixel(0, 0));
        }
    }
    state.SetItemsProcessed(state.iterations() * kPages);
}

// libtiff alone: each directory in turn, its strips into one buffer.
void LibtiffPages(benchmark::State& state) {
    const std::string& path = StackPath();
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(kPageSide) * kPageSide);
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "rm");
        if (tif == nullptr) std::abort();
        do {
            auto* to = reinterpret_cast<unsigned char*>(pixels.data());
            for (tstrile_t strip = 0; strip < TIFFNumberOfStrips(tif); ++strip) {
                const tmsize_t got = TIFFReadEncodedStrip(tif, strip, to, -1);
                if (got < 0) std::abort();
                to += got;
            }
            benchmark::DoNotOptimize(pixels.data());
        } while (TIFFReadDirectory(tif) != 0);
        TIFFClose(tif);
    }
    state.SetItemsProcessed(state.iterations() * kPages);
}

BENCHMARK(StackPages)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LibtiffPages)->Unit(benchmark::kMillisecond)->UseRealTime();
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
                std::printf("%s%s: %.2f times Qt's read (target at most 1.1 for grey)\n", load,
                            kind, it->second / qt->second);
            }
        }
    }
    const auto pages = t.find("StackPages/real_time");
    const auto libtiff = t.find("LibtiffPages/real_time");
    if (pages != t.end() && libtiff != t.end()) {
        std::printf("Stack pages: throughput %.2f of libtiff's (target at least 0.9)\n",
                    libtiff->second / pages->second);
    }
    return 0;
}
