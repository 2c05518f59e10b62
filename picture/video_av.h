// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The FFmpeg objects the video reader and the video index hold, each freed with its owner, and
// the opening of a file's video stream that both share. Only picture/ includes this header.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <string>

#include "picture/picture_checks.h"

struct AvPacket {
    AvPacket() : packet(av_packet_alloc()) {}
    ~AvPacket() { av_packet_free(&packet); }
    AvPacket(const AvPacket&) = delete;
    AvPacket& operator=(const AvPacket&) = delete;
    AVPacket* get() const { return packet; }
    AVPacket* operator->() const { return packet; }
    AVPacket* packet;
};

struct AvFrame {
    AvFrame() : frame(av_frame_alloc()) {}
    ~AvFrame() { av_frame_free(&frame); }
    AvFrame(const AvFrame&) = delete;
    AvFrame& operator=(const AvFrame&) = delete;
    AVFrame* get() const { return frame; }
    AVFrame* operator->() const { return frame; }
    AVFrame* frame;
};

// A demuxer opened on a file, with the video stream it measures.
struct AvInput {
    AvInput() = default;
    ~AvInput() { Close(); }
    AvInput(const AvInput&) = delete;
    AvInput& operator=(const AvInput&) = delete;
    void Close() {
        if (context != nullptr) avformat_close_input(&context);
        stream = -1;
    }
    AVFormatContext* context = nullptr;
    int stream = -1;
};

// Opens the file's best video stream (a cover picture is not one). A file that libavformat
// does not read, one that is a still picture (which is no video here) and one without a video
// stream are faults; so is a file that cannot be opened at all, with the system's words.
PictureFault OpenVideoInput(const std::string& path, AvInput& input);

// FFmpeg's words for an error code.
std::string AvErrorText(int error);
// A read of the file that failed midway.
PictureFault VideoReadFault(int error);
