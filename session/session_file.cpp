// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_file.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string_view>

#include "model/scan.h"
#include "session/session_found.h"
#include "session/session_frames.h"
#include "session/session_keys.h"
#include "session/session_limits.h"
#include "session/session_rules.h"
#include "session/session_time.h"
#include "session/session_tree.h"
#include "session/session_values.h"

namespace {

using Json = nlohmann::json;

class Parser : private SessionValues {
public:
    Parser(const std::string& name, const std::string& folder)
        : SessionValues(name), m_folder(folder) {}

    Session Parse(const Json& root);

private:
    int Version(const Json& root) const;
    void Lines(const Json& root, Session& session);
    void Images(const Json& root, Session& session) const;
    SessionImage Image(const Json& value, const std::string& field, std::size_t lineCount) const;
    // The entries of one image of the list: itself, or one per frame of its "frames".
    void ImageEntries(const Json& value, const std::string& field, Session& session) const;
    std::vector<SessionCursor> Cursors(const Json& value, const std::string& field,
                                       std::size_t lineCount) const;
    int Position(const Json& value, const std::string& field, std::size_t line) const;
    SessionView View(const Json& value, std::size_t imageCount, std::size_t lineCount) const;
    std::string Resolve(const std::string& path) const;

    std::string m_folder;
    int m_version = 0;
    // The settings the session's detections were found with, once read.
    const std::vector<DetectionSettings>* m_detections = &m_noDetections;
    std::vector<DetectionSettings> m_noDetections;
    std::vector<int> m_lastSample;  // per line, the index of its last sample
};

int Parser::Version(const Json& root) const {
    if (!root.is_object()) Fail("", "expected a JSON object at the top");
    const auto version = root.find("quandrel-session");
    if (version == root.end()) Fail("", "not a session file (no \"quandrel-session\" key)");
    if (const std::optional<int> v = AsInt(*version, 1, kSessionVersion)) return *v;
    const bool newer =
        version->is_number_unsigned()
            ? version->get<std::uint64_t>() > kSessionVersion
            : version->is_number_integer() && version->get<std::int64_t>() > kSessionVersion;
    Fail("quandrel-session", "expected 1, 2, 3 or 4, the versions this program reads" +
                                 std::string(newer ? "; a newer program wrote this file" : ""));
}

void Parser::Lines(const Json& root, Session& session) {
    const auto lines = root.find("lines");
    if (lines != root.end() && !lines->is_array()) Fail("lines", "expected an array of scan lines");
    // A batch session exists to measure lines; the window saves its work before any is drawn.
    if (m_version == 1 && (lines == root.end() || lines->empty())) Fail("", "no scan lines");
    if (lines == root.end()) Fail("", "no \"lines\" list");
    session.lines.reserve(lines->size());
    m_lastSample.reserve(lines->size());
    for (std::size_t k = 0; k < lines->size(); ++k) {
        const std::array<int, 4>& line =
            session.lines.emplace_back(Line((*lines)[k], "lines[" + std::to_string(k) + "]"));
        // As far as the records will walk it (EdgeFields has read wholeLine).
        m_lastSample.push_back(
            SetupWalk(line[0], line[1], line[2], line[3], session.edge.MaxSteps()).count);
    }
}

void Parser::Images(const Json& root, Session& session) const {
    const auto images = root.find("images");
    if (images == root.end()) Fail("", "no \"images\" list");
    if (!images->is_array()) Fail("images", "expected an array of images");
    // Lines live on the images: without one they would be lost on the way into the window.
    if (images->empty() && (m_version == 1 || !session.lines.empty())) {
        Fail("images", "no images");
    }
    // Before any image is taken in: the records built from them may not fit in memory.
    if (const auto size = CheckSessionSize(images->size(), session.lines.size())) {
        Fail(size->field, size->problem);
    }
    session.images.reserve(images->size());
    for (std::size_t k = 0; k < images->size(); ++k) {
        ImageEntries((*images)[k], "images[" + std::to_string(k) + "]", session);
    }
}

void Parser::ImageEntries(const Json& value, const std::string& field, Session& session) const {
    AppendImageEntries(*this, value, field, Image(value, field, session.lines.size()), session);
}

std::string Parser::Resolve(const std::string& path) const {
    const std::filesystem::path p(path);
    if (p.is_absolute() || m_folder.empty()) return path;
    return (std::filesystem::path(m_folder) / p).string();
}

SessionImage Parser::Image(const Json& value, const std::string& field,
                           std::size_t lineCount) const {
    SessionImage image;
    const Json* path = &value;
    if (value.is_object()) {
        if (m_version == 1) {
            CheckKeys(value, field, kImageKeysV1);
        } else if (m_version == 2) {
            CheckKeys(value, field, kImageKeys);
        } else if (m_version == 3) {
            CheckKeys(value, field, kImageKeysV3);
        } else {
            CheckKeys(value, field, kImageKeysV4);
        }
        const auto it = value.find("path");
        if (it == value.end()) Fail(field, "the image has no \"path\"");
        path = &*it;
    } else if (!value.is_string()) {
        Fail(field, "expected a path or an object with \"path\"");
    }
    const std::string pathField = value.is_object() ? field + ".path" : field;
    if (!path->is_string() || path->get_ref<const std::string&>().empty()) {
        Fail(pathField, "expected a non-empty path");
    }
    // The file system ends a name at a NUL byte: the rest would be cut off, and another file
    // read in its place.
    if (path->get_ref<const std::string&>().find('\0') != std::string::npos) {
        Fail(pathField, "the path holds a NUL byte");
    }
    image.path = Resolve(path->get_ref<const std::string&>());
    if (!value.is_object()) return image;

    if (const auto it = value.find("axis"); it != value.end()) {
        image.axis = Axis(*it, field + ".axis");
    }
    if (const auto it = value.find("cursors"); it != value.end()) {
        image.cursors = Cursors(*it, field + ".cursors", lineCount);
    }
    if (value.contains("found") || value.contains("subPos")) {
        ReadFound(*this, value, field, *m_detections, m_lastSample, image.cursors);
    }
    if (const auto it = value.find("caliper"); it != value.end()) {
        if (image.cursors.empty()) image.cursors.assign(lineCount, SessionCursor::Pending());
        image.measures = ReadMeasures(*this, *it, field + ".caliper", *m_detections,
                                      m_lastSample, image.cursors);
    }
    return image;
}

// An integer is a cursor kept there, null one still to detect. Version 1 may leave out the last
// lines (still to detect); version 2 gives every line, and says where a pending cursor stands
// when that is not the start: {"pending": 12}.
std::vector<SessionCursor> Parser::Cursors(const Json& value, const std::string& field,
                                           std::size_t lineCount) const {
    const char* const expected = m_version == 1
                                     ? "expected an integer or null"
                                     : "expected an integer, null or {\"pending\": position}";
    if (!value.is_array()) {
        Fail(field, m_version == 1 ? "expected an array of integers or nulls"
                                   : "expected an array of integers, nulls or pending cursors");
    }
    if (value.size() > lineCount || (m_version > 1 && value.size() != lineCount)) {
        Fail(field, Entries(value.size()) + " for " + std::to_string(lineCount) + " scan lines");
    }
    std::vector<SessionCursor> cursors;
    cursors.reserve(value.size());
    for (std::size_t k = 0; k < value.size(); ++k) {
        const Json& entry = value[k];
        const std::string entryField = field + "[" + std::to_string(k) + "]";
        if (entry.is_null()) {
            cursors.push_back(SessionCursor::Pending());
        } else if (entry.is_number_integer()) {
            cursors.push_back(SessionCursor::Kept(Position(entry, entryField, k)));
        } else if (m_version > 1 && entry.is_object()) {
            CheckKeys(entry, entryField, kCursorKeys);
            const auto pending = entry.find("pending");
            if (pending == entry.end()) Fail(entryField, expected);
            cursors.push_back(
                SessionCursor::Pending(Position(*pending, entryField + ".pending", k)));
        } else {
            Fail(entryField, expected);
        }
    }
    return cursors;
}

// A cursor stands on a sample of its line. The window never writes one off the line, and one
// there would be moved onto the line's end without a word.
int Parser::Position(const Json& value, const std::string& field, std::size_t line) const {
    const int last = m_lastSample[line];
    const std::optional<int> position = AsInt(value, 0, last);
    if (!position) {
        Fail(field, Range(0, last) + ", a sample of scan line " + std::to_string(line + 1));
    }
    return *position;
}

SessionView Parser::View(const Json& value, std::size_t imageCount, std::size_t lineCount) const {
    if (!value.is_object()) Fail("view", "expected an object");
    CheckKeys(value, "view", kViewKeys);
    SessionView view;
    view.image = imageCount > 0 ? 0 : -1;
    // -1 is none; the counts are within the int range (the session limits saw to that).
    const auto index = [this](const Json& v, const char* field, std::size_t count, const char* one,
                              const char* many) {
        const long long last = static_cast<long long>(count) - 1;
        const std::optional<int> i = AsInt(v, -1, last);
        if (!i) {
            Fail(field, Range(-1, last) + " (-1 for none): the session has " +
                            std::to_string(count) + " " + (count == 1 ? one : many));
        }
        return *i;
    };
    if (const auto it = value.find("image"); it != value.end()) {
        view.image = index(*it, "view.image", imageCount, "image", "images");
    }
    if (const auto it = value.find("line"); it != value.end()) {
        view.line = index(*it, "view.line", lineCount, "scan line", "scan lines");
    }
    if (const auto it = value.find("zoom"); it != value.end()) {
        // Older files know 1, 2 and 4 only, which keep their meaning.
        const bool fit = it->is_string() && it->get_ref<const std::string&>() == "fit";
        const bool step =
            it->is_number() && it->get<double>() != kZoomFitted && IsSessionZoom(it->get<double>());
        if (!fit && !step) Fail("view.zoom", "expected 0.25, 0.5, 1, 2, 4 or \"fit\"");
        view.zoom = fit ? kZoomFitted : it->get<double>();
    }
    return view;
}

Session Parser::Parse(const Json& root) {
    m_version = Version(root);
    if (m_version == 1) {
        CheckKeys(root, "", kSessionKeysV1);
    } else if (m_version == 2) {
        CheckKeys(root, "", kSessionKeys);
    } else {
        // Version 4 adds keys to the images only.
        CheckKeys(root, "", kSessionKeysV3);
    }

    Session session;
    if (const auto it = root.find("channel"); it != root.end()) {
        session.channel = Int(*it, "channel", 0, 3);
    }
    if (const auto it = root.find("edgeMode"); it != root.end()) {
        session.edgeMode = Int(*it, "edgeMode", 0, 3);
    }
    if (const auto it = root.find("measureLength"); it != root.end()) {
        session.measureLength = Bool(*it, "measureLength");
    }
    if (const auto it = root.find("measureArea"); it != root.end()) {
        session.measureArea = Bool(*it, "measureArea");
    }
    if (const auto it = root.find("autoDetect"); it != root.end()) {
        session.autoDetect = Bool(*it, "autoDetect");
    }
    if (const auto it = root.find("axisPerImage"); it != root.end()) {
        session.axisPerImage = Bool(*it, "axisPerImage");
    }
    EdgeFields(root, "", session.edge);
    session.timeRule = ReadTimeRule(*this, root);
    if (const auto it = root.find("detections"); it != root.end()) {
        session.detections = ReadDetections(*this, *it, m_version);
        m_detections = &session.detections;
    }
    Lines(root, session);
    if (const auto it = root.find("lineRules"); it != root.end()) {
        session.lineRules = ReadLineRules(*this, *it, session.lines.size());
    }
    if (const auto it = root.find("newLineRule"); it != root.end() && !it->is_null()) {
        session.newLineRule = ReadRule(*this, *it, "newLineRule");
    }
    if (const auto it = root.find("axis"); it != root.end()) session.axis = Axis(*it, "axis");
    Images(root, session);
    if (const auto it = root.find("view"); it != root.end()) {
        session.view = View(*it, session.images.size(), session.lines.size());
    } else {
        // A version 1 session opens on its first image, as the window does after adding files.
        session.view.image = session.images.empty() ? -1 : 0;
    }
    return session;
}

// "file:line:column: not valid JSON: what the parser expected".
std::string SyntaxMessage(std::string_view text, const std::string& name,
                          const Json::parse_error& error, SessionProblem& problem) {
    const std::size_t end = std::min<std::size_t>(error.byte > 0 ? error.byte - 1 : 0, text.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t k = 0; k < end; ++k) {
        if (text[k] == '\n') {
            ++line;
            lineStart = k + 1;
        }
    }
    const std::size_t column = end - lineStart + 1;
    problem = {SessionProblem::Kind::Syntax, {}, static_cast<int>(line), static_cast<int>(column)};
    // The library's text starts with its own id and position; keep only what it found wrong.
    std::string detail = error.what();
    if (const auto at = detail.find("column "); at != std::string::npos) {
        if (const auto colon = detail.find(": ", at); colon != std::string::npos) {
            detail = detail.substr(colon + 2);
        }
    } else if (const auto bracket = detail.find("] "); bracket != std::string::npos) {
        detail = detail.substr(bracket + 2);
    }
    return name + ":" + std::to_string(line) + ":" + std::to_string(column) +
           ": not valid JSON: " + detail;
}

}  // namespace

