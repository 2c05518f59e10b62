// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The keys of each object of a session file. The reader refuses any other key in the object
// (session_file.cpp), and the tree reader knows from them, while the text is read, which values
// have a place (session_tree.cpp): a key the reader learns is added here, once, for both.

#include <string_view>

// The top level, version 1.
inline constexpr std::string_view kSessionKeysV1[] = {
    "quandrel-session", "channel", "edgeMode", "measureLength",
    "measureArea",      "lines",   "axis",     "images"};
// The top level, version 2: what version 1 has, the window's options and view, and the rule the
// entries' times follow.
inline constexpr std::string_view kSessionKeys[] = {"quandrel-session",
                                                    "channel",
                                                    "edgeMode",
                                                    "measureLength",
                                                    "measureArea",
                                                    "autoDetect",
                                                    "axisPerImage",
                                                    "subPixel",
                                                    "lineWidth",
                                                    "smoothing",
                                                    "smoothWidth",
                                                    "wholeLine",
                                                    "detections",
                                                    "lines",
                                                    "axis",
                                                    "images",
                                                    "view",
                                                    "timeRule",
                                                    "timeInterval",
                                                    "timeStart"};
// The top level, version 3: what version 2 has, each line's own rule, and the rule the window
// gives new lines.
inline constexpr std::string_view kSessionKeysV3[] = {"quandrel-session",
                                                      "channel",
                                                      "edgeMode",
                                                      "measureLength",
                                                      "measureArea",
                                                      "autoDetect",
                                                      "axisPerImage",
                                                      "subPixel",
                                                      "lineWidth",
                                                      "smoothing",
                                                      "smoothWidth",
                                                      "wholeLine",
                                                      "detections",
                                                      "lines",
                                                      "lineRules",
                                                      "newLineRule",
                                                      "axis",
                                                      "images",
                                                      "view",
                                                      "timeRule",
                                                      "timeInterval",
                                                      "timeStart"};
// A calibration, and each of its three points.
inline constexpr std::string_view kAxisKeys[] = {"origin", "xAxis", "yAxis", "logX", "logY"};
inline constexpr std::string_view kPointKeys[] = {"pixel", "value"};
// An image given as an object.
inline constexpr std::string_view kImageKeysV1[] = {"path", "axis", "cursors"};
// ... and in version 2 how each cursor came there.
inline constexpr std::string_view kImageKeys[] = {"path", "axis", "cursors", "found", "subPos"};
// ... and in version 3 what each line's caliper rule measured.
inline constexpr std::string_view kImageKeysV3[] = {"path",   "axis",   "cursors",
                                                    "found",  "subPos", "caliper"};
// ... and in version 4 the page or frame of a stack or video ("frame"), or a run of them
// ("frames": [first, last, step]).
inline constexpr std::string_view kImageKeysV4[] = {"path",   "axis",    "cursors", "found",
                                                    "subPos", "caliper", "frame",   "frames"};
// The settings an edge was detected with (version 2).
inline constexpr std::string_view kDetectionKeys[] = {"channel",   "edgeMode",  "subPixel",
                                                      "lineWidth", "smoothing", "smoothWidth",
                                                      "wholeLine"};
// ... and in version 3 the caliper rule of a line that has one.
inline constexpr std::string_view kDetectionKeysV3[] = {"channel",   "edgeMode",  "subPixel",
                                                        "lineWidth", "smoothing", "smoothWidth",
                                                        "wholeLine", "caliper"};
// A caliper rule (version 3): in "lineRules", "newLineRule" and in a detection's "caliper".
inline constexpr std::string_view kRuleKeys[] = {
    "kind",      "polarity", "select",      "nth",          "sigma",
    "minContrast", "estimator", "level",   "levelIsFraction", "lastCrossing",
    "pairOrder", "minWidth", "maxWidth", "bilinear", "track", "plainRule"};
// What a caliper rule measured on one line of one image (version 3), and each of its edges.
inline constexpr std::string_view kMeasureKeys[] = {"status", "edge",  "second",
                                                    "width",  "noise", "ratio"};
inline constexpr std::string_view kMeasureEdgeKeys[] = {"pos", "contrast", "sigma", "residual"};
// A cursor given as an object (version 2).
inline constexpr std::string_view kCursorKeys[] = {"pending"};
// What the window showed (version 2).
inline constexpr std::string_view kViewKeys[] = {"image", "line", "zoom"};
