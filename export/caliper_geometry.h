// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "model/data_axis.h"
#include "model/scan.h"

// Where a caliper rule's measure puts things on the picture and in the calibration's units: a
// pair's second edge and width, and how far the edge's uncertainty reaches. The tables and the
// series plot take them from here, so that they agree.

struct PairGeometry {
    CPointF first;                // the first edge between pixels, as x_sub is
    CPointF second;               // the second edge
    double widthPx = 0.0;         // the distance between the two on the picture
    std::optional<double> width;  // between their converted points, with a calibration
    double sigmaSamples = 0.0;    // the width's uncertainty: both edges' sigmas in quadrature
};

// The point t samples along the line: on the straight line for a rule that reads it so
// (CaliperRule::bilinear), else between the walk's pixels.
CPointF EdgePointAt(const CScan& line, double t, bool straight);

// The pair the line's cursor holds; none unless it holds a found pair. `frame` may be null (no
// calibration that converts).
std::optional<PairGeometry> PairOf(const CScan& line, const AxisFrame* frame, bool straight);

// How far the edge (a pair's first) moves on the picture and in the calibration's units when
// its place moves by its sigma either way: half the distance between the two points, along each
// axis. None unless the cursor holds a found edge.
struct EdgeReach {
    double dx = 0.0;  // pixels
    double dy = 0.0;
    std::optional<double> vx;  // converted, with a calibration
    std::optional<double> vy;
};
std::optional<EdgeReach> ReachOf(const CScan& line, const AxisFrame* frame, bool straight);
