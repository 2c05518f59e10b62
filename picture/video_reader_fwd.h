// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

// The decoder that a picture keeps open on a video between frames (video_frames.h), declared
// here so that picture.h names no FFmpeg header.
class CVideoReader;
struct VideoReaderDeleter {
    void operator()(CVideoReader* reader) const;
};
using VideoReaderPtr = std::unique_ptr<CVideoReader, VideoReaderDeleter>;
