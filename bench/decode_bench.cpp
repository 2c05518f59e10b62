// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool on series of JPEG, 24-bit BMP and GIF files against the plainest decode of the
// same files: TurboJPEG into a reused buffer, a read and row conversion of the BMP, giflib with
// the palette applied. Each baseline reads the files as the batch does, into memory kept from
// file to file. The JPEG series are also run on two jobs against one.
//
// A pass over a series takes a second or less. On a machine that others use too, run
// --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true: the ratios then take
// each case's fastest repetition. --benchmark_filter=Jpeg12 picks one series.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <gif_lib.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch_run.h"
#include "bench/series_files.h"
#include "bench/turbo_decoder.h"
#include "picture/picture.h"
#include "time_keeper.h"

namespace {

struct Series {
    const char* name;
    const char* format;
    const char* suffix;
    int width;
    int height;
    int count;
};

constexpr Series kSeries[] = {
    {"Jpeg2", "JPEG", "jpg", 1632, 1224, 40},   // 2.0 megapixels
    // A run's first picture takes the memory of its worker afresh (46 MiB at 12 MP: some 25 ms,
    // Load against LoadAgain in picture_load_bench); later ones reuse it. Thirty pictures keep
    // that first cost, which a real series spreads over thousands, to 2% of the run.
    {"Jpeg12", "JPEG", "jpg", 4000, 3000, 30},  // 12 megapixels
    {"Bmp2", "BMP", "bmp", 1632, 1224, 30},
    {"Gif2", "GIF", "gif", 1632, 1224, 30},
    {"Gif256i", "GIF256I", "gif", 1632, 1224, 30},  // 256 colours, interlaced
};

struct Fixture {
    QTemporaryDir dir;
    Session session;
    std::string output;
};

// The series' files and a session of eight lines from the middle outwards.
const Fixture& GetFixture(const Series& series) {
    static std::map<std::string, std::unique_ptr<Fixture>> fixtures;
    std::unique_ptr<Fixture>& f = fixtures[series.name];
    if (f) return *f;
    f = std::make_unique<Fixture>();
    if (!f->dir.isValid()) std::abort();
    for (int k = 0; k < series.count; ++k) {
        const std::string path =
            f->dir.filePath(QStringLiteral("img%1.%2").arg(k).arg(QLatin1String(series.suffix)))
                .toStdString();
        if (!series_files::WritePicture(path, series.format, series.width, series.height, k)) {
            std::abort();
        }
        f->session.images.push_back({path, std::nullopt, {}});
    }
    const int cx = series.width / 2;
    const int cy = series.height / 2;
    for (int n = 0; n < 8; ++n) {
        const double a = 2.0 * 3.14159265358979 * n / 8;
        f->session.lines.push_back({cx, cy, cx + static_cast<int>(cx * 0.9 * std::cos(a)),
                                    cy + static_cast<int>(cy * 0.9 * std::sin(a))});
    }
    f->session.edgeMode = 3;
    f->output = f->dir.filePath(QStringLiteral("out.dat")).toStdString();
    return *f;
}

void BM_Batch(benchmark::State& state, const Series& series) {
    const Fixture& f = GetFixture(series);
    const int jobs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const BatchOutcome outcome = RunBatch(f.session, f.output, jobs);
        if (outcome.status != BatchStatus::Ok) state.SkipWithError(outcome.message.c_str());
    }
    state.SetItemsProcessed(state.iterations() * series.count);
}

// The loader alone on the series, one picture for all files as a batch worker has it.
void BM_Load(benchmark::State& state, const Series& series) {
    const Fixture& f = GetFixture(series);
    CPicture picture;
    for (auto _ : state) {
        for (const SessionImage& image : f.session.images) {
            if (picture.Load(image.path).status != CPicture::LoadStatus::Ok) {
                state.SkipWithError("cannot load");
                break;
            }
            benchmark::DoNotOptimize(picture.GetPixel(0, 0));
        }
    }
    state.SetItemsProcessed(state.iterations() * series.count);
}

// The baseline on one thread, and on two that share the files as two jobs do: the second tells
// how much of two cores the machine gives at the time, whatever the batch does.
void BM_TurboJpeg(benchmark::State& state, const Series& series) {
    const Fixture& f = GetFixture(series);
    const auto threads = static_cast<std::size_t>(state.range(0));
    std::vector<std::unique_ptr<TurboDecoder>> decoders;
    for (std::size_t t = 0; t < threads; ++t) decoders.push_back(std::make_unique<TurboDecoder>());
    for (auto _ : state) {
        std::vector<char> ok(threads, 0);
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < threads; ++t) {
            pool.emplace_back([&, t] { ok[t] = decoders[t]->DecodeEvery(f.session.images, t, threads); });
        }
        ok[0] = decoders[0]->DecodeEvery(f.session.images, 0, threads);
        for (std::thread& thread : pool) thread.join();
        if (std::find(ok.begin(), ok.end(), 0) != ok.end()) state.SkipWithError("cannot decode");
    }
    state.SetItemsProcessed(state.iterations() * series.count);
}

unsigned Le32(const unsigned char* p) {
    return p[0] | unsigned{p[1]} << 8 | unsigned{p[2]} << 16 | unsigned{p[3]} << 24;
}

