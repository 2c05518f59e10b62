// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A result's provenance: the sidecar file written beside a table, saying which program made it,
// when, from which session with which options, and from which input files, each with its size,
// modification time and SHA-256, so that `quandrel-batch verify` can tell later whether any of
// them changed since.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/session_file.h"

// The sidecar of the output at `output`: OUT.csv.json beside OUT.csv. The whole name is kept so
// that the sidecar of s.csv can never be s.json, the session it was measured from.
std::string ProvenancePathOf(const std::string& output);

// The SHA-256 of the bytes, as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// One input as it stands on disk now.
struct InputStamp {
    std::string path;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // nanoseconds since 1970-01-01 UTC
    std::string sha256;
};

// Stamps and hashes the file at `path` (read whole, in pieces). Empty, or why not, in the
// system's words ("No such file or directory").
std::string StampInput(const std::string& path, InputStamp& stamp);

// What a sidecar records that its writer knows.
struct ProvenanceFacts {
    std::string program;                   // "quandrel-batch" or "quandrel"
    std::vector<std::string> commandLine;  // as the program was started
    std::string output;                    // the result the sidecar describes
    std::string sessionPath;               // the session file, or empty for none
    std::string sessionSha256;
    std::optional<std::string> options;    // the session's settings as JSON, or none
    std::vector<std::string> inputs;       // the files the result was made from
};

// The session's settings as the JSON object of a session file holds them, its image list left
// out (the inputs list the files): channel, rule, edge options, lines and their rules, the
// calibration, the time rule. None when the session cannot be written as text.
std::optional<std::string> SessionOptionsJson(const Session& session);

// The files a session's results are made from: the session file (when it has one) and every
// distinct image file, in list order.
std::vector<std::string> SessionInputs(const Session& session);

struct ProvenanceText {
    std::optional<std::string> text;
    std::string error;  // names the path that JSON cannot hold
};

// The sidecar's JSON text, with the date now (UTC) and every input stamped and hashed now;
// paths are made absolute so that the sidecar can be verified from any folder. An input that
// cannot be read is recorded with its "error" and null size, time and hash.
ProvenanceText BuildProvenance(const ProvenanceFacts& facts);

// The current time as ISO 8601 in UTC, to the second: 2026-12-09T01:50:07Z.
std::string UtcNow();
