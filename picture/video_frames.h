// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <cstdint>
#include <string>

#include "model/pixel_request.h"
#include "picture/picture.h"
#include "picture/picture_entries.h"
#include "picture/pixel_buffer.h"
#include "picture/video_reader_fwd.h"

// Videos as series of frames, through FFmpeg's libraries: libavformat demuxes, libavcodec
// decodes and libswscale converts to 32-bit RGB.
//
// Frame N is the N-th frame in presentation order, from 0 (video_index.h). It is decoded from
// the key frame at or before it, forward, and always gives the same pixels whatever frame was
// loaded before: a reader asked for a later frame of the same run keeps decoding where it is,
// any other frame starts again at its key frame.

// The frames of a video, with each frame's presentation time in seconds from frame 0
// (TimeSource::VideoTimestamp). A file that is no video this program decodes, or that is a
// still picture that libavformat also reads, gives Kind::Single and a failed result.
// `progress` is told how far the demuxing has come, and may stop it (video_index.h).
FileEntries SurveyVideo(const std::string& path, const ReadProgress& progress = {});

// Where a decoded frame goes: the whole frame as `image`, a 32-bit RGB picture whose rows live
// in `pixels`. Given a request and a frame whose conversion allows it
// (CFrameConverter::CanConvertPart), only the cells of the pixels the request reads are
// converted, into `pixels`, and `part` shows those rows while `image` stays null.
struct FrameTarget {
    CPixelBuffer& pixels;
    QImage& image;
    const PixelRequest* request = nullptr;
    PixelView* part = nullptr;
};

// Decodes frame `frame` (>= 0) of the video at `path` into the target. The reader is made on
// first use and kept open for the next frame; a file that changed on disk since is opened
// afresh. A frame the file cannot give (past its end, cut off, damaged) is refused with the
// reason, never made up: the frame is always decoded whole, whatever part is converted.
CPicture::LoadResult LoadVideoFrame(VideoReaderPtr& reader, const std::string& path,
                                    std::int64_t frame, const FrameTarget& target);