int SessionVersionOf(const Session& session) {
    for (const SessionImage& image : session.images) {
        if (image.frame >= 0) return 4;
    }
    if (session.newLineRule) return 3;
    for (const auto& rule : session.lineRules) {
        if (rule) return 3;
    }
    for (const DetectionSettings& settings : session.detections) {
        if (settings.caliper) return 3;
    }
    for (const SessionImage& image : session.images) {
        for (const auto& measure : image.measures) {
            if (measure) return 3;
        }
    }
    return 2;
}

bool IsSessionZoom(double zoom) {
    // The image view's steps; each is exact in binary, so a number read compares exactly.
    return zoom == kZoomFitted || zoom == 0.25 || zoom == 0.5 || zoom == 1.0 || zoom == 2.0 ||
           zoom == 4.0;
}

SessionResult ParseSession(std::string_view text, const std::string& name,
                           const std::string& folder) {
    SessionResult result;
    // The tree is taken apart without allocating, also when memory runs out on the way.
    SessionTree tree;
    try {
        ReadSessionTree(text, name, tree);
        result.session = Parser(name, folder).Parse(tree.Root());
    } catch (const Json::parse_error& e) {
        result.error = SyntaxMessage(text, name, e, result.problem);
    } catch (const Json::exception& e) {
        // A number too large for a double, say: the text is JSON, but not one we can hold.
        result.error = name + ": " + e.what();
        result.problem.kind = SessionProblem::Kind::Content;
    } catch (const SessionFailure& f) {
        result.error = f.message;
        result.problem = {SessionProblem::Kind::Content, f.field};
    }
    return result;
}
