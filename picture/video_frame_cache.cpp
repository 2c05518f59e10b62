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
    std::int64_t hits = 0;

    ~Cache() {
        for (Kept& kept : frames) av_frame_free(&kept.decoded);
    }

    // Under the mutex: the frame kept for the key, or null.
    Kept* Lookup(const std::string& path, const FileStamp& stamp, std::int64_t frame) {
        const auto kept = std::find_if(frames.begin(), frames.end(), [&](const Kept& k) {
            return k.frame == frame && k.stamp == stamp && k.path == path;
        });
        return kept != frames.end() ? &*kept : nullptr;
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

// A new reference to the decoder's frame, or null when there is no memory for one.
AVFrame* Reference(const AVFrame* decoded) {
    AVFrame* copy = av_frame_alloc();
    if (copy != nullptr && av_frame_ref(copy, decoded) < 0) av_frame_free(&copy);
    return copy;
}

}  // namespace

void Put(const std::string& path, const FileStamp& stamp, std::int64_t frame,
         const AVFrame* decoded) {
    Cache& cache = Shared();
    const std::size_t bytes = BytesOf(decoded);
    const std::lock_guard lock(cache.mutex);
    if (bytes == 0 || bytes > cache.limit || cache.Lookup(path, stamp, frame) != nullptr) return;
    AVFrame* copy = Reference(decoded);
    if (copy == nullptr) return;
    cache.MakeRoom(bytes);
    cache.frames.push_back({path, stamp, frame, copy, bytes});
    cache.bytes += bytes;
}

AVFrame* Find(const std::string& path, const FileStamp& stamp, std::int64_t frame) {
    Cache& cache = Shared();
    const std::lock_guard lock(cache.mutex);
    const Kept* kept = cache.Lookup(path, stamp, frame);
    AVFrame* copy = kept != nullptr ? Reference(kept->decoded) : nullptr;
    if (copy != nullptr) ++cache.hits;
    return copy;
}

void Clear() {
    Cache& cache = Shared();
    const std::lock_guard lock(cache.mutex);
    for (Kept& kept : cache.frames) av_frame_free(&kept.decoded);
    cache.frames.clear();
    cache.bytes = 0;
}

void SetLimit(std::size_t bytes) {
    Cache& cache = Shared();
    const std::lock_guard lock(cache.mutex);
    cache.limit = bytes;
    cache.MakeRoom(0);
}

std::int64_t Hits() {
    Cache& cache = Shared();
    const std::lock_guard lock(cache.mutex);
    return cache.hits;
}

}  // namespace video_frame_cache
