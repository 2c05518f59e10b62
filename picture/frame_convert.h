// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The conversion of a decoded video frame to 32-bit RGB by libswscale: the whole frame for a
// picture to show, or only the cells of a PixelRegion for a measurement that reads no more.

#include <QImage>
#include <cstdint>
#include <vector>

#include "model/pixel_request.h"
#include "model/sampling.h"
#include "picture/pixel_buffer.h"

struct AVFrame;
struct SwsContext;

class CFrameConverter {
public:
    enum class Result { Ok, NoMemory, Failed };

    CFrameConverter() = default;
    ~CFrameConverter();
    CFrameConverter(const CFrameConverter&) = delete;
    CFrameConverter& operator=(const CFrameConverter&) = delete;

    // The whole frame into `pixels`, shown by `image`.
    Result Whole(const AVFrame* frame, CPixelBuffer& pixels, QImage& image);

    // Whether Part gives, in every cell, the bytes Whole gives there: 8-bit 4:2:0 YUV of a
    // width that is a multiple of 16 and an even height. libswscale converts such a frame with
    // its unscaled routine, which makes each pixel from its own luma and the chroma of its 2 x 2
    // block alone, so a cell converted apart is the same.
    static bool CanConvertPart(const AVFrame* frame);

    // The region's cells into `pixels` (a whole frame's rows; the rest of it is left as it
    // was), whose rows `view` then shows. The cells are gathered into a small picture of the
    // frame's format, converted there, and put back.
    Result Part(const AVFrame* frame, const PixelRegion& region, CPixelBuffer& pixels,
                PixelView& view);

private:
    // A run of a cell row's pixels, gathered at (stageX, stageY) of the small picture.
    struct Piece {
        int x;
        int y;
        int stageX;
        int stageY;
        int count;
    };
    bool PrepareStage(const AVFrame* frame);
    bool Flush(std::uint8_t* out, int stride);

    SwsContext* m_whole = nullptr;
    SwsContext* m_stage = nullptr;
    std::uint8_t* m_stageMemory = nullptr;  // the small picture's planes and its RGB rows
    std::uint8_t* m_planes[3] = {};
    std::uint8_t* m_rgb = nullptr;
    std::vector<Piece> m_pieces;
};
