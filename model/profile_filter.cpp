// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/profile_filter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#include "model/exact_rational.h"

namespace {

// A sum as an integer: doubles hold only whole numbers below 2^53 here, and go through 64 bits,
// which the processor converts at once.
Int128 Whole(double v) { return static_cast<std::int64_t>(v); }
Int128 Whole(Int128 v) { return v; }

// Weights w[0..reach] over samples base[0..count] into num and den: interior samples take the
// whole kernel, one pass per weight; near the ends the window shrinks to what the line holds.
template <class Acc>
void Convolve(const Acc* base, int count, const std::vector<std::int64_t>& w, Int128* num,
              std::int64_t* den, std::vector<Acc>& scratch) {
    const int reach = static_cast<int>(w.size()) - 1;
    std::array<std::int64_t, 80> norm{};  // norm[r]: the weights of a window reaching r either way
    norm[0] = w[0];
    for (int r = 1; r <= reach; ++r) {
        const auto at = static_cast<std::size_t>(r);
        norm[at] = norm[at - 1] + 2 * w[at];
    }
    const int first = reach;
    const int last = count - reach;
    if (first <= last) {
        scratch.resize(static_cast<std::size_t>(count) + 1);
        Acc* sum = scratch.data();
        const Acc w0 = static_cast<Acc>(w[0]);
        for (int i = first; i <= last; ++i) sum[i] = w0 * base[i];
        for (int k = 1; k <= reach; ++k) {
            const Acc wk = static_cast<Acc>(w[static_cast<std::size_t>(k)]);
            for (int i = first; i <= last; ++i) sum[i] += wk * (base[i - k] + base[i + k]);
        }
        for (int i = first; i <= last; ++i) {
            num[i] = Whole(sum[i]);
            den[i] = norm[static_cast<std::size_t>(reach)];
        }
    }
    for (int i = 0; i <= count; ++i) {
        if (i == first && first <= last) i = last + 1;
        if (i > count) break;
        const int r = std::min({reach, i, count - i});
        Acc sum = static_cast<Acc>(w[0]) * base[i];
        for (int k = 1; k <= r; ++k) {
            sum += static_cast<Acc>(w[static_cast<std::size_t>(k)]) * (base[i - k] + base[i + k]);
        }
        num[i] = Whole(sum);
        den[i] = norm[static_cast<std::size_t>(r)];
    }
}

}  // namespace

const std::vector<std::int64_t>& GaussianWeights(int width) {
    static const std::array<std::vector<std::int64_t>, kMaxSmoothWidth + 1> table = [] {
        std::array<std::vector<std::int64_t>, kMaxSmoothWidth + 1> t;
        for (int w = kMinSmoothWidth; w <= kMaxSmoothWidth; w += 2) {
            const double sigma = w / (2.0 * std::sqrt(2.0 * std::log(2.0)));
            const int reach = static_cast<int>(std::ceil(3.0 * sigma));
            for (int k = 0; k <= reach; ++k) {
                t[static_cast<std::size_t>(w)].push_back(
                    std::llround(65536.0 * std::exp(-0.5 * (k / sigma) * (k / sigma))));
            }
        }
        return t;
    }();
    return table[static_cast<std::size_t>(std::clamp(width | 1, kMinSmoothWidth, kMaxSmoothWidth))];
}

void ExactProfile::Build(const ProfileBuffer& buffer, int count, int channel,
                         const EdgeOptions& options) {
    count = std::min(count, buffer.Size() - 1);
    const std::size_t size = count < 0 ? 0 : static_cast<std::size_t>(count) + 1;
    m_sums.resize(size);
    m_pixels.resize(size);
    const bool wide = buffer.m_nWidth > 1;
    const int* source = channel == kChannelSum ? (wide ? buffer.m_nAverage.data() : nullptr)
                        : channel == kChannelRed ? buffer.m_nRed.data()
                        : channel == kChannelGreen ? buffer.m_nGreen.data()
                                                   : buffer.m_nBlue.data();
    for (int i = 0; i <= count; ++i) {
        m_sums[static_cast<std::size_t>(i)] =
            source != nullptr ? source[i] : GetBrightness(buffer, i, channel);
        m_pixels[static_cast<std::size_t>(i)] = wide ? std::max(buffer.m_nInside[i], 1) : 1;
    }
    Build(m_sums.data(), m_pixels.data(), count, options.smoothing, options.smoothWidth);
}

