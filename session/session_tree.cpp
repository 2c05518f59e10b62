// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_tree.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <span>
#include <vector>

#include "session/session_file.h"
#include "session/session_keys.h"
#include "session/session_limits.h"
#include "session/session_places.h"
#include "session/session_values.h"

namespace {

using Json = nlohmann::json;

// An open object or array of the tree, and the value being read in it.
struct Frame {
    Place place;
    Json* node;             // in the tree; stays put while its elements are read
    std::size_t count = 0;  // arrays: elements begun, kept or not
    bool overfull = false;  // a pair or a line with more elements than it may have
    std::string key;        // objects: the key whose value is being read
};

class TreeReader : private SessionValues {
public:
    TreeReader(const std::string& name, Json& root) : SessionValues(name), m_root(root) {
        m_frames.reserve(8);
    }

    // The library's event interface (nlohmann::json_sax).
    bool null() { return Value(Json()); }
    bool boolean(bool v) { return Value(Json(v)); }
    bool number_integer(Json::number_integer_t v) { return Value(Json(v)); }
    bool number_unsigned(Json::number_unsigned_t v) { return Value(Json(v)); }
    bool number_float(Json::number_float_t v, const Json::string_t&) { return Value(Json(v)); }
    bool string(Json::string_t& v) { return Value(Json(std::move(v))); }
    bool binary(Json::binary_t&) { return Value(Json()); }
    bool start_object(std::size_t) { return Open(Json(Json::value_t::object)); }
    bool end_object() { return Close(); }
    bool start_array(std::size_t) { return Open(Json(Json::value_t::array)); }
    bool end_array() { return Close(); }
    bool key(Json::string_t& key);
    [[noreturn]] bool parse_error(std::size_t, const std::string&,
                                  const nlohmann::detail::exception& error);

private:
    enum class Version { Unseen, Readable, Other };

    bool Value(Json&& value);
    bool Open(Json&& container);
    bool Close();
    // Where the next value goes: its place, or Unknown when it is not kept.
    Place NextPlace();
    Json& Insert(Json&& value);
    bool AfterInsert(const Json& value);
    std::size_t Bound(const Frame& frame) const;
    void CheckCount(const Frame& frame) const;
    // The field name of the value being read in the innermost `depth` frames.
    std::string Field(std::size_t depth) const;

