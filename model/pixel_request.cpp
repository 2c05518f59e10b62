// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/pixel_request.h"

#include <algorithm>

#include "model/edge_options.h"

PixelRequest LinesRequest(const std::vector<CScan>& lines, int lineWidth,
                          const std::vector<CaliperRule>& rules) {
    PixelRequest request;
    // The band's pixels lie at most (width - 1) / 2 from its position in x and in y, the width
    // clamped as SampleBand clamps it. A rule reading between pixels reads width / 2 points
    // across the exact line, each between a pixel and the one after: one more for the pixel
    // after, one for the exact line's distance from the walk.
    const int band = (std::clamp(lineWidth, 1, kMaxLineWidth) - 1) / 2;
    const int between = std::max(lineWidth, 1) / 2 + 2;
    for (const CScan& line : lines) {
        if (!line.m_bDetect) continue;
        const bool bilinear =
            line.m_nRule > 0 && line.m_nRule <= rules.size() && rules[line.m_nRule - 1u].bilinear;
        request.walks.push_back({line.m_ptStart, line.Walk(), bilinear ? between : band});
    }
    return request;
}

PixelRegion::PixelRegion(const PixelRequest& request, int width, int height)
    : m_width(std::max(width, 0)),
      m_height(std::max(height, 0)),
      m_columns((m_width + kCellWidth - 1) / kCellWidth),
      m_rows((m_height + kCellHeight - 1) / kCellHeight),
      m_cells(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows)) {
    if (m_cells.empty()) return;
    for (const PixelRequest::Walk& walk : request.walks) {
        for (int i = 0; i <= walk.walk.count; ++i) {
            const CPoint p = WalkPosition(walk.start, walk.walk, i);
            // Clamped, not cut: a read off the picture takes the nearest border pixel.
            const auto clampX = [this](long long x) {
                return static_cast<int>(std::clamp<long long>(x, 0, m_width - 1));
            };
            const auto clampY = [this](long long y) {
                return static_cast<int>(std::clamp<long long>(y, 0, m_height - 1));
            };
            const int c0 = clampX(static_cast<long long>(p.x) - walk.reach) / kCellWidth;
            const int c1 = clampX(static_cast<long long>(p.x) + walk.reach) / kCellWidth;
            const int r0 = clampY(static_cast<long long>(p.y) - walk.reach) / kCellHeight;
            const int r1 = clampY(static_cast<long long>(p.y) + walk.reach) / kCellHeight;
            for (int r = r0; r <= r1; ++r) {
                std::uint8_t* row = m_cells.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(m_columns);
                std::fill(row + c0, row + c1 + 1, std::uint8_t{1});
            }
        }
    }
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_columns;) {
            if (!HasCell(c, r)) {
                ++c;
                continue;
            }
            const int first = c;
            while (c < m_columns && HasCell(c, r)) ++c;
            m_runs.push_back({r, first, c});
        }
    }
}
