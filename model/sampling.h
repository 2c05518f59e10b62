// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/edge_options.h"
#include "model/scan.h"

inline constexpr int kProfileSize = 1024;
inline constexpr std::uint32_t CLR_INVALID = 0xFFFFFFFFu;

// How a picture's samples are laid out in memory.
enum class PixelFormat : std::uint8_t {
    Rgb32,   // 0xffRRGGBB words (Qt's RGB32): every 8-bit picture
    Rgba64,  // four 16-bit words R, G, B, A in memory order (Qt's RGBA64): 16-bit colour
    Grey16,  // one 16-bit word per pixel (Qt's Grayscale16): 16-bit grey
};

// One sample's colour at the picture's own depth (0..255 or 0..65535).
struct SampleRgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

// Read-only view of a picture's rows, row by row.
struct PixelView {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;  // bytes per row
    PixelFormat format = PixelFormat::Rgb32;

    bool IsNull() const { return bits == nullptr; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // The largest sample value: 255 for 8-bit pictures, 65535 for 16-bit ones.
    int MaxValue() const { return format == PixelFormat::Rgb32 ? 255 : 65535; }

    // The sample at a point inside the picture, at the picture's own depth.
    SampleRgb SampleAt(int x, int y) const {
        const std::uint8_t* row = bits + y * stride;
        switch (format) {
            case PixelFormat::Rgba64: {
                const auto* p = reinterpret_cast<const std::uint16_t*>(row) + 4 * x;
                return {p[0], p[1], p[2]};
            }
            case PixelFormat::Grey16: {
                const int v = reinterpret_cast<const std::uint16_t*>(row)[x];
                return {v, v, v};
            }
            case PixelFormat::Rgb32:
            default: {
                const std::uint32_t argb = reinterpret_cast<const std::uint32_t*>(row)[x];
                return {static_cast<int>((argb >> 16) & 0xFFu), static_cast<int>((argb >> 8) & 0xFFu),
                        static_cast<int>(argb & 0xFFu)};
            }
        }
    }

    // The colour cut to 8 bits as 0x00BBGGRR, or CLR_INVALID outside the picture. A 16-bit
    // sample v becomes the 8-bit value nearest v / 257, as Qt converts it for display.
    std::uint32_t GetPixel(int x, int y) const {
        if (!Contains(x, y)) return CLR_INVALID;
        const SampleRgb s = SampleAt(x, y);
        const auto cut = [this](int v) {
            return static_cast<std::uint32_t>(format == PixelFormat::Rgb32 ? v : (v + 128) / 257);
        };
        return cut(s.r) | (cut(s.g) << 8) | (cut(s.b) << 16);
    }
};

// The samples of the latest sampling; entries above m_nLastSample keep what an earlier, longer
// sampling left. With a line width of 1 each entry is one pixel's colour; wider, each entry is the
// sum over the band's pixels that lie on the picture, and m_nInside says how many those were.
// m_nAverage sums each band pixel's brightness under the average channel, (r + g + b) / 3 in
// integers, so that a band of equal pixels reads exactly what one of them reads. The buffer holds
// kProfileSize samples from the start and grows for a longer line; it never shrinks.
struct ProfileBuffer {
    std::vector<int> m_nRed = std::vector<int>(kProfileSize);
    std::vector<int> m_nGreen = std::vector<int>(kProfileSize);
    std::vector<int> m_nBlue = std::vector<int>(kProfileSize);
    std::vector<int> m_nAverage = std::vector<int>(kProfileSize);  // only read while m_nWidth > 1
    std::vector<int> m_nInside = std::vector<int>(kProfileSize);   // only read while m_nWidth > 1
    int m_nLastSample = -1;  // -1: no current line
    int m_nMaxValue = 255;   // the sampled picture's largest sample value (255 or 65535)
    int m_nWidth = 1;        // the line width the buffer was sampled with

    // The samples the buffer holds.
    int Size() const { return static_cast<int>(m_nRed.size()); }
    // Room for samples 0..count.
    void Reserve(int count);
};

enum Channel { kChannelSum = 0, kChannelRed = 1, kChannelGreen = 2, kChannelBlue = 3 };

// Samples the walk of the segment into the buffer; does nothing without a picture. A width above
// 1 (odd) averages that many pixels across the line into each sample (see SampleBand).
void SampleLine(const PixelView& picture, int x1, int y1, int x2, int y2, ProfileBuffer& buffer,
                int width = 1);
// Samples a line with its stored walk; does nothing without a picture.
void SampleScan(const PixelView& picture, const CScan& line, ProfileBuffer& buffer, int width = 1);

// The band's pixels across the line at each walk position, as offsets from that position: the
// nearest pixels to the points spaced one pixel apart on the perpendicular through it, centred
// on it. Two neighbouring points may round to the same pixel (a diagonal line), which then counts
// twice, as nearest-pixel sampling of the perpendicular does. `width` odd, 1 to kMaxLineWidth.
int BandOffsets(const CPoint& start, const CPoint& end, int width, CPoint* offsets);

// Sample i reduced by the channel: 0 the average of the three ((r + g + b) / 3 in integers), 1
// red, 2 green, anything else blue. 0 for an index outside the buffer's samples. A wide sample gives the
// mean of its pixels' brightness rounded to the nearest integer, halves upwards.
int GetBrightness(const ProfileBuffer& buffer, int i, int channel);
// The same without rounding, as the nearest double: the value the edge rules read. For width 1
// exactly GetBrightness.
double GetSampleValue(const ProfileBuffer& buffer, int i, int channel);
