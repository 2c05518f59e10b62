// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "export/image_measures.h"
#include "export/tidy_fields.h"
#include "model/data_profile.h"

// The tidy table's columns for lines under a caliper rule of their own, present only when one of
// the measured lines has such a rule or a cursor holds what one measured:
//
//   rule        the line's caliper rule (CaliperWords); empty for a line under the side panel's
//   edge2_x, edge2_y   a pair's second edge on the picture, between pixels as x_sub is
//   width_px    a pair's width: the distance in pixels between its two edges on the picture
//   width       the distance between the two edges' converted points; empty when the image's
//               calibration cannot convert
//   sigma_px    the uncertainty of the edge (a pair's first edge), in samples along the line
//   contrast    the edge response at the edge, signed (positive rising), in the profile's units
//   noise       the profile's noise, estimated robustly, in the profile's units
//   residual    the RMS residual of the step fit, where one ran
//   ratio       the chosen candidate's response over the next best one's (0: no other)
//   edge_status what the rule says of the edge: ok, weak, ambiguous, fit-failed, at-line-end,
//               not-found
//
// Every field but `rule` is empty where the cursor holds no caliper measure (a line under the
// side panel's rule, a cursor put by hand, one not yet detected); for a rule that found nothing
// only `noise` and `edge_status` are written.
class TidyCaliperColumns {
public:
    // Whether the table has these columns at all.
    static bool Wanted(const CDataProfile& profile, int lineCount);

    explicit TidyCaliperColumns(const CDataProfile& profile);

    void AppendHeader(std::string& out, char delimiter) const;
    // The most bytes Put writes.
    std::size_t MaxBytes() const { return m_maxBytes; }
    // Line j of image i, each field after a delimiter.
    char* Put(char* out, const CDataProfile& profile, int i, int j, const EdgeMeasure& point,
              const AxisFrame* frame, const tidy_fields::Format& f) const;

private:
    std::vector<std::string> m_ruleWords;  // per rule of the record list
    std::size_t m_maxBytes = 0;
};
