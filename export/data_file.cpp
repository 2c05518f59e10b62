// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/data_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

#include "export/image_measures.h"
#include "export/large_pages.h"
#include "export/number_format.h"

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr std::string_view kNoDataPair = "\tNo Data\tNo Data";
constexpr std::string_view kAxisNotice =
    "\r\nAxis setting is not appropriate. Data can't be converted.\r\n";

// Longest text of the pieces of a row, so that a row is built in a buffer that cannot overflow
// and the whole file is reserved at once.
constexpr std::size_t kMaxFileNumber = 11;  // "%d" of an int
constexpr std::size_t kMaxPixelPair = std::max(2 * (1 + kMaxInt10Chars), kNoDataPair.size());
constexpr std::size_t kMaxValuePair = std::max(2 * (1 + kMaxExpChars), kNoDataPair.size());
constexpr std::size_t kMaxMeasureRow = kMaxFileNumber + kMaxExpChars + 1 + kEol.size();

// What the length or area section says about one record.
struct Measure {
    enum class Kind { NoCalibration, NoValue, Value } kind = Kind::NoValue;
    double value = 0.0;
};

char* Put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

char* PutFileNumber(char* out, int index) {
    return std::to_chars(out, out + kMaxFileNumber, index + 1).ptr;
}

void AppendHeader(std::string& out, int lineCount) {
    out += "File No.";
    for (int p = 1; p <= lineCount; ++p) {
        char buf[kMaxFileNumber];
        const std::string_view number(buf, std::to_chars(buf, buf + sizeof buf, p).ptr);
        out += "\tPt";
        out += number;
        out += "_x\tPt";
        out += number;
        out += "_y";
    }
    out += kEol;
}

// The row buffer has room for the longest row of a section.
char* PutPixelRow(char* out, int i, const ImageMeasures& m) {
    out = PutFileNumber(out, i);
    for (const EdgeMeasure& point : m.points) {
        if (!point.present) {
            out = Put(out, kNoDataPair);
            continue;
        }
        *out++ = '\t';
        out = WriteInt10(out, point.dx);
        *out++ = '\t';
        out = WriteInt10(out, point.dy);
    }
    return Put(out, kEol);
}

// The converted row of a record whose calibration converts.
char* PutValueRow(char* out, int i, const ImageMeasures& m) {
    out = PutFileNumber(out, i);
    for (const EdgeMeasure& point : m.points) {
        if (!point.present) {
            out = Put(out, kNoDataPair);
            continue;
        }
        *out++ = '\t';
        out = WriteExp(out, point.value.x);
        *out++ = '\t';
        out = WriteExp(out, point.value.y);
    }
    return Put(out, kEol);
}

// What the length or area section says of a record.
Measure MeasureOf(const ImageMeasures& m, const std::optional<double>& value) {
    if (!m.converts) return {Measure::Kind::NoCalibration, 0.0};
    if (!value) return {};
    return {Measure::Kind::Value, *value};
}

void AppendMeasureSection(std::string& out, std::string_view title,
                          const std::vector<Measure>& measures) {
    out += kEol;
    out += title;
    out += kEol;
    char row[kMaxMeasureRow];
    for (std::size_t i = 0; i < measures.size(); ++i) {
        const Measure& m = measures[i];
        char* end = row;
        if (m.kind != Measure::Kind::NoCalibration) end = PutFileNumber(end, static_cast<int>(i));
        // No tab before the value: its leading blank separates it from the file number.
        if (m.kind == Measure::Kind::Value) end = WriteExp(end, m.value);
        *end++ = '\t';
        end = Put(end, kEol);
        out.append(row, end);
    }
}

}  // namespace

std::optional<std::string> BuildDataFile(const CDataProfile& profile, bool measureLength,
                                         bool measureArea) {
    const int recordCount = profile.GetSize();
    if (recordCount == 0) return std::nullopt;
    // Every record has the same lines; the first one says how many.
    const int lineCount = MeasuredLineCount(profile);
    if (lineCount == 0) return std::nullopt;

    const auto records = static_cast<std::size_t>(recordCount);
    const auto lines = static_cast<std::size_t>(lineCount);
    const std::size_t pixelRow = kMaxFileNumber + lines * kMaxPixelPair + kEol.size();
    const std::size_t valueRow =
        std::max(kMaxFileNumber + lines * kMaxValuePair + kEol.size(), kAxisNotice.size());
    const std::size_t header = 16 + lines * 2 * (4 + kMaxFileNumber + 2);
    // Reserved address space that is never written costs nothing, so the bound may be loose.
    std::string out;
    out.reserve(64 + 2 * header + records * (pixelRow + valueRow + 2 * kMaxMeasureRow));
    AdviseLargePages(out);
    std::vector<char> row(std::max(pixelRow, valueRow));

    out += "Pixcel Value";
    out += kEol;
    AppendHeader(out, lineCount);
    // Each section in a pass of its own: the pixel pass needs no conversion, and the value
    // pass converts every point once.
    ImageMeasures measures;
    for (int i = 0; i < recordCount; ++i) {
        MeasurePixels(profile, i, lineCount, measures);
        out.append(row.data(), PutPixelRow(row.data(), i, measures));
    }

    out += kEol;
    out += "Converted Value";
    out += kEol;
    AppendHeader(out, lineCount);
    std::vector<Measure> lengths(records);
    std::vector<Measure> areas(records);
    for (int i = 0; i < recordCount; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        MeasureImage(profile, i, lineCount, measures);
        lengths[slot] = MeasureOf(measures, measures.length);
        areas[slot] = MeasureOf(measures, measures.area);
        if (measures.converts) {
            out.append(row.data(), PutValueRow(row.data(), i, measures));
        } else {
            // The record keeps its place among the entries but has no number.
            out += kAxisNotice;
        }
    }

    if (measureLength) AppendMeasureSection(out, "Line Length", lengths);
    if (measureArea) AppendMeasureSection(out, "Area", areas);
    return out;
}