// The file read, then each row of three bytes a pixel put into 32-bit pixels, bottom row first.
void BM_BmpRead(benchmark::State& state, const Series& series) {
    const Fixture& f = GetFixture(series);
    std::vector<unsigned char> bytes;
    std::vector<std::uint32_t> pixels;
    for (auto _ : state) {
        for (const SessionImage& image : f.session.images) {
            std::size_t size = 0;
            if (!ReadFile(image.path, bytes, size) || size < 54) {
                state.SkipWithError("cannot read");
                break;
            }
            const int width = static_cast<int>(Le32(&bytes[18]));
            const int height = static_cast<int>(Le32(&bytes[22]));
            const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
            pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
            for (int y = 0; y < height; ++y) {
                const unsigned char* from = &bytes[Le32(&bytes[10]) + static_cast<std::size_t>(height - 1 - y) * stride];
                std::uint32_t* to = &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
                for (int x = 0; x < width; ++x, from += 3) {
                    to[x] = 0xFF000000u | std::uint32_t{from[2]} << 16 | std::uint32_t{from[1]} << 8 | from[0];
                }
            }
            benchmark::DoNotOptimize(pixels.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * series.count);
}

struct GifSource {
    const unsigned char* at;
    const unsigned char* end;
};

int ReadGifBytes(GifFileType* file, GifByteType* into, int wanted) {
    auto* source = static_cast<GifSource*>(file->UserData);
    const int left = static_cast<int>(std::min<std::ptrdiff_t>(wanted, source->end - source->at));
    std::memcpy(into, source->at, static_cast<std::size_t>(left));
    source->at += left;
    return left;
}

// giflib's decode of the first frame, row by row, each row through the global palette. The rows
// of an interlaced frame are put in the order stored: the same work as in their places.
void BM_Giflib(benchmark::State& state, const Series& series) {
    const Fixture& f = GetFixture(series);
    std::vector<unsigned char> bytes;
    std::vector<std::uint32_t> pixels;
    std::vector<GifPixelType> line;
    for (auto _ : state) {
        for (const SessionImage& image : f.session.images) {
            std::size_t size = 0;
            if (!ReadFile(image.path, bytes, size)) {
                state.SkipWithError("cannot read");
                break;
            }
            GifSource source{bytes.data(), bytes.data() + size};
            int error = 0;
            GifFileType* gif = DGifOpen(&source, ReadGifBytes, &error);
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (gif == nullptr || DGifGetRecordType(gif, &type) == GIF_ERROR ||
                type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) == GIF_ERROR) {
                state.SkipWithError("cannot decode");
                break;
            }
            const int width = gif->Image.Width;
            const int height = gif->Image.Height;
            std::uint32_t palette[256] = {};
            for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
                const GifColorType& c = gif->SColorMap->Colors[i];
                palette[i] = 0xFF000000u | std::uint32_t{c.Red} << 16 | std::uint32_t{c.Green} << 8 | c.Blue;
            }
            line.resize(static_cast<std::size_t>(width));
            pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
            for (int y = 0; y < height; ++y) {
                if (DGifGetLine(gif, line.data(), width) == GIF_ERROR) std::abort();
                std::uint32_t* to = &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
                for (int x = 0; x < width; ++x) to[x] = palette[line[static_cast<std::size_t>(x)]];
            }
            DGifCloseFile(gif, nullptr);
            benchmark::DoNotOptimize(pixels.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * series.count);
}

void Register() {
    for (const Series& s : kSeries) {
        const std::string name = s.name;
        auto* batch = benchmark::RegisterBenchmark(("Batch/" + name).c_str(), BM_Batch, s);
        batch->Arg(1);
        if (qstrcmp(s.format, "JPEG") == 0) batch->Arg(2);
        batch->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
        auto* baseline = qstrcmp(s.format, "JPEG") == 0  ? BM_TurboJpeg
                         : qstrcmp(s.format, "BMP") == 0 ? BM_BmpRead
                                                         : BM_Giflib;
        benchmark::RegisterBenchmark(("Load/" + name).c_str(), BM_Load, s)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(3);
        auto* base = benchmark::RegisterBenchmark(("Baseline/" + name).c_str(), baseline, s);
        if (baseline == BM_TurboJpeg) base->Arg(1)->Arg(2);
        base->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(3);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Register();
    const auto t = RunAndKeepTimes(argc, argv);
    // By the start of the name: the library appends the minimum time and the time kind.
    const auto find = [&t](const std::string& prefix) {
        const auto at = t.lower_bound(prefix);
        return at != t.end() && at->first.starts_with(prefix) ? at : t.end();
    };
    const auto ratio = [&](const std::string& measured, const std::string& baseline,
                           const char* what) {
        const auto m = find(measured + "/");
        const auto b = find(baseline + "/");
        if (m != t.end() && b != t.end()) std::printf("%s: %.2f\n", what, m->second / b->second);
    };
    ratio("Batch/Jpeg2/1", "Baseline/Jpeg2/1",
          "2 MP JPEG, jobs 1 / TurboJPEG (target <= 1.05)");
    ratio("Batch/Jpeg12/1", "Baseline/Jpeg12/1",
          "12 MP JPEG, jobs 1 / TurboJPEG (target <= 1.05)");
    ratio("Batch/Bmp2/1", "Baseline/Bmp2",
          "24-bit BMP, jobs 1 / read and convert (target <= 1.3)");
    ratio("Batch/Gif2/1", "Baseline/Gif2",
          "GIF, jobs 1 / giflib (target <= 1.1)");
    ratio("Load/Gif2", "Baseline/Gif2", "GIF, load / giflib");
    ratio("Load/Gif256i", "Baseline/Gif256i",
          "256-colour interlaced GIF, load / giflib (target <= 1.1)");
    ratio("Batch/Jpeg12/1", "Batch/Jpeg12/2",
          "12 MP JPEG, throughput jobs 2 / jobs 1 (target >= 1.85)");
    ratio("Batch/Jpeg2/1", "Batch/Jpeg2/2",
          "2 MP JPEG, throughput jobs 2 / jobs 1");
    ratio("Baseline/Jpeg12/1", "Baseline/Jpeg12/2",
          "12 MP JPEG, TurboJPEG throughput on 2 threads / 1 (what the machine gives)");
    return 0;
}
