// The caliper rules' trust: the profile's noise and the positions' uncertainty.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "model/caliper.h"
#include "model/caliper_parts.h"

double MedianOf(std::vector<double>& values) {
    if (values.empty()) return 0.0;
    const std::size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half), values.end());
    const double upper = values[half];
    if (values.size() % 2 == 1) return upper;
    // Everything before the upper middle is at most it: the lower middle is their largest.
    const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half));
    return 0.5 * (lower + upper);
}

double RobustNoise(std::span<const double> profile) {
    if (profile.size() < 2) return 0.0;
    // Differences of neighbours cancel the profile's slow course and leave its noise, times
    // sqrt(2); the median of absolute deviations ignores the few large ones at edges, and
    // 1.4826 turns it into a standard deviation for Gaussian noise.
    std::vector<double> d(profile.size() - 1);
    for (std::size_t k = 0; k + 1 < profile.size(); ++k) d[k] = profile[k + 1] - profile[k];
    std::vector<double> spread(d);
    const double centre = MedianOf(spread);
    for (std::size_t k = 0; k < d.size(); ++k) spread[k] = std::abs(d[k] - centre);
    return 1.4826 * MedianOf(spread) / std::sqrt(2.0);
}

double StepPositionBound(double noise, double height, double blur) {
    if (noise == 0.0) return 0.0;
    if (height == 0.0) return 0.0;
    // The Fisher information of x0 in b + h Phi((k - x0) / s) under white noise is
    // sum_k (h / s)^2 phi((k - x0) / s)^2 / noise^2 ~ h^2 / (2 sqrt(pi) s noise^2).
    return std::sqrt(2.0 * std::sqrt(3.14159265358979323846) * blur) * noise / std::abs(height);
}

double EstimatorInefficiency(EdgeEstimator estimator) {
    switch (estimator) {
        case EdgeEstimator::Parabola: return 1.38;
        case EdgeEstimator::Gaussian: return 1.33;
        case EdgeEstimator::StepFit: return 1.0;
    }
    return 1.0;
}

double EstimatorBiasSpread(EdgeEstimator estimator) {
    switch (estimator) {
        case EdgeEstimator::Parabola: return 0.013;
        case EdgeEstimator::Gaussian: return 0.0;
        case EdgeEstimator::StepFit: return 0.0;
    }
    return 0.0;
}

double ThresholdBiasSpread() { return 0.010; }
