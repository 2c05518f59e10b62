// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_values.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "session/session_keys.h"

namespace {

constexpr long long kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr long long kIntMax = std::numeric_limits<std::int32_t>::max();

}  // namespace

void SessionValues::Fail(const std::string& field, const std::string& problem) const {
    throw SessionFailure{m_name + ": " + (field.empty() ? "" : field + ": ") + problem, field};
}

void SessionValues::CheckKeys(const Json& object, const std::string& field,
                              std::span<const std::string_view> known) const {
    for (const auto& item : object.items()) {
        const std::string& key = item.key();
        if (std::find(known.begin(), known.end(), key) != known.end()) continue;
        Fail((field.empty() ? "" : field + ".") + Printable(key), "unknown key");
    }
}

std::string SessionValues::Printable(const std::string& key) {
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

std::string SessionValues::Range(long long lo, long long hi) {
    return "expected an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
}

std::string SessionValues::Entries(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " entry" : " entries");
}

std::optional<int> SessionValues::AsInt(const Json& value, long long lo, long long hi) {
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

int SessionValues::Int(const Json& value, const std::string& field, long long lo,
                       long long hi) const {
    const std::optional<int> v = AsInt(value, lo, hi);
    if (!v) Fail(field, Range(lo, hi));
    return *v;
}

int SessionValues::Int(const Json& value, const std::string& field) const {
    return Int(value, field, kIntMin, kIntMax);
}

bool SessionValues::Bool(const Json& value, const std::string& field) const {
    if (!value.is_boolean()) Fail(field, "expected true or false");
    return value.get<bool>();
}

double SessionValues::Number(const Json& value, const std::string& field) const {
    if (!value.is_number()) Fail(field, "expected a number");
    return value.get<double>();
}

std::array<int, 4> SessionValues::Line(const Json& value, const std::string& field) const {
    if (!value.is_array() || value.size() != 4) {
        Fail(field, "expected an array of 4 integers [x1, y1, x2, y2]");
    }
    std::array<int, 4> line{};
    for (std::size_t k = 0; k < 4; ++k) {
        line[k] = Int(value[k], field + "[" + std::to_string(k) + "]");
    }
    if (line[0] == line[2] && line[1] == line[3]) Fail(field, "the two ends are the same point");
    return line;
}

CData SessionValues::Point(const Json& value, const std::string& field, CData point) const {
    if (!value.is_object()) Fail(field, "expected an object with \"pixel\" and \"value\"");
    CheckKeys(value, field, kPointKeys);
    if (const auto it = value.find("pixel"); it != value.end()) {
        if (!it->is_array() || it->size() != 2) Fail(field + ".pixel", "expected [x, y]");
        point.m_xPixel = Int((*it)[0], field + ".pixel[0]");
        point.m_yPixel = Int((*it)[1], field + ".pixel[1]");
    }
    if (const auto it = value.find("value"); it != value.end()) {
        if (!it->is_array() || it->size() != 2) Fail(field + ".value", "expected [x, y]");
        point.m_xValue = Number((*it)[0], field + ".value[0]");
        point.m_yValue = Number((*it)[1], field + ".value[1]");
    }
    return point;
}

CDataAxis SessionValues::Axis(const Json& value, const std::string& field) const {
    if (!value.is_object()) Fail(field, "expected an object");
    CheckKeys(value, field, kAxisKeys);
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

void SessionValues::EdgeFields(const Json& object, const std::string& prefix,
                               EdgeOptions& edge) const {
    if (const auto it = object.find("subPixel"); it != object.end()) {
        edge.subPixel = Bool(*it, prefix + "subPixel");
    }
    if (const auto it = object.find("lineWidth"); it != object.end()) {
        edge.lineWidth = Int(*it, prefix + "lineWidth", 1, kMaxLineWidth);
        if (!IsValidLineWidth(edge.lineWidth)) Fail(prefix + "lineWidth", "expected an odd number");
    }
    if (const auto it = object.find("smoothing"); it != object.end()) {
        edge.smoothing = Int(*it, prefix + "smoothing", kSmoothNone, kSmoothGaussian);
    }
    if (const auto it = object.find("smoothWidth"); it != object.end()) {
        edge.smoothWidth = Int(*it, prefix + "smoothWidth", kMinSmoothWidth, kMaxSmoothWidth);
        if (!IsValidSmoothWidth(edge.smoothWidth)) {
            Fail(prefix + "smoothWidth", "expected an odd number");
        }
    }
    if (const auto it = object.find("wholeLine"); it != object.end()) {
        edge.wholeLine = Bool(*it, prefix + "wholeLine");
    }
}
