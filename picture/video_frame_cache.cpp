// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/video_frame_cache.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "picture/video_av.h"

namespace video_frame_cache {
namespace {

struct Kept {
    std::string path;
    FileStamp stamp;
    std::int64_t frame = -1;
    AVFrame* decoded = nullptr;
    std::size_t bytes = 0;
};

struct Cache {
    std::mutex mutex;
    std::deque<Kept> frames;  // oldest first
    std::size_t bytes = 0;
    std::size_t limit = kDefaultBytes;
    Counts counts;

    ~Cache() {
        for (Kept& kept : frames) av_frame_free(&kept.decoded);
    }

    // Under the mutex: drops the oldest until `room` more bytes fit.
    void MakeRoom(std::size_t room) {
        while (!frames.empty() && bytes + room > limit) {
            bytes -= frames.front().bytes;
            av_frame_free(&frames.front().decoded);
            frames.pop_front();
        }
    }
};

Cache& Shared() {
    static Cache cache;
    return cache;
}

std::size_t BytesOf(const AVFrame* decoded) {
    std::size_t bytes = 0;
    for (const AVBufferRef* buffer : decoded->buf) {
        if (buffer != nullptr) bytes += buffer->size;
    }
    return bytes;
}

}  // namespace

void Put(const std::string& path, const FileStamp& stamp, std::int64_t frame,
         const AVFrame* decoded) {
    Cache& cache = Shared();
    const std::size_t bytes = BytesOf(decoded);
    {
        const std::lock_guard lock(cache.mutex);
        if (bytes == 0 || bytes > cache.limit) return;
        const auto same = std::find_if(cache.frames.begin(), cache.frames.end(), [&](const Kept& k) {
            return k.frame == frame && k.stamp == stamp && k.path == path;
        });
        if (same != cache.frames.end()) return;
    }
    // The reference is taken outside the lock: it only counts up the buffers' owners.
    AVFrame* copy = av_frame_alloc();
    if (copy == nullptr) return;
    if (av_frame_ref(copy, decoded) < 0) {
        av_frame_free(&copy);
        return;
    }
    const std::lock_guard lock(cache.mutex);
    if (bytes > cache.limit) {  // the limit fell meanwhile
        av_frame_free(&copy);
        return;
    }
    cache.MakeRoom(bytes);
    cache.frames.push_back({path, stamp, frame, copy, bytes});
    cache.bytes += bytes;
    ++cache.counts.kept;
}

AVFrame* Find(const std::string& path, const FileStamp& stamp, std::int64_t frame) {
    Cache& cache = Shared();
    const std::lock_guard lock(cache.mutex);
    const auto kept = std::find_if(cache.frames.begin(), cache.frames.end(), [&](const Kept& k) {
        return k.frame == frame && k.stamp == stamp && k.path == path;
    });
    if (kept == cache.frames.end()) return nullptr;
    AVFrame* copy = av_frame_alloc();
    if (copy == nullptr) return nullptr;
    if (av_frame_ref(copy, kept->decoded) < 0) {
        av_frame_free(&copy);
        return nullptr;
    }
    ++cache.counts.hits;
    return copy;
}

void Clear() {
    Cache& cache = Shared();
    const std::lock_guard lock(cache.mutex);
    for (Kept& kept : cache.frames) av_frame_free(&kept.decoded);
    cache.frames.clear();
    cache.bytes = 0;
}

std::size_t SetLimit(std::size_t bytes) {
    Cache& cache = Shared();
    const std::lock_guard lock(cache.mutex);
    const std::size_t before = cache.limit;
    cache.limit = bytes;
    cache.MakeRoom(0);
    return before;
}

Counts GetCounts() {
    Cache& cache = Shared();
    const std::lock_guard lock(cache.mutex);
    Counts counts = cache.counts;
    counts.bytes = cache.bytes;
    return counts;
}

}  // namespace video_frame_cache
