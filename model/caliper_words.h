// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "model/caliper.h"

// A caliper rule in words, for the table's `found_with` column and for messages: the kind, then
// what the kind reads, separated by spaces ("edge rising first sigma=1.25 gaussian",
// "threshold either last level=50% parabola", "pair fall-rise strongest sigma=2 width=3..40
// step-fit"; a plain rule "plain steepest-rise track=8"). Numbers are written in the shortest
// form that reads back as the same double.
std::string CaliperWords(const CaliperRule& rule);

// One of the four plain rules by its number (EdgeMode): minimum, maximum, steepest-fall,
// steepest-rise (any other number: the nearest of them).
const char* PlainRuleWord(int mode);

// The status in one word: ok, weak, ambiguous, fit-failed, at-line-end, not-found.
const char* CaliperStatusWord(CaliperStatus status);
