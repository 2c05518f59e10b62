#pragma once

#include <array>

#include "model/point.h"

// Point-in-region tests on the pixel grid: a pixel belongs to a region when its centre does.

// The ellipse inscribed in the square from (c - r, c - r) to (c + r, c + r).
bool PointInCircle(const CPoint& centre, int r, const CPoint& p);

// Even-odd (alternate) filling of a closed polygon.
bool PointInPolygon(const std::array<CPoint, 4>& corners, const CPoint& p);

// The band around a line: r pixels up and down for any line that is not vertical, r pixels left
// and right for a vertical one.
std::array<CPoint, 4> LineBand(const CPoint& start, const CPoint& end, int r);
