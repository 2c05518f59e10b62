// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The values of a session file's fields, read strictly: each reader takes the field's name for
// its message, and any value that is not what the field holds fails with that message. Used by
// the session reader only.

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/data_axis.h"
#include "model/edge_options.h"

// Thrown by the readers with the whole message; the session reader turns it into its result.
struct SessionFailure {
    std::string message;
    std::string field;  // the field at fault, empty for the file as a whole
};

class SessionValues {
public:
    using Json = nlohmann::json;

    explicit SessionValues(const std::string& name) : m_name(name) {}

    [[noreturn]] void Fail(const std::string& field, const std::string& problem) const;

    // Every key must be one that this program reads: a misspelt key would leave the default in
    // its place and give a wrong result without a word. The lists are in session_keys.h.
    void CheckKeys(const Json& object, const std::string& field,
                   std::span<const std::string_view> known) const;

    // The value as an integer in lo..hi, or nullopt when it is no integer or out of the range.
    static std::optional<int> AsInt(const Json& value, long long lo, long long hi);

    int Int(const Json& value, const std::string& field, long long lo, long long hi) const;
    // Any 32-bit integer.
    int Int(const Json& value, const std::string& field) const;
    bool Bool(const Json& value, const std::string& field) const;
    double Number(const Json& value, const std::string& field) const;

    // A scan line: four integers whose two ends differ.
    std::array<int, 4> Line(const Json& value, const std::string& field) const;
    // A calibration; every part left out keeps the default calibration's.
    CDataAxis Axis(const Json& value, const std::string& field) const;
    // The detection's finer options of an object (the session, or a detection's settings),
    // each optional: absent keeps what `edge` holds. `prefix` goes before each key's name.
    void EdgeFields(const Json& object, const std::string& prefix, EdgeOptions& edge) const;

    static std::string Range(long long lo, long long hi);
    // "1 entry", "3 entries".
    static std::string Entries(std::size_t n);
    // The key as a message can show it: control bytes (a NUL would end the message) escaped.
    static std::string Printable(const std::string& key);

private:
    CData Point(const Json& value, const std::string& field, CData point) const;

    std::string m_name;
};
