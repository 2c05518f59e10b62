// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>
#include <QString>
#include <vector>

#include "model/line_profile.h"
#include "panel/plot_mapping.h"

// The arithmetic of the profile plot, without widgets or fonts: samples and values to pixels and
// back, the axes' ticks, and what the read-out under the pointer says.
//
// The plot area spans samples 0..n-1 across and the picture's depth (0..white) upwards. Under a
// caliper rule the edge response shares the area on a scale of its own, symmetric about zero,
// drawn on the right.
struct ProfileFrame {
    QRectF area;
    int samples = 0;           // n: the axis runs from sample 0 to n - 1
    double white = 255.0;      // the value at the top edge
    double responseTop = 0.0;  // the response at the top edge (minus it at the bottom); 0: none
};

// The frame of a profile in `area`: the response's scale reaches the largest |response| rounded
// up to a tick of its axis.
ProfileFrame MakeProfileFrame(const LineProfile& profile, const QRectF& area);

double SampleX(const ProfileFrame& frame, double sample);
// The sample (fractional) at a column, and the nearest whole sample clamped to 0..n-1 (-1 for
// a profile without samples).
double SampleAtX(const ProfileFrame& frame, double x);
int NearestSample(const ProfileFrame& frame, double x);
double ProfileValueY(const ProfileFrame& frame, double value);
double ProfileValueAt(const ProfileFrame& frame, double y);
double ResponseY(const ProfileFrame& frame, double response);

// Ticks over exactly [lo, hi] (the axis ends stay where they are): multiples of a 1-2-5 step,
// at most about maxTicks intervals; whole numbers only where `whole`.
AxisTicks FixedTicks(double lo, double hi, int maxTicks, bool whole = false);

// The read-out for the sample under the pointer: sample, its pixel, value, and the response
// under a caliper rule. Empty for a sample outside the profile.
QString ProfileReadout(const LineProfile& profile, int sample);

// The status of a caliper result in words for the plot, and whether it is drawn as a sound
// edge (ok) or as a doubtful one (weak, ambiguous, a failed fit, at the line's end).
QString CaliperStatusText(CaliperStatus status);
bool IsDoubtful(CaliperStatus status);

// The summary over the plot: the status, the edge with its uncertainty, a pair's second edge
// and width, a threshold's level; the cursor's place for a line without a caliper rule.
QString ProfileSummary(const LineProfile& profile);

// The points a curve of one value per sample is drawn through (the profile, or with `response`
// the edge response): every sample while there are fewer than two per pixel column; else, per
// column, only the first, lowest, highest and last, whose polyline covers the same pixels.
std::vector<QPointF> ProfilePath(const ProfileFrame& frame, const std::vector<double>& values,
                                 bool response);