void ExactProfile::Build(const std::int64_t* sums, const int* pixels, int count, int smoothing,
                         int width) {
    m_count = std::max(count, -1);
    const std::size_t size = static_cast<std::size_t>(m_count + 1);
    if (sums != m_sums.data()) m_sums.assign(sums, sums + size);
    if (pixels != m_pixels.data()) m_pixels.assign(pixels, pixels + size);
    m_num.resize(size);
    m_den.resize(size);
    m_scale = 1;
    if (smoothing == kSmoothMean || smoothing == kSmoothGaussian) {
        Smooth(smoothing, width);
    } else {
        for (std::size_t i = 0; i < size; ++i) {
            m_num[i] = m_sums[i];
            m_den[i] = m_pixels[i];
        }
    }
    // The widest numerator and denominator, from the bits any of them sets.
    Int128 numBits = 0;
    std::int64_t denBits = 0;
    for (std::size_t i = 0; i < size; ++i) {
        numBits |= m_num[i] < 0 ? -m_num[i] : m_num[i];
        denBits |= m_den[i];
    }
    m_narrowSteps = BitLength(numBits) + BitLength(denBits) + 1 <= 126;
}

void ExactProfile::Smooth(int smoothing, int width) {
    static const std::vector<std::int64_t> kOnes(kMaxSmoothWidth / 2 + 1, 1);
    width = std::clamp(width | 1, kMinSmoothWidth, kMaxSmoothWidth);
    std::vector<std::int64_t> mean;
    const std::vector<std::int64_t>* weights = &GaussianWeights(width);
    if (smoothing == kSmoothMean) {
        mean.assign(kOnes.begin(), kOnes.begin() + width / 2 + 1);
        weights = &mean;
    }
    const bool uniform = std::all_of(m_pixels.begin(), m_pixels.end(),
                                     [this](int n) { return n == m_pixels.front(); });
    if (uniform) {
        // One pixel count: the sums themselves share the denominator. Each is below 2^22 and the
        // weights of a window add up to less than 2^22, so every product and partial sum is an
        // integer below 2^53: doubles hold them exactly, in any order, and their loops vectorise.
        thread_local std::vector<double> base;
        thread_local std::vector<double> scratch;
        base.assign(m_sums.begin(), m_sums.end());
        Convolve(base.data(), m_count, *weights, m_num.data(), m_den.data(), scratch);
        m_scale = m_count >= 0 ? m_pixels.front() : 1;
        return;
    }
    // Counts of 1 to 51 pixels: their least common multiple is below 2^72.
    Int128 common = 1;
    for (const int n : m_pixels) common = common / std::gcd(n, static_cast<int>(common % n)) * n;
    thread_local std::vector<Int128> base;
    thread_local std::vector<Int128> scratch;
    base.resize(m_sums.size());
    for (std::size_t i = 0; i < base.size(); ++i) base[i] = m_sums[i] * (common / m_pixels[i]);
    Convolve(base.data(), m_count, *weights, m_num.data(), m_den.data(), scratch);
    m_scale = common;
}

ExactProfile::Step ExactProfile::UnevenStep(int i) const {
    Step step;
    step.at = i;
    if (m_narrowSteps) {
        step.p = Num(i + 1) * Den(i) - Num(i) * Den(i + 1);
        step.q = Int128{Den(i)} * Den(i + 1);
    } else {
        step.wide = true;
    }
    return step;
}

int ExactProfile::WideSign(const Step& step) const {
    const int i = step.at;
    return CompareProducts(Num(i + 1), Den(i), Num(i), Den(i + 1));
}

int ExactProfile::CompareUnevenSteps(const Step& a, const Step& b) const {
    if (!a.wide && !b.wide) return CompareProducts(a.p, b.q, b.p, a.q);
    const auto exact = [this](int k) -> mpq_class {
        return Ratio(Num(k + 1), Den(k + 1)) - Ratio(Num(k), Den(k));
    };
    const int order = cmp(exact(a.at), exact(b.at));
    return (order > 0) - (order < 0);
}

double ExactProfile::Value(int i) const { return NearestDouble(Num(i), Den(i) * m_scale); }

void ProfileValues(const ProfileBuffer& buffer, int count, int channel, const EdgeOptions& options,
                   double* out) {
    if (count < 0) return;
    thread_local ExactProfile profile;
    profile.Build(buffer, count, channel, options);
    for (int i = 0; i <= profile.Count(); ++i) out[i] = profile.Value(i);
}
