// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "model/data_profile.h"

// The bytes of the data file for every record, in list order: pixel values, converted values,
// and the length and area sections when their switches are on. A line the record lacks, and a
// line whose detection has not run (LineStatus Pending or Unreadable), is "No Data", and the
// record then has no length or area. CR LF line ends, ASCII only, the same in every process
// locale. nullopt when there is nothing to write (no records, or no scan lines on record 0).
std::optional<std::string> BuildDataFile(const CDataProfile& profile, bool measureLength,
                                         bool measureArea);
