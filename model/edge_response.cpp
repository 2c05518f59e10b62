// The edge response of the caliper rules, its candidates and their places between samples.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "model/caliper.h"
#include "model/caliper_parts.h"

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

std::vector<CaliperCandidate> FindCandidates(std::span<const double> response,
                                             EdgePolarity polarity, double minContrast) {
    const bool rising = polarity != EdgePolarity::Falling;
    const bool falling = polarity != EdgePolarity::Rising;
    const int n = static_cast<int>(response.size());
    const double* r = response.data();
    const double infinity = std::numeric_limits<double>::infinity();
    // One pass over the plateaus (runs of equal responses, nearly always one sample long): a
    // plateau above 0 whose neighbours both lie lower is a maximum, one below 0 whose neighbours
    // both lie higher a minimum; a missing neighbour never stands in the way. A maximum and a
    // minimum never share a sample, so the list comes out in line order. On a noisy line a third
    // of the samples are extrema: each sample's index is written to a scratch list kept from
    // call to call and kept or not without a branch; the result is then allocated once, at its
    // size.
    thread_local std::vector<int> scratch;
    if (scratch.size() < response.size()) scratch.resize(response.size());
    int* kept = scratch.data();
    std::size_t count = 0;
    for (int i = 0; i < n; ++i) {
        const double value = r[i];
        const double missing = value > 0.0 ? -infinity : infinity;
        const double left = i > 0 ? r[i - 1] : missing;
        double right = i + 1 < n ? r[i + 1] : missing;
        int j = i;
        if (right == value) {  // a plateau: its first sample stands for it
            while (j + 1 < n && r[j + 1] == value) ++j;
            right = j + 1 < n ? r[j + 1] : missing;
        }
        const bool maximum = rising & (value > 0.0) & (left < value) & (right < value);
        const bool minimum = falling & (value < 0.0) & (left > value) & (right > value);
        kept[count] = i;
        count += static_cast<std::size_t>((maximum | minimum) & (std::abs(value) >= minContrast));
        i = j;
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
