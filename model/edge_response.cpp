// SPDX-License-Identifier: GPL-3.0-or-later
// The edge response of the caliper rules, its candidates and their places between samples.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "model/caliper.h"
#include "model/caliper_parts.h"
#include "model/caliper_simd.h"

std::vector<double> ResponseKernel(double sigma) {
    if (!(sigma >= kMinCaliperSigma)) sigma = kMinCaliperSigma;
    sigma = std::min(sigma, kMaxCaliperSigma);
    const int reach = static_cast<int>(std::ceil(4.0 * sigma));
    std::vector<double> w(static_cast<std::size_t>(reach) + 1, 0.0);
    // Normalised on the sampled kernel itself, so that an ideal step between two samples gives
    // exactly its height on both of them, whatever sigma.
    double positive = 0.0;
    for (int m = 1; m <= reach; ++m) {
        const double x = static_cast<double>(m);
        w[static_cast<std::size_t>(m)] = x * std::exp(-x * x / (2.0 * sigma * sigma));
        positive += w[static_cast<std::size_t>(m)];
    }
    for (double& weight : w) weight /= positive;
    return w;
}

std::span<const double> CachedResponseKernel(double sigma) {
    // A rule runs with one sigma over many lines: the weights of the last few sigmas are kept,
    // keyed by the exact value, so the exponentials run once per sigma and thread.
    struct Entry {
        double sigma = 0.0;
        std::vector<double> w;
    };
    thread_local std::array<Entry, 4> cache;
    thread_local std::size_t next = 0;
    for (const Entry& entry : cache) {
        if (!entry.w.empty() && entry.sigma == sigma) return entry.w;
    }
    Entry& entry = cache[next];
    next = (next + 1) % cache.size();
    entry.w = ResponseKernel(sigma);
    entry.sigma = sigma;
    return entry.w;
}

void EdgeResponseInto(std::span<const double> profile, double sigma, double* out) {
    const std::span<const double> w = CachedResponseKernel(sigma);
    const int reach = static_cast<int>(w.size()) - 1;
    const int n = static_cast<int>(profile.size());
    const double* v = profile.data();
    const double* weight = w.data();
    const auto at = [&](int k) { return v[std::clamp(k, 0, n - 1)]; };
    // The kernel is odd: each weight multiplies the difference of the two samples it spans,
    // summed from the nearest pair outwards (a fixed order, so equal profiles give equal bits).
    // Inside the line, where no index needs clamping, a block of neighbouring samples is summed
    // side by side in registers, weight by weight, which the compiler vectorises across the
    // samples; each sample's own sum keeps its order.
    const int inner0 = std::min(reach, n);
    const int inner1 = std::max(inner0, n - reach);  // samples inner0..inner1-1 need no clamping
    constexpr int kBlock = 8;
    int i = inner0;
#if QUANDREL_CALIPER_SSE2
    // The same block written out in SSE2: a product and a sum per lane, in the same order.
    for (; i + kBlock <= inner1; i += kBlock) {
        __m128d s0 = _mm_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
        for (int m = 1; m <= reach; ++m) {
            const __m128d wm = _mm_set1_pd(weight[m]);
            const double* ahead = v + i + m;
            const double* behind = v + i - m;
            s0 = _mm_add_pd(s0, _mm_mul_pd(wm, _mm_sub_pd(_mm_loadu_pd(ahead), _mm_loadu_pd(behind))));
            s1 = _mm_add_pd(s1, _mm_mul_pd(wm, _mm_sub_pd(_mm_loadu_pd(ahead + 2), _mm_loadu_pd(behind + 2))));
            s2 = _mm_add_pd(s2, _mm_mul_pd(wm, _mm_sub_pd(_mm_loadu_pd(ahead + 4), _mm_loadu_pd(behind + 4))));
            s3 = _mm_add_pd(s3, _mm_mul_pd(wm, _mm_sub_pd(_mm_loadu_pd(ahead + 6), _mm_loadu_pd(behind + 6))));
        }
        _mm_storeu_pd(out + i, s0);
        _mm_storeu_pd(out + i + 2, s1);
        _mm_storeu_pd(out + i + 4, s2);
        _mm_storeu_pd(out + i + 6, s3);
    }
#endif
    for (; i + kBlock <= inner1; i += kBlock) {
        double sum[kBlock];
        for (double& s : sum) s = 0.0;
        for (int m = 1; m <= reach; ++m) {
            const double wm = weight[m];
            const double* ahead = v + i + m;
            const double* behind = v + i - m;
            for (int b = 0; b < kBlock; ++b) sum[b] += wm * (ahead[b] - behind[b]);
        }
        for (int b = 0; b < kBlock; ++b) out[i + b] = sum[b];
    }
    for (; i < inner1; ++i) {
        double sum = 0.0;
        for (int m = 1; m <= reach; ++m) sum += weight[m] * (v[i + m] - v[i - m]);
        out[i] = sum;
    }
    const auto clamped = [&](int k) {
        double sum = 0.0;
        for (int m = 1; m <= reach; ++m) sum += weight[m] * (at(k + m) - at(k - m));
        out[k] = sum;
    };
    for (int k = 0; k < inner0; ++k) clamped(k);
    for (int k = inner1; k < n; ++k) clamped(k);
}

