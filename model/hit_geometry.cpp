#include "model/hit_geometry.h"

bool PointInCircle(const CPoint& centre, int r, const CPoint& p) {
    // Pixel centres, doubled to stay in integers: (2dx + 1)^2 + (2dy + 1)^2 <= (2r)^2.
    const long long dx = 2LL * (static_cast<long long>(p.x) - centre.x) + 1;
    const long long dy = 2LL * (static_cast<long long>(p.y) - centre.y) + 1;
    const long long d = 2LL * r;
    return dx * dx + dy * dy <= d * d;
}

bool PointInPolygon(const std::array<CPoint, 4>& corners, const CPoint& p) {
    const double px = p.x + 0.5;
    const double py = p.y + 0.5;
    bool inside = false;
    for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
        const double xi = corners[i].x, yi = corners[i].y;
        const double xj = corners[j].x, yj = corners[j].y;
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) {
            inside = !inside;
        }
    }
    return inside;
}

std::array<CPoint, 4> LineBand(const CPoint& start, const CPoint& end, int r) {
    if (start.x == end.x) {
        return {CPoint{start.x - r, start.y}, CPoint{end.x - r, end.y}, CPoint{end.x + r, end.y},
                CPoint{start.x + r, start.y}};
    }
    return {CPoint{start.x, start.y - r}, CPoint{end.x, end.y - r}, CPoint{end.x, end.y + r},
            CPoint{start.x, start.y + r}};
}
