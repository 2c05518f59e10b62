// The edge response of the caliper rules, its candidates and their places between samples.
#include <algorithm>
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

std::vector<double> EdgeResponse(std::span<const double> profile, double sigma) {
    const std::vector<double> w = ResponseKernel(sigma);
    const int reach = static_cast<int>(w.size()) - 1;
    const int n = static_cast<int>(profile.size());
    std::vector<double> response(profile.size(), 0.0);
    const auto at = [&](int k) { return profile[static_cast<std::size_t>(std::clamp(k, 0, n - 1))]; };
    // The kernel is odd: each weight multiplies the difference of the two samples it spans,
    // summed from the nearest pair outwards (a fixed order, so equal profiles give equal bits).
    // Inside the line the sums run weight by weight over all samples, which the compiler
    // vectorises; the order of each sample's sum stays the same.
    const int inner0 = std::min(reach, n);
    const int inner1 = std::max(inner0, n - reach);  // samples inner0..inner1-1 need no clamping
    double* out = response.data();
    const double* v = profile.data();
    for (int m = 1; m <= reach; ++m) {
        const double weight = w[static_cast<std::size_t>(m)];
        for (int i = inner0; i < inner1; ++i) out[i] += weight * (v[i + m] - v[i - m]);
    }
    for (int i = 0; i < n; ++i) {
        if (i >= inner0 && i < inner1) {
            i = inner1 - 1;
            continue;
        }
        double sum = 0.0;
        for (int m = 1; m <= reach; ++m) sum += w[static_cast<std::size_t>(m)] * (at(i + m) - at(i - m));
        out[i] = sum;
    }
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
    // of the samples are extrema: each sample is written and kept or not without a branch.
    std::vector<CaliperCandidate> out(response.size());
    std::size_t kept = 0;
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
        out[kept] = {i, value};
        kept += static_cast<std::size_t>((maximum | minimum) & (std::abs(value) >= minContrast));
        i = j;
    }
    out.resize(kept);
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