std::vector<double> EdgeResponse(std::span<const double> profile, double sigma) {
    std::vector<double> response(profile.size());
    EdgeResponseInto(profile, sigma, response.data());
    return response;
}

namespace {

// Whether the plateau that begins at sample i (its left neighbour already known to lie below a
// maximum, above a minimum) ends on a lower sample (higher for a minimum), or on the line's end.
bool PlateauIsExtremum(const double* r, int n, int i, bool maximum) {
    const double value = r[i];
    int j = i;
    while (j + 1 < n && r[j + 1] == value) ++j;
    if (j + 1 >= n) return true;
    return maximum ? r[j + 1] < value : r[j + 1] > value;
}

// The sample i at a line's end (0 or N-1) as a candidate: a missing neighbour counts as lower
// for a maximum and higher for a minimum.
bool EndIsCandidate(const double* r, int n, int i, bool rising, bool falling, double minContrast) {
    const double value = r[i];
    if (!(std::abs(value) >= minContrast)) return false;
    const bool hasLeft = i > 0;
    const bool hasRight = i + 1 < n;
    if (rising && value > 0.0 && (!hasLeft || r[i - 1] < value)) {
        if (!hasRight || r[i + 1] < value) return true;
        if (r[i + 1] == value) return PlateauIsExtremum(r, n, i, true);
    }
    if (falling && value < 0.0 && (!hasLeft || r[i - 1] > value)) {
        if (!hasRight || r[i + 1] > value) return true;
        if (r[i + 1] == value) return PlateauIsExtremum(r, n, i, false);
    }
    return false;
}

}  // namespace

