// SPDX-License-Identifier: GPL-3.0-or-later
// Loading 12-megapixel pictures (4000 x 3000): the whole load of a JPEG, a run-length BMP and a
// GIF, in a new picture and in one that loaded before, against Qt's bare read of the same
// bytes, and the completeness checks of the BMP and the GIF alone. The checks run on every
// picture of a series, so they must stay a small part of the load.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "picture/picture.h"
#include "picture/picture_checks.h"
#include "series_files.h"
#include "time_keeper.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Four-bit pixels in runs of 1 to 8: one run-length code every few pixels, as busy as such
// files get, and for GIF strings of a few pixels.
std::vector<unsigned char> Pixels() {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    unsigned seed = 12345;
    for (std::size_t k = 0; k < pixels.size();) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t run = 1 + (seed >> 16) % 8;
        for (std::size_t n = 0; n < run && k < pixels.size(); ++n)
            pixels[k++] = static_cast<unsigned char>(seed >> 28);
    }
    return pixels;
}

using series_files::Put16;
using series_files::Put32;

// An 8-bit run-length BMP of the pixels, one encoded run per run of equal pixels.
QByteArray RleBmp(const std::vector<unsigned char>& pixels) {
    QByteArray codes;
    for (int y = kHeight - 1; y >= 0; --y) {
        const unsigned char* row = &pixels[static_cast<std::size_t>(y) * kWidth];
        for (int x = 0; x < kWidth;) {
            int run = 1;
            while (x + run < kWidth && run < 255 && row[x + run] == row[x]) ++run;
            codes.append(static_cast<char>(run)).append(static_cast<char>(row[x]));
            x += run;
        }
        codes.append(2, '\0');  // end of line
    }
    codes.append('\0').append('\1');  // end of bitmap
    QByteArray bmp("BM");
    const unsigned offset = 14 + 40 + 16 * 4;
    Put32(bmp, offset + static_cast<unsigned>(codes.size()));
    Put32(bmp, 0);
    Put32(bmp, offset);
    for (unsigned v : {40u, unsigned{kWidth}, unsigned{kHeight}}) Put32(bmp, v);
    Put16(bmp, 1);
    Put16(bmp, 8);
    for (unsigned v : {1u, 0u, 2835u, 2835u, 16u, 0u}) Put32(bmp, v);
    for (unsigned i = 0; i < 16; ++i) Put32(bmp, i * 0x101010);
    return bmp + codes;
}

QByteArray Jpeg() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            row[x] = qRgb((x * 3 + y) & 255, (x ^ y) & 255, ((x - 2000) * (y - 1500)) >> 14 & 255);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

const QByteArray& Bytes(char kind) {
    static const std::vector<unsigned char> pixels = Pixels();
    static const QByteArray bmp = RleBmp(pixels);
    static const QByteArray gif = series_files::Gif(kWidth, kHeight, pixels);
    static const QByteArray jpeg = Jpeg();
    return kind == 'b' ? bmp : kind == 'g' ? gif : jpeg;
}

void Load(benchmark::State& state, char kind) {
    const QByteArray& bytes = Bytes(kind);
    for (auto _ : state) {
        CPicture picture;
        if (picture.LoadData(bytes).status != CPicture::LoadStatus::Ok) std::abort();
        benchmark::DoNotOptimize(picture.GetPixel(0, 0));
    }
}

// The same with one picture for every load, as the batch workers and the window load: the
// decoded rows and the file's bytes go into the memory of the load before.
void LoadAgain(benchmark::State& state, char kind) {
    const QByteArray& bytes = Bytes(kind);
    CPicture picture;
    for (auto _ : state) {
        if (picture.LoadData(bytes).status != CPicture::LoadStatus::Ok) std::abort();
        benchmark::DoNotOptimize(picture.GetPixel(0, 0));
    }
}

// Qt's read alone, without any check, the warning capture, or the conversion to RGB32.
void QtRead(benchmark::State& state, char kind) {
    QByteArray bytes = Bytes(kind);
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAllocationLimit(1024);
        const QImage image = reader.read();
        if (image.isNull()) std::abort();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void Check(benchmark::State& state, char kind) {
    const QByteArray& bytes = Bytes(kind);
    for (auto _ : state) {
        const PictureFault fault = kind == 'b' ? CheckBmpComplete(bytes) : CheckGifComplete(bytes);
        if (fault) std::abort();
        benchmark::DoNotOptimize(fault);
    }
}

BENCHMARK_CAPTURE(Load, Jpeg, 'j')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAgain, Jpeg, 'j')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(QtRead, Jpeg, 'j')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, RleBmp, 'b')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(QtRead, RleBmp, 'b')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Check, RleBmp, 'b')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, Gif, 'g')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAgain, Gif, 'g')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(QtRead, Gif, 'g')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Check, Gif, 'g')->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const auto t = RunAndKeepTimes(argc, argv);
    for (const char* kind : {"RleBmp", "Gif"}) {
        const auto check = t.find(std::string("Check/") + kind);
        const auto load = t.find(std::string("Load/") + kind);
        if (check != t.end() && load != t.end()) {
            std::printf("%s: the check is %.1f%% of the load\n", kind,
                        100.0 * check->second / load->second);
        }
    }
    return 0;
}
