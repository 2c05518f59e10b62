// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <vector>

#include "export/line_status.h"
#include "model/data_axis.h"
#include "model/data_profile.h"

// What the exports say about one image: its edge points relative to its calibration's origin,
// their converted values, and the length and area of the figure they make. Every writer formats
// from these, so that two files of the same records agree number for number.

// The cursor of one scan line on one image.
struct EdgeMeasure {
    LineStatus status = LineStatus::Missing;
    // The cursor is a measurement (HoldsMeasurement(status)). When false (the record lacks the
    // line, or the line's detection has not run) nothing below is set.
    bool present = false;
    CPoint pixel;  // the cursor (m_ptCur)
    // From the record's origin, rows counted upwards. 64-bit, so that a calibration point typed
    // far off the picture cannot overflow the difference.
    long long dx = 0;
    long long dy = 0;
    AxisValue value;  // the converted point; 0, 0 unless the image's calibration converts
};

struct ImageMeasures {
    std::vector<EdgeMeasure> points;  // one per measured line, in line order
    // The calibration converts (a record without one does not); when false, no point has a
    // value and there is neither a length nor an area.
    bool converts = false;
    // Only for a record whose every measured line holds a measurement: measuring the lines it
    // does have would silently describe a different figure.
    std::optional<double> length;  // the open polyline through the points: two or more
    std::optional<double> area;    // the closed polygon: three or more
};

// The number of lines every record is measured on: the first record's (0 without records).
// Lines a later record has beyond these have no place in the exports.
int MeasuredLineCount(const CDataProfile& profile);

// Image `image` (0 to size - 1) measured on lines 0 to lineCount - 1; `readable` says whether
// its file could be read (it decides between Pending and Unreadable, see StatusOf). `into` keeps
// its storage from one image to the next, so measuring a whole profile allocates once.
void MeasureImage(const CDataProfile& profile, int image, int lineCount, ImageMeasures& into,
                  bool readable = true);
ImageMeasures MeasureImage(const CDataProfile& profile, int image, int lineCount,
                           bool readable = true);

// Only the pixel half: the points without values, `converts` false, no length or area. For a
// writer that puts every image's pixels before any converted value and would otherwise convert
// each point twice.
void MeasurePixels(const CDataProfile& profile, int image, int lineCount, ImageMeasures& into,
                   bool readable = true);
