// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>

// A least-squares fit of a blurred step to a window of profile samples. Sample k is taken to be
// the mean over the pixel [k - 1/2, k + 1/2] of b + h Phi((x - x0) / s), Phi the standard normal
// distribution function: a step of height h at x0 on the level b, blurred by a Gaussian of
// standard deviation s, as a camera pixel integrates it.

struct StepParams {
    double x0 = 0.0;
    double height = 0.0;
    double base = 0.0;
    double blur = 1.0;
};

// The model's value at sample k and its derivatives by x0, height, base and blur.
double StepModelAt(double k, const StepParams& p, double jacobian[4]);

struct StepFitResult {
    bool converged = false;
    StepParams params;
    double rms = 0.0;          // the residual's root mean square
    double x0PerNoise = 0.0;   // sqrt of the x0 entry of (J^T J)^-1: the position's standard
                               // deviation per unit of noise, all four parameters unknown
    int iterations = 0;
};

// Fits samples first..last of the profile (at least 5), starting from `start` (its blur above
// 0). Levenberg-Marquardt on the analytic Jacobian: converged when a step moves x0 and s by less
// than 1e-6 samples and changes the cost by less than 1e-12 of itself (or less than the rounding
// of the samples), within 100 iterations, with x0 inside the window, s below its upper bound
// (the window's half width) and the height non-zero.
StepFitResult FitStep(std::span<const double> profile, int first, int last,
                      const StepParams& start);
