// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "picture/picture_checks.h"

// What demuxing a video's packets tells, without decoding a frame: the packets of its video
// stream in the order they are stored (decode order), and its frames in presentation order.
// Frame N is the N-th smallest presentation timestamp among the stream's packets, counted from
// 0; a packet the container marks to be dropped (an edit list's lead-in) or cut off makes no
// frame.
struct VideoIndex {
    struct Packet {
        std::int64_t pos = -1;  // byte position in the file, -1 where the container has none
        std::int64_t dts = 0;   // decode timestamp, or the pts where the container has none
        std::int64_t pts = 0;   // presentation timestamp, or the dts where the container has none
        bool key = false;
        bool frame = false;  // whether it makes a numbered frame
    };
    int stream = -1;
    int timeBaseNum = 1;
    int timeBaseDen = 1;
    std::vector<Packet> packets;     // decode order
    std::vector<std::int64_t> pts;   // per frame, ascending
    std::vector<std::size_t> keyAt;  // per frame: the packet to start decoding it from

    std::int64_t Count() const { return static_cast<std::int64_t>(pts.size()); }
    // Frame number of a presentation timestamp; -1 when no frame has it.
    std::int64_t FrameOf(std::int64_t timestamp) const;
    // Seconds of frame n from frame 0.
    double Seconds(std::int64_t n) const;
    // The first frame that decoding from frame n's key packet gives: frames from there to n are
    // decoded to reach n. Frames with equal values share one run of decoding.
    std::int64_t RunStart(std::int64_t n) const;
    static constexpr std::size_t kNoKey = static_cast<std::size_t>(-1);
};

// Whether libavformat's demuxer of that name reads still pictures (JPEG, PNG, BMP, GIF, TIFF,
// ...): those files are pictures, never videos.
bool IsStillPictureDemuxer(const char* name);

struct VideoIndexResult {
    std::shared_ptr<const VideoIndex> index;  // null on failure or when stopped
    PictureFault fault;
    bool stopped = false;  // the progress asked to stop: no index, and no fault
};

// Told while a video is demuxed how far it has come (0 to 1, by the bytes read of the file's
// size); false stops it. Demuxing a long video reads the whole file, which takes a while.
using ReadProgress = std::function<bool(double fraction)>;

// The index of the video at the path, made by demuxing the file once. The last few indexes are
// kept, each with the stamp of the file it was made from: a file that changed is demuxed again.
VideoIndexResult IndexVideo(const std::string& path, const ReadProgress& progress = {});
