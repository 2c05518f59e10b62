// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A session file's JSON text read into a tree for the session reader, within bounds. The shape
// of a session is checked as the text is read, so that nothing the reader would refuse is ever
// built whole: a key that no session has, a key given twice, an image list or a line list
// beyond the session limits, a list of cursors longer than the lines. Values of the wrong kind
// (an object where a number belongs) stand in the tree as empty containers, their contents
// skipped, and the reader then names them as it names any wrong value. So the tree costs a
// bounded multiple of what the session's records will cost, never what the text could make.

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

// The tree, and its teardown. The library's own destructor flattens a tree into a list it
// allocates, so it cannot run when memory has run out (it would end the program); this one
// takes the tree apart from its leaves without allocating.
class SessionTree {
public:
    using Json = nlohmann::json;

    SessionTree() = default;
    ~SessionTree() { Clear(); }
    SessionTree(const SessionTree&) = delete;
    SessionTree& operator=(const SessionTree&) = delete;

    Json& Root() { return m_root; }
    const Json& Root() const { return m_root; }
    void Clear();

private:
    Json m_root;
};

// Reads the text into the tree. Throws Json::parse_error (the text is no JSON) or
// Json::out_of_range (a number no double holds), SessionFailure (named as the session reader
// names its fields) for what is refused while reading, and std::bad_alloc. A session whose
// version this program does not read is read only up to that version, for the reader to say
// so. Comments are allowed.
void ReadSessionTree(std::string_view text, const std::string& name, SessionTree& tree);
