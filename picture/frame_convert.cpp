// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/frame_convert.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

namespace {

// The conversion to 32-bit RGB at the frame's own size, which libswscale does with its unscaled
// YUV to RGB routine whatever the filter named. Its x86 SIMD versions all give the same bytes;
// its C version (other processors) rounds otherwise, up to 3 levels. The bit-exact, accurately
// rounded conversion that agrees everywhere costs several times the decoding of a 1080p frame,
// and decoding is what the batch must be limited by.
constexpr int kScaleFlags = SWS_BILINEAR;

// The small picture that cells are gathered into: 16 cell rows of 64 cells, 64 KiB of RGB,
// which stays in the processor's cache between the conversion and the copy back.
constexpr int kStageWidth = 1024;
constexpr int kStageHeight = 16;
constexpr std::size_t kLumaBytes = std::size_t{kStageWidth} * kStageHeight;
constexpr std::size_t kChromaBytes = kLumaBytes / 4;

// Copies `cells` cells' worth of a row, `bytes` a cell: fixed-size copies the compiler makes
// into a few vector moves, where most runs are one or two cells and a call of memcpy for each
// would cost more than converting them.
template <std::size_t bytes>
void CopyCells(std::uint8_t* to, const std::uint8_t* from, int cells) {
    for (int k = 0; k < cells; ++k) std::memcpy(to + k * bytes, from + k * bytes, bytes);
}

constexpr std::size_t kCell = PixelRegion::kCellWidth;
// How many runs ahead the rows of a run are asked for: enough to hide the wait for memory.
constexpr std::size_t kAhead = 32;

bool FullRange(const AVFrame* frame) {
    if (frame->color_range == AVCOL_RANGE_JPEG) return true;
    const auto format = static_cast<AVPixelFormat>(frame->format);
    return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P ||
           format == AV_PIX_FMT_YUVJ444P || format == AV_PIX_FMT_YUVJ440P ||
           format == AV_PIX_FMT_YUVJ411P;
}

// The stream's own matrix and range; libswscale takes BT.601 where the stream names none. A
// picture in RGB has no matrix, and libswscale ignores it then.
void SetColours(SwsContext* context, const AVFrame* frame) {
    sws_setColorspaceDetails(context, sws_getCoefficients(frame->colorspace),
                             FullRange(frame) ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0,
                             1 << 16, 1 << 16);
}

}  // namespace

CFrameConverter::~CFrameConverter() {
    sws_freeContext(m_whole);
    sws_freeContext(m_stage);
    av_free(m_stageMemory);
}

CFrameConverter::Result CFrameConverter::Whole(const AVFrame* frame, CPixelBuffer& pixels,
                                               QImage& image) {
    const auto format = static_cast<AVPixelFormat>(frame->format);
    m_whole = sws_getCachedContext(m_whole, frame->width, frame->height, format, frame->width,
                                   frame->height, AV_PIX_FMT_RGB32, kScaleFlags, nullptr, nullptr,
                                   nullptr);
    if (m_whole == nullptr) return Result::Failed;
    SetColours(m_whole, frame);
    std::uint32_t* out = pixels.Prepare(frame->width, frame->height);
    if (out == nullptr) return Result::NoMemory;
    std::uint8_t* planes[4] = {reinterpret_cast<std::uint8_t*>(out), nullptr, nullptr, nullptr};
    const int strides[4] = {frame->width * 4, 0, 0, 0};
    if (sws_scale(m_whole, frame->data, frame->linesize, 0, frame->height, planes, strides) !=
        frame->height) {
        return Result::Failed;
    }
    image = pixels.Wrap(frame->width, frame->height);
    return image.isNull() ? Result::NoMemory : Result::Ok;
}

bool CFrameConverter::CanConvertPart(const AVFrame* frame) {
    const auto format = static_cast<AVPixelFormat>(frame->format);
    return (format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P) && frame->width > 0 &&
           frame->width % PixelRegion::kCellWidth == 0 && frame->height > 0 &&
           frame->height % PixelRegion::kCellHeight == 0;
}

bool CFrameConverter::PrepareStage(const AVFrame* frame) {
    if (m_stageMemory == nullptr) {
        m_stageMemory = static_cast<std::uint8_t*>(av_mallocz(kLumaBytes + 2 * kChromaBytes + 4 * kLumaBytes));
        if (m_stageMemory == nullptr) return false;
        m_planes[0] = m_stageMemory;
        m_planes[1] = m_planes[0] + kLumaBytes;
        m_planes[2] = m_planes[1] + kChromaBytes;
        m_rgb = m_planes[2] + kChromaBytes;
    }
    // The frame's own format, so that libswscale picks the routine it picks for the frame.
    m_stage = sws_getCachedContext(m_stage, kStageWidth, kStageHeight,
                                   static_cast<AVPixelFormat>(frame->format), kStageWidth,
                                   kStageHeight, AV_PIX_FMT_RGB32, kScaleFlags, nullptr, nullptr,
                                   nullptr);
    if (m_stage == nullptr) return false;
    SetColours(m_stage, frame);
    return true;
}

