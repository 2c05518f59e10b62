#include "export/data_file.h"

#include <sys/mman.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

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

// Line j of a record, or null when the record does not have it.
const CScan* LineOf(const CScanArray* lines, int j) {
    if (lines == nullptr || j >= lines->GetSize()) return nullptr;
    return lines->m_arLine[static_cast<std::size_t>(j)].get();
}

// The row buffer has room for the longest row of a section.
char* PutPixelRow(char* out, const CDataProfile& profile, int i, int lineCount) {
    // A record without a calibration object (which the profile never makes) is measured from
    // the default origin rather than read through a null pointer.
    static const CDataAxis kFallbackAxis;
    const CDataAxis* axis = profile.GetAxis(i);
    const CData& origin = (axis != nullptr ? *axis : kFallbackAxis).m_origin;
    const CScanArray* lines = profile.GetArray(i, 0);

    out = PutFileNumber(out, i);
    for (int j = 0; j < lineCount; ++j) {
        const CScan* line = LineOf(lines, j);
        if (line == nullptr) {
            out = Put(out, kNoDataPair);
            continue;
        }
        // Relative to the record's own origin, rows counted upwards. 64-bit, so that a
        // calibration point typed far off the picture cannot overflow the difference.
        *out++ = '\t';
        out = WriteInt10(out, static_cast<long long>(line->m_ptCur.x) - origin.m_xPixel);
        *out++ = '\t';
        out = WriteInt10(out, static_cast<long long>(origin.m_yPixel) - line->m_ptCur.y);
    }
    return Put(out, kEol);
}

// The length and area of one record from its converted points, in line order. Both sums are
// accumulated in exactly this order so that the last bits agree with every other build of the
// file.
void Measure2D(const std::vector<AxisValue>& values, Measure& length, Measure& area) {
    length = {};
    area = {};
    if (values.size() >= 2) {
        // The open polyline through the edge points.
        double sum = 0.0;
        for (std::size_t k = 1; k < values.size(); ++k) {
            const AxisValue& prev = values[k - 1];
            const AxisValue& cur = values[k];
            sum = Distance(prev.x, prev.y, cur.x, cur.y) + sum;
        }
        length = {Measure::Kind::Value, sum};
    }
    if (values.size() >= 3) {
        // The closed polygon, as a fan of triangles from the first point.
        const AxisValue& p0 = values[0];
        double sum = 0.0;
        for (std::size_t k = 2; k < values.size(); ++k) {
            const AxisValue& prev = values[k - 1];
            const AxisValue& cur = values[k];
            sum = CrossProduct(p0.x, p0.y, prev.x, prev.y, cur.x, cur.y) * 0.5 + sum;
        }
        area = {Measure::Kind::Value, std::fabs(sum)};
    }
}

// Writes the converted row of a record with a usable calibration and works out its length and
// area from the same values, so that each point is converted once.
char* PutValueRow(char* out, const AxisFrame& frame, const CDataProfile& profile, int i,
                  int lineCount, std::vector<AxisValue>& values, Measure& length, Measure& area) {
    const CScanArray* lines = profile.GetArray(i, 0);
    values.clear();
    out = PutFileNumber(out, i);
    for (int j = 0; j < lineCount; ++j) {
        const CScan* line = LineOf(lines, j);
        if (line == nullptr) {
            out = Put(out, kNoDataPair);
            continue;
        }
        const AxisValue v = frame.Convert(line->m_ptCur);
        values.push_back(v);
        *out++ = '\t';
        out = WriteExp(out, v.x);
        *out++ = '\t';
        out = WriteExp(out, v.y);
    }
    if (values.size() == static_cast<std::size_t>(lineCount)) {
        Measure2D(values, length, area);
    } else {
        // A record that lacks some of the lines has no length or area: measuring the lines it
        // does have would silently describe a different figure.
        length = {};
        area = {};
    }
    return Put(out, kEol);
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

// A file for thousands of images is tens of megabytes, written once from start to end. Faulting
// that in 4 KiB pages costs more than formatting every number in it, so the buffer asks for
// large pages where the kernel leaves them to the program's choice. Only whole 2 MiB blocks
// inside the buffer are touched, and the advice is a hint: when it is refused nothing changes.
void AdviseLargePages(std::string& out) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (out.capacity() < 4 * kLargePage) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(out.data());
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + out.capacity()) & ~(kLargePage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)out;
#endif
}

}  // namespace

std::optional<std::string> BuildDataFile(const CDataProfile& profile, bool measureLength,
                                         bool measureArea) {
    const int recordCount = profile.GetSize();
    if (recordCount == 0) return std::nullopt;
    // Every record has the same lines; the first one says how many.
    const CScanArray* firstLines = profile.GetArray(0, 0);
    const int lineCount = firstLines != nullptr ? firstLines->GetSize() : 0;
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
    for (int i = 0; i < recordCount; ++i) {
        out.append(row.data(), PutPixelRow(row.data(), profile, i, lineCount));
    }

    out += kEol;
    out += "Converted Value";
    out += kEol;
    AppendHeader(out, lineCount);
    std::vector<Measure> lengths(records);
    std::vector<Measure> areas(records);
    std::vector<AxisValue> values;
    values.reserve(lines);
    for (int i = 0; i < recordCount; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const CDataAxis* axis = profile.GetAxis(i);
        if (axis != nullptr) {
            const AxisFrame frame(*axis);
            if (frame.IsValid()) {
                char* end = PutValueRow(row.data(), frame, profile, i, lineCount, values,
                                        lengths[slot], areas[slot]);
                out.append(row.data(), end);
                continue;
            }
        }
        // The record keeps its place among the entries but has no number.
        out += kAxisNotice;
        lengths[slot].kind = Measure::Kind::NoCalibration;
        areas[slot].kind = Measure::Kind::NoCalibration;
    }

    if (measureLength) AppendMeasureSection(out, "Line Length", lengths);
    if (measureArea) AppendMeasureSection(out, "Area", areas);
    return out;
}
