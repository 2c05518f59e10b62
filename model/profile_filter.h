#pragma once

#include "model/edge_options.h"
#include "model/sampling.h"

// The profile the edge rules read, samples 0..count: the channel's value of each sample (the
// band's mean for a wide line), then smoothed as the options say. `out` holds count + 1 values;
// count is capped at kProfileSize - 1 and a negative count writes nothing.
void ProfileValues(const ProfileBuffer& buffer, int count, int channel, const EdgeOptions& options,
                   double* out);

// Smooths values 0..count of `in` into `out` (not the same array). The window is centred on each
// sample and shrinks symmetrically near the ends of the line, so that it never reaches past
// either end and never pulls a feature towards the middle: the first and last samples stay as
// they are. A moving average weighs the `width` samples alike; a Gaussian has a full width at
// half maximum of `width` samples and is cut at three standard deviations. kSmoothNone copies.
void SmoothProfile(const double* in, int count, int kind, int width, double* out);
