// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include <string>

#include "model/data_profile.h"

// What one line's cursor on one image stands for in the outputs: a measurement, or why there is
// none. Worked out in StatusOf alone, so that every writer says the same of the same record.
enum class LineStatus : unsigned char {
    Missing,     // the record lacks the line
    Detected,    // edge detection put the cursor where it is
    Placed,      // the cursor was put where it is by hand
    Kept,        // the cursor stands where a session file or a part file put it, without saying
                 // how it came there (files written before cursors recorded it)
    NotFound,    // detection ran, and the line's caliper rule found no edge: the cursor stayed
                 // where it was and is no edge point
    Lost,        // detection ran, and the line that follows its edge found none in its search
                 // window: the cursor stayed where it was and is no edge point
    Pending,     // detection has not run on this image yet: the cursor is no edge point
    Unreadable,  // detection is waiting on an image that could not be read
};

// Detected, placed and kept cursors are measurements; the others have no number in any output.
inline bool HoldsMeasurement(LineStatus status) {
    return status == LineStatus::Detected || status == LineStatus::Placed ||
           status == LineStatus::Kept;
}

// Which records' images could not be read when the outputs were made, by record index; a record
// past the end counts as readable.
using UnreadableImages = std::vector<bool>;

inline bool IsUnreadable(const UnreadableImages& unreadable, int image) {
    return image >= 0 && static_cast<std::size_t>(image) < unreadable.size() &&
           unreadable[static_cast<std::size_t>(image)];
}

// The status of `line` (null when the record lacks it) on an image that could or could not be
// read. A cursor that is no longer pending keeps its measurement whatever has become of the
// file since.
LineStatus StatusOf(const CScan* line, bool imageReadable);

// The table's word for the status: "detected", "hand-placed", "kept", "not-found", "pending",
// "unreadable";
// empty for a line the record lacks, whose fields are all empty.
std::string_view StatusWord(LineStatus status);

// The settings a detected cursor was found with, as the table's found_with field writes them:
// the rule, the channel and the line width, then the smoothing, sub-pixel placement and whole
// lines where they are on, separated by spaces ("steepest-rise average width=5 gaussian=7
// sub-pixel"). Empty for null.
std::string FoundWithWords(const DetectionSettings* settings);

// How many cursors of lines 0..lineCount-1 were detected under other settings than these (and,
// for a line with a caliper rule of its own, that rule).
std::size_t CountFoundOtherwise(const CDataProfile& profile, int lineCount,
                                const DetectionSettings& settings);
