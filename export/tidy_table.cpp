// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/tidy_table.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "export/csv_field.h"
#include "export/image_measures.h"
#include "export/large_pages.h"
#include "export/tidy_caliper.h"

using namespace tidy_fields;

namespace {

constexpr std::string_view kEol = "\r\n";

// Longest text of each kind of field, so that rows are built in a buffer that cannot overflow
// and the whole table is reserved at once.
// x, y, dx and dy, and the two values, each after a delimiter (the line number comes before).
constexpr std::size_t kMaxPoint = 4 * (1 + kMaxInt) + 2 * (1 + kMaxReal);
// The sub-pixel position, point and values, each after a delimiter.
constexpr std::size_t kMaxSubFields = 5 * (1 + kMaxReal);
// The status after its delimiter ("hand-placed" is the longest word), and the delimiter before
// the settings a detection was found with, whose longest is measured on the record list.
constexpr std::size_t kMaxStatus = 1 + 11 + 1;

std::size_t DigitCount(int value) {
    std::size_t digits = 1;
    for (; value >= 10; value /= 10) ++digits;
    return digits;
}

void AppendHeader(std::string& out, char d, bool frames, bool measureLength, bool measureArea,
                  bool subPixel, const TidyCaliperColumns* caliper, bool times) {
    for (const char* name : {"image", "path"}) (out += name) += d;
    if (frames) (out += "frame") += d;
    if (times) (out += "time") += d;
    for (const char* name : {"line", "x", "y", "dx", "dy", "value_x"}) {
        out += name;
        out += d;
    }
    out += "value_y";
    if (subPixel) {
        for (const char* name : {"position", "x_sub", "y_sub", "value_x_sub", "value_y_sub"}) {
            (out += d) += name;
        }
    }
    if (measureLength) (out += d) += "length";
    if (measureArea) (out += d) += "area";
    (out += d) += "status";
    (out += d) += "found_with";
    if (caliper != nullptr) caliper->AppendHeader(out, d);
    out += kEol;
}

// A frame's number and its delimiter: 19 digits of an int64 and one byte.
constexpr std::size_t kMaxFrameField = 20;

// The image's length and area, the same on each of its rows, each after a delimiter.
std::string_view MeasureFields(char* buffer, const ImageMeasures& m, bool measureLength,
                               bool measureArea, const Format& f) {
    char* out = buffer;
    if (measureLength) {
        *out++ = f.delimiter;
        if (m.length) out = PutReal(out, *m.length, f.decimal);
    }
    if (measureArea) {
        *out++ = f.delimiter;
        if (m.area) out = PutReal(out, *m.area, f.decimal);
    }
    return {buffer, static_cast<std::size_t>(out - buffer)};
}

char* PutPoint(char* out, int line, const EdgeMeasure& point, bool converts, const Format& f) {
    out = PutInt(out, line + 1);
    if (!point.present) {
        std::memset(out, f.delimiter, 6);
        return out + 6;
    }
    *out++ = f.delimiter;
    out = PutInt(out, point.pixel.x);
    *out++ = f.delimiter;
    out = PutInt(out, point.pixel.y);
    *out++ = f.delimiter;
    out = PutInt(out, point.dx);
    *out++ = f.delimiter;
    out = PutInt(out, point.dy);
    *out++ = f.delimiter;
    if (converts) out = PutReal(out, point.value.x, f.decimal);
    *out++ = f.delimiter;
    if (converts) out = PutReal(out, point.value.y, f.decimal);
    return out;
}

// The sub-pixel fields of line j on image i, each after a delimiter; empty where the line has no
// sub-pixel edge or no measurement.
char* PutSubPixel(char* out, const CDataProfile& profile, int i, int j, const EdgeMeasure& point,
                  bool converts, const Format& f) {
    const CScan* line = profile.GetLine(i, 0, j);
    if (!point.present || line == nullptr || !line->HasSubPos()) {
        std::memset(out, f.delimiter, 5);
        return out + 5;
    }
    // A rule that reads the straight line puts its edge there.
    const CaliperRule* rule = profile.RuleOf(*line);
    const CPointF p = rule != nullptr && rule->bilinear && line->m_measure
                          ? line->ExactPointAt(line->m_dSubPos)
                          : line->SubPoint();
    for (const double v : {line->m_dSubPos, p.x, p.y}) {
        *out++ = f.delimiter;
        out = PutReal(out, v, f.decimal);
    }
    AxisValue value;
    const CDataAxis* axis = profile.GetAxis(i);
    converts = converts && axis != nullptr;
    if (converts) value = AxisFrame(*axis).Convert(p.x, p.y);
    *out++ = f.delimiter;
    if (converts) out = PutReal(out, value.x, f.decimal);
    *out++ = f.delimiter;
    if (converts) out = PutReal(out, value.y, f.decimal);
    return out;
}

}  // namespace

