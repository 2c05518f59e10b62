// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The parts of a part file's body that describe cursors: the detection settings they were found
// with, the lines' caliper rules, and each cursor (part_file.h gives the layout).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "export/part_bytes.h"
#include "export/part_file.h"

namespace part_cursor {

// How a part's cursors are written: its place, in 16 bits or 32 for whole lines; a byte of how
// it came there (0 kept, 1 placed by hand, 2 detected) with 4 for a sub-pixel edge; for a
// detection the index of its settings in as few bytes as the part's settings need; then the
// sub-pixel edge. Format 1 had the place alone, in 16 bits.
struct CursorLayout {
    std::size_t place = 2;
    std::size_t found = 0;  // bytes of a detection's settings index; 0 in format 1
    bool caliper = false;   // format 3: a caliper measure may follow
    bool tracking = false;  // format 4: rules carry their track, and a measure may be lost

    CursorLayout(const PartHeader& h, std::size_t settings)
        : place(h.version > 1 && h.wholeLines ? 4 : 2),
          found(h.version == 1 ? 0 : settings <= 0xFF ? 1 : settings <= 0xFFFF ? 2 : 4),
          caliper(h.version >= 3),
          tracking(h.version >= 4) {}
    // The fewest bytes a cursor takes.
    std::size_t Least() const { return place + (found > 0 ? 1 : 0); }
};
inline constexpr std::uint8_t kSubPixelFlag = 4;
inline constexpr std::uint8_t kMeasureFlag = 8;

inline constexpr std::size_t kSettingsBytes = 7;

std::uint32_t GetUnsigned(part_bytes::Reader& r, std::size_t bytes);
void PutUnsigned(part_bytes::Writer& w, std::size_t bytes, std::uint32_t v);

// One detection's settings; from format 3 on its entries may carry a caliper rule, laid out as
// the part's format says (part_caliper.h).
void PutSettings(part_bytes::Writer& w, const DetectionSettings& s, std::uint32_t format);
bool GetSettings(part_bytes::Reader& r, DetectionSettings& s, std::uint32_t format);

// One cursor onto its line (a copy of the line's prototype); false for one that cannot be.
bool GetCursor(part_bytes::Reader& r, const CursorLayout& layout,
               const std::vector<DetectionSettings>& settings, CScan& line);
void PutCursor(part_bytes::Writer& w, const CursorLayout& layout,
               const std::vector<DetectionSettings>& settings, const CScan& line);

// Whether the records need format 3: a line with a caliper rule, a detection under one, or a
// cursor holding what one measured.
bool UsesCaliper(const CDataProfile& records);
// Whether they need format 4: a rule that follows its edge.
bool UsesTracking(const CDataProfile& records);
// Whether they need format 5: a rule of kind plain.
bool UsesPlainRule(const CDataProfile& records);

// The lines' caliper rules (format 3): their number (uint32), each rule, then each line's rule
// as its index + 1 in that list, 0 for none (uint16). A line has the same rule on every image;
// records that disagree are refused.
bool PutLineRules(part_bytes::Writer& w, const CDataProfile& records, std::size_t lineCount,
                  std::uint32_t format);
bool GetLineRules(part_bytes::Reader& r, std::vector<CaliperRule>& rules,
                  std::vector<std::uint16_t>& ruleOf, std::uint32_t format);

}  // namespace part_cursor
