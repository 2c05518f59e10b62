// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "model/line_profile.h"

// How the profile table separates its fields, as the tidy table does.
struct ProfileCsvOptions {
    bool semicolon = false;  // ';' between fields and ',' for the decimal point
    int image = 0;           // the image's number, counted from 1; 0 leaves it out
    int line = 0;            // the line's number, counted from 1; 0 leaves it out
};

// One line's profile as UTF-8 text, rows ending in CR LF. First come comment lines, each
// "# key: value", saying what the rows were measured with and what the rule found:
//
//   image, line    the numbers given in the options (where given)
//   settings       the channel, the rule and the options, spelt as the tidy table's found_with
//   white          the picture's largest sample value: 255, or 65535
//   cursor         where the line's edge point stands: its sub-pixel place, or its sample
//   with a caliper rule:
//   status         ok, weak, ambiguous, fit-failed, at-line-end or not-found
//   level          a threshold rule's level, in the profile's units
//   edge, edge_sigma, edge_contrast, edge_residual   the chosen edge (a pair's first): its place
//                  in samples, its uncertainty, its signed response and the step fit's RMS
//                  residual (where a fit ran); none when nothing was found
//   second, second_sigma, second_contrast, second_residual, width   a pair's second edge and
//                  the width between the two
//   noise, ratio   the profile's noise and the chosen response over the next best's
//
// Then the header row and one row per sample:
//
//   sample     the sample's number from the line's start, 0 to n
//   x, y       its pixel on the picture (the centre of a wide line's band)
//   value      the profile the rule reads (after line width and smoothing)
//   response   with a caliper rule: the edge response at the sample
//   candidate  with a caliper rule: the number (from 1, in line order) of the candidate lying
//              on the sample (a threshold crossing: the sample nearest it), else empty
//
// Numbers are written as in the tidy table (AppendReal): the same bytes in every locale.
std::string BuildProfileCsv(const LineProfile& profile, const ProfileCsvOptions& options = {});
