#include "model/sampling.h"

namespace {

void SampleWalk(const PixelView& picture, const CPoint& start, const CPoint& end,
                const ScanWalk& walk, ProfileBuffer& buffer) {
    if (picture.IsNull()) return;
    // Every position lies in the box of the two ends, so when both ends are inside the picture
    // the bounds test can be skipped for the whole walk.
    const bool inside = start.x >= 0 && start.y >= 0 && start.x < picture.width &&
                        start.y < picture.height && end.x >= 0 && end.y >= 0 &&
                        end.x < picture.width && end.y < picture.height;
    for (int i = 0; i <= walk.count; ++i) {
        const CPoint p = WalkPosition(start, walk, i);
        if (inside) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(picture.bits + p.y * picture.stride);
            const std::uint32_t argb = row[p.x];
            buffer.m_nRed[i] = static_cast<int>((argb >> 16) & 0xFFu);
            buffer.m_nGreen[i] = static_cast<int>((argb >> 8) & 0xFFu);
            buffer.m_nBlue[i] = static_cast<int>(argb & 0xFFu);
        } else {
            const std::uint32_t col = picture.GetPixel(p.x, p.y);
            buffer.m_nRed[i] = static_cast<int>(col & 0xFFu);
            buffer.m_nGreen[i] = static_cast<int>((col >> 8) & 0xFFu);
            buffer.m_nBlue[i] = static_cast<int>((col >> 16) & 0xFFu);
        }
    }
    buffer.m_nLastSample = walk.count;
}

}  // namespace

void SampleLine(const PixelView& picture, int x1, int y1, int x2, int y2, ProfileBuffer& buffer) {
    SampleWalk(picture, {x1, y1}, {x2, y2}, SetupWalk(x1, y1, x2, y2), buffer);
}

void SampleScan(const PixelView& picture, const CScan& line, ProfileBuffer& buffer) {
    SampleWalk(picture, line.m_ptStart, line.m_ptEnd, line.Walk(), buffer);
}

int GetBrightness(const ProfileBuffer& buffer, int i, int channel) {
    if (i < 0 || i >= kProfileSize) return 0;
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
