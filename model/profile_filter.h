// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "model/edge_options.h"
#include "model/exact_number.h"
#include "model/sampling.h"

// The profile the edge rules read, samples 0..Count(), held exactly so that equal values compare
// equal whatever order their sums were taken in. Sample i is Num(i) / (Den(i) * Scale()):
// - a sample is the brightness of one pixel (as GetBrightness gives it at width 1), or for a wide
//   line the mean of the brightness of the band's pixels on the picture: its sum over its count;
// - smoothed, each sample becomes a weighted mean of the samples in a window centred on it, the
//   window shrinking symmetrically near the ends of the line so that it never reaches past
//   either end (the first and last samples stay as they are). A moving average weighs the
//   `smoothWidth` samples alike; a Gaussian with a full width at half maximum of `smoothWidth`
//   samples weighs sample i + k by GaussianWeights()[|k|]. The samples are first brought to one
//   denominator (their pixel counts' least common multiple, Scale()), so that the weighted sums
//   are sums of integers; Den(i) is the sum of the window's weights.
class ExactProfile {
public:
    // Samples 0..count of the buffer under the channel. count is capped at the buffer's last
    // sample; a negative count builds an empty profile.
    void Build(const ProfileBuffer& buffer, int count, int channel, const EdgeOptions& options);
    // The same from each sample's brightness sum and its number of pixels (all above 0).
    void Build(const std::int64_t* sums, const int* pixels, int count, int smoothing, int width);

    int Count() const { return m_count; }
    // What the profile was built from: each sample's brightness sum and its number of pixels,
    // which the second Build takes to make the same profile again.
    const std::vector<std::int64_t>& Sums() const { return m_sums; }
    const std::vector<int>& Pixels() const { return m_pixels; }
    Int128 Num(int i) const { return m_num[static_cast<std::size_t>(i)]; }
    std::int64_t Den(int i) const { return m_den[static_cast<std::size_t>(i)]; }
    Int128 Scale() const { return m_scale; }

    // Step i, sample i + 1 minus sample i, as p / (q * Scale()) with q > 0; `wide` where p
    // would not fit in 128 bits, and then only `at` is meaningful.
    struct Step {
        Int128 p = 0;
        Int128 q = 1;
        bool wide = false;
        int at = 0;
    };

    // The sign of sample i minus sample j.
    int Compare(int i, int j) const {
        if (Den(i) == Den(j)) return SignOf(Num(i) - Num(j));
        return CompareProducts(Num(i), Den(j), Num(j), Den(i));
    }
    Step StepAt(int i) const {
        if (Den(i) != Den(i + 1)) return UnevenStep(i);
        return {Num(i + 1) - Num(i), Den(i), false, i};
    }
    // The sign of a step.
    int Sign(const Step& step) const { return step.wide ? WideSign(step) : SignOf(step.p); }
    // The sign of step a minus step b.
    int CompareSteps(const Step& a, const Step& b) const {
        if (!a.wide && !b.wide && a.q == b.q) return SignOf(a.p - b.p);
        return CompareUnevenSteps(a, b);
    }
    // Sample i as the nearest double.
    double Value(int i) const;

private:
    static int SignOf(Int128 v) { return (v > 0) - (v < 0); }
    void Smooth(int smoothing, int width);
    Step UnevenStep(int i) const;
    int WideSign(const Step& step) const;
    int CompareUnevenSteps(const Step& a, const Step& b) const;

    std::vector<std::int64_t> m_sums;
    std::vector<int> m_pixels;
    std::vector<Int128> m_num;
    std::vector<std::int64_t> m_den;
    Int128 m_scale = 1;
    int m_count = -1;
    bool m_narrowSteps = true;  // a step's numerator fits in 128 bits
};

// The Gaussian's integer weights for an odd width of 3 to 51: weight k (0 to the kernel's reach,
// the whole number at or above three standard deviations) is 65536 * exp(-k^2 / (2 sigma^2))
// rounded to the nearest integer, sigma = width / (2 sqrt(2 ln 2)).
const std::vector<std::int64_t>& GaussianWeights(int width);

// The profile's values as the nearest doubles, samples 0..count, for showing it. `out` holds
// count + 1 values; count is capped at the buffer's last sample and a negative count writes
// nothing.
void ProfileValues(const ProfileBuffer& buffer, int count, int channel, const EdgeOptions& options,
                   double* out);
