// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <cstdlib>

// The pixels of a straight segment as the graph draws it: one pixel per step along the major
// axis, the minor coordinate rounded to the nearest pixel (halves away from the start), the start
// pixel included and the end pixel left out, whichever way the segment runs. So a chain of
// segments paints each joint exactly once, and a segment of length 0 paints nothing.
//
// Qt's own aliased lines decide both the rounding and which end to leave out by the direction
// they normalise to, which would make a rising curve differ from a falling one.
template <class Visit>
void ForEachSegmentPixel(const QPoint& from, const QPoint& to, Visit&& visit) {
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int length = xMajor ? std::abs(dx) : std::abs(dy);
    const int minor = xMajor ? dy : dx;
    const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int minorSign = minor < 0 ? -1 : 1;
    for (int k = 0; k < length; ++k) {
        // round(k * |minor| / length), in integers.
        const int offset = minorSign * ((2 * k * std::abs(minor) + length) / (2 * length));
        if (xMajor) {
            visit(QPoint(from.x() + k * majorStep, from.y() + offset));
        } else {
            visit(QPoint(from.x() + offset, from.y() + k * majorStep));
        }
    }
}
