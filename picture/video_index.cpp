// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/video_index.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

#include "picture/file_stamp.h"
#include "picture/video_av.h"

std::int64_t VideoIndex::FrameOf(std::int64_t timestamp) const {
    const auto at = std::lower_bound(pts.begin(), pts.end(), timestamp);
    return at != pts.end() && *at == timestamp ? at - pts.begin() : -1;
}

double VideoIndex::Seconds(std::int64_t n) const {
    if (pts.empty()) return 0;
    const auto ticks = static_cast<double>(pts[static_cast<std::size_t>(n)] - pts.front());
    return ticks * timeBaseNum / timeBaseDen;
}

std::int64_t VideoIndex::RunStart(std::int64_t n) const {
    const std::size_t key = keyAt[static_cast<std::size_t>(n)];
    // Frames sharing a key packet are contiguous in presentation order.
    while (n > 0 && keyAt[static_cast<std::size_t>(n - 1)] == key) --n;
    return n;
}

bool IsStillPictureDemuxer(const char* name) {
    if (name == nullptr) return false;
    const std::string_view text(name);
    // The single-picture demuxers are named "<format>_pipe", and image2 reads numbered
    // pictures; GIF and animated PNG are pictures to this program, whose first frame it shows.
    return text.ends_with("_pipe") || text == "image2" || text == "gif" || text == "apng";
}

namespace {

PictureFault NoFrameNumbers() {
    return {QStringLiteral("the video's frames have no distinct time stamps to number them by"),
            QCoreApplication::translate(
                "Document", "動画のフレームに区別できるタイムスタンプがなく、番号を付けられません。")};
}

// Demuxes the whole file: every packet of the best video stream, none decoded.
VideoIndexResult Build(const std::string& path, const ReadProgress& progress) {
    VideoIndexResult result;
    AvInput input;
    if (PictureFault fault = OpenVideoInput(path, input)) {
        result.fault = std::move(fault);
        return result;
    }
    auto index = std::make_shared<VideoIndex>();
    const AVStream* stream = input.context->streams[input.stream];
    index->stream = input.stream;
    index->timeBaseNum = stream->time_base.num;
    index->timeBaseDen = stream->time_base.den;
    AvPacket packet;
    const std::int64_t size = progress ? avio_size(input.context->pb) : -1;
    for (std::size_t packets = 0;; ++packets) {
        // Often enough for a responsive Cancel, seldom enough to cost nothing.
        if (size > 0 && packets % 256 == 0) {
            const double fraction =
                std::clamp(static_cast<double>(avio_tell(input.context->pb)) / static_cast<double>(size), 0.0, 1.0);
            if (!progress(fraction)) {
                result.stopped = true;
                return result;
            }
        }
        const int read = av_read_frame(input.context, packet.get());
        if (read == AVERROR_EOF) break;
        if (read < 0) {
            result.fault = VideoReadFault(read);
            return result;
        }
        if (packet->stream_index == input.stream) {
            VideoIndex::Packet entry;
            entry.pos = packet->pos;
            const std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            entry.pts = pts;
            entry.dts = packet->dts != AV_NOPTS_VALUE ? packet->dts : pts;
            entry.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
            entry.frame = pts != AV_NOPTS_VALUE &&
                          (packet->flags & (AV_PKT_FLAG_DISCARD | AV_PKT_FLAG_CORRUPT)) == 0;
            if (pts == AV_NOPTS_VALUE && (packet->flags & AV_PKT_FLAG_DISCARD) == 0) {
                result.fault = NoFrameNumbers();
                return result;
            }
            index->packets.push_back(entry);
        }
        av_packet_unref(packet.get());
    }
    // Frames in presentation order, each with the key packet at or before it that decoding
    // starts from: the key with the greatest timestamp not after the frame's.
    std::vector<std::size_t> keys;
    for (std::size_t p = 0; p < index->packets.size(); ++p) {
        const VideoIndex::Packet& entry = index->packets[p];
        if (entry.frame) index->pts.push_back(entry.pts);
        if (entry.key) keys.push_back(p);
    }
    std::sort(index->pts.begin(), index->pts.end());
    if (std::adjacent_find(index->pts.begin(), index->pts.end()) != index->pts.end()) {
        result.fault = NoFrameNumbers();
        return result;
    }
    if (index->pts.empty()) {
        result.fault = {QStringLiteral("the video has no frames"),
                        QCoreApplication::translate("Document", "動画にフレームがありません。")};
        return result;
    }
    std::stable_sort(keys.begin(), keys.end(), [&](std::size_t a, std::size_t b) {
        return index->packets[a].pts < index->packets[b].pts;
    });
    index->keyAt.resize(index->pts.size(), VideoIndex::kNoKey);
    std::size_t k = 0;
    std::size_t key = VideoIndex::kNoKey;
    for (std::size_t n = 0; n < index->pts.size(); ++n) {
        while (k < keys.size() && index->packets[keys[k]].pts <= index->pts[n]) key = keys[k++];
        index->keyAt[n] = key;
    }
    result.index = std::move(index);
    return result;
}

struct Cached {
    std::string path;
    FileStamp stamp;
    std::shared_ptr<const VideoIndex> index;
};

}  // namespace

VideoIndexResult IndexVideo(const std::string& path, const ReadProgress& progress) {
    // A few files at once: the batch's workers and the window's prefetch ask for the same video
    // over and over, and demuxing it is a read of the whole file.
    static constexpr std::size_t kKept = 4;
    static std::mutex mutex;
    static std::vector<Cached> cache;
    const std::optional<FileStamp> before = StampFile(path);
    if (before) {
        std::lock_guard lock(mutex);
        for (auto at = cache.begin(); at != cache.end(); ++at) {
            if (at->path == path && at->stamp == *before) {
                std::rotate(cache.begin(), at, at + 1);
                return {cache.front().index, {}};
            }
        }
    }
    VideoIndexResult result;
    try {
        result = Build(path, progress);
    } catch (const std::bad_alloc&) {
        return {nullptr,
                {QStringLiteral("not enough memory to index the video"),
                 QCoreApplication::translate("Document", "メモリが足りません。"),
                 PictureProblem::OutOfMemory}};
    }
    // Kept only when the file did not change while it was read.
    const std::optional<FileStamp> after = StampFile(path);
    if (result.index && before && after && *before == *after) {
        std::lock_guard lock(mutex);
        cache.insert(cache.begin(), {path, *after, result.index});
        if (cache.size() > kKept) cache.pop_back();
    }
    return result;
}
