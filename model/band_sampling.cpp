#include "model/band_sampling.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

int BandOffsets(const CPoint& start, const CPoint& end, int width, CPoint* offsets) {
    width = std::clamp(width, 1, kMaxLineWidth);
    const double dx = static_cast<double>(end.x) - start.x;
    const double dy = static_cast<double>(end.y) - start.y;
    const double length = std::hypot(dx, dy);
    // The unit normal; a zero-length line has none and its band is its one pixel, repeated.
    const double nx = length > 0.0 ? -dy / length : 0.0;
    const double ny = length > 0.0 ? dx / length : 0.0;
    const int half = (width - 1) / 2;
    for (int k = -half; k <= half; ++k) {
        offsets[k + half] = {static_cast<int>(std::lround(k * nx)),
                             static_cast<int>(std::lround(k * ny))};
    }
    return 2 * half + 1;
}

void SampleBand(const PixelView& picture, const CPoint& start, const CPoint& end,
                const ScanWalk& walk, int width, ProfileBuffer& buffer) {
    if (picture.IsNull()) return;
    CPoint offsets[kMaxLineWidth];
    const int across = BandOffsets(start, end, width, offsets);
    int reachX = 0;
    int reachY = 0;
    for (int k = 0; k < across; ++k) {
        reachX = std::max(reachX, std::abs(offsets[k].x));
        reachY = std::max(reachY, std::abs(offsets[k].y));
    }
    const int count = walk.count;
    buffer.m_nMaxValue = picture.MaxValue();
    buffer.m_nWidth = across;
    buffer.m_nLastSample = count;

    // Every band pixel lies in the box of the two ends grown by the band's reach: inside the
    // picture, no pixel needs a bounds test.
    const bool inside = std::min(start.x, end.x) - reachX >= 0 &&
                        std::min(start.y, end.y) - reachY >= 0 &&
                        std::max(start.x, end.x) + reachX < picture.width &&
                        std::max(start.y, end.y) + reachY < picture.height;
    if (inside && picture.format == PixelFormat::Rgb32) {
        std::ptrdiff_t step[kMaxLineWidth];
        for (int k = 0; k < across; ++k) {
            step[k] = static_cast<std::ptrdiff_t>(offsets[k].y) * picture.stride +
                      static_cast<std::ptrdiff_t>(offsets[k].x) * 4;
        }
        for (int i = 0; i <= count; ++i) {
            const CPoint p = WalkPosition(start, walk, i);
            const std::uint8_t* centre =
                picture.bits + static_cast<std::ptrdiff_t>(p.y) * picture.stride +
                static_cast<std::ptrdiff_t>(p.x) * 4;
            int r = 0, g = 0, b = 0;
            for (int k = 0; k < across; ++k) {
                const std::uint32_t argb = *reinterpret_cast<const std::uint32_t*>(centre + step[k]);
                r += static_cast<int>((argb >> 16) & 0xFFu);
                g += static_cast<int>((argb >> 8) & 0xFFu);
                b += static_cast<int>(argb & 0xFFu);
            }
            buffer.m_nRed[i] = r;
            buffer.m_nGreen[i] = g;
            buffer.m_nBlue[i] = b;
            buffer.m_nInside[i] = across;
        }
        return;
    }

    const int white = picture.MaxValue();
    for (int i = 0; i <= count; ++i) {
        const CPoint p = WalkPosition(start, walk, i);
        int r = 0, g = 0, b = 0, n = 0;
        for (int k = 0; k < across; ++k) {
            const int x = p.x + offsets[k].x;
            const int y = p.y + offsets[k].y;
            if (!picture.Contains(x, y)) continue;
            const SampleRgb s = picture.SampleAt(x, y);
            r += s.r, g += s.g, b += s.b, ++n;
        }
        if (n == 0) r = g = b = white, n = 1;
        buffer.m_nRed[i] = r;
        buffer.m_nGreen[i] = g;
        buffer.m_nBlue[i] = b;
        buffer.m_nInside[i] = n;
    }
}
