// SPDX-License-Identifier: GPL-3.0-or-later
// The caliper rules' trust: the profile's noise and the positions' uncertainty.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "model/caliper.h"
#include "model/caliper_parts.h"
#include "model/caliper_simd.h"

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

// Two bounds that most likely hold the middle values of a set of n (without a NaN) between
// them, from an evenly spaced sample of it: the sample's ranks 2.5 standard deviations either
// side of its middle.
constexpr std::size_t kSample = 64;
constexpr std::size_t kMargin = 10;

struct Bounds {
    double low;
    double high;
};

Bounds MiddleBounds(double (&sample)[kSample]) {
    constexpr std::size_t centre = kSample / 2;
    constexpr std::size_t lowRank = centre - kMargin;
    constexpr std::size_t highRank = centre + kMargin;
    std::nth_element(sample, sample + lowRank, sample + kSample);
    const double low = sample[lowRank];
    std::nth_element(sample + lowRank + 1, sample + highRank, sample + kSample);
    return {low, sample[highRank]};
}

// Where the values between the bounds (`inside` of them, in window[0..inside)) hold the middle
// of n values of which `below` lie under the lower bound, the median from the window alone, as
// SelectMedian gives it; false where they do not. Reorders the window.
bool WindowMedian(double* window, std::size_t inside, std::size_t below, std::size_t n,
                  double& median) {
    const std::size_t half = n / 2;
    const std::size_t lowest = n % 2 == 0 ? half - 1 : half;  // the lower middle's rank
    if (below > lowest || half >= below + inside) return false;
    const std::size_t at = half - below;
    std::nth_element(window, window + at, window + inside);
    const double upper = window[at];
    median = n % 2 == 1 ? upper : 0.5 * (*std::max_element(window, window + at) + upper);
    return true;
}

// One value at a time into a window between two bounds: counts those under the lower bound,
// copies those between the bounds. With SSE2 two values go at a time, compared side by side
// (the same comparisons), and the copies are kept or not without a branch.
class Narrowing {
public:
    Narrowing(Bounds bounds, double* window) : m_bounds(bounds), m_window(window) {
#if QUANDREL_CALIPER_SSE2
        m_low = _mm_set1_pd(bounds.low);
        m_high = _mm_set1_pd(bounds.high);
        m_under = _mm_setzero_si128();
#endif
    }
    void Add(double x) {
        m_below += static_cast<std::size_t>(x < m_bounds.low);
        m_window[m_inside] = x;
        m_inside += static_cast<std::size_t>((x >= m_bounds.low) & (x <= m_bounds.high));
    }
#if QUANDREL_CALIPER_SSE2
    void Add(__m128d x) {
        // A comparison that holds is all ones, -1 as an integer: subtracting counts it.
        m_under = _mm_sub_epi64(m_under, _mm_castpd_si128(_mm_cmplt_pd(x, m_low)));
        const int in = _mm_movemask_pd(_mm_and_pd(_mm_cmpge_pd(x, m_low), _mm_cmple_pd(x, m_high)));
        _mm_storel_pd(m_window + m_inside, x);
        m_inside += static_cast<std::size_t>(in & 1);
        _mm_storeh_pd(m_window + m_inside, x);
        m_inside += static_cast<std::size_t>(in >> 1);
    }
#endif
    std::size_t Below() const {
#if QUANDREL_CALIPER_SSE2
        alignas(16) std::int64_t lanes[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), m_under);
        return m_below + static_cast<std::size_t>(lanes[0] + lanes[1]);
#else
        return m_below;
#endif
    }
    std::size_t Inside() const { return m_inside; }

private:
    Bounds m_bounds;
    double* m_window;
    std::size_t m_below = 0;
    std::size_t m_inside = 0;
#if QUANDREL_CALIPER_SSE2
    __m128d m_low, m_high;
    __m128i m_under;
#endif
};

}  // namespace

