// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/hit_geometry.h"

#include <cstdint>

bool PointInCircle(const CPoint& centre, int r, const CPoint& p) {
    if (r < 0) return false;
    // Pixel centres, doubled to stay in integers: (2dx + 1)^2 + (2dy + 1)^2 <= (2r)^2. The two
    // points may be anywhere on the int range (a calibration point can be typed billions of
    // pixels off the picture), so a point farther than 2r on either axis is outside before
    // anything is squared, and what is squared then stays below 2^64.
    const auto magnitude = [](long long v) { return static_cast<std::uint64_t>(v < 0 ? -v : v); };
    const std::uint64_t dx = magnitude(2LL * (static_cast<long long>(p.x) - centre.x) + 1);
    const std::uint64_t dy = magnitude(2LL * (static_cast<long long>(p.y) - centre.y) + 1);
    const std::uint64_t d = 2 * static_cast<std::uint64_t>(r);
    if (dx > d || dy > d) return false;
    return dx * dx <= d * d - dy * dy;
}

bool PointInPolygon(const std::array<HitCorner, 4>& corners, const CPoint& p) {
    const double px = p.x + 0.5;
    const double py = p.y + 0.5;
    bool inside = false;
    for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
        // Exact: the corners lie within 2^32 of zero.
        const auto xi = static_cast<double>(corners[i].x), yi = static_cast<double>(corners[i].y);
        const auto xj = static_cast<double>(corners[j].x), yj = static_cast<double>(corners[j].y);
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) {
            inside = !inside;
        }
    }
    return inside;
}

std::array<HitCorner, 4> LineBand(const CPoint& start, const CPoint& end, int r) {
    const long long sx = start.x, sy = start.y, ex = end.x, ey = end.y;
    if (sx == ex) return {HitCorner{sx - r, sy}, {ex - r, ey}, {ex + r, ey}, {sx + r, sy}};
    return {HitCorner{sx, sy - r}, {ex, ey - r}, {ex, ey + r}, {sx, sy + r}};
}
