// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What follows the records of a part file in format 4 and later: the searches of the lines that
// follow their edge before the part's first image, and, in format 5, the session's time rule
// (the layout is in part_file.h).

#include <vector>

#include "export/part_bytes.h"
#include "export/part_file.h"
#include "model/time_rule.h"

void PutPartTrail(part_bytes::Writer& w, const std::vector<PartTrackStep>& steps, bool timed,
                  const TimeRule& rule);

// False when the bytes do not describe the part of `header`; `rule` is the default before format 5.
bool GetPartTrail(part_bytes::Reader& r, const PartHeader& header, std::vector<PartTrackStep>& steps,
                  TimeRule& rule);
