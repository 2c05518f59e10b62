// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

// What each value of a session may be, by where it stands: the tree reader checks every value
// as it arrives against its place, so that a session of the wrong shape is refused before it
// is held whole.

// Where a value stands in a session, and so what it may hold.
enum class Place : std::uint8_t {
    Root,
    Lines,
    Line,
    Axis,
    Point,
    Pair,
    Images,
    Image,
    Cursors,
    Cursor,
    View,
    Detections,
    Detection,
    Marks,  // an image's "found" or "subPos": one entry per line
    Rules,  // "lineRules": one entry per line
    Rule,
    Measures,  // an image's "caliper": one entry per line
    Measure,
    MeasureEdge,
    Scalar,
    Unknown,
};

// Whether a value at the place is an object, or an array.
bool HoldsObject(Place place);
bool HoldsArray(Place place);

// The place of the key's value in the object, or Unknown for a key that no version of the
// reader takes there (the reader checks which of them its version knows).
Place PlaceOfKey(Place object, std::string_view key);

// The place of an element of the array.
Place PlaceOfElement(Place array);
