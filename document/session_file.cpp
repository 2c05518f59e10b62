#include "document/session_file.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <string_view>

#include "document/session_limits.h"

namespace {

using Json = nlohmann::json;

constexpr long long kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr long long kIntMax = std::numeric_limits<std::int32_t>::max();

// Thrown inside the parser only, with the complete message; ParseSession turns it into a result.
struct Failure {
    std::string message;
};

class Parser {
public:
    Parser(const std::string& name, const std::string& folder) : m_name(name), m_folder(folder) {}

    Session Parse(const Json& root) const;

private:
    [[noreturn]] void Fail(const std::string& field, const std::string& problem) const {
        throw Failure{m_name + ": " + (field.empty() ? "" : field + ": ") + problem};
    }

    // Every key must be one that this program reads: a misspelt key would leave the default in
    // its place and give a wrong result without a word.
    void CheckKeys(const Json& object, const std::string& field,
                   std::initializer_list<std::string_view> known) const {
        for (const auto& item : object.items()) {
            const std::string& key = item.key();
            if (std::find(known.begin(), known.end(), key) != known.end()) continue;
            Fail((field.empty() ? "" : field + ".") + Printable(key), "unknown key");
        }
    }

    // The key as a message can show it: control bytes (a NUL would end the message) escaped.
    static std::string Printable(const std::string& key) {
        std::string text;
        for (const char c : key) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte != 0x7f) {
                text += c;
                continue;
            }
            static constexpr char kHex[] = "0123456789abcdef";
            text += "\\u00";
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
        }
        return text;
    }

    static std::string Range(long long lo, long long hi) {
        return "expected an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
    }

    // The value as an integer in lo..hi, or nullopt when it is no integer or out of the range.
    static std::optional<int> AsInt(const Json& value, long long lo, long long hi) {
        if (value.is_number_unsigned()) {
            const auto v = value.get<std::uint64_t>();
            if (hi < 0 || v > static_cast<std::uint64_t>(hi) || static_cast<long long>(v) < lo) {
                return std::nullopt;
            }
            return static_cast<int>(v);
        }
        if (value.is_number_integer()) {
            const auto v = value.get<std::int64_t>();
            if (v < lo || v > hi) return std::nullopt;
            return static_cast<int>(v);
        }
        return std::nullopt;
    }

    int Int(const Json& value, const std::string& field, long long lo, long long hi) const {
        const std::optional<int> v = AsInt(value, lo, hi);
        if (!v) Fail(field, Range(lo, hi));
        return *v;
    }

    bool Bool(const Json& value, const std::string& field) const {
        if (!value.is_boolean()) Fail(field, "expected true or false");
        return value.get<bool>();
    }

    double Number(const Json& value, const std::string& field) const {
        if (!value.is_number()) Fail(field, "expected a number");
        return value.get<double>();
    }

    std::array<int, 4> Line(const Json& value, const std::string& field) const;
    CData Point(const Json& value, const std::string& field, CData point) const;
    CDataAxis Axis(const Json& value, const std::string& field) const;
    SessionImage Image(const Json& value, const std::string& field, std::size_t lineCount) const;
    std::string Resolve(const std::string& path) const;

    std::string m_name;
    std::string m_folder;
};

std::array<int, 4> Parser::Line(const Json& value, const std::string& field) const {
    if (!value.is_array() || value.size() != 4) {
        Fail(field, "expected an array of 4 integers [x1, y1, x2, y2]");
    }
    std::array<int, 4> line{};
    for (std::size_t k = 0; k < 4; ++k) {
        line[k] = Int(value[k], field + "[" + std::to_string(k) + "]", kIntMin, kIntMax);
    }
    if (line[0] == line[2] && line[1] == line[3]) Fail(field, "the two ends are the same point");
    return line;
}

CData Parser::Point(const Json& value, const std::string& field, CData point) const {
    if (!value.is_object()) Fail(field, "expected an object with \"pixel\" and \"value\"");
    CheckKeys(value, field, {"pixel", "value"});
    if (const auto it = value.find("pixel"); it != value.end()) {
        if (!it->is_array() || it->size() != 2) Fail(field + ".pixel", "expected [x, y]");
        point.m_xPixel = Int((*it)[0], field + ".pixel[0]", kIntMin, kIntMax);
        point.m_yPixel = Int((*it)[1], field + ".pixel[1]", kIntMin, kIntMax);
    }
    if (const auto it = value.find("value"); it != value.end()) {
        if (!it->is_array() || it->size() != 2) Fail(field + ".value", "expected [x, y]");
        point.m_xValue = Number((*it)[0], field + ".value[0]");
        point.m_yValue = Number((*it)[1], field + ".value[1]");
    }
    return point;
}

