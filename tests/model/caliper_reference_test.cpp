// SPDX-License-Identifier: GPL-3.0-or-later
// The caliper rules' fast paths (blocked and vector sums, kept buffers and weights, candidates
// gathered as bits, medians selected in a narrowed window) against the arithmetic written out
// plainly: the same bits on long lines, plateaus, lines whose sample misleads the median's
// bounds, and sigmas that take turns in the weights' cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "model/caliper.h"
#include "model/caliper_parts.h"

namespace {

std::vector<double> PlainResponse(const std::vector<double>& v, double sigma) {
    const std::vector<double> w = ResponseKernel(sigma);
    const int n = static_cast<int>(v.size()), reach = static_cast<int>(w.size()) - 1;
    const auto at = [&](int k) { return v[static_cast<std::size_t>(std::clamp(k, 0, n - 1))]; };
    std::vector<double> r(v.size());
    for (int i = 0; i < n; ++i) {
        double sum = 0.0;
        for (int m = 1; m <= reach; ++m) sum += w[static_cast<std::size_t>(m)] * (at(i + m) - at(i - m));
        r[static_cast<std::size_t>(i)] = sum;
    }
    return r;
}

std::vector<int> PlainCandidates(const std::vector<double>& r, EdgePolarity polarity, double least) {
    std::vector<int> out;
    const std::size_t n = r.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && r[i - 1] == r[i]) continue;  // inside a plateau
        std::size_t j = i;
        while (j + 1 < n && r[j + 1] == r[i]) ++j;
        const bool max = r[i] > 0 && (i == 0 || r[i - 1] < r[i]) && (j + 1 == n || r[j + 1] < r[i]);
        const bool min = r[i] < 0 && (i == 0 || r[i - 1] > r[i]) && (j + 1 == n || r[j + 1] > r[i]);
        if (((max && polarity != EdgePolarity::Falling) || (min && polarity != EdgePolarity::Rising)) &&
            std::abs(r[i]) >= least) {
            out.push_back(static_cast<int>(i));
        }
    }
    return out;
}

double SortedMedian(std::vector<double> x) {
    std::sort(x.begin(), x.end());
    const std::size_t h = x.size() / 2;
    return x.size() % 2 == 1 ? x[h] : 0.5 * (x[h - 1] + x[h]);
}

double PlainNoise(const std::vector<double>& v) {
    std::vector<double> d;
    for (std::size_t k = 0; k + 1 < v.size(); ++k) d.push_back(v[k + 1] - v[k]);
    const double centre = SortedMedian(d);
    for (double& x : d) x = std::abs(x - centre);
    return 1.4826 * SortedMedian(d) / std::sqrt(2.0);
}

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

TEST(CaliperReference, FastPathsGiveThePlainArithmeticBits) {
    struct Line {
        int length;
        double noise;
        bool whole;          // samples rounded to integers: plateaus of equal responses
        bool misleadSample;  // the differences the median's sample reads are all far out
    };
    const Line lines[] = {
        {1024, 1.0, false, false}, {1025, 0.3, false, false}, {700, 2.0, true, false},
        {400, 0.0, true, false},   {2000, 1.0, false, true},  {1023, 1.0, false, true},
        {257, 5.0, true, false},   {33, 1.0, false, false},
    };
    const double sigmas[] = {0.5, 1.25, 3.7, 10.0, 2.0, 0.75};  // more than the cache keeps
    std::mt19937_64 rng(7);
    std::normal_distribution<double> gauss;
    for (const Line& line : lines) {
        std::vector<double> v(static_cast<std::size_t>(line.length));
        // RobustNoise's sample of 64 reads the differences d[j stride + stride / 2].
        const int stride = (line.length - 1) / 64;
        double level = 0.0;
        for (int k = 0; k < line.length; ++k) {
            const bool far = line.misleadSample && k > 0 && (k - 1) % stride == stride / 2;
            level += far ? 500.0 : 0.0;
            double x = level + 80.0 * (k % 97 > 60) + line.noise * gauss(rng);
            v[static_cast<std::size_t>(k)] = line.whole ? std::round(x) : x;
        }
        EXPECT_EQ(Bits(RobustNoise(v)), Bits(PlainNoise(v))) << line.length;
        for (const double sigma : sigmas) {
            const std::vector<double> r = EdgeResponse(v, sigma);
            const std::vector<double> plain = PlainResponse(v, sigma);
            for (std::size_t i = 0; i < r.size(); ++i) ASSERT_EQ(Bits(r[i]), Bits(plain[i])) << sigma << " " << i;
            for (const EdgePolarity polarity : {EdgePolarity::Rising, EdgePolarity::Falling, EdgePolarity::Either}) {
                for (const double least : {0.0, 2.0}) {
                    std::vector<int> found;
                    for (const CaliperCandidate& c : FindCandidates(r, polarity, least)) {
                        found.push_back(c.index);
                        ASSERT_EQ(Bits(c.response), Bits(r[static_cast<std::size_t>(c.index)]));
                    }
                    EXPECT_EQ(found, PlainCandidates(r, polarity, least)) << line.length << " " << sigma;
                }
            }
        }
    }
}

}  // namespace
