// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the user is in the document, and what a point of the image view is on.

// What a click on the image view hits: nothing, a line's start, its end or its body, or one of
// the calibration's three points; within kHitRadius pixels of the screen.
inline constexpr int HIT_NONE = -1;
inline constexpr int HIT_START = 0;
inline constexpr int HIT_END = 1;
inline constexpr int HIT_LINE = 2;
inline constexpr int HIT_ORIGIN = 3;
inline constexpr int HIT_XAXIS = 4;
inline constexpr int HIT_YAXIS = 5;
inline constexpr int kHitRadius = 5;

// Where the user is: the current image, line and line set, and how many samples of the profile
// buffer count. Every step remembers it from before and after the edit, and undo and redo put
// it back.
struct DocCursor {
    int image = -1;
    int line = -1;
    int array = 0;
    int lastSample = -1;

    friend bool operator==(const DocCursor&, const DocCursor&) = default;
};
