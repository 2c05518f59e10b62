// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads a tidy table and the data file of the same records and checks that they hold the same
// numbers: each number of the table, formatted as the data file formats it, must be the data
// file's text for the same image and line; pixels must also be equal as integers.

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/number_format.h"

namespace tidy_check {

using Row = std::vector<std::string>;

// RFC 4180 records: fields split at the delimiter outside quotes, records at CR LF.
inline std::vector<Row> ParseCsv(std::string_view text, char delimiter) {
    std::vector<Row> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (c == '"' && quoted && k + 1 < text.size() && text[k + 1] == '"') {
            field += text[++k];
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == delimiter || text.substr(k, 2) == "\r\n")) {
            rows.back().push_back(std::move(field));
            field.clear();
            if (c == '\r') {
                rows.emplace_back();
                ++k;
            }
        } else {
            field += c;
        }
    }
    if (!field.empty() || !rows.back().empty()) return {};  // no line end after the last row
    rows.pop_back();
    return rows;
}

// The data file, one entry per record in each section.
struct DatFile {
    std::vector<Row> pixels;                    // after the file number, split at tabs
    std::vector<std::optional<Row>> converted;  // nullopt: the calibration notice
    // The measure rows' numbers ("" for none); nullopt for a row without a file number.
    std::vector<std::optional<std::string>> length, area;
};

inline Row SplitTabsAfterNumber(std::string_view line) {
    Row fields;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;) {
        const std::size_t next = line.find('\t', tab + 1);
        fields.emplace_back(line.substr(tab + 1, next - tab - 1));
        tab = next;
    }
    return fields;
}

inline DatFile ParseDat(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0, eol; (eol = text.find("\r\n", start)) != text.npos;) {
        lines.push_back(text.substr(start, eol - start));
        start = eol + 2;
    }
    lines.emplace_back();  // so that every section ends at an empty line
    DatFile dat;
    std::size_t k = 2;  // past the title and the header
    for (; k < lines.size() && !lines[k].empty(); ++k) {
        dat.pixels.push_back(SplitTabsAfterNumber(lines[k]));
    }
    for (k += 3; k + 1 < lines.size() && dat.converted.size() < dat.pixels.size(); ++k) {
        if (lines[k].empty()) {
            dat.converted.emplace_back();
            ++k;  // the notice
        } else {
            dat.converted.emplace_back(SplitTabsAfterNumber(lines[k]));
        }
    }
    while (k + 1 < lines.size()) {
        auto& section = lines[++k] == "Area" ? dat.area : dat.length;
        for (++k; k < lines.size() && !lines[k].empty(); ++k) {
            const std::string_view row = lines[k].substr(0, lines[k].size() - 1);  // the tab
            const std::size_t value = row.find_first_not_of("0123456789");
            if (row.empty()) {
                section.emplace_back();
            } else {
                section.emplace_back(value == row.npos ? "" : row.substr(value));
            }
        }
    }
    return dat;
}

// Empty when the table and the data file agree, or what differs; `numbers` counts the numbers
// compared.
inline std::string Compare(std::string_view csv, char delimiter, char decimal,
                           std::string_view datText, std::size_t& numbers) {
    const DatFile dat = ParseDat(datText);
    const std::vector<Row> rows = ParseCsv(csv, delimiter);
    const std::size_t lines = dat.pixels.empty() ? 0 : dat.pixels[0].size() / 2;
    const auto whole = [&](const auto& section) {
        return section.empty() || section.size() == dat.pixels.size();
    };
    if (dat.converted.size() != dat.pixels.size() || !whole(dat.length) || !whole(dat.area)) {
        return "an unreadable data file";
    }
    if (rows.empty() || rows.size() != 1 + dat.pixels.size() * lines) return "row count";
    const Row& header = rows[0];
    const auto has = [&header](const char* name) {
        return std::find(header.begin(), header.end(), name) != header.end();
    };
    if (has("length") == dat.length.empty() || has("area") == dat.area.empty() ||
        header[header.size() - 2] != "status" || header.back() != "found_with") {
        return "the measure columns are not the data file's sections";
    }
    std::string problems;
    const auto expect = [&](bool ok, std::size_t r, const std::string& what) {
        if (!ok && problems.size() < 2000) problems += "row " + std::to_string(r) + ": " + what;
    };
    // A number of the table formatted as the data file formats it; nullopt if it is none.
    const auto dat10 = [&](std::string field, bool integer) -> std::optional<std::string> {
        for (char& c : field) c = c == decimal ? '.' : c;
        const char* end = field.data() + field.size();
        long long i = 0;
        double v = 0.0;
        const auto read =
            integer ? std::from_chars(field.data(), end, i) : std::from_chars(field.data(), end, v);
        if (read.ec != std::errc() || read.ptr != end) return std::nullopt;
        ++numbers;
        std::string text;
        integer ? AppendInt10(text, i) : AppendExp(text, v);
        return text;
    };
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const Row& row = rows[r];
        const std::size_t i = (r - 1) / lines;
        const std::size_t j = (r - 1) % lines;
        expect(row.size() == header.size(), r, "field count\n");
        if (row.size() != header.size()) continue;
        expect(row[0] == std::to_string(i + 1) && row[2] == std::to_string(j + 1), r,
               "image or line number\n");
        // A row holds a measurement exactly where the data file has one, and says so.
        const std::string& status = row[row.size() - 2];
        if (dat.pixels[i][2 * j] == "No Data") {
            expect(status.empty() || status == "pending" || status == "unreadable", r,
                   "status " + status + " without a measurement\n");
        } else {
            expect(status == "detected" || status == "hand-placed" || status == "kept", r,
                   "status " + status + " for a measurement\n");
        }
        // The settings a detection was found with, and only for a detection.
        expect(row.back().empty() == (status != "detected"), r, "found_with " + row.back() + "\n");
        for (std::size_t c = 0; c < 2; ++c) {
            const std::string& pixel = dat.pixels[i][2 * j + c];
            if (pixel == "No Data") {
                expect(row[3 + c].empty() && row[5 + c].empty() && row[7 + c].empty(), r,
                       "a number for a line the image lacks\n");
                continue;
            }
            // Equal as integers: the data file's text without its padding, read back.
            const std::string digits = pixel.substr(pixel.find_first_not_of(' '));
            expect(dat10(row[5 + c], true) == pixel && row[5 + c] == digits, r,
                   "pixel " + row[5 + c] + " for \"" + pixel + "\"\n");
            const std::optional<Row>& values = dat.converted[i];
            if (!values) {
                expect(row[7 + c].empty(), r, "a value without a calibration\n");
            } else {
                expect(dat10(row[7 + c], false) == (*values)[2 * j + c], r,
                       "value " + row[7 + c] + " for \"" + (*values)[2 * j + c] + "\"\n");
            }
        }
        std::size_t column = 9;
        for (const auto* section : {&dat.length, &dat.area}) {
            if (section->empty()) continue;
            const std::string expected = (*section)[i].value_or("");
            const std::string& field = row[column++];
            expect(expected.empty() ? field.empty() : dat10(field, false) == expected, r,
                   "measure " + field + " for \"" + expected + "\"\n");
        }
    }
    return problems;
}

}  // namespace tidy_check