std::optional<std::string> BuildTidyTable(const CDataProfile& profile, bool measureLength,
                                          bool measureArea, const TidyOptions& options,
                                          const UnreadableImages& unreadable) {
    const int recordCount = profile.GetSize();
    const int lineCount = MeasuredLineCount(profile);
    if (recordCount == 0 || lineCount == 0) return std::nullopt;
    const Format f = options.delimiter == TidyOptions::Delimiter::Semicolon ? Format{';', ','}
                                                                            : Format{',', '.'};

    // Every row repeats its image's number and path, which are summed over the images, so that
    // long or escaped paths are reserved for and short ones cost nothing extra.
    const auto lines = static_cast<std::size_t>(lineCount);
    // The page or frame of a stack or video, only where the list holds one: a list of single
    // pictures keeps its table as it always was.
    const bool frames = std::any_of(profile.m_arSeries.begin(), profile.m_arSeries.end(),
                                    [](const auto& s) { return s && s->m_nFrame >= 0; });
    std::size_t longestLead = 0;
    std::size_t leadBytes = 0;
    for (int i = 0; i < recordCount; ++i) {
        const CScanSeries* series = profile.GetSeries(i);
        const std::size_t lead =
            DigitCount(i + 1) + 2 + (frames ? kMaxFrameField : 0) +
            (series != nullptr ? PathFieldSize(series->m_strPath, f.delimiter) : 0) +
            (options.times != nullptr ? kMaxReal + 1 : 0);
        longestLead = std::max(longestLead, lead);
        leadBytes += lead;
    }
    // The few settings detections were found with, spelt once; a caliper rule's words have no
    // bound but their numbers', so the longest is measured.
    std::vector<std::string> foundWith;
    std::size_t longestFoundWith = 0;
    for (const DetectionSettings& settings : profile.m_detections) {
        foundWith.push_back(FoundWithWords(&settings));
        longestFoundWith = std::max(longestFoundWith, foundWith.back().size());
    }
    std::optional<TidyCaliperColumns> caliper;
    if (TidyCaliperColumns::Wanted(profile, lineCount)) caliper.emplace(profile);
    const std::size_t tailSize = (measureLength ? 1 + kMaxReal : 0) +
                                 (measureArea ? 1 + kMaxReal : 0) + kMaxStatus + longestFoundWith +
                                 (caliper ? caliper->MaxBytes() : 0) + kEol.size();
    const std::size_t fixedRow = DigitCount(lineCount) + kMaxPoint + tailSize +
                                 (options.subPixel ? kMaxSubFields : 0);
    // Address space reserved and never written costs nothing, so the bound may be loose.
    std::string out;
    out.reserve(128 + lines * (leadBytes + static_cast<std::size_t>(recordCount) * fixedRow));
    AdviseLargePages(out);

    AppendHeader(out, f.delimiter, frames, measureLength, measureArea, options.subPixel,
                 caliper ? &*caliper : nullptr, options.times != nullptr);
    // Rows are built in a block and appended a block at a time; a block holds all of an image's
    // rows unless they are very many.
    const std::size_t longestRow = longestLead + fixedRow;
    const std::size_t blockRows = std::clamp<std::size_t>((1u << 20) / longestRow, 1, lines);
    std::vector<char> block(blockRows * longestRow);
    char* const blockEnd = block.data() + block.size();
    std::string lead;
    char measureBuffer[2 * (1 + kMaxReal)];
    ImageMeasures measures;
    for (int i = 0; i < recordCount; ++i) {
        MeasureImage(profile, i, lineCount, measures, !IsUnreadable(unreadable, i));
        std::optional<AxisFrame> frame;
        if (caliper && measures.converts) frame.emplace(*profile.GetAxis(i));
        // The image's number and path, the same on each of its rows.
        lead.clear();
        char number[kMaxInt];
        lead.append(number, PutInt(number, i + 1));
        lead += f.delimiter;
        const CScanSeries* series = profile.GetSeries(i);
        if (series != nullptr) AppendPathField(lead, series->m_strPath, f.delimiter);
        lead += f.delimiter;
        if (frames) {
            // Empty for a file of one picture among the pages.
            if (series != nullptr && series->m_nFrame >= 0) {
                lead += std::to_string(series->m_nFrame);
            }
            lead += f.delimiter;
        }
        if (options.times != nullptr) {
            const auto entry = static_cast<std::size_t>(i);
            const std::vector<double>& seconds = options.times->seconds;
            if (entry < seconds.size() && !std::isnan(seconds[entry])) {
                char time[kMaxReal];
                lead.append(time, PutReal(time, seconds[entry], f.decimal));
            }
            lead += f.delimiter;
        }
        const std::string_view measureFields =
            MeasureFields(measureBuffer, measures, measureLength, measureArea, f);

        char* row = block.data();
        for (int j = 0; j < lineCount; ++j) {
            if (static_cast<std::size_t>(blockEnd - row) < longestRow) {
                out.append(block.data(), row);
                row = block.data();
            }
            const EdgeMeasure& point = measures.points[static_cast<std::size_t>(j)];
            row = Put(row, lead);
            row = PutPoint(row, j, point, measures.converts, f);
            if (options.subPixel) row = PutSubPixel(row, profile, i, j, point, measures.converts, f);
            row = Put(row, measureFields);
            *row++ = f.delimiter;
            row = Put(row, StatusWord(point.status));
            *row++ = f.delimiter;
            if (point.status == LineStatus::Detected || point.status == LineStatus::NotFound ||
                point.status == LineStatus::Lost) {
                const std::uint32_t found = profile.GetLine(i, 0, j)->m_nFound;
                if (found < foundWith.size()) row = Put(row, foundWith[found]);
            }
            if (caliper) {
                row = caliper->Put(row, profile, i, j, point, frame ? &*frame : nullptr, f);
            }
            row = Put(row, kEol);
        }
        out.append(block.data(), row);
    }
    return out;
}
