// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "model/caliper.h"
#include "model/scan.h"

// How a scan line's samples are turned into the profile the edge rule reads, and how finely the
// edge is placed. The defaults are the plain detection: one pixel per sample, no smoothing, the
// edge on a whole sample.

enum SmoothKind {
    kSmoothNone = 0,
    kSmoothMean = 1,      // moving average over smoothWidth samples
    kSmoothGaussian = 2,  // Gaussian whose full width at half maximum is smoothWidth samples
};

inline constexpr int kMaxLineWidth = 51;
inline constexpr int kMinSmoothWidth = 3;
inline constexpr int kMaxSmoothWidth = 51;

struct EdgeOptions {
    bool subPixel = false;     // place the edge between samples (a parabola through the peak)
    int lineWidth = 1;         // pixels across the line averaged into a sample: odd, 1 to 51
    int smoothing = kSmoothNone;
    int smoothWidth = 3;       // odd, 3 to 51; checked always, used while smoothing is on
    // Every line walked over its whole length (up to kMaxWholeScanSteps) rather than its first
    // kMaxScanSteps steps.
    bool wholeLine = false;

    // How far lines are walked under these options.
    int MaxSteps() const { return wholeLine ? kMaxWholeScanSteps : kMaxScanSteps; }

    // The rule reads the integer brightness exactly as the plain detection does.
    bool IsPlainProfile() const { return lineWidth == 1 && smoothing == kSmoothNone; }

    friend bool operator==(const EdgeOptions&, const EdgeOptions&) = default;
};

// What an edge was detected with: the channel, the edge rule and the finer options. Every
// detected cursor keeps it, so that results found under other settings can be told apart.
struct DetectionSettings {
    int channel = 0;
    int mode = 0;
    EdgeOptions edge;
    // The line's own caliper rule, which then finds the edge in place of the mode.
    std::optional<CaliperRule> caliper = {};

    // The same settings spelt one way: a smoothing width only where smoothing is on, and the
    // channels and rules that read alike as one.
    DetectionSettings Normalized() const {
        DetectionSettings n = *this;
        n.channel = channel < 0 || channel > 3 ? 3 : channel;
        n.mode = mode < 0 || mode > 3 ? 3 : mode;
        // Under a caliper rule the side panel's rule plays no part.
        if (n.caliper) n.mode = 0;
        if (n.edge.smoothing == kSmoothNone) n.edge.smoothWidth = EdgeOptions{}.smoothWidth;
        return n;
    }

    friend bool operator==(const DetectionSettings&, const DetectionSettings&) = default;
};

// Odd widths keep the band and the window centred on the sample.
inline bool IsValidLineWidth(int w) { return w >= 1 && w <= kMaxLineWidth && w % 2 == 1; }
inline bool IsValidSmoothWidth(int w) {
    return w >= kMinSmoothWidth && w <= kMaxSmoothWidth && w % 2 == 1;
}
inline bool IsValidSmoothing(int kind) { return kind >= kSmoothNone && kind <= kSmoothGaussian; }
inline bool IsValidEdgeOptions(const EdgeOptions& o) {
    return IsValidLineWidth(o.lineWidth) && IsValidSmoothing(o.smoothing) &&
           IsValidSmoothWidth(o.smoothWidth);
}
