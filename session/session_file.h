// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/caliper_measure.h"
#include "model/data_axis.h"
#include "model/edge_options.h"
#include "model/time_rule.h"
#include "session/session_limits.h"

// The newest version the reader takes, with every older one. The writer writes version 2 unless
// the session uses what only version 3 holds (caliper rules) or version 4 (pages and frames), so
// that a session without them reads in programs that know no newer version, byte for byte as
// before.
inline constexpr int kSessionVersion = 4;

// One line's cursor on one image, as the record holds it (CScan::m_nPos and m_bDetect). A
// pending line may stand anywhere: its cursor shows where it stood until detection moves it.
struct SessionCursor {
    int pos = 0;         // a sample of the line: 0 to its last index
    bool detect = true;  // the edge is still to be detected on this image
    // How a cursor that is not pending came there; Kept where the file does not say.
    CursorOrigin origin = CursorOrigin::Kept;
    std::uint32_t found = 0;  // Detected: its settings, an index in Session::detections
    double subPos = -1.0;     // Detected: the sub-pixel edge, negative for none

    static SessionCursor Kept(int pos) { return {pos, false}; }
    static SessionCursor Pending(int pos = 0) { return {pos, true}; }

    friend bool operator==(const SessionCursor&, const SessionCursor&) = default;
};

// One image of a session.
struct SessionImage {
    std::string path;               // resolved against the session file's folder (SessionFolderOf)
    std::optional<CDataAxis> axis;  // its own calibration; the session's otherwise
    // Per line, in line order; lines past the end of the list are pending at position 0.
    std::vector<SessionCursor> cursors;
    // Per line, what its caliper rule measured where the cursor stands; empty for none at all.
    std::vector<std::optional<CaliperMeasure>> measures = {};
    // The page of a stack or the frame of a video, from 0; -1 for a file of one picture.
    std::int64_t frame = -1;
};

// The session's zoom of a view that fits the picture to the window ("fit" in the file).
inline constexpr double kZoomFitted = 0.0;

// Whether a session may hold the zoom: one of the view's steps, or kZoomFitted.
bool IsSessionZoom(double zoom);

// What the window showed: the batch tool reads and checks it, and does nothing with it.
struct SessionView {
    int image = -1;  // the current image; -1 for none
    int line = -1;   // the current line; -1 for none
    // A zoom step (0.25, 0.5, 1, 2 or 4), or kZoomFitted: the picture fitted to the window.
    double zoom = 1.0;

    friend bool operator==(const SessionView&, const SessionView&) = default;
};

// A session: the images with their cursors and calibrations, the scan lines, and the options
// to measure them with; everything the window needs to take its work up again.
struct Session {
    int channel = 0;
    int edgeMode = 0;
    bool measureLength = false;
    bool measureArea = false;
    bool autoDetect = true;     // new lines are detected at once (the window only)
    bool axisPerImage = false;  // calibration edits apply to the current image (the window only)
    EdgeOptions edge;           // written only where it differs from the defaults
    // The settings the detected cursors were found with (SessionCursor::found).
    std::vector<DetectionSettings> detections;
    std::vector<std::array<int, 4>> lines;  // x1, y1, x2, y2 in image pixels
    // Per line, its own caliper rule, or none for the session's rule; empty when no line has one.
    std::vector<std::optional<CaliperRule>> lineRules;
    // The caliper rule the window gives lines drawn from now on; none: the plain rule (edgeMode).
    std::optional<CaliperRule> newLineRule;
    CDataAxis axis;                         // for every image without one of its own
    std::vector<SessionImage> images;
    SessionView view;
    TimeRule timeRule;  // how the entries get their times (session_time.h)
    std::string source;  // the session file it was read from; empty for a session from text
};

// Where a file that is not a session went wrong, for a message in the window's language.
struct SessionProblem {
    enum class Kind { None, Unreadable, Syntax, Content };
    Kind kind = Kind::None;
    std::string field;  // Content: the field at fault, empty for the file as a whole
    int line = 0;       // Syntax: where the text stops being JSON
    int column = 0;
};

struct SessionResult {
    std::optional<Session> session;
    std::string error;  // names the file and, where it applies, the field or the line and column
    SessionProblem problem;
};

// The version a session is written in: 4 where it names pages or frames, else 3 where it holds
// caliper rules or measures, else 2.
int SessionVersionOf(const Session& session);

// Parses the text of a session file. `name` is how messages name the file; relative image paths
// are resolved against `folder`.
SessionResult ParseSession(std::string_view text, const std::string& name,
                           const std::string& folder);

// The folder that the relative image paths of the session file at `path` are taken from: the
// folder of the file itself, so where the name ends in symbolic links (a link elsewhere,
// /dev/stdin with a file behind it) that of the file they lead to; empty, for the current
// folder, where no file is behind the name (standard input from a pipe).
std::string SessionFolderOf(const std::string& path);

// Reads and parses the session file at `path`.
SessionResult LoadSession(const std::string& path, SessionInput input = SessionInput::FileOrPipe);

// Whether the session file at `path` was written by a newer program, in a version of the format
// that this one does not read.
bool IsNewerSessionFile(const std::string& path);

// Whether the file reads as the start of a session (JSON text: an object, or a comment before
// it) rather than a picture; a file that cannot be read is no session.
bool LooksLikeSessionFile(const std::string& path);
