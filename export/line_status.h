#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "model/scan.h"

// What one line's cursor on one image stands for in the outputs: a measurement, or why there is
// none. Worked out in StatusOf alone, so that every writer says the same of the same record.
enum class LineStatus : unsigned char {
    Missing,     // the record lacks the line
    Detected,    // edge detection put the cursor where it is
    Placed,      // the cursor stands where it was put: by hand, by a detection that kept no
                 // sub-pixel edge, or read from a session; the record does not say which
    Pending,     // detection has not run on this image yet: the cursor is no edge point
    Unreadable,  // detection is waiting on an image that could not be read
};

// Detected and Placed cursors are measurements; the others have no number in any output.
inline bool HoldsMeasurement(LineStatus status) {
    return status == LineStatus::Detected || status == LineStatus::Placed;
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

// The table's word for the status: "detected", "placed", "pending", "unreadable"; empty for a
// line the record lacks, whose fields are all empty.
std::string_view StatusWord(LineStatus status);
