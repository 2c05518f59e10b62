// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A position on the picture's own pixel grid (rows grow downwards), independent of the zoom.
struct CPoint {
    int x = 0;
    int y = 0;

    friend bool operator==(const CPoint&, const CPoint&) = default;
};
