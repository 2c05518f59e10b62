// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/edge_options.h"
#include "model/entry_time.h"
#include "model/kymograph.h"

struct KymographCsvOptions {
    bool semicolon = false;  // ';' between fields and ',' for the decimal point
    int line = 0;            // the line's number, counted from 1; 0 leaves it out
    // What the profiles were measured with, spelt as the tidy table's found_with; none leaves
    // it out.
    std::optional<DetectionSettings> settings;
};

// The kymograph as UTF-8 text in a wide layout, rows ending in CR LF: comment lines
// "# key: value" (line, settings, white: 255 or 65535, time: what the time column counts from,
// or a warning naming how many entries have no time), then the header
// "entry,time,status,0,1,...,n" and one row per entry:
//
//   entry   the entry's number in list order, from 1
//   time    seconds from the time of the first entry that has one; empty for an entry whose
//           time is not known
//   status  ok, unreadable (its picture did not decode wholly), or pending (not measured)
//   0...n   the value at each sample of the line, on the row's own scale (0..255 for an 8-bit
//           picture, 0..65535 for a 16-bit one); empty past the row's end and for rows
//           without values
//
// `times` holds one time per entry (missing ones count as not known). `progress` is called now
// and then with the entries written so far; returning false abandons the text (nullopt).
std::optional<std::string> BuildKymographCsv(const CKymograph& kymograph,
                                             const std::vector<EntryTime>& times,
                                             const KymographCsvOptions& options = {},
                                             const std::function<bool(int)>& progress = {});