// Every part left out keeps the default calibration's.
CDataAxis Parser::Axis(const Json& value, const std::string& field) const {
    if (!value.is_object()) Fail(field, "expected an object");
    CheckKeys(value, field, {"origin", "xAxis", "yAxis", "logX", "logY"});
    CDataAxis axis;
    if (const auto it = value.find("origin"); it != value.end()) {
        axis.m_origin = Point(*it, field + ".origin", axis.m_origin);
    }
    if (const auto it = value.find("xAxis"); it != value.end()) {
        axis.m_xAxis = Point(*it, field + ".xAxis", axis.m_xAxis);
    }
    if (const auto it = value.find("yAxis"); it != value.end()) {
        axis.m_yAxis = Point(*it, field + ".yAxis", axis.m_yAxis);
    }
    if (const auto it = value.find("logX"); it != value.end()) {
        axis.m_bLogX = Bool(*it, field + ".logX");
    }
    if (const auto it = value.find("logY"); it != value.end()) {
        axis.m_bLogY = Bool(*it, field + ".logY");
    }
    return axis;
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
        CheckKeys(value, field, {"path", "axis", "cursors"});
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
    image.path = Resolve(path->get<std::string>());
    if (!value.is_object()) return image;

    if (const auto it = value.find("axis"); it != value.end()) {
        image.axis = Axis(*it, field + ".axis");
    }
    if (const auto it = value.find("cursors"); it != value.end()) {
        const std::string cursorsField = field + ".cursors";
        if (!it->is_array()) Fail(cursorsField, "expected an array of integers or nulls");
        if (it->size() > lineCount) {
            Fail(cursorsField, std::to_string(it->size()) + " entries for " +
                                   std::to_string(lineCount) + " scan lines");
        }
        for (std::size_t k = 0; k < it->size(); ++k) {
            const Json& entry = (*it)[k];
            if (entry.is_null()) {
                image.cursors.emplace_back();
                continue;
            }
            const std::optional<int> index = AsInt(entry, kIntMin, kIntMax);
            if (!index)
                Fail(cursorsField + "[" + std::to_string(k) + "]", "expected an integer or null");
            image.cursors.emplace_back(*index);
        }
    }
    return image;
}

Session Parser::Parse(const Json& root) const {
    if (!root.is_object()) Fail("", "expected a JSON object at the top");
    const auto version = root.find("quandrel-session");
    if (version == root.end()) Fail("", "not a session file (no \"quandrel-session\" key)");
    if (AsInt(*version, 1, 1) != 1)
        Fail("quandrel-session", "expected 1, the version this program reads");
    CheckKeys(root, "",
              {"quandrel-session", "channel", "edgeMode", "measureLength", "measureArea", "lines",
               "axis", "images"});

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

    const auto lines = root.find("lines");
    if (lines != root.end() && !lines->is_array()) Fail("lines", "expected an array of scan lines");
    if (lines == root.end() || lines->empty()) Fail("", "no scan lines");
    for (std::size_t k = 0; k < lines->size(); ++k) {
        session.lines.push_back(Line((*lines)[k], "lines[" + std::to_string(k) + "]"));
    }

    if (const auto it = root.find("axis"); it != root.end()) session.axis = Axis(*it, "axis");

    const auto images = root.find("images");
    if (images == root.end()) Fail("", "no \"images\" list");
    if (!images->is_array()) Fail("images", "expected an array of images");
    if (images->empty()) Fail("images", "no images");
    // Before any image is taken in: the records built from them may not fit in memory.
    if (const auto size = CheckSessionSize(images->size(), session.lines.size())) {
        Fail(size->field, size->problem);
    }
    for (std::size_t k = 0; k < images->size(); ++k) {
        session.images.push_back(
            Image((*images)[k], "images[" + std::to_string(k) + "]", session.lines.size()));
    }
    return session;
}

// "file:line:column: not valid JSON: what the parser expected".
std::string SyntaxMessage(std::string_view text, const std::string& name,
                          const Json::parse_error& error) {
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

SessionResult ParseSession(std::string_view text, const std::string& name,
                           const std::string& folder) {
    SessionResult result;
    Json root;
    try {
        // Comments are allowed: a session is often annotated by hand.
        root = Json::parse(text.begin(), text.end(), nullptr, true, true);
    } catch (const Json::parse_error& e) {
        result.error = SyntaxMessage(text, name, e);
        return result;
    } catch (const Json::exception& e) {
        // A number too large for a double, say: the text is JSON, but not one we can hold.
        result.error = name + ": " + e.what();
        return result;
    }
    try {
        result.session = Parser(name, folder).Parse(root);
    } catch (const Failure& f) {
        result.error = f.message;
    }
    return result;
}

SessionResult LoadSession(const std::string& path) {
    SessionResult result;
    std::string text;
    if (const std::string failure = ReadSessionText(path, text); !failure.empty()) {
        result.error = path + ": cannot be read: " + failure;
        return result;
    }
    result = ParseSession(text, path, std::filesystem::path(path).parent_path().string());
    if (result.session) result.session->source = path;
    return result;
}
