// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "picture/file_stamp.h"

struct AVFrame;

// Decoded frames that a seek passed on its way to the frame it was asked for, kept so that the
// next steps back need not decode from the key frame again. Stepping back through a video in
// the window (and the prefetch of the frame before) otherwise costs a decode of the whole run
// up to each frame: with a key frame every 250 frames, hundreds of frames a step.
//
// The frames are held as references to the decoder's own frames, before any conversion, so a
// frame taken from here is converted exactly as one decoded afresh, and is the same pixels:
// the decoder gives frame N the same bytes whichever frame it was decoding towards. Only
// frames the decoder gave undamaged are kept. One cache serves every picture of the process,
// since the window's picture and the prefetch's slots hand frames between them; it is keyed by
// file, stamp and frame, so a file that changed is never served from it.
namespace video_frame_cache {

// How many frames before the one asked for a seek keeps, and how many bytes of frames the
// cache holds at most; the oldest go first.
inline constexpr std::int64_t kDepth = 48;
inline constexpr std::size_t kDefaultBytes = std::size_t{192} << 20;

// Keeps a reference to `decoded`, frame `frame` of the file.
void Put(const std::string& path, const FileStamp& stamp, std::int64_t frame,
         const AVFrame* decoded);

// A new reference to the kept frame, or null; the caller frees it with av_frame_free.
AVFrame* Find(const std::string& path, const FileStamp& stamp, std::int64_t frame);

// Lets go of every frame: the list they were kept for is gone.
void Clear();

// The bytes the cache may hold (0 keeps nothing; kDefaultBytes unless told), for the tests.
void SetLimit(std::size_t bytes);

// How many frames Find has given, for the tests and the benchmarks.
std::int64_t Hits();

}  // namespace video_frame_cache
