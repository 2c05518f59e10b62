// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_found.h"

#include "session/json_text.h"
#include "session/session_keys.h"
#include "session/session_rules.h"

namespace {

using Json = nlohmann::json;

constexpr int kKept = -1;
constexpr int kPlaced = -2;
constexpr int kNoMark = -3;
// The detections a "found" string can name: 0-9, A-Z, a-z.
constexpr std::uint32_t kLettered = 62;

int MarkOfChar(char c) {
    if (c == '.') return kKept;
    if (c == '+') return kPlaced;
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return 10 + (c - 'A');
    if (c >= 'a' && c <= 'z') return 36 + (c - 'a');
    return kNoMark;
}

char CharOfMark(int mark) {
    if (mark == kKept) return '.';
    if (mark == kPlaced) return '+';
    if (mark < 10) return static_cast<char>('0' + mark);
    if (mark < 36) return static_cast<char>('A' + (mark - 10));
    return static_cast<char>('a' + (mark - 36));
}

// A pending cursor has not come anywhere yet: it is written as kept.
int MarkOf(const SessionCursor& c) {
    if (c.detect || c.origin == CursorOrigin::Kept) return kKept;
    if (c.origin == CursorOrigin::Placed) return kPlaced;
    return static_cast<int>(c.found);
}

void Apply(const SessionValues& values, const std::string& field, int mark,
           std::size_t detections, SessionCursor& cursor) {
    if (mark == kKept) return;
    if (cursor.detect) values.Fail(field, "a cursor still to detect was neither placed nor detected");
    if (mark == kPlaced) {
        cursor.origin = CursorOrigin::Placed;
        return;
    }
    if (static_cast<std::size_t>(mark) >= detections) {
        values.Fail(field, "detection settings " + std::to_string(mark) +
                               ", but the session lists " + SessionValues::Entries(detections) +
                               " in \"detections\"");
    }
    cursor.origin = CursorOrigin::Detected;
    cursor.found = static_cast<std::uint32_t>(mark);
}

void ReadMarks(const SessionValues& values, const Json& found, const std::string& field,
               std::size_t detections, std::vector<SessionCursor>& cursors) {
    const std::size_t lines = cursors.size();
    const auto counted = [&](std::size_t n, const char* what) {
        if (n != lines) {
            values.Fail(field, std::to_string(n) + " " + what + " for " + std::to_string(lines) +
                                   " scan lines");
        }
    };
    if (found.is_string()) {
        const std::string& marks = found.get_ref<const std::string&>();
        counted(marks.size(), marks.size() == 1 ? "character" : "characters");
        for (std::size_t n = 0; n < lines; ++n) {
            const int mark = MarkOfChar(marks[n]);
            const std::string at = field + "[" + std::to_string(n) + "]";
            if (mark == kNoMark) values.Fail(at, "expected \".\", \"+\", a digit or a letter");
            Apply(values, at, mark, detections, cursors[n]);
        }
        return;
    }
    if (!found.is_array()) values.Fail(field, "expected a string or an array of integers");
    counted(found.size(), found.size() == 1 ? "entry" : "entries");
    for (std::size_t n = 0; n < lines; ++n) {
        const std::string at = field + "[" + std::to_string(n) + "]";
        const std::optional<int> mark =
            SessionValues::AsInt(found[n], kPlaced, static_cast<long long>(kMaxSessionDetections));
        if (!mark) values.Fail(at, "expected -1 (kept), -2 (placed by hand) or a detection's index");
        Apply(values, at, *mark, detections, cursors[n]);
    }
}

void ReadSubPositions(const SessionValues& values, const Json& list, const std::string& field,
                      const std::vector<DetectionSettings>& detections,
                      const std::vector<int>& lastSample, std::vector<SessionCursor>& cursors) {
    if (!list.is_array() || list.size() != cursors.size()) {
        values.Fail(field, "expected an array of numbers or nulls, one for each scan line");
    }
    for (std::size_t n = 0; n < cursors.size(); ++n) {
        const Json& entry = list[n];
        if (entry.is_null()) continue;
        const std::string at = field + "[" + std::to_string(n) + "]";
        SessionCursor& cursor = cursors[n];
        if (cursor.origin != CursorOrigin::Detected || !detections[cursor.found].edge.subPixel) {
            values.Fail(at, "only a cursor detected with sub-pixel placement has a sub-pixel edge");
        }
        const double position = values.Number(entry, at);
        // Within a sample of the cursor's, and on the line.
        if (!(position >= cursor.pos - 1.0 && position <= cursor.pos + 1.0 && position >= 0.0 &&
              position <= lastSample[n])) {
            values.Fail(at, "expected a position within one sample of the cursor's, 0 to " +
                                std::to_string(lastSample[n]));
        }
        cursor.subPos = position;
    }
}

}  // namespace

