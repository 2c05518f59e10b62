// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The caliper rules and measures of a part file (format 3), little-endian like the rest:
//   a rule, kPartRuleBytes: kind, polarity, selection, estimator, pair order (a byte each), a
//     byte of flags (1 level as a fraction, 2 last crossing, 4 read between pixels), nth
//     (int32), then sigma, minimum
//     contrast, level, minimum and maximum width (IEEE double bits)
//   a measure: status (byte), a byte of flags (1 the edge has a residual, 2 a second edge
//     follows, 4 the second edge has a residual), the edge: place, contrast, sigma and the
//     residual where it has one; the second edge likewise; then width, noise, ratio (doubles)
// Format 4 adds to each rule its track half-width (int32) and lets a measure's status be lost;
// format 5 adds after it the plain rule of a rule of kind plain (a byte, 0 to 3; 0 for the other
// kinds), and lets a rule's kind be plain (3).

#include <cstddef>
#include <cstdint>

#include "export/part_bytes.h"
#include "model/caliper_measure.h"

inline constexpr std::size_t kPartRuleBytes = 6 + 4 + 5 * 8;
// The bytes of a rule in a part file of `format` (3 or above).
constexpr std::size_t PartRuleBytes(std::uint32_t format) {
    return kPartRuleBytes + (format >= 4 ? 4 : 0) + (format >= 5 ? 1 : 0);
}
// The fewest bytes a measure takes: status, flags, one edge without residual, three doubles.
inline constexpr std::size_t kPartMeasureLeast = 2 + 3 * 8 + 3 * 8;

// `format`: the part file's, 3 or above.
void PutPartRule(part_bytes::Writer& w, const CaliperRule& rule, std::uint32_t format);
// False for bytes that make no valid rule (or too few of them).
bool GetPartRule(part_bytes::Reader& r, CaliperRule& rule, std::uint32_t format);

void PutPartMeasure(part_bytes::Writer& w, const CaliperMeasure& measure);
// False for bytes that make no measure: too few, unknown flags or status, a number not finite.
bool GetPartMeasure(part_bytes::Reader& r, CaliperMeasure& measure, bool tracking);
