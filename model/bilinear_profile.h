// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "model/edge_options.h"
#include "model/sampling.h"
#include "model/scan.h"

// The profile of a line read between pixels: sample k is the picture at the exact point k steps
// along the line (ExactPointAt), interpolated bilinearly from the brightness of the four pixels
// around it, so that a slanted line reads its own straight path and not the walk's staircase.
// Only the caliper rules read it: they take real values, where the plain rules compare exact
// integer sums.
//
// - The brightness of a pixel is the channel's value ((r + g + b) / 3 in integers for the
//   average), as a wide sample's pixels are read.
// - At (x, y), with x0 = floor(x), y0 = floor(y), fx = x - x0, fy = y - y0 and b the brightness,
//   the value is ((1 - fx) b(x0, y0) + fx b(x0 + 1, y0)) (1 - fy) + ((1 - fx) b(x0, y0 + 1) +
//   fx b(x0 + 1, y0 + 1)) fy, in that order; a pixel beyond the picture's edge reads the
//   nearest pixel on it.
// - A line width W above 1 takes the mean of W such values at the points j pixels along the
//   line's unit normal (-uy, ux), j = -(W - 1)/2 ... (W - 1)/2 in that order, summed then divided
//   by W.
// - Smoothing then takes each sample's weighted mean over a window that shrinks symmetrically
//   near the ends, with the plain profile's weights (GaussianWeights, or equal ones): the sum of
//   w[|k|] v[i + k] for k from -h to h, in that order, over the sum of those weights.
// `values` gets samples 0..count, count capped at the line's m_nCount.
void BilinearValues(const PixelView& picture, const CScan& line, int channel,
                    const EdgeOptions& options, std::vector<double>& values);
