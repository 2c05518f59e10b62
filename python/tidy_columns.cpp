// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/tidy_columns.h"

#include <charconv>
#include <limits>
#include <stdexcept>

namespace {

// One field from `at`, unquoted; `at` ends past its delimiter or row end. `rowEnd` says whether
// the field was the last of its row.
std::string NextField(std::string_view text, std::size_t& at, bool& rowEnd) {
    std::string field;
    if (at < text.size() && text[at] == '"') {
        for (++at; at < text.size(); ++at) {
            if (text[at] != '"') {
                field += text[at];
            } else if (at + 1 < text.size() && text[at + 1] == '"') {
                field += '"';
                ++at;
            } else {
                ++at;
                break;
            }
        }
    } else {
        const std::size_t end = text.find_first_of(",\r\n", at);
        field.assign(text.substr(at, end == std::string_view::npos ? text.size() - at : end - at));
        at = end == std::string_view::npos ? text.size() : end;
    }
    rowEnd = at >= text.size() || text[at] != ',';
    if (!rowEnd) {
        ++at;
    } else if (at < text.size()) {
        at += text.compare(at, 2, "\r\n") == 0 ? 2 : 1;
    }
    return field;
}

std::vector<std::string> NextRow(std::string_view text, std::size_t& at) {
    std::vector<std::string> row;
    bool rowEnd = false;
    while (!rowEnd) row.push_back(NextField(text, at, rowEnd));
    return row;
}

[[noreturn]] void Refuse(std::size_t row, const std::string& column, const std::string& what) {
    throw std::runtime_error("the table's row " + std::to_string(row) + ", column " + column +
                             ": " + what);
}

}  // namespace

TidyColumn::Kind TidyColumnKind(std::string_view name) {
    if (name == "image" || name == "line") return TidyColumn::Kind::Integer;
    if (name == "path" || name == "status" || name == "found_with" || name == "rule" ||
        name == "edge_status") {
        return TidyColumn::Kind::Text;
    }
    return TidyColumn::Kind::Real;
}

std::vector<TidyColumn> SplitTidyTable(std::string_view table) {
    std::vector<TidyColumn> columns;
    std::size_t at = 0;
    for (std::string& name : NextRow(table, at)) {
        TidyColumn column;
        column.kind = TidyColumnKind(name);
        column.name = std::move(name);
        columns.push_back(std::move(column));
    }
    for (std::size_t row = 1; at < table.size(); ++row) {
        const std::vector<std::string> fields = NextRow(table, at);
        if (fields.size() != columns.size()) {
            Refuse(row, "*",
                   std::to_string(fields.size()) + " fields under " +
                       std::to_string(columns.size()) + " names");
        }
        for (std::size_t c = 0; c < columns.size(); ++c) {
            TidyColumn& column = columns[c];
            const std::string& field = fields[c];
            const char* first = field.data();
            const char* last = first + field.size();
            switch (column.kind) {
                case TidyColumn::Kind::Text:
                    column.present.push_back(!field.empty());
                    column.texts.push_back(field);
                    break;
                case TidyColumn::Kind::Integer: {
                    std::int64_t value = 0;
                    const auto [end, error] = std::from_chars(first, last, value);
                    if (field.empty() || error != std::errc() || end != last) {
                        Refuse(row, column.name, "not an integer: \"" + field + "\"");
                    }
                    column.integers.push_back(value);
                    break;
                }
                case TidyColumn::Kind::Real: {
                    double value = std::numeric_limits<double>::quiet_NaN();
                    if (!field.empty()) {
                        // from_chars rounds correctly, as any exact reader of the text does;
                        // "inf", "-inf" and "nan" are read as what they say.
                        const auto [end, error] = std::from_chars(first, last, value);
                        if (error != std::errc() || end != last) {
                            Refuse(row, column.name, "not a number: \"" + field + "\"");
                        }
                    }
                    column.reals.push_back(value);
                    break;
                }
            }
        }
    }
    return columns;
}
