// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "model/caliper.h"
#include "model/edge_detect.h"
#include "model/profile_filter.h"

// A line whose own rule is one of the four plain rules (CaliperKind::Plain). It reads the same
// exact profile as the side panel's rule under the same options (line width, smoothing,
// sub-pixel placement) and, searching the whole line, finds the same edge bit for bit. What it
// adds is the search window of a line that follows its edge (model/tracking.h): the rule's own
// choice among the window's samples alone, and no edge at all ("lost") where the window holds
// no candidate.

// The samples k of a line of samples 0..count with |k - centre| <= half (in doubles), as the
// first and the last; none when no sample of the line lies there.
std::optional<std::pair<int, int>> WindowSamples(const TrackWindow& window, int count);

// The edge of the plain rule `mode` on the profile: over the whole line without a window (as
// FindEdge), else over the window's samples (FindEdgeWithin), none when it finds nothing
// there. The place between samples, where asked for, is RefineEdge's at the edge's index.
std::optional<EdgeResult> FindPlainEdge(const ExactProfile& profile, int mode, bool subPixel,
                                        const std::optional<TrackWindow>& window);

// The cursor on the edge as the side panel's rule puts it (no caliper measure), or, with no
// edge, left where it stood with a measure that says the search was lost.
void PlacePlainEdge(CScan& line, const std::optional<EdgeResult>& edge);

// The line measured under its plain rule on the samples in the buffer, in the window.
void MeasurePlainRule(const ProfileBuffer& buffer, CScan& line, int channel,
                      const EdgeOptions& options, const CaliperRule& rule,
                      const std::optional<TrackWindow>& window);

// A line's samples kept until the images before it are measured, to be measured then with the
// window they predict: what ExactProfile::Build needs to make the same profile again.
struct PlainSamples {
    std::vector<std::int64_t> sums;
    std::vector<int> pixels;
};
PlainSamples KeepPlainSamples(const ProfileBuffer& buffer, const CScan& line, int channel,
                              const EdgeOptions& options);
void MeasurePlainRule(const PlainSamples& samples, CScan& line, const EdgeOptions& options,
                      const CaliperRule& rule, const std::optional<TrackWindow>& window);
