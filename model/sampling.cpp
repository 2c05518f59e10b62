// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/sampling.h"

#include <cmath>

#include "model/band_sampling.h"

namespace {

// Splits the colours of samples 0..count into the buffer, reading each position of the walk
// straight from the picture's rows. Every position lies in the box of the two ends, so when both
// ends are inside the picture no position needs a bounds test. The minor offsets are worked out
// first, in a loop of their own that the compiler can vectorise, then the pixels are fetched.
void SampleWalk(const PixelView& picture, const CPoint& start, const CPoint& end,
                const ScanWalk& walk, ProfileBuffer& buffer) {
    if (picture.IsNull()) return;
    const int count = walk.count;
    buffer.Reserve(count);
    thread_local std::vector<int> offsets;
    offsets.resize(static_cast<std::size_t>(count) + 1);
    int* const minor = offsets.data();
    for (int i = 0; i <= count; ++i) minor[i] = walk.step * static_cast<int>(i * walk.slope);

    const bool inside = start.x >= 0 && start.y >= 0 && start.x < picture.width &&
                        start.y < picture.height && end.x >= 0 && end.y >= 0 &&
                        end.x < picture.width && end.y < picture.height;
    buffer.m_nMaxValue = picture.MaxValue();
    if (!inside || picture.format != PixelFormat::Rgb32) {
        // Off the picture a sample reads as white at the picture's depth: for an 8-bit picture
        // that is CLR_INVALID's channels, 255 each, what a line running off the edge has always
        // read.
        const int white = picture.MaxValue();
        for (int i = 0; i <= count; ++i) {
            const int major = i * walk.step;
            const int x = walk.xMajor ? start.x + major : start.x + minor[i];
            const int y = walk.xMajor ? start.y + minor[i] : start.y + major;
            const SampleRgb s = picture.Contains(x, y) ? picture.SampleAt(x, y) : SampleRgb{white, white, white};
            buffer.m_nRed[i] = s.r;
            buffer.m_nGreen[i] = s.g;
            buffer.m_nBlue[i] = s.b;
        }
        buffer.m_nLastSample = count;
        return;
    }

    const std::uint8_t* const bits = picture.bits;
    const std::ptrdiff_t stride = picture.stride;
    const auto store = [&buffer](int i, std::uint32_t argb) {
        buffer.m_nRed[i] = static_cast<int>((argb >> 16) & 0xFFu);
        buffer.m_nGreen[i] = static_cast<int>((argb >> 8) & 0xFFu);
        buffer.m_nBlue[i] = static_cast<int>(argb & 0xFFu);
    };
    if (walk.xMajor) {
        for (int i = 0; i <= count; ++i) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                bits + static_cast<std::ptrdiff_t>(start.y + minor[i]) * stride);
            store(i, row[start.x + i * walk.step]);
        }
    } else {
        for (int i = 0; i <= count; ++i) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                bits + static_cast<std::ptrdiff_t>(start.y + i * walk.step) * stride);
            store(i, row[start.x + minor[i]]);
        }
    }
    buffer.m_nLastSample = count;
}

}  // namespace

void SampleLine(const PixelView& picture, int x1, int y1, int x2, int y2, ProfileBuffer& buffer,
                int width) {
    if (picture.IsNull()) return;
    if (width > 1) {
        SampleBand(picture, {x1, y1}, {x2, y2}, SetupWalk(x1, y1, x2, y2), width, buffer);
        return;
    }
    buffer.m_nWidth = 1;
    SampleWalk(picture, {x1, y1}, {x2, y2}, SetupWalk(x1, y1, x2, y2), buffer);
}

void SampleScan(const PixelView& picture, const CScan& line, ProfileBuffer& buffer, int width) {
    if (picture.IsNull()) return;
    if (width > 1) {
        SampleBand(picture, line.m_ptStart, line.m_ptEnd, line.Walk(), width, buffer);
        return;
    }
    buffer.m_nWidth = 1;
    SampleWalk(picture, line.m_ptStart, line.m_ptEnd, line.Walk(), buffer);
}

void ProfileBuffer::Reserve(int count) {
    if (count < Size()) return;
    const auto size = static_cast<std::size_t>(count) + 1;
    for (std::vector<int>* samples : {&m_nRed, &m_nGreen, &m_nBlue, &m_nAverage, &m_nInside}) {
        samples->resize(size);
    }
}

int GetBrightness(const ProfileBuffer& buffer, int i, int channel) {
    if (i < 0 || i >= buffer.Size()) return 0;
    if (buffer.m_nWidth > 1) return static_cast<int>(std::lround(GetSampleValue(buffer, i, channel)));
    switch (channel) {
        case kChannelSum:
            return (buffer.m_nRed[i] + buffer.m_nGreen[i] + buffer.m_nBlue[i]) / 3;
        case kChannelRed:
            return buffer.m_nRed[i];
        case kChannelGreen:
            return buffer.m_nGreen[i];
        default:
            return buffer.m_nBlue[i];
    }
}

double GetSampleValue(const ProfileBuffer& buffer, int i, int channel) {
    if (i < 0 || i >= buffer.Size()) return 0.0;
    if (buffer.m_nWidth <= 1) return GetBrightness(buffer, i, channel);
    // Both integers are doubles exactly, so the quotient is the nearest double to the mean.
    const double n = buffer.m_nInside[i] > 0 ? buffer.m_nInside[i] : 1;
    switch (channel) {
        case kChannelSum:
            return buffer.m_nAverage[i] / n;
        case kChannelRed:
            return buffer.m_nRed[i] / n;
        case kChannelGreen:
            return buffer.m_nGreen[i] / n;
        default:
            return buffer.m_nBlue[i] / n;
    }
}
