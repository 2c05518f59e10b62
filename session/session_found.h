// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How each cursor of a session came where it stands, in the session file (version 2):
//   "detections": [{"channel": 0, "edgeMode": 3, "lineWidth": 5, ...}, ...]
//       the settings edges were found with; the keys of the session's own, each optional
//   per image, "found": ".+0" one character per line: "." kept (or pending), "+" placed by
//       hand, a digit or letter (0-9, A-Z, a-z) detected with that entry of "detections"
//       (0 to 61); or, where an image names a later entry, an array of integers: -1 kept,
//       -2 placed by hand, N detected with entry N
//   per image, "subPos": [null, 12.375, ...] one entry per line, the sub-pixel edge of a cursor
//       detected with sub-pixel placement (within a sample of the cursor's), or null
// An image without "found" has every cursor kept, as files written before these keys say.

#include <cstddef>
#include <string>
#include <vector>

#include "session/session_file.h"
#include "session/session_values.h"

// The session's "detections" (a caliper rule in them from version 3 on).
std::vector<DetectionSettings> ReadDetections(const SessionValues& values,
                                              const nlohmann::json& list, int version);

// The image's "found" and "subPos" onto its cursors (one per line; an image without "cursors"
// has every line pending, and gets them). `lastSample` is each line's last sample.
void ReadFound(const SessionValues& values, const nlohmann::json& image, const std::string& field,
               const std::vector<DetectionSettings>& detections, const std::vector<int>& lastSample,
               std::vector<SessionCursor>& cursors);

// The session's "detections" field with its line end, nothing when there are none.
void AppendDetections(std::string& out, const std::vector<DetectionSettings>& detections);

// The image's "found" and "subPos" (each after ", "), nothing where every cursor is kept or
// pending and none has a sub-pixel edge.
void AppendFound(std::string& out, const std::vector<SessionCursor>& cursors,
                 std::size_t lineCount);