double RobustNoise(std::span<const double> profile) {
    if (profile.size() < 2) return 0.0;
    // Differences of neighbours cancel the profile's slow course and leave its noise, times
    // sqrt(2); the median of absolute deviations ignores the few large ones at edges, and
    // 1.4826 turns it into a standard deviation for Gaussian noise. The buffers are kept from
    // call to call.
    const std::size_t n = profile.size() - 1;
    const double* v = profile.data();
    thread_local std::vector<double> buffer;
    if (buffer.size() < 2 * n) buffer.resize(2 * n);
    double* d = buffer.data();
    double* spread = d + n;  // a copy to reorder, or the window

    // Without a NaN the values are in a total order and a median is the same whichever way it
    // is found; with one (or with an infinite centre, which makes NaN deviations) the order is
    // what std::nth_element alone makes of it, so it alone selects then. The medians of long
    // lines are narrowed first: bounds from an evenly spaced sample, then one pass without
    // branches that writes the values, counts those under the lower bound and copies those
    // between the bounds to a window of under a third of them, where the selection runs.
    // Where the bounds miss the middle, the whole set is selected in.
    const bool narrow = n >= 4 * kSample;
    const std::size_t stride = n / kSample;
    const auto sampled = [&](std::size_t j) { return j * stride + stride / 2; };
    bool ordered = true;  // no NaN among the differences
    double centre = 0.0;
    bool found = false;
    if (narrow) {
        double sample[kSample];
        for (std::size_t j = 0; j < kSample; ++j) sample[j] = v[sampled(j) + 1] - v[sampled(j)];
        Narrowing narrowing(MiddleBounds(sample), spread);
        std::size_t k = 0;
#if QUANDREL_CALIPER_SSE2
        __m128d unordered = _mm_setzero_pd();
        for (; k + 2 <= n; k += 2) {
            const __m128d x = _mm_sub_pd(_mm_loadu_pd(v + k + 1), _mm_loadu_pd(v + k));
            _mm_storeu_pd(d + k, x);
            unordered = _mm_or_pd(unordered, _mm_cmpunord_pd(x, x));
            narrowing.Add(x);
        }
        ordered = _mm_movemask_pd(unordered) == 0;
#endif
        for (; k < n; ++k) {
            const double x = v[k + 1] - v[k];
            d[k] = x;
            ordered &= x == x;
            narrowing.Add(x);
        }
        const std::size_t below = narrowing.Below(), inside = narrowing.Inside();
        found = ordered && WindowMedian(spread, inside, below, n, centre);
    } else {
        for (std::size_t k = 0; k < n; ++k) {
            d[k] = v[k + 1] - v[k];
            ordered &= d[k] == d[k];
        }
    }
    if (!found) {
        std::copy(d, d + n, spread);
        centre = SelectMedian(spread, n);
    }

    double deviation = 0.0;
    found = false;
    if (narrow && ordered && std::isfinite(centre)) {
        double sample[kSample];
        for (std::size_t j = 0; j < kSample; ++j) sample[j] = std::abs(d[sampled(j)] - centre);
        Narrowing narrowing(MiddleBounds(sample), spread);
        std::size_t k = 0;
#if QUANDREL_CALIPER_SSE2
        // |x| clears the sign bit, as std::abs does.
        const __m128d sign = _mm_set1_pd(-0.0);
        const __m128d middle = _mm_set1_pd(centre);
        for (; k + 2 <= n; k += 2) {
            narrowing.Add(_mm_andnot_pd(sign, _mm_sub_pd(_mm_loadu_pd(d + k), middle)));
        }
#endif
        for (; k < n; ++k) narrowing.Add(std::abs(d[k] - centre));
        const std::size_t below = narrowing.Below(), inside = narrowing.Inside();
        found = WindowMedian(spread, inside, below, n, deviation);
    }
    if (!found) {
        for (std::size_t k = 0; k < n; ++k) spread[k] = std::abs(d[k] - centre);
        deviation = SelectMedian(spread, n);
    }
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
