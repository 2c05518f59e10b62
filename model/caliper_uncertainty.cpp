// The caliper rules' trust: the profile's noise and the positions' uncertainty.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "model/caliper.h"
#include "model/caliper_parts.h"

namespace {

// The median of values[0..n) by std::nth_element: the mean of the two middle values for an even
// count. Reorders them.
double SelectMedian(double* values, std::size_t n) {
    const std::size_t half = n / 2;
    std::nth_element(values, values + half, values + n);
    const double upper = values[half];
    if (n % 2 == 1) return upper;
    // Everything before the upper middle is at most it: the lower middle is their largest.
    const double lower = *std::max_element(values, values + half);
    return 0.5 * (lower + upper);
}

// The same median of values without a NaN (the order is then total, and the middle values are
// the same whatever the method), found by narrowing first: the middle of an evenly spaced
// sample of 64 values gives two bounds that most likely hold the middle values between them;
// one pass without branches counts the values below the lower bound and copies those between
// the bounds to `window`, and only the window (about a quarter of the values) is selected in.
// Where the bounds missed, the whole set is selected in. Reorders `values`.
double FastMedian(double* values, std::size_t n, double* window) {
    constexpr std::size_t kSample = 64;
    constexpr std::size_t kMargin = 8;  // two standard deviations of the sample's rank
    if (n < 4 * kSample) return SelectMedian(values, n);
    const std::size_t half = n / 2;
    const std::size_t lowest = n % 2 == 0 ? half - 1 : half;  // the lower middle's rank
    double sample[kSample];
    const std::size_t stride = n / kSample;
    for (std::size_t j = 0; j < kSample; ++j) sample[j] = values[j * stride + stride / 2];
    const std::size_t centreRank = half * kSample / n;
    const std::size_t lowRank = centreRank > kMargin ? centreRank - kMargin : 0;
    const std::size_t highRank = std::min(kSample - 1, centreRank + kMargin);
    std::nth_element(sample, sample + lowRank, sample + kSample);
    const double low = sample[lowRank];
    std::nth_element(sample + lowRank, sample + highRank, sample + kSample);
    const double high = sample[highRank];
    std::size_t below = 0;
    std::size_t inside = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = values[i];
        below += static_cast<std::size_t>(x < low);
        window[inside] = x;
        inside += static_cast<std::size_t>((x >= low) & (x <= high));
    }
    if (below > lowest || half >= below + inside) return SelectMedian(values, n);
    const std::size_t at = half - below;
    std::nth_element(window, window + at, window + inside);
    const double upper = window[at];
    if (n % 2 == 1) return upper;
    const double lower = *std::max_element(window, window + at);
    return 0.5 * (lower + upper);
}

}  // namespace

double MedianOf(std::vector<double>& values) {
    if (values.empty()) return 0.0;
    return SelectMedian(values.data(), values.size());
}

double RobustNoise(std::span<const double> profile) {
    if (profile.size() < 2) return 0.0;
    // Differences of neighbours cancel the profile's slow course and leave its noise, times
    // sqrt(2); the median of absolute deviations ignores the few large ones at edges, and
    // 1.4826 turns it into a standard deviation for Gaussian noise. The buffers are kept from
    // call to call.
    const std::size_t n = profile.size() - 1;
    thread_local std::vector<double> buffer;
    if (buffer.size() < 3 * n) buffer.resize(3 * n);
    double* d = buffer.data();
    double* spread = d + n;
    double* window = spread + n;
    bool ordered = true;  // no NaN among the differences
    for (std::size_t k = 0; k < n; ++k) {
        d[k] = profile[k + 1] - profile[k];
        ordered &= d[k] == d[k];
    }
    std::copy(d, d + n, spread);
    // With a NaN, or an infinite centre (which makes NaN deviations), the order is what
    // nth_element alone makes of it.
    const double centre = ordered ? FastMedian(spread, n, window) : SelectMedian(spread, n);
    for (std::size_t k = 0; k < n; ++k) spread[k] = std::abs(d[k] - centre);
    const double deviation = ordered && std::isfinite(centre) ? FastMedian(spread, n, window)
                                                              : SelectMedian(spread, n);
    return 1.4826 * deviation / std::sqrt(2.0);
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
