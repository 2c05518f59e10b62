// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/band_sampling.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Sums the band's RGB32 pixels at every position. Red and blue are summed together in the two
// 16-bit halves of one word (at most kMaxLineWidth * 255 = 13005 each, so neither carries into
// the other), green apart, and each pixel's brightness under the average channel beside them.
// kAcross fixes the band's width for the common ones, 0 leaves it to `across`.
template <int kAcross>
void SumRows(const std::uint8_t* origin, const std::ptrdiff_t* at, const std::ptrdiff_t* step,
             int across, int count, ProfileBuffer& buffer) {
    const int n = kAcross > 0 ? kAcross : across;
    for (int i = 0; i <= count; ++i) {
        const std::uint8_t* centre = origin + at[i];
        std::uint32_t rb = 0;
        std::uint32_t g = 0;
        std::uint32_t average = 0;
        for (int k = 0; k < n; ++k) {
            std::uint32_t argb;
            std::memcpy(&argb, centre + step[k], sizeof argb);
            rb += argb & 0x00FF00FFu;
            g += (argb >> 8) & 0xFFu;
            average += (((argb >> 16) & 0xFFu) + ((argb >> 8) & 0xFFu) + (argb & 0xFFu)) / 3u;
        }
        buffer.m_nRed[i] = static_cast<int>(rb >> 16);
        buffer.m_nGreen[i] = static_cast<int>(g);
        buffer.m_nBlue[i] = static_cast<int>(rb & 0xFFFFu);
        buffer.m_nAverage[i] = static_cast<int>(average);
        buffer.m_nInside[i] = n;
    }
}

}  // namespace

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
    buffer.Reserve(count);
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
        // The byte offset of each position from the start pixel, worked out in a loop of its own
        // that the compiler can vectorise, as the plain walk does.
        thread_local std::vector<std::ptrdiff_t> places;
        places.resize(static_cast<std::size_t>(count) + 1);
        std::ptrdiff_t* const at = places.data();
        const std::ptrdiff_t majorStep = walk.xMajor ? 4 * walk.step : picture.stride * walk.step;
        const std::ptrdiff_t minorStep = walk.xMajor ? picture.stride : 4;
        for (int i = 0; i <= count; ++i) {
            at[i] = i * majorStep + minorStep * (walk.step * static_cast<int>(i * walk.slope));
        }
        const std::uint8_t* const origin = picture.bits +
                                           static_cast<std::ptrdiff_t>(start.y) * picture.stride +
                                           static_cast<std::ptrdiff_t>(start.x) * 4;
        switch (across) {
            case 3:
                SumRows<3>(origin, at, step, across, count, buffer);
                break;
            case 5:
                SumRows<5>(origin, at, step, across, count, buffer);
                break;
            case 7:
                SumRows<7>(origin, at, step, across, count, buffer);
                break;
            default:
                SumRows<0>(origin, at, step, across, count, buffer);
                break;
        }
        return;
    }

    const int white = picture.MaxValue();
    for (int i = 0; i <= count; ++i) {
        const CPoint p = WalkPosition(start, walk, i);
        int r = 0, g = 0, b = 0, average = 0, n = 0;
        for (int k = 0; k < across; ++k) {
            const int x = p.x + offsets[k].x;
            const int y = p.y + offsets[k].y;
            if (!picture.Contains(x, y)) continue;
            const SampleRgb s = picture.SampleAt(x, y);
            r += s.r, g += s.g, b += s.b, average += (s.r + s.g + s.b) / 3, ++n;
        }
        if (n == 0) r = g = b = average = white, n = 1;
        buffer.m_nRed[i] = r;
        buffer.m_nGreen[i] = g;
        buffer.m_nBlue[i] = b;
        buffer.m_nAverage[i] = average;
        buffer.m_nInside[i] = n;
    }
}
