// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "model/caliper.h"

// The pieces the caliper rules are made of, shared by their source files and open to the tests
// and the accuracy benchmark. Each works on a profile (or its edge response) at 1-sample spacing.

// The derivative-of-Gaussian weights w[0..R], R = ceil(4 sigma): w[m] = m exp(-m^2 / (2 sigma^2))
// divided by their sum over m = 1..R, so that an ideal step of height h gives a response of h.
// sigma is clamped to kMinCaliperSigma..kMaxCaliperSigma (a NaN counts as the least).
std::vector<double> ResponseKernel(double sigma);
// The same weights, kept per thread for the last few sigmas (the span lives until a fifth sigma
// comes).
std::span<const double> CachedResponseKernel(double sigma);

// EdgeResponse written to out[0..N-1].
void EdgeResponseInto(std::span<const double> profile, double sigma, double* out);

// The extrema of the response of the polarity (rising: maxima above 0; falling: minima below 0;
// either: both), each at least minContrast strong, in line order. A plateau counts once, at its
// first sample, and only when both its neighbours lie below it (a missing neighbour at a line's
// end counts as lower).
std::vector<CaliperCandidate> FindCandidates(std::span<const double> response,
                                             EdgePolarity polarity, double minContrast);

// The vertex offset of the parabola through (-1, a), (0, b), (1, c), clamped to -1/2..1/2; 0 where
// the three lie on a line.
double ParabolaOffset(double a, double b, double c);

// A response peak placed between samples by the parabola through the three responses or through
// their logarithms. `width` is the standard deviation of the Gaussian through the logarithms (the
// response's own width), 0 where the three do not make one.
struct PeakPlace {
    double pos = 0.0;
    bool atEnd = false;  // the peak is a line's first or last sample: pos is its index
    double width = 0.0;
};
PeakPlace PlacePeak(std::span<const double> response, int index, EdgeEstimator estimator);

// The profile's noise: 1.4826 median(|d_k - median(d)|) / sqrt(2) over the differences
// d_k = v[k+1] - v[k]; 0 for fewer than two samples.
double RobustNoise(std::span<const double> profile);


// The Cramer-Rao bound of the position of a step of height h blurred by a Gaussian of standard
// deviation `blur`, sampled at unit spacing under white noise of standard deviation `noise`, with
// the step's level and height known: sqrt(2 sqrt(pi) blur) noise / |h|. 0 when noise is 0.
double StepPositionBound(double noise, double height, double blur);

// How much wider than the bound the spread of the response estimators' positions is (measured
// on blurred steps, see bench/edge_accuracy.cpp), and the spread of their bias over the sub-pixel
// phase on noise-free steps, added in quadrature.
double EstimatorInefficiency(EdgeEstimator estimator);
double EstimatorBiasSpread(EdgeEstimator estimator);
// The same spread for the threshold crossing's linear interpolation (at 50 %).
double ThresholdBiasSpread();

// What the rule kinds share once the profile and its response are at hand.
struct CaliperInput {
    std::span<const double> profile;
    std::span<const double> response;
    const CaliperRule& rule;
    double noise;
    std::optional<TrackWindow> window = {};
};

// A candidate placed by the rule's estimator, with its uncertainty.
struct PlacedEdge {
    CaliperEdge edge;
    bool fitFailed = false;
};
PlacedEdge PlaceEdge(const CaliperInput& in, const CaliperCandidate& candidate);

// A candidate's place by a response estimator alone (Parabola, or Gaussian for the others): the
// place the rules compare before the final estimator runs (Nearest, the pairs' widths).
double QuickPlace(const CaliperInput& in, const CaliperCandidate& candidate);

// The rule's choice among `count` items in line order, by their strengths and (for Nearest)
// their distances from `previous`; -1 when none.
int ChooseItem(const CaliperRule& rule, const std::vector<double>& strength,
               const std::vector<double>& place, std::optional<double> previous);

// The chosen strength over the strongest of the others; 0 when there are none.
double RatioOf(const std::vector<double>& strength, int chosen);

// Among items in line order, the one placed nearest the window's centre of those placed within
// it (|place - centre| <= half; the first of equally near ones), and its strength over the
// strongest of the others within it; chosen is -1 when none is within it.
struct WindowChoice {
    int chosen = -1;
    double ratio = 0.0;
};
WindowChoice ChooseInWindow(const std::vector<double>& place, const std::vector<double>& strength,
                            const TrackWindow& window);

// Whether a position lies at most ceil(3 sigma) samples from a line's end, where the repeated
// end samples weigh in the response.
bool NearLineEnd(double pos, int count, double sigma);

// The status from the checks, in their precedence after NotFound: a failed fit, the line's end,
// a weak contrast (under 4 times the noise), another candidate within 80 % of the chosen one.
CaliperStatus StatusOf(bool fitFailed, bool atEnd, double contrast, double noise, double ratio);

CaliperResult MeasureThreshold(const CaliperInput& in);
CaliperResult MeasurePair(const CaliperInput& in, std::optional<double> previous);
