// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "model/point.h"

// Point-in-region tests on the pixel grid: a pixel belongs to a region when its centre does.

// The ellipse inscribed in the square from (c - r, c - r) to (c + r, c + r); nothing for a
// negative r.
bool PointInCircle(const CPoint& centre, int r, const CPoint& p);

// A corner of a region, in 64 bits: the band around a line whose end lies near the least or the
// greatest int reaches beyond the int range.
struct HitCorner {
    long long x = 0;
    long long y = 0;
};

// Even-odd (alternate) filling of a closed polygon.
bool PointInPolygon(const std::array<HitCorner, 4>& corners, const CPoint& p);

// The band around a line: r pixels up and down for any line that is not vertical, r pixels left
// and right for a vertical one.
std::array<HitCorner, 4> LineBand(const CPoint& start, const CPoint& end, int r);