std::vector<DetectionSettings> ReadDetections(const SessionValues& values, const Json& list,
                                              int version) {
    if (!list.is_array()) values.Fail("detections", "expected an array of detection settings");
    std::vector<DetectionSettings> detections;
    detections.reserve(list.size());
    for (std::size_t k = 0; k < list.size(); ++k) {
        const Json& entry = list[k];
        const std::string field = "detections[" + std::to_string(k) + "]";
        if (!entry.is_object()) values.Fail(field, "expected an object");
        if (version >= 3) {
            values.CheckKeys(entry, field, kDetectionKeysV3);
        } else {
            values.CheckKeys(entry, field, kDetectionKeys);
        }
        DetectionSettings settings;
        if (const auto it = entry.find("channel"); it != entry.end()) {
            settings.channel = values.Int(*it, field + ".channel", 0, 3);
        }
        if (const auto it = entry.find("edgeMode"); it != entry.end()) {
            settings.mode = values.Int(*it, field + ".edgeMode", 0, 3);
        }
        values.EdgeFields(entry, field + ".", settings.edge);
        if (const auto it = entry.find("caliper"); it != entry.end()) {
            settings.caliper = ReadRule(values, *it, field + ".caliper");
        }
        detections.push_back(settings.Normalized());
    }
    return detections;
}

void ReadFound(const SessionValues& values, const Json& image, const std::string& field,
               const std::vector<DetectionSettings>& detections, const std::vector<int>& lastSample,
               std::vector<SessionCursor>& cursors) {
    // An image without cursors has every line still to detect.
    if (cursors.empty()) cursors.assign(lastSample.size(), SessionCursor::Pending());
    if (const auto it = image.find("found"); it != image.end()) {
        ReadMarks(values, *it, field + ".found", detections.size(), cursors);
    }
    if (const auto it = image.find("subPos"); it != image.end()) {
        ReadSubPositions(values, *it, field + ".subPos", detections, lastSample, cursors);
    }
}

void AppendDetections(std::string& out, const std::vector<DetectionSettings>& detections) {
    if (detections.empty()) return;
    const EdgeOptions plain;
    out += "  \"detections\": [";
    for (std::size_t k = 0; k < detections.size(); ++k) {
        const DetectionSettings& s = detections[k];
        out += k > 0 ? ",\n    {\"channel\": " : "\n    {\"channel\": ";
        AppendJsonInt(out, s.channel);
        out += ", \"edgeMode\": ";
        AppendJsonInt(out, s.mode);
        if (s.edge.subPixel != plain.subPixel) out += ", \"subPixel\": true";
        if (s.edge.wholeLine != plain.wholeLine) out += ", \"wholeLine\": true";
        const std::pair<const char*, int> numbers[] = {{"lineWidth", s.edge.lineWidth},
                                                       {"smoothing", s.edge.smoothing},
                                                       {"smoothWidth", s.edge.smoothWidth}};
        const int defaults[] = {plain.lineWidth, plain.smoothing, plain.smoothWidth};
        for (std::size_t n = 0; n < 3; ++n) {
            if (numbers[n].second == defaults[n]) continue;
            ((out += ", \"") += numbers[n].first) += "\": ";
            AppendJsonInt(out, numbers[n].second);
        }
        if (s.caliper) {
            out += ", \"caliper\": ";
            AppendRule(out, *s.caliper);
        }
        out += '}';
    }
    out += "\n  ],\n";
}

void AppendFound(std::string& out, const std::vector<SessionCursor>& cursors,
                 std::size_t lineCount) {
    bool marked = false;
    bool lettered = true;
    bool subPixel = false;
    for (const SessionCursor& c : cursors) {
        const int mark = MarkOf(c);
        marked = marked || mark != kKept;
        lettered = lettered && mark < static_cast<int>(kLettered);
        subPixel = subPixel || (mark >= 0 && c.subPos >= 0.0);
    }
    const auto cursor = [&](std::size_t n) {
        return n < cursors.size() ? cursors[n] : SessionCursor::Pending();
    };
    if (marked) {
        out += lettered ? ", \"found\": \"" : ", \"found\": [";
        for (std::size_t n = 0; n < lineCount; ++n) {
            if (lettered) {
                out += CharOfMark(MarkOf(cursor(n)));
            } else {
                if (n > 0) out += ',';
                AppendJsonInt(out, MarkOf(cursor(n)));
            }
        }
        out += lettered ? '"' : ']';
    }
    if (!subPixel) return;
    out += ", \"subPos\": [";
    for (std::size_t n = 0; n < lineCount; ++n) {
        if (n > 0) out += ',';
        const SessionCursor c = cursor(n);
        if (MarkOf(c) >= 0 && c.subPos >= 0.0) {
            AppendJsonDouble(out, c.subPos);
        } else {
            out += "null";
        }
    }
    out += ']';
}
