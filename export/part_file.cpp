// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/part_file.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "export/part_bytes.h"
#include "export/part_caliper.h"
#include "export/part_trail.h"
#include "export/part_cursor.h"

namespace {

using part_bytes::Reader;
using part_bytes::Writer;
using namespace part_cursor;

constexpr std::string_view kMagic = "QDRLPART";
constexpr std::size_t kLineBytes = 16;
constexpr std::size_t kAxisBytes = 3 * 24 + 1;
constexpr std::size_t kChecksumBytes = 4;
// The fixed part of an image's entry: calibration index, shared length, rest length.
constexpr std::size_t kImageBytes = 12;
// In format 4 an image's page or frame follows its path.
constexpr std::size_t kFrameBytes = 8;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

void PutAxis(Writer& w, const CDataAxis& axis) {
    for (const CData* point : {&axis.m_origin, &axis.m_xAxis, &axis.m_yAxis}) {
        w.F64(point->m_xValue);
        w.F64(point->m_yValue);
        w.I32(point->m_xPixel);
        w.I32(point->m_yPixel);
    }
    w.U8(static_cast<std::uint8_t>((axis.m_bLogX ? 1 : 0) | (axis.m_bLogY ? 2 : 0)));
}

bool GetAxis(Reader& r, CDataAxis& axis) {
    for (CData* point : {&axis.m_origin, &axis.m_xAxis, &axis.m_yAxis}) {
        point->m_xValue = r.F64();
        point->m_yValue = r.F64();
        point->m_xPixel = r.I32();
        point->m_yPixel = r.I32();
    }
    const std::uint8_t flags = r.U8();
    axis.m_bLogX = (flags & 1) != 0;
    axis.m_bLogY = (flags & 2) != 0;
    return (flags & ~3) == 0;
}

std::string AxisKey(const CDataAxis& axis) {
    std::string key;
    Writer w(key);
    PutAxis(w, axis);
    return key;
}

void PutHeader(std::string& out, const PartHeader& h) {
    Writer w(out);
    w.Bytes(kMagic);
    w.U32(h.version);
    w.U32((h.measureLength ? 1u : 0u) | (h.measureArea ? 2u : 0u) | (h.wholeLines ? 4u : 0u) |
          (h.subPixel ? 8u : 0u));
    w.Bytes(std::string_view(reinterpret_cast<const char*>(h.session.data()), h.session.size()));
    w.U32(h.part);
    w.U32(h.parts);
    w.U64(h.first);
    w.U64(h.images);
    w.U64(h.total);
    w.U32(h.lines);
    w.U32(h.axes);
    w.U64(h.bodyBytes);
    w.U32(PartChecksum(out));
}

std::string Count(std::uint64_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

std::uint32_t PartChecksum(std::string_view bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char b : bytes) c = kCrcTable[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

PartRange PartRangeOf(std::uint64_t total, std::uint32_t part, std::uint32_t parts) {
    if (parts == 0 || part == 0 || part > parts) return {};
    // The first total % parts parts take one image more; no product can overflow.
    const std::uint64_t base = total / parts;
    const std::uint64_t extra = total % parts;
    const std::uint64_t k = part - 1;
    return {k * base + std::min(k, extra), base + (k < extra ? 1 : 0)};
}

std::optional<std::string> BuildPartFile(const PartHeader& header,
                                         const std::vector<LineEnds>& lines,
                                         const CDataProfile& records,
                                         const std::vector<PartTrackStep>& steps) {
    if (records.m_arSeries.size() != header.images || records.m_arAxis.size() != header.images) {
        return std::nullopt;
    }
    std::string body;
    Writer w(body);
    for (const LineEnds& ends : lines) {
        for (const int v : ends) w.I32(v);
    }
    // Images mostly share a few calibrations: each distinct one is written once.
    std::unordered_map<std::string, std::uint32_t> axisIndex;
    std::vector<std::uint32_t> axisOf;
    axisOf.reserve(header.images);
    for (const auto& axis : records.m_arAxis) {
        if (!axis) return std::nullopt;
        std::string key = AxisKey(*axis);
        const auto [it, added] =
            axisIndex.try_emplace(std::move(key), static_cast<std::uint32_t>(axisIndex.size()));
        if (added) body += it->first;
        axisOf.push_back(it->second);
    }
    const std::size_t lineCount = lines.size();
    PartHeader h = header;
    const bool anyFrame = std::any_of(records.m_arSeries.begin(), records.m_arSeries.end(),
                                      [](const auto& s) { return s && s->m_nFrame >= 0; });
    const bool timed = !records.m_timeRule.IsDefault();
    if (timed && !records.m_timeRule.IsValid()) return std::nullopt;
    h.version = timed || UsesPlainRule(records)     ? kPartFormatVersion
                : anyFrame || UsesTracking(records) ? kPartFormatTracking
                : UsesCaliper(records)              ? kPartFormatCaliper
                                                    : kPartFormatPlain;
    const bool caliper = h.version >= 3;
    const bool tracking = h.version >= 4;
    if (!tracking && !steps.empty()) return std::nullopt;
    w.U32(static_cast<std::uint32_t>(records.m_detections.size()));
    for (const DetectionSettings& settings : records.m_detections) PutSettings(w, settings, h.version);
    if (caliper && !PutLineRules(w, records, lineCount, h.version)) return std::nullopt;
    const CursorLayout layout(h, records.m_detections.size());
    body.reserve(body.size() + header.images * (kImageBytes + 16 + (layout.Least() + 1) * lineCount));
    std::string_view previous;
    for (std::size_t i = 0; i < records.m_arSeries.size(); ++i) {
        const CScanSeries* series = records.m_arSeries[i].get();
        const CScanArray* set = series != nullptr ? series->GetAt(0) : nullptr;
        if (set == nullptr || set->m_arLine.size() != lineCount) return std::nullopt;
        w.U32(axisOf[i]);
        const std::string_view path = series->m_strPath;
        const auto shared = static_cast<std::size_t>(
            std::mismatch(path.begin(), path.end(), previous.begin(), previous.end()).first -
            path.begin());
        w.U32(static_cast<std::uint32_t>(shared));
        w.U32(static_cast<std::uint32_t>(path.size() - shared));
        w.Bytes(path.substr(shared));
        previous = path;
        if (h.version >= 4) w.U64(static_cast<std::uint64_t>(series->m_nFrame + 1));
        for (std::size_t n = 0; n < lineCount; ++n) {
            const CScan& line = *set->m_arLine[n];
            const LineEnds& ends = lines[n];
            if (line.m_ptStart != CPoint{ends[0], ends[1]} ||
                line.m_ptEnd != CPoint{ends[2], ends[3]} || line.m_nPos < 0 ||
                line.m_nPos > line.m_nCount) {
                return std::nullopt;
            }
            if (line.m_origin == CursorOrigin::Detected &&
                line.m_nFound >= records.m_detections.size()) {
                return std::nullopt;
            }
            PutCursor(w, layout, records.m_detections, line);
        }
    }
    if (tracking) PutPartTrail(w, steps, h.version >= 5, records.m_timeRule);
    h.lines = static_cast<std::uint32_t>(lineCount);
    h.axes = static_cast<std::uint32_t>(axisIndex.size());
    h.bodyBytes = body.size();
    std::string out;
    out.reserve(kPartHeaderBytes + body.size() + kChecksumBytes);
    PutHeader(out, h);
    out += body;
    Writer(out).U32(PartChecksum(body));
    return out;
}

std::string ReadPartHeader(std::string_view start, std::uint64_t fileSize, PartHeader& header) {
    const std::size_t magic = std::min(start.size(), kMagic.size());
    if (magic == 0 || start.substr(0, magic) != kMagic.substr(0, magic)) {
        return "not a part file of quandrel-batch";
    }
    if (start.size() < kPartHeaderBytes) {
        return "truncated: it holds " + Count(start.size(), "byte") + ", less than the " +
               std::to_string(kPartHeaderBytes) + " of a part file's header";
    }
    Reader r(start.substr(0, kPartHeaderBytes));
    r.Bytes(kMagic.size());
    const std::uint32_t version = r.U32();
    if (version < 1 || version > kPartFormatVersion) {
        // Damage can look like a new version; the checksum tells which.
        if (PartChecksum(start.substr(0, kPartHeaderBytes - kChecksumBytes)) ==
                Reader(start.substr(kPartHeaderBytes - kChecksumBytes)).U32() &&
            version > kPartFormatVersion) {
            return "written in part file format " + std::to_string(version) +
                   ", which this version does not read (it reads format " +
                   std::to_string(kPartFormatVersion) + ")";
        }
        return "damaged: its header does not match its checksum";
    }
    PartHeader h;
    const std::uint32_t flags = r.U32();
    const std::string_view hash = r.Bytes(h.session.size());
    std::memcpy(h.session.data(), hash.data(), h.session.size());
    h.part = r.U32();
    h.parts = r.U32();
    h.first = r.U64();
    h.images = r.U64();
    h.total = r.U64();
    h.lines = r.U32();
    h.axes = r.U32();
    h.bodyBytes = r.U64();
    const std::uint32_t checksum = r.U32();
    if (checksum != PartChecksum(start.substr(0, kPartHeaderBytes - kChecksumBytes))) {
        return "damaged: its header does not match its checksum";
    }
    h.measureLength = (flags & 1) != 0;
    h.measureArea = (flags & 2) != 0;
    h.wholeLines = (flags & 4) != 0;
    h.subPixel = (flags & 8) != 0;
    h.version = version;
    const PartRange range = PartRangeOf(h.total, h.part, h.parts);
    if ((flags & ~(version == 1 ? 3u : 15u)) != 0 || h.part == 0 || h.part > h.parts || range.first != h.first ||
        range.images != h.images || h.lines == 0 || (h.images > 0 && h.axes == 0) ||
        h.axes > h.images) {
        return "damaged: its header does not describe a part";
    }
    // Saturating: a damaged count must not wrap round to a size that seems right.
    const std::uint64_t expected = h.bodyBytes > UINT64_MAX - kPartHeaderBytes - kChecksumBytes
                                       ? UINT64_MAX
                                       : kPartHeaderBytes + h.bodyBytes + kChecksumBytes;
    if (fileSize < expected) {
        return "truncated: it holds " + Count(fileSize, "byte") + " of " + std::to_string(expected);
    }
    if (fileSize > expected) {
        return "damaged: " + Count(fileSize - expected, "byte") + " after the end of the part";
    }
    header = h;
    return {};
}

std::string ReadPartRecords(std::string_view file, const PartHeader& header,
                            std::vector<LineEnds>& lines, CDataProfile& profile,
                            std::vector<PartTrackStep>* steps, TimeRule* timeRule) {
    if (file.size() != kPartHeaderBytes + header.bodyBytes + kChecksumBytes) {
        return "truncated: it holds " + Count(file.size(), "byte") + " of " +
               std::to_string(kPartHeaderBytes + header.bodyBytes + kChecksumBytes);
    }
    const std::string_view body = file.substr(kPartHeaderBytes, header.bodyBytes);
    if (PartChecksum(body) != Reader(file.substr(file.size() - kChecksumBytes)).U32()) {
        return "damaged: its contents do not match their checksum";
    }
    const std::string damaged = "damaged: its contents do not describe the part";
    // Every entry has its fixed size: a body too short for them is refused before anything is
    // made from the counts (each bound divided, so that no product of counts can overflow).
    // The least a cursor takes; the settings' count, read below, may ask one byte more.
    const std::size_t cursorBytes = CursorLayout(header, 0).Least();
    const bool frames = header.version >= 4;
    const std::size_t imageBytes = kImageBytes + (frames ? kFrameBytes : 0);
    const std::size_t perImage = imageBytes + cursorBytes * std::size_t{header.lines};
    if (header.lines > body.size() / kLineBytes || header.axes > body.size() / kAxisBytes ||
        header.images > body.size() / perImage) {
        return damaged;
    }
    Reader r(body);
    std::vector<LineEnds> ends(header.lines);
    std::vector<CScan> prototypes(header.lines);
    for (std::size_t n = 0; n < ends.size(); ++n) {
        for (int& v : ends[n]) v = r.I32();
        prototypes[n].m_nMaxSteps = header.wholeLines ? kMaxWholeScanSteps : kMaxScanSteps;
        prototypes[n].SetLine(ends[n][0], ends[n][1], ends[n][2], ends[n][3]);
        prototypes[n].m_bDetect = false;
    }
    std::vector<CDataAxis> axes(header.axes);
    for (CDataAxis& axis : axes) {
        if (!GetAxis(r, axis)) return damaged;
    }
    std::vector<DetectionSettings> settings;
    const bool caliper = header.version >= 3;
    const bool tracking = header.version >= 4;
    if (header.version > 1) {
        if (r.Left() < 4) return damaged;
        const std::uint32_t count = r.U32();
        if (count > r.Left() / (kSettingsBytes + (caliper ? 1 : 0))) return damaged;
        settings.resize(count);
        for (DetectionSettings& s : settings) {
            if (!GetSettings(r, s, header.version)) return damaged;
        }
    }
    std::vector<CaliperRule> rules;
    std::vector<std::uint16_t> ruleOf(header.lines, 0);
    if (caliper && !GetLineRules(r, rules, ruleOf, header.version)) return damaged;
    const CursorLayout layout(header, settings.size());
    CDataProfile added;
    added.m_arSeries.reserve(header.images);
    added.m_arAxis.reserve(header.images);
    std::string path;
    for (std::uint64_t i = 0; i < header.images; ++i) {
        if (r.Left() < perImage) return damaged;
        const std::uint32_t axis = r.U32();
        const std::uint32_t shared = r.U32();
        const std::uint32_t restLength = r.U32();
        if (axis >= axes.size() || shared > path.size() ||
            restLength > r.Left() - cursorBytes * std::size_t{header.lines} -
                             (frames ? kFrameBytes : 0)) {
            return damaged;
        }
        path.resize(shared);
        path += r.Bytes(restLength);
        auto series = std::make_unique<CScanSeries>();
        series->m_strPath = path;
        if (frames) {
            const std::uint64_t frame = r.U64();
            if (frame > std::uint64_t{INT64_MAX}) return damaged;
            series->m_nFrame = static_cast<std::int64_t>(frame) - 1;
        }
        auto& set = series->GetAt(0)->m_arLine;
        set.reserve(prototypes.size());
        for (const CScan& prototype : prototypes) {
            auto line = std::make_unique<CScan>(prototype);
            if (!GetCursor(r, layout, settings, *line)) return damaged;
            set.push_back(std::move(line));
        }
        added.m_arSeries.push_back(std::move(series));
        added.m_arAxis.push_back(std::make_unique<CDataAxis>(axes[axis]));
    }
    std::vector<PartTrackStep> read;
    TimeRule rule;
    if (tracking && !GetPartTrail(r, header, read, rule)) return damaged;
    if (r.Left() != 0) return damaged;
    if (steps != nullptr) *steps = std::move(read);
    if (timeRule != nullptr) *timeRule = rule;
    // Only now, with the whole part read, do its records join the others, their detections
    // named by the settings of the whole list.
    std::vector<std::uint32_t> found(settings.size());
    for (std::size_t k = 0; k < settings.size(); ++k) found[k] = profile.DetectionIndex(settings[k]);
    std::vector<std::uint16_t> number(rules.size());
    for (std::size_t k = 0; k < rules.size(); ++k) number[k] = profile.RuleNumber(rules[k]);
    for (auto& series : added.m_arSeries) {
        auto& set = series->GetAt(0)->m_arLine;
        for (std::size_t n = 0; n < set.size(); ++n) {
            CScan& line = *set[n];
            if (line.m_origin == CursorOrigin::Detected) line.m_nFound = found[line.m_nFound];
            if (ruleOf[n] != 0) line.m_nRule = number[ruleOf[n] - 1u];
        }
    }
    profile.m_arSeries.reserve(profile.m_arSeries.size() + added.m_arSeries.size());
    profile.m_arAxis.reserve(profile.m_arAxis.size() + added.m_arAxis.size());
    for (auto& series : added.m_arSeries) profile.m_arSeries.push_back(std::move(series));
    for (auto& axis : added.m_arAxis) profile.m_arAxis.push_back(std::move(axis));
    lines = std::move(ends);
    return {};
}