bool CFrameConverter::Flush(std::uint8_t* out, int stride) {
    const int stageStrides[4] = {kStageWidth, kStageWidth / 2, kStageWidth / 2, 0};
    const std::uint8_t* const planes[4] = {m_planes[0], m_planes[1], m_planes[2], nullptr};
    std::uint8_t* rgb[4] = {m_rgb, nullptr, nullptr, nullptr};
    const int rgbStrides[4] = {kStageWidth * 4, 0, 0, 0};
    // The whole small picture each time: what lies beyond the last piece is converted and
    // thrown away.
    if (sws_scale(m_stage, planes, stageStrides, 0, kStageHeight, rgb, rgbStrides) != kStageHeight) {
        return false;
    }
    for (std::size_t i = 0; i < m_pieces.size(); ++i) {
        if (i + kAhead < m_pieces.size()) {
            const Piece& later = m_pieces[i + kAhead];
            for (int r = 0; r < PixelRegion::kCellHeight; ++r) {
                __builtin_prefetch(out + static_cast<std::ptrdiff_t>(later.y + r) * stride + later.x * 4, 1);
            }
        }
        const Piece& piece = m_pieces[i];
        for (int r = 0; r < PixelRegion::kCellHeight; ++r) {
            CopyCells<4 * kCell>(out + static_cast<std::ptrdiff_t>(piece.y + r) * stride + piece.x * 4,
                                 m_rgb + static_cast<std::ptrdiff_t>(piece.stageY + r) * kStageWidth * 4 +
                                     piece.stageX * 4,
                                 piece.count / PixelRegion::kCellWidth);
        }
    }
    m_pieces.clear();
    return true;
}

CFrameConverter::Result CFrameConverter::Part(const AVFrame* frame, const PixelRegion& region,
                                              CPixelBuffer& pixels, PixelView& view) {
    view = {};
    if (!CanConvertPart(frame) || region.Width() != frame->width ||
        region.Height() != frame->height) {
        return Result::Failed;
    }
    if (!PrepareStage(frame)) return Result::Failed;
    std::uint32_t* memory = pixels.Prepare(frame->width, frame->height);
    if (memory == nullptr) return Result::NoMemory;
    auto* out = reinterpret_cast<std::uint8_t*>(memory);
    const int stride = frame->width * 4;
    m_pieces.clear();
    int stageX = 0;
    int stageY = 0;
    const std::vector<PixelRegion::Run>& runs = region.Runs();
    const auto source = [frame](int plane, int x, int y) {
        return frame->data[plane] + static_cast<std::ptrdiff_t>(y) * frame->linesize[plane] + x;
    };
    for (std::size_t i = 0; i < runs.size(); ++i) {
        // The runs lie scattered over the frame, each a few bytes of rows far apart, which the
        // processor does not fetch ahead by itself: ask for those of a run further on.
        if (i + kAhead < runs.size()) {
            const PixelRegion::Run& later = runs[i + kAhead];
            const int x = later.first * PixelRegion::kCellWidth;
            const int y = later.row * PixelRegion::kCellHeight;
            __builtin_prefetch(source(0, x, y));
            __builtin_prefetch(source(0, x, y + 1));
            __builtin_prefetch(source(1, x / 2, y / 2));
            __builtin_prefetch(source(2, x / 2, y / 2));
        }
        const PixelRegion::Run& run = runs[i];
        const int y = run.row * PixelRegion::kCellHeight;
        // Every run, and every place in the small picture, is a whole number of cells, so each
        // piece starts on an even pixel with its chroma.
        int x = run.first * PixelRegion::kCellWidth;
        const int end = run.end * PixelRegion::kCellWidth;
        while (x < end) {
            const int count = std::min(end - x, kStageWidth - stageX);
            const int cells = count / PixelRegion::kCellWidth;
            for (int r = 0; r < PixelRegion::kCellHeight; ++r) {
                CopyCells<kCell>(m_planes[0] + (stageY + r) * kStageWidth + stageX,
                                 source(0, x, y + r), cells);
            }
            const int chromaAt = (stageY / 2) * (kStageWidth / 2) + stageX / 2;
            CopyCells<kCell / 2>(m_planes[1] + chromaAt, source(1, x / 2, y / 2), cells);
            CopyCells<kCell / 2>(m_planes[2] + chromaAt, source(2, x / 2, y / 2), cells);
            m_pieces.push_back({x, y, stageX, stageY, count});
            x += count;
            stageX += count;
            if (stageX == kStageWidth) {
                stageX = 0;
                stageY += PixelRegion::kCellHeight;
                if (stageY == kStageHeight) {
                    if (!Flush(out, stride)) return Result::Failed;
                    stageY = 0;
                }
            }
        }
    }
    if (!m_pieces.empty() && !Flush(out, stride)) return Result::Failed;
    view = {out, frame->width, frame->height, stride, PixelFormat::Rgb32};
    return Result::Ok;
}
