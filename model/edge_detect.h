// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <vector>

#include "model/data_profile.h"
#include "model/edge_options.h"
#include "model/sampling.h"

enum EdgeMode {
    kEdgeMinimum = 0,
    kEdgeMaximum = 1,
    kEdgeSteepestFall = 2,
    kEdgeSteepestRise = 3,  // also any other value
};

// The edge index among samples 0..count of the buffer. Strict comparisons: the lowest index wins
// among equal extremes, and index 0 when nothing beats the start value. For the slope rules the
// edge is the sample before the largest step.
int FindEdge(const ProfileBuffer& buffer, int count, int channel, int mode);

class ExactProfile;

// The same rules on an exact profile (a wide or smoothed line), with the same strict
// comparisons: for the slope rules, step i is sample i + 1 minus sample i, compared exactly.
int FindEdgeIn(const ExactProfile& profile, int mode);
// The same rule among samples first..last only (clipped to the profile), for the slope rules
// among the steps whose both samples lie there; -1 where it finds nothing: no sample, samples
// all equal (minimum, maximum: no contrast to be an edge) or no step of the rule's sign.
int FindEdgeWithin(const ExactProfile& profile, int mode, int first, int last);

// The edge between samples around the rule's index, as a fraction of a sample from the start,
// clamped to 0..count, worked out exactly and rounded once to the nearest double. Minimum and
// maximum: the vertex of the parabola through the extreme and its two neighbours. Slope rules:
// the step v[i+1] - v[i] is taken to sit at i + 0.5, halfway between the samples it joins, and
// the vertex of the parabola through the largest step and the steps either side of it is the
// edge; so the position lies between the sample before the step (the rule's index, which is its
// whole part) and the one after it. Where a neighbour is missing (the extreme at an end of the
// line) the position is the rule's index itself. A vertex is clamped to half a sample either way.
double RefineEdge(const ExactProfile& profile, int mode, int index);

struct EdgeResult {
    int index = 0;         // the cursor's index, as FindEdge gives it
    double subPos = -1.0;  // the sub-pixel position; negative unless the options ask for it
};

// The edge under the options. With the plain profile the index is FindEdge's, bit for bit.
EdgeResult FindEdge(const ProfileBuffer& buffer, int count, int channel, int mode,
                    const EdgeOptions& options);

// A line's edge under its own caliper rule, on the profile sampled into the buffer: the cursor
// goes to the sample nearest the edge (a pair's first edge) and keeps the place between samples
// and the whole measure beside it. When the rule finds nothing the cursor stays and the measure
// says so.
// The two halves of it: the profile the rule reads, and the cursor put on what it measured.
void CaliperValues(const ProfileBuffer& buffer, const CScan& line, int channel,
                   const EdgeOptions& options, std::vector<double>& values);
void PlaceCaliperEdge(CScan& line, const CaliperResult& result);

// `previous` is the line's edge on the neighbouring image, for a rule that picks the candidate
// nearest it.
void MeasureWithCaliper(const ProfileBuffer& buffer, CScan& line, int channel,
                        const EdgeOptions& options, const CaliperRule& rule,
                        std::optional<double> previous = {});

// Where line n of line set a stands on record i - 1, the neighbouring image a rule that picks the
// nearest candidate measures from: its edge between samples where it has one, else its sample.
// Nothing when there is no such record or line, or its cursor holds no measurement (still to
// detect, or its rule found nothing).
std::optional<double> NeighbourEdge(const CDataProfile& profile, int i, int a, int n);

// Detects line n of line set a of record i on the picture when its detection is pending: samples
// it into the buffer, puts the cursor on the edge and clears the flag. False when the line does
// not exist or is not pending.
bool DetectEdge(CDataProfile& profile, int i, int a, int n, const PixelView& picture, int channel,
                int mode, ProfileBuffer& buffer, const EdgeOptions& options = {});

// Detects every pending line of line set a of record i; returns how many were detected.
int DetectPending(CDataProfile& profile, int i, int a, const PixelView& picture, int channel,
                  int mode, ProfileBuffer& buffer, const EdgeOptions& options = {});
