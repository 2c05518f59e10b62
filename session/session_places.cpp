// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_places.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "session/session_keys.h"

bool HoldsObject(Place place) {
    return place == Place::Root || place == Place::Axis || place == Place::Point ||
           place == Place::Image || place == Place::Cursor || place == Place::View ||
           place == Place::Detection || place == Place::Rule || place == Place::Measure ||
           place == Place::MeasureEdge;
}

bool HoldsArray(Place place) {
    return place == Place::Lines || place == Place::Line || place == Place::Pair ||
           place == Place::Images || place == Place::Cursors || place == Place::Detections ||
           place == Place::Marks || place == Place::Rules || place == Place::Measures;
}

namespace {

// The keys whose values are objects or arrays, and so have a place of their own; every other
// key of session_keys.h holds a scalar.
struct Container {
    Place object;
    std::string_view key;
    Place place;
};

constexpr Container kContainers[] = {
    {Place::Root, "lines", Place::Lines},     {Place::Root, "axis", Place::Axis},
    {Place::Root, "images", Place::Images},   {Place::Root, "view", Place::View},
    {Place::Axis, "origin", Place::Point},    {Place::Axis, "xAxis", Place::Point},
    {Place::Axis, "yAxis", Place::Point},     {Place::Point, "pixel", Place::Pair},
    {Place::Point, "value", Place::Pair},     {Place::Image, "axis", Place::Axis},
    {Place::Image, "cursors", Place::Cursors}, {Place::Root, "detections", Place::Detections},
    {Place::Image, "found", Place::Marks},    {Place::Image, "subPos", Place::Marks},
    {Place::Root, "lineRules", Place::Rules}, {Place::Detection, "caliper", Place::Rule},
    {Place::Root, "newLineRule", Place::Rule},
    {Place::Image, "caliper", Place::Measures}, {Place::Measure, "edge", Place::MeasureEdge},
    {Place::Measure, "second", Place::MeasureEdge}, {Place::Image, "frames", Place::Line}};

}  // namespace

Place PlaceOfKey(Place object, std::string_view key) {
    std::span<const std::string_view> keys;
    switch (object) {
        case Place::Root:
            keys = kSessionKeysV3;  // every key of an older version is one of version 3
            break;
        case Place::Axis:
            keys = kAxisKeys;
            break;
        case Place::Point:
            keys = kPointKeys;
            break;
        case Place::Image:
            keys = kImageKeysV4;
            break;
        case Place::Cursor:
            keys = kCursorKeys;
            break;
        case Place::View:
            keys = kViewKeys;
            break;
        case Place::Detection:
            keys = kDetectionKeysV3;
            break;
        case Place::Rule:
            keys = kRuleKeys;
            break;
        case Place::Measure:
            keys = kMeasureKeys;
            break;
        case Place::MeasureEdge:
            keys = kMeasureEdgeKeys;
            break;
        default:
            return Place::Unknown;
    }
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) return Place::Unknown;
    for (const Container& container : kContainers) {
        if (container.object == object && container.key == key) return container.place;
    }
    return Place::Scalar;
}

Place PlaceOfElement(Place array) {
    switch (array) {
        case Place::Lines:
            return Place::Line;
        case Place::Images:
            return Place::Image;
        case Place::Cursors:
            return Place::Cursor;
        case Place::Detections:
            return Place::Detection;
        case Place::Rules:
            return Place::Rule;
        case Place::Measures:
            return Place::Measure;
        default:
            return Place::Scalar;
    }
}

