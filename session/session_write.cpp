// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_write.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "session/json_text.h"
#include "session/session_found.h"
#include "session/session_limits.h"
#include "session/session_rules.h"
#include "session/session_time.h"

namespace {

namespace fs = std::filesystem;

// Where the names of a session file's images are relative to.
class SessionFolder {
public:
    explicit SessionFolder(const std::string& sessionPath) {
        // The bytes go to the file that a link names (WriteFileSafely), whose folder the reader
        // takes the names from.
        std::string target;
        if (FollowFinalLinks(sessionPath, target) != 0) target = sessionPath;
        std::error_code error;
        const fs::path file = fs::absolute(fs::path(target), error);
        if (error) return;
        m_known = true;
        // The reader resolves names against the folder as the file's path spells it. Where that
        // holds "..", its lexical parent is another folder when a symbolic link comes before:
        // nothing is made relative then.
        if (HasDotDot(file)) return;
        m_prefix = file.lexically_normal().parent_path().string();
        if (m_prefix.empty() || m_prefix.back() != '/') m_prefix += '/';
    }

    // nullopt when the current folder is needed and cannot be found.
    std::optional<std::string> Name(const std::string& image) const {
        std::error_code error;
        const fs::path file = fs::absolute(fs::path(image), error);
        if (error || !m_known) return std::nullopt;
        // Dropping "x/.." from a name changes the file it names when x is a symbolic link.
        if (m_prefix.empty() || HasDotDot(file)) return file.string();
        const std::string normal = file.lexically_normal().string();
        if (normal.size() > m_prefix.size() && normal.compare(0, m_prefix.size(), m_prefix) == 0) {
            return normal.substr(m_prefix.size());
        }
        return file.string();
    }

private:
    static bool HasDotDot(const fs::path& path) {
        for (const fs::path& part : path) {
            if (part == "..") return true;
        }
        return false;
    }

    bool m_known = false;
    std::string m_prefix;  // the folder with a final slash; empty: names stay absolute
};

struct Problem {
    std::string field;
    std::string what;
    int image = -1;
};

// The field of a calibration that JSON cannot hold, or empty.
std::string NotFinite(const CDataAxis& axis) {
    const std::pair<const char*, const CData*> points[] = {
        {"origin", &axis.m_origin}, {"xAxis", &axis.m_xAxis}, {"yAxis", &axis.m_yAxis}};
    for (const auto& [name, point] : points) {
        if (!std::isfinite(point->m_xValue)) return std::string(name) + ".value[0]";
        if (!std::isfinite(point->m_yValue)) return std::string(name) + ".value[1]";
    }
    return {};
}

// What the reader would refuse, or JSON cannot hold, apart from the images' paths.
std::optional<Problem> CheckSession(const Session& s) {
    const auto range = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    if (!range(s.channel, 0, 3)) return Problem{"channel", "expected 0 to 3"};
    if (!range(s.edgeMode, 0, 3)) return Problem{"edgeMode", "expected 0 to 3"};
    if (!IsValidLineWidth(s.edge.lineWidth)) return Problem{"lineWidth", "expected an odd 1 to 51"};
    if (!IsValidSmoothing(s.edge.smoothing)) return Problem{"smoothing", "expected 0 to 2"};
    if (!s.timeRule.IsValid()) {
        return Problem{"timeInterval", "expected a finite interval above 0 and a finite start"};
    }
    if (!IsValidSmoothWidth(s.edge.smoothWidth)) {
        return Problem{"smoothWidth", "expected an odd 3 to 51"};
    }
    for (std::size_t n = 0; n < s.lines.size(); ++n) {
        const auto& l = s.lines[n];
        if (l[0] == l[2] && l[1] == l[3]) {
            return Problem{"lines[" + std::to_string(n) + "]", "the two ends are the same point"};
        }
    }
    if (s.images.empty() && !s.lines.empty()) return Problem{"images", "no images for the lines"};
    if (const auto size = CheckSessionSize(s.images.size(), s.lines.size())) {
        return Problem{size->field, size->problem};
    }
    const long long images = static_cast<long long>(s.images.size());
    const long long lines = static_cast<long long>(s.lines.size());
    if (s.view.image < -1 || s.view.image >= images) return Problem{"view.image", "no such image"};
    if (s.view.line < -1 || s.view.line >= lines) return Problem{"view.line", "no such line"};
    if (!IsSessionZoom(s.view.zoom)) {
        return Problem{"view.zoom", "expected 0.25, 0.5, 1, 2, 4 or fitted"};
    }
    if (const std::string field = NotFinite(s.axis); !field.empty()) {
        return Problem{"axis." + field, "not a finite number"};
    }
    for (std::size_t i = 0; i < s.images.size(); ++i) {
        const SessionImage& image = s.images[i];
        const std::string name = "images[" + std::to_string(i) + "]";
        const int index = static_cast<int>(i);
        if (image.cursors.size() > s.lines.size()) {
            return Problem{name + ".cursors", "more cursors than lines", index};
        }
        if (image.axis) {
            if (const std::string field = NotFinite(*image.axis); !field.empty()) {
                return Problem{name + ".axis." + field, "not a finite number", index};
            }
        }
    }
    return std::nullopt;
}

void AppendPoint(std::string& out, const CData& point) {
    out += "{\"pixel\": [";
    AppendJsonInt(out, point.m_xPixel);
    out += ", ";
    AppendJsonInt(out, point.m_yPixel);
    out += "], \"value\": [";
    AppendJsonDouble(out, point.m_xValue);
    out += ", ";
    AppendJsonDouble(out, point.m_yValue);
    out += "]}";
}

// On one line for an image's own calibration, one part a line for the session's.
void AppendAxis(std::string& out, const CDataAxis& axis, bool ownLines = false) {
    const char* const next = ownLines ? ",\n    " : ", ";
    out += ownLines ? "{\n    \"origin\": " : "{\"origin\": ";
    AppendPoint(out, axis.m_origin);
    out += next;
    out += "\"xAxis\": ";
    AppendPoint(out, axis.m_xAxis);
    out += next;
    out += "\"yAxis\": ";
    AppendPoint(out, axis.m_yAxis);
    out += next;
    out += axis.m_bLogX ? "\"logX\": true, " : "\"logX\": false, ";
    out += axis.m_bLogY ? "\"logY\": true" : "\"logY\": false";
    out += ownLines ? "\n  }" : "}";
}

// Written without spaces: a session of 10,000,000 lines is mostly these.
void AppendCursors(std::string& out, const std::vector<SessionCursor>& cursors,
                   std::size_t lineCount) {
    out += ", \"cursors\": [";
    for (std::size_t n = 0; n < lineCount; ++n) {
        if (n > 0) out += ',';
        const SessionCursor c = n < cursors.size() ? cursors[n] : SessionCursor::Pending();
        if (!c.detect) {
            AppendJsonInt(out, c.pos);
        } else if (c.pos == 0) {
            out += "null";
        } else {
            out += "{\"pending\":";
            AppendJsonInt(out, c.pos);
            out += '}';
        }
    }
    out += ']';
}

// The steps from 1 up as the integers older files hold; the reduced steps as their exact
// decimals; a fitted view as "fit".
void AppendZoom(std::string& out, double zoom) {
    if (zoom == kZoomFitted) {
        out += "\"fit\"";
    } else if (zoom < 1.0) {
        out += zoom == 0.25 ? "0.25" : "0.5";
    } else {
        AppendJsonInt(out, static_cast<int>(zoom));
    }
}

void AppendField(std::string& out, const char* key, bool value) {
    out += "  \"";
    out += key;
    out += value ? "\": true,\n" : "\": false,\n";
}

void AppendField(std::string& out, const char* key, int value) {
    out += "  \"";
    out += key;
    out += "\": ";
    AppendJsonInt(out, value);
    out += ",\n";
}

}  // namespace

