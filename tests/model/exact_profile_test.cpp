// SPDX-License-Identifier: GPL-3.0-or-later
// The exact profile against the definition written out in rational numbers: random profiles of
// every shape (equal and unequal pixel counts, both smoothings, every width, flat stretches that
// make ties) must give the same edge and the same sub-pixel position.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "model/edge_detect.h"
#include "model/exact_rational.h"
#include "model/profile_filter.h"

namespace {

std::vector<mpq_class> Definition(const std::vector<std::int64_t>& sums,
                                  const std::vector<int>& pixels, int smoothing, int width) {
    const int count = static_cast<int>(sums.size()) - 1;
    std::vector<mpq_class> v;
    for (std::size_t i = 0; i < sums.size(); ++i) v.push_back(Ratio(sums[i], pixels[i]));
    if (smoothing == kSmoothNone) return v;
    std::vector<std::int64_t> w(static_cast<std::size_t>(width / 2 + 1), 1);
    if (smoothing == kSmoothGaussian) w = GaussianWeights(width);
    const int reach = static_cast<int>(w.size()) - 1;
    std::vector<mpq_class> out;
    for (int i = 0; i <= count; ++i) {
        const int r = std::min({reach, i, count - i});
        mpq_class sum = 0, norm = 0;
        for (int k = -r; k <= r; ++k) {
            sum += w[static_cast<std::size_t>(std::abs(k))] * v[static_cast<std::size_t>(i + k)];
            norm += w[static_cast<std::size_t>(std::abs(k))];
        }
        out.push_back(sum / norm);
    }
    return out;
}

int RuleByDefinition(const std::vector<mpq_class>& v, int mode) {
    int best = 0;
    const int count = static_cast<int>(v.size()) - 1;
    if (mode <= kEdgeMaximum) {
        for (int i = 1; i <= count; ++i) {
            if (mode == kEdgeMinimum ? v[i] < v[best] : v[i] > v[best]) best = i;
        }
        return best;
    }
    mpq_class steepest = 0;
    for (int i = 0; i < count; ++i) {
        const mpq_class d = v[i + 1] - v[i];
        if (mode == kEdgeSteepestFall ? d < steepest : d > steepest) steepest = d, best = i;
    }
    return best;
}

TEST(ExactProfile, AgreesWithTheDefinitionInRationals) {
    std::mt19937 random(20261208);
    const auto pick = [&random](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    for (int round = 0; round < 600; ++round) {
        const int count = pick(0, 120);
        const int smoothing = pick(0, 2);
        const int width = 2 * pick(1, 25) + 1;
        const bool unequal = pick(0, 1) == 1;
        const int levels = pick(1, 4);  // few levels: flat stretches and equal steps
        std::vector<std::int64_t> sums;
        std::vector<int> pixels;
        for (int i = 0; i <= count; ++i) {
            const int n = unequal ? pick(1, 51) : 3;
            pixels.push_back(n);
            sums.push_back(static_cast<std::int64_t>(n) * 65535 * pick(0, levels) / levels);
        }
        ExactProfile profile;
        profile.Build(sums.data(), pixels.data(), count, smoothing, width);
        const std::vector<mpq_class> v = Definition(sums, pixels, smoothing, width);
        for (int mode = 0; mode <= 3; ++mode) {
            const int index = FindEdgeIn(profile, mode);
            ASSERT_EQ(index, RuleByDefinition(v, mode))
                << "round " << round << " mode " << mode << " smoothing " << smoothing;
        }
        for (int i = 0; i <= count; ++i) ASSERT_EQ(profile.Value(i), NearestDouble(v[i]));
    }
}

}  // namespace
