// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text fields of a delimited table in the quoting of RFC 4180.

// True when the bytes are well-formed UTF-8: no stray continuation bytes, no truncated, overlong
// or surrogate sequences, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);

// The field as written: as it is, or in double quotes, with each quote doubled, when it holds
// the delimiter, a quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view text, char delimiter);

// A file path as a field. A path of well-formed UTF-8 is written as it is (quoted as above).
// Any other path (a name made in another encoding) is written as a file URI instead, so that the
// table stays UTF-8 without naming a different file: "file://" (for an absolute path) or "file:"
// (for a relative one), then the path's bytes with every byte other than A-Z a-z 0-9 - . _ ~ /
// as %XX (upper-case hex). A path that itself begins with "file:" is escaped the same way, so a
// field reads back without doubt: one beginning with "file:" is percent-decoded after "file://"
// or "file:", any other is the path itself.
void AppendPathField(std::string& out, std::string_view path, char delimiter);

// The number of bytes AppendPathField writes for the path.
std::size_t PathFieldSize(std::string_view path, char delimiter);
