// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Writes a small video with libavformat and libavcodec: a dark left part and a bright right part
// whose edge moves right by `speed` pixels a frame, over a faint texture that differs from frame
// to frame, so that every frame is told apart by its pixels.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <cstdint>
#include <string>

struct SyntheticVideo {
    std::string path;  // its extension picks the container
    AVCodecID codec = AV_CODEC_ID_H264;
    int width = 160;
    int height = 48;
    int frames = 40;
    int fps = 25;
    int gop = 12;
    int bFrames = 2;
    double firstEdge = 20;  // the edge's x on frame 0
    double speed = 3;       // pixels a frame
    bool fullRange = false;  // full-range YUV with the BT.709 matrix, else limited range, unnamed
};

// The edge's x on frame n: pixels left of it are dark (luma 40), from it on bright (luma 200).
inline double SyntheticEdge(const SyntheticVideo& video, int n) {
    return video.firstEdge + video.speed * n;
}

// Writes the video; returns an empty string or what failed.
inline std::string WriteSyntheticVideo(const SyntheticVideo& video) {
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, nullptr, video.path.c_str()) < 0) {
        return "no container for " + video.path;
    }
    const AVCodec* codec = avcodec_find_encoder(video.codec);
    if (codec == nullptr) {
        avformat_free_context(out);
        return std::string("no encoder for ") + avcodec_get_name(video.codec);
    }
    AVStream* stream = avformat_new_stream(out, nullptr);
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->width = video.width;
    enc->height = video.height;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = AVRational{1, video.fps};
    enc->framerate = AVRational{video.fps, 1};
    enc->gop_size = video.gop;
    enc->max_b_frames = video.bFrames;
    enc->thread_count = 1;
    if (video.fullRange) {
        enc->color_range = AVCOL_RANGE_JPEG;
        enc->colorspace = AVCOL_SPC_BT709;
    }
    av_log_set_level(AV_LOG_ERROR);  // the encoder's statistics are no test's concern
    if (video.codec == AV_CODEC_ID_H264) {
        av_opt_set(enc->priv_data, "preset", "veryfast", 0);
        // Key frames exactly every `gop` frames, as the test expects runs of that length.
        av_opt_set(enc->priv_data, "x264-params", "scenecut=0", 0);
    }
    if ((out->oformat->flags & AVFMT_GLOBALHEADER) != 0) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    std::string failure;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const auto drain = [&] {
        while (avcodec_receive_packet(enc, packet) == 0) {
            // Each frame lasts one tick: a container that keeps an edit list would otherwise
            // leave the last frame out of the video's time.
            packet->duration = 1;
            av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(out, packet) < 0) failure = "cannot write a packet";
        }
    };
    if (avcodec_open2(enc, codec, nullptr) < 0 ||
        avcodec_parameters_from_context(stream->codecpar, enc) < 0) {
        failure = "cannot open the encoder";
    } else {
        stream->time_base = enc->time_base;
        if (avio_open(&out->pb, video.path.c_str(), AVIO_FLAG_WRITE) < 0 ||
            avformat_write_header(out, nullptr) < 0) {
            failure = "cannot start " + video.path;
        }
    }
    frame->format = enc->pix_fmt;
    frame->width = video.width;
    frame->height = video.height;
    if (failure.empty() && av_frame_get_buffer(frame, 0) < 0) failure = "no memory";
    for (int n = 0; failure.empty() && n < video.frames; ++n) {
        av_frame_make_writable(frame);
        const double edge = SyntheticEdge(video, n);
        for (int y = 0; y < video.height; ++y) {
            std::uint8_t* row = frame->data[0] + y * frame->linesize[0];
            for (int x = 0; x < video.width; ++x) {
                const int texture = (x * 7 + y * 13 + n * 5) % 9;
                row[x] = static_cast<std::uint8_t>((x < edge ? 40 : 200) + texture);
            }
        }
        for (int plane = 1; plane < 3; ++plane) {
            for (int y = 0; y < video.height / 2; ++y) {
                for (int x = 0; x < video.width / 2; ++x) {
                    frame->data[plane][y * frame->linesize[plane] + x] =
                        static_cast<std::uint8_t>(128 + (plane == 1 ? n % 7 : 0));
                }
            }
        }
        frame->pts = n;
        if (avcodec_send_frame(enc, frame) < 0) failure = "cannot encode";
        drain();
    }
    if (failure.empty()) {
        avcodec_send_frame(enc, nullptr);
        drain();
        if (av_write_trailer(out) < 0) failure = "cannot finish " + video.path;
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
    if (out->pb != nullptr) avio_closep(&out->pb);
    avformat_free_context(out);
    return failure;
}
