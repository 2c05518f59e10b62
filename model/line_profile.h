// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <vector>

#include "model/caliper.h"
#include "model/edge_options.h"
#include "model/sampling.h"
#include "model/scan.h"

// One line's profile on one picture as the edge rule reads it, with what the rule makes of it:
// what the profile plot draws and the profile export writes. Sampled afresh into a buffer of
// its own, so that it is the line's profile whatever the document's buffer sampled last.
struct LineProfile {
    std::vector<double> values;  // samples 0..n after band and smoothing, as the rule reads them
    std::vector<CPoint> pixels;  // each sample's pixel on the picture (the band's centre)
    int maxValue = 255;          // the picture's white: 255 or 65535
    DetectionSettings settings;  // channel, plain rule, options and the caliper rule if any
    double edge = 0.0;           // the cursor: its sub-pixel place, or its sample
    bool edgeIsSubPixel = false;
    // Under a caliper rule: the edge response and the rule's result on these values (with
    // every candidate), and for a threshold rule the level in the profile's units.
    std::vector<double> response;
    std::optional<CaliperResult> caliper;
    std::optional<double> level;
    // The search window of a line that follows its edge, where one bounded the search.
    std::optional<TrackWindow> window;

    int Count() const { return static_cast<int>(values.size()); }
    // A line under one of the plain rules as its own shows as the side panel's rule does.
    bool HasCaliper() const {
        return settings.caliper.has_value() && settings.caliper->kind != CaliperKind::Plain;
    }
};

// Samples the line on the picture and measures it: the panel's channel, rule and options, and
// the line's own caliper rule when `rule` is not null, read between pixels when the rule says
// so, and measured from `previous` (NeighbourEdge) or in `window` (TrackingWindow) as detection
// measures. Nothing (no values) without a picture.
LineProfile MeasureLineProfile(const PixelView& picture, const CScan& line, int channel, int mode,
                               const EdgeOptions& options, const CaliperRule* rule,
                               std::optional<double> previous = {},
                               std::optional<TrackWindow> window = {});

// The level a threshold rule crosses on these values: absolute, or the fraction of the way from
// their minimum to their maximum. nullopt for no values.
std::optional<double> ThresholdLevel(const std::vector<double>& values, const CaliperRule& rule);
