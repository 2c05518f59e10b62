#pragma once

#include <cstddef>
#include <cstdint>

#include "model/scan.h"

inline constexpr int kProfileSize = 1024;
inline constexpr std::uint32_t CLR_INVALID = 0xFFFFFFFFu;

// Read-only view of 32-bit pixels laid out as 0xffRRGGBB words (Qt's RGB32), row by row.
struct PixelView {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;  // bytes per row

    bool IsNull() const { return bits == nullptr; }

    // The colour as 0x00BBGGRR, or CLR_INVALID outside the picture.
    std::uint32_t GetPixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
        const auto* row = reinterpret_cast<const std::uint32_t*>(bits + y * stride);
        const std::uint32_t argb = row[x];
        return ((argb >> 16) & 0xFFu) | (argb & 0xFF00u) | ((argb & 0xFFu) << 16);
    }
};

// The samples of the latest sampling; entries above m_nLastSample keep what an earlier, longer
// sampling left.
struct ProfileBuffer {
    int m_nRed[kProfileSize] = {};
    int m_nGreen[kProfileSize] = {};
    int m_nBlue[kProfileSize] = {};
    int m_nLastSample = -1;  // -1: no current line
};

enum Channel { kChannelSum = 0, kChannelRed = 1, kChannelGreen = 2, kChannelBlue = 3 };

// Samples the walk of the segment into the buffer; does nothing without a picture.
void SampleLine(const PixelView& picture, int x1, int y1, int x2, int y2, ProfileBuffer& buffer);
// Samples a line with its stored walk; does nothing without a picture.
void SampleScan(const PixelView& picture, const CScan& line, ProfileBuffer& buffer);

// Sample i reduced by the channel: 0 the average of the three, 1 red, 2 green, anything else
// blue. 0 for an index outside the buffer.
int GetBrightness(const ProfileBuffer& buffer, int i, int channel);