    Json& m_root;
    std::vector<Frame> m_frames;
    std::size_t m_skipped = 0;  // depth inside a container that is not kept
    Place m_next = Place::Root;
    Version m_version = Version::Unseen;
    std::string m_unknown;  // the first unknown key met before the version was known
    bool m_linesRead = false;
    std::size_t m_lines = 0;   // once read
    std::size_t m_images = 0;  // once read
};

std::string TreeReader::Field(std::size_t depth) const {
    std::string field;
    for (std::size_t k = 0; k < depth; ++k) {
        const Frame& frame = m_frames[k];
        if (HoldsArray(frame.place)) {
            field += "[" + std::to_string(frame.count - 1) + "]";
        } else {
            field += (field.empty() ? "" : ".") + Printable(frame.key);
        }
    }
    return field;
}

bool TreeReader::key(Json::string_t& key) {
    if (m_skipped > 0) return true;
    Frame& frame = m_frames.back();
    frame.key = key;
    // The library would keep the second value; whichever one was meant, the file is wrong.
    if (frame.node->contains(key)) Fail(Field(m_frames.size()), "the key is given twice");
    m_next = PlaceOfKey(frame.place, key);
    if (m_next != Place::Unknown) return true;
    // A misspelt key is refused. Until the version is known it could be a newer program's
    // key, so it is only skipped then, and the version decides which message the file gets.
    if (m_version == Version::Readable) Fail(Field(m_frames.size()), "unknown key");
    if (m_unknown.empty()) m_unknown = Field(m_frames.size());
    return true;
}

Place TreeReader::NextPlace() {
    if (m_frames.empty()) return Place::Root;
    Frame& frame = m_frames.back();
    if (HoldsObject(frame.place)) return m_next;
    ++frame.count;
    if (frame.overfull) return Place::Unknown;
    if (frame.count > Bound(frame)) {
        if (frame.place == Place::Line || frame.place == Place::Pair) {
            // Left empty, for the reader to refuse as it refuses any line or pair of the wrong
            // length; its elements are scalars or empty, so they go without allocating.
            frame.overfull = true;
            frame.node->get_ref<Json::array_t&>().clear();
        }
        // Counted, not kept: the message at the end gives the whole count.
        return Place::Unknown;
    }
    return PlaceOfElement(frame.place);
}

Json& TreeReader::Insert(Json&& value) {
    if (m_frames.empty()) {
        m_root = std::move(value);
        return m_root;
    }
    Frame& frame = m_frames.back();
    if (HoldsArray(frame.place)) {
        auto& array = frame.node->get_ref<Json::array_t&>();
        array.push_back(std::move(value));
        return array.back();
    }
    auto& object = frame.node->get_ref<Json::object_t&>();
    return object.emplace(frame.key, std::move(value)).first->second;
}

// Learns the version as soon as it is read: a file of a version this program does not read is
// read no further, and the reader says which versions it takes.
bool TreeReader::AfterInsert(const Json& value) {
    if (m_frames.size() != 1 || m_frames.back().key != "quandrel-session") return true;
    const bool readable = (value.is_number_unsigned() && value.get<std::uint64_t>() >= 1 &&
                           value.get<std::uint64_t>() <= kSessionVersion) ||
                          (value.is_number_integer() && value.get<std::int64_t>() >= 1 &&
                           value.get<std::int64_t>() <= kSessionVersion);
    if (!readable) {
        m_version = Version::Other;
        return false;
    }
    m_version = Version::Readable;
    if (!m_unknown.empty()) Fail(m_unknown, "unknown key");
    return true;
}

bool TreeReader::Value(Json&& value) {
    if (m_skipped > 0) return true;
    if (NextPlace() == Place::Unknown) return true;
    return AfterInsert(Insert(std::move(value)));
}

bool TreeReader::Open(Json&& container) {
    if (m_skipped > 0) {
        ++m_skipped;
        return true;
    }
    const Place place = NextPlace();
    if (place == Place::Unknown) {
        m_skipped = 1;
        return true;
    }
    const bool fits = container.is_object() ? HoldsObject(place) : HoldsArray(place);
    Json& node = Insert(std::move(container));
    if (!fits) {
        // An empty one of its kind stands for it: the reader names the field as holding the
        // wrong kind of value, and its contents cost nothing.
        m_skipped = 1;
        return AfterInsert(node);
    }
    m_frames.push_back({place, &node, 0, false, {}});
    return true;
}

std::size_t TreeReader::Bound(const Frame& frame) const {
    switch (frame.place) {
        case Place::Line:
            return 4;
        case Place::Pair:
            return 2;
        case Place::Lines:
            return kMaxSessionLines / std::max<std::size_t>(m_images, 1);
        case Place::Images:
            return m_lines == 0
                       ? kMaxSessionImages
                       : std::min<std::size_t>(kMaxSessionImages, kMaxSessionLines / m_lines);
        case Place::Cursors:
        case Place::Marks:
        case Place::Rules:
        case Place::Measures:
            return m_linesRead ? m_lines : kMaxSessionLines;
        case Place::Detections:
            return kMaxSessionDetections;
        default:
            return std::numeric_limits<std::size_t>::max();
    }
}

void TreeReader::CheckCount(const Frame& frame) const {
    if (frame.count <= Bound(frame) || frame.overfull) return;
    const std::string field = Field(m_frames.size() - 1);
    if (frame.place == Place::Detections) {
        Fail(field, Entries(frame.count) + ", more than the " +
                        std::to_string(kMaxSessionDetections) + " that can differ");
    }
    if (frame.place == Place::Cursors || frame.place == Place::Marks ||
        frame.place == Place::Rules || frame.place == Place::Measures) {
        Fail(field, Entries(frame.count) + " for " +
                        (m_linesRead ? std::to_string(m_lines)
                                     : "at most " + std::to_string(kMaxSessionLines)) +
                        " scan lines");
    }
    const std::optional<SessionSizeProblem> size =
        frame.place == Place::Images
            ? CheckSessionSize(frame.count, m_lines)
            : CheckSessionSize(std::max<std::size_t>(m_images, 1), frame.count);
    if (size) Fail(size->field, size->problem);
}

bool TreeReader::Close() {
    if (m_skipped > 0) {
        --m_skipped;
        return true;
    }
    const Frame& frame = m_frames.back();
    CheckCount(frame);
    if (frame.place == Place::Lines && m_frames.size() == 2) {
        m_linesRead = true;
        m_lines = frame.count;
    } else if (frame.place == Place::Images && m_frames.size() == 2) {
        m_images = frame.count;
    }
    m_frames.pop_back();
    return true;
}

bool TreeReader::parse_error(std::size_t, const std::string&,
                             const nlohmann::detail::exception& error) {
    if (const auto* syntax = dynamic_cast<const Json::parse_error*>(&error)) throw *syntax;
    if (const auto* range = dynamic_cast<const Json::out_of_range*>(&error)) throw *range;
    Fail("", error.what());
}

bool HasChildren(const Json& value) {
    return (value.is_array() || value.is_object()) && !value.empty();
}

Json& LastChild(Json& value) {
    if (value.is_array()) return value.get_ref<Json::array_t&>().back();
    return std::prev(value.get_ref<Json::object_t&>().end())->second;
}

void RemoveLast(Json& value) {
    if (value.is_array()) {
        value.get_ref<Json::array_t&>().pop_back();
    } else {
        auto& object = value.get_ref<Json::object_t&>();
        object.erase(std::prev(object.end()));
    }
}

}  // namespace

void SessionTree::Clear() {
    // Leaves first, from the last: what is removed has no children, so its destructor has
    // nothing to flatten. Each pass goes down from the top again (a session is a few levels
    // deep) and then removes the leaves of one container.
    while (HasChildren(m_root)) {
        Json* node = &m_root;
        while (HasChildren(LastChild(*node))) node = &LastChild(*node);
        do {
            RemoveLast(*node);
        } while (HasChildren(*node) && !HasChildren(LastChild(*node)));
    }
    m_root = Json();
}

void ReadSessionTree(std::string_view text, const std::string& name, SessionTree& tree) {
    tree.Clear();
    TreeReader reader(name, tree.Root());
    // Comments are allowed: a session is often annotated by hand.
    Json::sax_parse(text.begin(), text.end(), &reader, nlohmann::json::input_format_t::json, true,
                    true);
}