std::optional<std::string> PathInSession(const std::string& image, const std::string& sessionPath) {
    return SessionFolder(sessionPath).Name(image);
}

SessionText SessionToText(const Session& s, const std::string& sessionPath) {
    SessionText result;
    if (const std::optional<Problem> problem = CheckSession(s)) {
        result.error = problem->field + ": " + problem->what;
        result.image = problem->image;
        return result;
    }
    const SessionFolder folder(sessionPath);
    std::string out;
    out.reserve(1024 + s.images.size() * (64 + 5 * s.lines.size()));
    out += "{\n";
    AppendField(out, "quandrel-session", SessionVersionOf(s));
    AppendField(out, "channel", s.channel);
    AppendField(out, "edgeMode", s.edgeMode);
    AppendField(out, "measureLength", s.measureLength);
    AppendField(out, "measureArea", s.measureArea);
    AppendField(out, "autoDetect", s.autoDetect);
    AppendField(out, "axisPerImage", s.axisPerImage);
    // The finer detection options only where they differ from the plain detection: a session
    // that does not use them reads, and is written, exactly as before they existed.
    const EdgeOptions plain;
    if (s.edge.subPixel != plain.subPixel) AppendField(out, "subPixel", s.edge.subPixel);
    if (s.edge.lineWidth != plain.lineWidth) AppendField(out, "lineWidth", s.edge.lineWidth);
    if (s.edge.smoothing != plain.smoothing) AppendField(out, "smoothing", s.edge.smoothing);
    if (s.edge.smoothWidth != plain.smoothWidth) AppendField(out, "smoothWidth", s.edge.smoothWidth);
    if (s.edge.wholeLine != plain.wholeLine) AppendField(out, "wholeLine", s.edge.wholeLine);
    AppendTimeRule(out, s.timeRule);
    AppendDetections(out, s.detections);
    out += "  \"lines\": [";
    for (std::size_t n = 0; n < s.lines.size(); ++n) {
        out += n > 0 ? ",\n    [" : "\n    [";
        for (std::size_t k = 0; k < 4; ++k) {
            if (k > 0) out += ", ";
            AppendJsonInt(out, s.lines[n][k]);
        }
        out += ']';
    }
    out += s.lines.empty() ? "],\n" : "\n  ],\n";
    AppendLineRules(out, s.lineRules);
    if (s.newLineRule) {
        out += "  \"newLineRule\": ";
        AppendRule(out, *s.newLineRule);
        out += ",\n";
    }
    out += "  \"axis\": ";
    AppendAxis(out, s.axis, true);
    out += ",\n  \"images\": [";
    // What follows an entry's path and frame. A run of frames of one file, at a constant step,
    // whose entries hold the same is written once as a range: a long video is a short session.
    const auto body = [&s](std::string& to, const SessionImage& image) {
        to.clear();
        if (image.axis) {
            to += ", \"axis\": ";
            AppendAxis(to, *image.axis);
        }
        // An image with every line pending at its start needs no list: a new image's state.
        const bool fresh =
            std::all_of(image.cursors.begin(), image.cursors.end(),
                        [](const SessionCursor& c) { return c.detect && c.pos == 0; });
        if (!fresh) AppendCursors(to, image.cursors, s.lines.size());
        AppendFound(to, image.cursors, s.lines.size());
        AppendMeasures(to, image.measures);
    };
    std::string first;
    std::string next;
    for (std::size_t i = 0; i < s.images.size();) {
        const SessionImage& image = s.images[i];
        const auto fail = [&](const std::string& what) {
            result.error = "images[" + std::to_string(i) +
                           "]: " + (image.path.empty() ? "" : PrintableBytes(image.path) + ": ") +
                           what;
            result.image = static_cast<int>(i);
            return result;
        };
        if (image.path.empty()) return fail("the image has no path");
        if (image.path.find('\0') != std::string::npos) return fail("the path holds a NUL byte");
        if (image.frame < -1) return fail("a negative page or frame");
        const std::optional<std::string> name = folder.Name(image.path);
        if (!name) return fail("the current folder is gone: no absolute path can be made");
        if (!IsUtf8(*name)) {
            return fail("the path is not UTF-8 text, and a session file holds nothing else");
        }
        body(first, image);
        std::size_t end = i + 1;
        std::int64_t step = 0;
        while (image.frame >= 0 && end < s.images.size()) {
            const SessionImage& later = s.images[end];
            const std::int64_t gap = later.frame - s.images[end - 1].frame;
            if (later.path != image.path || gap <= 0 || (step != 0 && gap != step)) break;
            body(next, later);
            if (next != first) break;
            step = gap;
            ++end;
        }
        // Two entries read better as themselves than as a range.
        if (end - i < 3) end = i + 1;
        out += i > 0 ? ",\n    {\"path\": " : "\n    {\"path\": ";
        AppendJsonString(out, *name);
        if (end > i + 1) {
            out += ", \"frames\": [";
            AppendJsonInt(out, image.frame);
            out += ", ";
            AppendJsonInt(out, s.images[end - 1].frame);
            out += ", ";
            AppendJsonInt(out, step);
            out += ']';
        } else if (image.frame >= 0) {
            out += ", \"frame\": ";
            AppendJsonInt(out, image.frame);
        }
        out += first;
        out += '}';
        i = end;
    }
    out += s.images.empty() ? "],\n" : "\n  ],\n";
    out += "  \"view\": {\"image\": ";
    AppendJsonInt(out, s.view.image);
    out += ", \"line\": ";
    AppendJsonInt(out, s.view.line);
    out += ", \"zoom\": ";
    AppendZoom(out, s.view.zoom);
    out += "}\n}\n";
    if (out.size() > kMaxSessionFileBytes) {
        const std::size_t mib = (out.size() + (std::size_t(1) << 20) - 1) >> 20;
        result.error = "the session takes " + std::to_string(mib) + " MiB, more than the " +
                       std::to_string(kMaxSessionFileBytes >> 20) +
                       " MiB that a session file may hold";
        return result;
    }
    result.text = std::move(out);
    return result;
}

SessionSaveResult SaveSession(const Session& session, const std::string& path) {
    SessionSaveResult result;
    // The save dialog may be pointed at a picture of the list. Only an existing file can be one,
    // so a new file costs no look at the images.
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode)) {
        for (std::size_t i = 0; i < session.images.size(); ++i) {
            struct stat image {};
            if (::stat(session.images[i].path.c_str(), &image) == 0 &&
                image.st_dev == target.st_dev && image.st_ino == target.st_ino) {
                result.error = "cannot write " + path + ": it is the image " +
                               PrintableBytes(session.images[i].path);
                result.image = static_cast<int>(i);
                return result;
            }
        }
    }
    SessionText text = SessionToText(session, path);
    if (!text.text) {
        result.error = path + ": " + text.error;
        result.image = text.image;
        return result;
    }
    result.write = WriteFileSafely(path, *text.text);
    if (!result.write.ok()) result.error = result.write.message;
    return result;
}
