// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring every frame of a 1080p H.264 video against decoding it alone.
//  - BM_VideoRun/J: the batch's detection (CDetectionRun, as quandrel-batch runs it) over every
//    frame, 20 scan lines, J jobs; each frame converted to RGB only in the 16 x 2 cells that
//    the lines read, as the batch converts it (the whole conversion took about a tenth of a
//    one-job run).
//  - BM_DecodeOnly/J: libavcodec decoding every frame with J threads and nothing else, as
//    `ffmpeg -threads J -i VIDEO -f null -` does. Target: BM_VideoRun/J at least 0.9 of its
//    throughput.
//  - BM_StepBack/C: the window's steps back through the frames of one key frame's run, each
//    frame loaded whole; C = 0 decodes each from its key frame, C = 1 takes it from the frames
//    the first seek passed (video_frame_cache.h).
// The video is QUANDREL_BENCH_VIDEO, or else one made here (1920 x 1080, 300 frames, a moving
// edge on a texture, B-frames, a key frame every 60). A video of real-looking content:
//    ffmpeg -f lavfi -i testsrc2=size=1920x1080:rate=30 -frames:v 10000 -c:v libx264
//        -preset veryfast -g 60 -bf 2 -pix_fmt yuv420p /tmp/bench_1080.mp4  (one line)
// `video_bench --run VIDEO JOBS` measures the frames once and exits, so that the whole process
// can be timed (and its peak memory taken) beside the ffmpeg command.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "model/edge_detect.h"
#include "picture/picture.h"
#include "picture/video_frame_cache.h"
#include "picture/video_frames.h"
#include "series/series_detect.h"
#include "support/synthetic_video.h"
#include "time_keeper.h"

namespace {

constexpr int kLines = 20;

struct Fixture {
    QTemporaryDir dir;
    std::string path;
    std::int64_t frames = 0;
};

const Fixture& GetFixture() {
    static const std::unique_ptr<Fixture> fixture = [] {
        auto f = std::make_unique<Fixture>();
        if (const char* given = std::getenv("QUANDREL_BENCH_VIDEO")) {
            f->path = given;
        } else {
            SyntheticVideo video;
            video.path = f->dir.filePath(QStringLiteral("bench.mp4")).toStdString();
            video.width = 1920;
            video.height = 1080;
            video.frames = 300;
            video.gop = 60;
            video.firstEdge = 200;
            if (const std::string failure = WriteSyntheticVideo(video); !failure.empty()) {
                std::fprintf(stderr, "%s\n", failure.c_str());
                std::abort();
            }
            f->path = video.path;
        }
        f->frames = SurveyVideo(f->path).count;
        return f;
    }();
    return *fixture;
}

// Every frame, with lines from the middle outwards, all round.
bool MeasureFrames(const std::string& path, std::int64_t frames, int jobs) {
    CDataProfile profile;
    for (std::int64_t n = 0; n < frames; ++n) {
        profile.AddImage("video", path);
        profile.GetSeries(profile.GetSize() - 1)->m_nFrame = n;
    }
    for (int k = 0; k < profile.GetSize(); ++k) {
        for (int n = 0; n < kLines; ++n) {
            const double a = 2.0 * 3.14159265358979 * n / kLines;
            profile.GetSeries(k)->AddLine(0, 960, 540, 960 + static_cast<int>(900 * std::cos(a)),
                                          540 + static_cast<int>(520 * std::sin(a)));
        }
    }
    DetectSettings settings;
    settings.jobs = jobs;
    settings.mode = kEdgeSteepestRise;
    settings.stopOnFailure = true;
    settings.partialPictures = true;  // as quandrel-batch measures
    std::vector<int> records(static_cast<std::size_t>(profile.GetSize()));
    for (std::size_t k = 0; k < records.size(); ++k) records[k] = static_cast<int>(k);
    return DetectPendingRecords(profile, records, settings).failures.empty();
}

void BM_VideoRun(benchmark::State& state) {
    const Fixture& f = GetFixture();
    for (auto _ : state) {
        if (!MeasureFrames(f.path, f.frames, static_cast<int>(state.range(0)))) {
            state.SkipWithError("a frame failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * f.frames);
}
BENCHMARK(BM_VideoRun)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every frame decoded, as the ffmpeg command with `-f null` decodes them.
std::int64_t DecodeAll(const std::string& path, int threads) {
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return -1;
    avformat_find_stream_info(input, nullptr);
    const int stream = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodecParameters* parameters = input->streams[stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, parameters);
    decoder->thread_count = threads;
    avcodec_open2(decoder, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::int64_t decoded = 0;
    const auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0) {
            ++decoded;
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(input, packet) >= 0) {
        if (packet->stream_index == stream) avcodec_send_packet(decoder, packet);
        av_packet_unref(packet);
        drain();
    }
    avcodec_send_packet(decoder, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&input);
    return decoded;
}

void BM_DecodeOnly(benchmark::State& state) {
    const Fixture& f = GetFixture();
    for (auto _ : state) {
        if (DecodeAll(f.path, static_cast<int>(state.range(0))) != f.frames) {
            state.SkipWithError("the decode gave another number of frames");
        }
    }
    state.SetItemsProcessed(state.iterations() * f.frames);
}
BENCHMARK(BM_DecodeOnly)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Steps back from the last frame of the second run of 60 frames to its first.
void BM_StepBack(benchmark::State& state) {
    const Fixture& f = GetFixture();
    const std::int64_t last = std::min<std::int64_t>(119, f.frames - 1);
    const std::int64_t first = std::max<std::int64_t>(0, last - 59);
    video_frame_cache::SetLimit(state.range(0) != 0 ? video_frame_cache::kDefaultBytes : 0);
    for (auto _ : state) {
        video_frame_cache::Clear();
        CPicture picture;
        for (std::int64_t n = last; n >= first; --n) {
            if (picture.Load(f.path, n).status != CPicture::LoadStatus::Ok) {
                state.SkipWithError("a frame failed");
            }
        }
    }
    video_frame_cache::SetLimit(video_frame_cache::kDefaultBytes);
    video_frame_cache::Clear();
    state.SetItemsProcessed(state.iterations() * (last - first + 1));
}
BENCHMARK(BM_StepBack)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--run") == 0) {
        const std::string path = argv[2];
        const FileEntries entries = SurveyVideo(path);
        if (entries.result.status != CPicture::LoadStatus::Ok) {
            std::fprintf(stderr, "%s\n", entries.result.reason.toStdString().c_str());
            return 1;
        }
        return MeasureFrames(path, entries.count, std::atoi(argv[3])) ? 0 : 1;
    }
    const auto t = RunAndKeepTimes(argc, argv);
    for (const char* jobs : {"1", "2"}) {
        const auto run = t.find(std::string("BM_VideoRun/") + jobs + "/real_time");
        const auto decode = t.find(std::string("BM_DecodeOnly/") + jobs + "/real_time");
        if (run != t.end() && decode != t.end()) {
            std::printf("jobs %s: throughput against decoding alone %.2f (target >= 0.9)\n", jobs,
                        decode->second / run->second);
        }
    }
    const auto cold = t.find("BM_StepBack/0/real_time");
    const auto kept = t.find("BM_StepBack/1/real_time");
    if (cold != t.end() && kept != t.end()) {
        std::printf("steps back: %.1fx faster with the passed frames kept\n",
                    cold->second / kept->second);
    }
    return 0;
}
