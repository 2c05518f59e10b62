// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The tidy table's text split into typed columns, for a data frame. Numbers are read from the
// very text the batch tool writes (the shortest form that reads back as the same double), so a
// column holds exactly the doubles a reader of the CSV gets.
struct TidyColumn {
    enum class Kind { Integer, Real, Text };
    std::string name;
    Kind kind = Kind::Real;
    std::vector<std::int64_t> integers;  // Integer: never empty in the table
    std::vector<double> reals;           // Real: NaN for an empty field
    std::vector<std::string> texts;      // Text
    std::vector<bool> present;           // Text: false for an empty field
};

// The kind of a column by its name: the counters are integers, the words and paths text, and
// every other column a real (empty fields, the frame of a one-picture file among them, are NaN).
TidyColumn::Kind TidyColumnKind(std::string_view name);

// Splits the table (comma-separated, RFC 4180 quoting, CR LF rows, a header row) into columns.
// Throws std::runtime_error naming the row and column where the text is not such a table.
std::vector<TidyColumn> SplitTidyTable(std::string_view table);
