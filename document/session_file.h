#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/data_axis.h"

// One image of a batch session.
struct SessionImage {
    std::string path;                         // resolved against the session file's folder
    std::optional<CDataAxis> axis;            // its own calibration; the session's otherwise
    std::vector<std::optional<int>> cursors;  // per line: an index to keep, or nullopt to detect
};

// A batch session: the lines, options and calibrations to measure a list of images with.
struct Session {
    int channel = 0;
    int edgeMode = 0;
    bool measureLength = false;
    bool measureArea = false;
    std::vector<std::array<int, 4>> lines;  // x1, y1, x2, y2 in image pixels
    CDataAxis axis;                         // for every image without one of its own
    std::vector<SessionImage> images;
    std::string source;  // the session file it was read from; empty for a session from text
};

struct SessionResult {
    std::optional<Session> session;
    std::string error;  // names the file and, where it applies, the field or the line and column
};

// Parses the text of a session file. `name` is how messages name the file; relative image paths
// are resolved against `folder`.
SessionResult ParseSession(std::string_view text, const std::string& name,
                           const std::string& folder);

// Reads and parses the session file at `path`.
SessionResult LoadSession(const std::string& path);
