// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A part file: the measured records of one contiguous part of a session's image list, written
// by one shard of a run and joined with the other parts into the data file. It holds all that
// the data file is built from (the scan lines, each image's calibration and final cursors, the
// switches), so that the parts alone make the data file, wherever the session file is.
//
// Layout (little-endian throughout):
//   header, kPartHeaderBytes:
//     0  8  magic "QDRLPART"             48 4  K, this part (1 to N)
//     8  4  format version (2 to 5)      52 4  N, the number of parts
//    12  4  flags: 1 lengths, 2 areas,   56 8  the first image's place in the whole list
//           4 whole lines, 8 sub-pixel   64 8  images in this part
//    16 32  SHA-256 of the session file  72 8  images in the whole list
//    80  4  scan lines per image         84 4  calibrations in the part's table
//    88  8  bytes of the body            96 4  CRC-32 of bytes 0 to 95
//   body:
//     per line: x1, y1, x2, y2 (int32)
//     per calibration: origin, x axis, y axis, each x value, y value (IEEE double bits), x
//       pixel, y pixel (int32); then a byte: 1 logarithmic x, 2 logarithmic y
//     the number of detection settings (uint32), then each: channel, rule, sub-pixel, line
//       width, smoothing, smoothing width, whole lines (a byte each); in format 3 a byte more,
//       1 when a caliper rule (part_caliper.h) follows, 0 when not
//     in format 3, the lines' caliper rules: their number (uint32), each rule, then each
//       line's rule as its index + 1 in that list, 0 for the side panel's (uint16)
//     per image: its calibration's index (uint32); its path as the length it shares with the
//       previous image's path and the rest (uint32, uint32, bytes); each line's cursor: its
//       place (uint16, uint32 with whole lines), a byte of how it came there (0 kept, 1 placed
//       by hand, 2 detected) plus 4 where it has a sub-pixel edge, for a detection the index of
//       its settings (uint8, uint16 or uint32, as few as the number of settings needs), and its
//       sub-pixel edge (IEEE double bits) where it has one; in format 3 the byte of how it came
//       there has 8 when a caliper measure (part_caliper.h) follows in place of the sub-pixel
//       edge, which the measure holds; in format 4, before the cursors, the page or frame of
//       the image's file plus 1 (uint64: 0 for a file of one picture)
//     in format 4, the search of each line that follows its edge before the part's first image
//       (PartTrackStep): their number (uint32), then each: line (uint32), image (uint64), found
//       (a byte, 1 or 0), place (IEEE double bits)
//     in format 5, the session's time rule (model/time_rule.h): a byte, 0 the times the files
//       carry, 1 a fixed interval or 2 the files' modification times, then the interval and the
//       start (IEEE double bits)
// Format 5 is format 4 whose rules carry their plain rule too (part_caliper.h), and which ends
// with the time rule; written only for records with a line under one of the plain rules as its
// own, or for a session whose entries take their times from a rule rather than from their files
// (so that a merged table has the whole run's times). Format 4 is written only for records of
// which one is a page or a frame, or with a rule that follows its edge (its rules carry the track
// half-width, and its measures may be lost: part_caliper.h); format 3 only for records that use
// caliper rules; others in format 2.
// Format 1, which merges still read, had neither the settings nor the flags 4 and 8, and each
// cursor was its place alone (uint16).
//   CRC-32 of the body (uint32)
// Both checksums are checked before anything is believed, so a truncated or damaged file is
// refused whole.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/data_profile.h"

inline constexpr std::size_t kPartHeaderBytes = 100;
// The newest format, which merges read; written for records with a rule of kind plain, or
// under a time rule.
inline constexpr std::uint32_t kPartFormatVersion = 5;
// The format written for records with pages or frames, or a rule that follows its edge, and
// neither a rule of kind plain nor a time rule.
inline constexpr std::uint32_t kPartFormatTracking = 4;
// The format written for records with caliper rules, none of which follows its edge, and
// without pages or frames.
inline constexpr std::uint32_t kPartFormatCaliper = 3;
// The format written for records without caliper rules, byte for byte what it always was.
inline constexpr std::uint32_t kPartFormatPlain = 2;

using SessionHash = std::array<std::uint8_t, 32>;
using LineEnds = std::array<int, 4>;  // x1, y1, x2, y2

struct PartHeader {
    SessionHash session{};
    std::uint32_t part = 1;   // K
    std::uint32_t parts = 1;  // N
    std::uint64_t first = 0;
    std::uint64_t images = 0;
    std::uint64_t total = 0;
    std::uint32_t lines = 0;
    bool measureLength = false;
    bool measureArea = false;
    bool wholeLines = false;      // lines walked whole
    bool subPixel = false;        // the session places edges between samples
    std::uint32_t version = kPartFormatVersion;  // read from a file; the writer works it out
    std::uint32_t axes = 0;       // read from a file; the writer works it out
    std::uint64_t bodyBytes = 0;  // likewise
};

// The images of part K of N of a list of `total`: contiguous, in list order, every part within
// one image of the same size; a part past the end of a short list is empty.
struct PartRange {
    std::uint64_t first = 0;
    std::uint64_t images = 0;
};
PartRange PartRangeOf(std::uint64_t total, std::uint32_t part, std::uint32_t parts);

// What the search of a line that follows its edge read, at the part's first image, of one image
// before the part: as the part measured that image ahead of its own (model/tracking.h). The
// merge checks that the part before holds the same there, which makes the part's edges the
// whole run's.
struct PartTrackStep {
    std::uint32_t line = 0;
    std::uint64_t image = 0;  // in the whole list, from 0
    bool found = false;       // an edge at `place`, or a miss
    double place = 0.0;

    friend bool operator==(const PartTrackStep&, const PartTrackStep&) = default;
};

// The bytes of the part file of the records, every one of which holds exactly `lines`, with
// its cursors where the measurement left them, (format 4) the steps of its followed lines, and
// (format 5) the records' time rule, where it is not the default.
// nullopt when a record does not hold them, or when the records are not the header's number of
// images.
std::optional<std::string> BuildPartFile(const PartHeader& header,
                                         const std::vector<LineEnds>& lines,
                                         const CDataProfile& records,
                                         const std::vector<PartTrackStep>& steps = {});

// Reads the header from the first bytes of a part file of `fileSize` bytes. Empty on success,
// otherwise what is wrong, for "PATH: WHAT": not a part file, truncated, damaged.
std::string ReadPartHeader(std::string_view start, std::uint64_t fileSize, PartHeader& header);

// Reads the whole part file, whose header has been read, and appends its records to `profile`
// (paths without titles; every line settled, its cursor put onto it as it was, with how it came
// there). The profile is left as
// it was when the file is damaged; returns what is wrong, or empty. The part's time rule (the
// default before format 5) goes to `timeRule`: the merge checks that the parts agree on it.
std::string ReadPartRecords(std::string_view file, const PartHeader& header,
                            std::vector<LineEnds>& lines, CDataProfile& profile,
                            std::vector<PartTrackStep>* steps = nullptr,
                            TimeRule* timeRule = nullptr);

// The checksum of both parts of the file (CRC-32 of IEEE 802.3), for tests that damage a file.
std::uint32_t PartChecksum(std::string_view bytes);