std::vector<CaliperCandidate> FindCandidates(std::span<const double> response,
                                             EdgePolarity polarity, double minContrast) {
    const bool rising = polarity != EdgePolarity::Falling;
    const bool falling = polarity != EdgePolarity::Rising;
    const int n = static_cast<int>(response.size());
    const double* r = response.data();
    // A plateau (a run of equal responses, nearly always one sample long) above 0 whose
    // neighbours both lie lower is a maximum, one below 0 whose neighbours both lie higher a
    // minimum, taken at its first sample; a missing neighbour never stands in the way. The other
    // samples of a plateau have an equal left neighbour and so are never taken. A maximum and a
    // minimum never share a sample, so the list comes out in line order. On a noisy line a third
    // of the samples are extrema: each inner sample's index is written to a scratch list kept
    // from call to call and kept or not without a branch; only a plateau's first sample (rare)
    // looks further ahead. The result is then allocated once, at its size.
    thread_local std::vector<int> scratch;
    if (scratch.size() < response.size()) scratch.resize(response.size());
    int* kept = scratch.data();
    std::size_t count = 0;
    if (n > 0) {
        kept[count] = 0;
        count += static_cast<std::size_t>(EndIsCandidate(r, n, 0, rising, falling, minContrast));
    }
    const auto keep = [&](int i, bool take, bool plateau) {
        kept[count] = i;
        if (plateau) [[unlikely]] {
            count += static_cast<std::size_t>(PlateauIsExtremum(r, n, i, r[i] > 0.0));
        } else {
            count += static_cast<std::size_t>(take);
        }
    };
    int i = 1;
#if QUANDREL_CALIPER_SSE2
    // Two inner samples at a time in vector registers: the same comparisons side by side, their
    // outcomes gathered as two bits each.
    const __m128d rise = _mm_castsi128_pd(_mm_set1_epi64x(rising ? -1 : 0));
    const __m128d fall = _mm_castsi128_pd(_mm_set1_epi64x(falling ? -1 : 0));
    const __m128d zero = _mm_setzero_pd();
    const __m128d least = _mm_set1_pd(minContrast);
    const __m128d negLeast = _mm_set1_pd(-minContrast);
    for (; i + 2 < n; i += 2) {
        const __m128d left = _mm_loadu_pd(r + i - 1);
        const __m128d value = _mm_loadu_pd(r + i);
        const __m128d right = _mm_loadu_pd(r + i + 1);
        // |value| >= minContrast, as value >= minContrast or value <= -minContrast: the same for
        // every number, and false for a NaN either way.
        const __m128d strong = _mm_or_pd(_mm_cmpge_pd(value, least), _mm_cmple_pd(value, negLeast));
        const __m128d rises = _mm_and_pd(rise, _mm_and_pd(_mm_cmpgt_pd(value, zero), _mm_cmplt_pd(left, value)));
        const __m128d falls = _mm_and_pd(fall, _mm_and_pd(_mm_cmplt_pd(value, zero), _mm_cmpgt_pd(left, value)));
        const __m128d peak = _mm_or_pd(_mm_and_pd(rises, _mm_cmplt_pd(right, value)),
                                       _mm_and_pd(falls, _mm_cmpgt_pd(right, value)));
        const int take = _mm_movemask_pd(_mm_and_pd(peak, strong));
        const int plateau = _mm_movemask_pd(
            _mm_and_pd(_mm_and_pd(_mm_or_pd(rises, falls), _mm_cmpeq_pd(right, value)), strong));
        if (plateau != 0) [[unlikely]] {
            keep(i, (take & 1) != 0, (plateau & 1) != 0);
            keep(i + 1, (take & 2) != 0, (plateau & 2) != 0);
            continue;
        }
        kept[count] = i;
        count += static_cast<std::size_t>(take & 1);
        kept[count] = i + 1;
        count += static_cast<std::size_t>(take >> 1);
    }
#endif
    for (; i + 1 < n; ++i) {
        const double left = r[i - 1], value = r[i], right = r[i + 1];
        const bool rises = rising & (value > 0.0) & (left < value);
        const bool falls = falling & (value < 0.0) & (left > value);
        const bool strong = std::abs(value) >= minContrast;
        const bool take = ((rises & (right < value)) | (falls & (right > value))) & strong;
        keep(i, take, (rises | falls) & (right == value) & strong);
    }
    if (n > 1) {
        kept[count] = n - 1;
        count += static_cast<std::size_t>(EndIsCandidate(r, n, n - 1, rising, falling, minContrast));
    }
    std::vector<CaliperCandidate> out(count);
    for (std::size_t c = 0; c < count; ++c) out[c] = {kept[c], r[kept[c]]};
    return out;
}

double ParabolaOffset(double a, double b, double c) {
    const double curvature = a - 2.0 * b + c;
    if (curvature == 0.0) return 0.0;
    const double d = (a - c) / (2.0 * curvature);
    return std::clamp(d, -0.5, 0.5);
}

PeakPlace PlacePeak(std::span<const double> response, int index, EdgeEstimator estimator) {
    PeakPlace place;
    place.pos = index;
    const int n = static_cast<int>(response.size());
    if (index <= 0 || index >= n - 1) {
        place.atEnd = true;
        return place;
    }
    // The responses with the peak's sign: at the peak, and where the neighbours share its sign,
    // their magnitudes.
    const double sign = response[static_cast<std::size_t>(index)] < 0.0 ? -1.0 : 1.0;
    const double a = sign * response[static_cast<std::size_t>(index - 1)];
    const double b = sign * response[static_cast<std::size_t>(index)];
    const double c = sign * response[static_cast<std::size_t>(index + 1)];
    if (a > 0.0 && b > 0.0 && c > 0.0) {
        const double la = std::log(a), lb = std::log(b), lc = std::log(c);
        const double curvature = la - 2.0 * lb + lc;
        if (curvature < 0.0) place.width = std::sqrt(-1.0 / curvature);
        if (estimator != EdgeEstimator::Parabola) {
            place.pos = index + ParabolaOffset(la, lb, lc);
            return place;
        }
    }
    place.pos = index + ParabolaOffset(a, b, c);
    return place;
}
