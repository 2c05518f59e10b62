// SPDX-License-Identifier: GPL-3.0-or-later
// The caliper rules: edge response, candidates and choice, the estimators, threshold crossings,
// pairs, noise and status.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "model/caliper.h"
#include "model/caliper_parts.h"
#include "model/step_fit.h"

namespace {

// A profile of `length` pixel-integrated steps blurred by `blur` on the level `base`: each step
// is (position, height).
std::vector<double> Steps(int length, std::vector<std::pair<double, double>> steps,
                          double blur = 1.0, double base = 20.0) {
    std::vector<double> v(static_cast<std::size_t>(length), base);
    double jac[4];
    for (const auto& [x0, h] : steps) {
        for (int k = 0; k < length; ++k) v[static_cast<std::size_t>(k)] += StepModelAt(k, {x0, h, 0.0, blur}, jac);
    }
    return v;
}

CaliperRule Rule(EdgePolarity polarity, EdgeSelect select = EdgeSelect::Strongest, int nth = 1) {
    CaliperRule rule;
    rule.polarity = polarity;
    rule.select = select;
    rule.nth = nth;
    return rule;
}

constexpr double kNone = -1.0;  // NotFound expected

TEST(Caliper, ResponseOfAnIdealStepIsItsHeight) {
    for (const double sigma : {0.5, 1.0, 1.7, 4.0, 10.0}) {
        std::vector<double> v(60, 3.0);
        for (std::size_t k = 30; k < v.size(); ++k) v[k] = 10.0;  // 7 up between 29 and 30
        const std::vector<double> r = EdgeResponse(v, sigma);
        EXPECT_NEAR(r[29], 7.0, 1e-12) << sigma;
        EXPECT_NEAR(r[30], 7.0, 1e-12) << sigma;
        if (std::ceil(4.0 * sigma) < 29.0) {
            EXPECT_EQ(r[0], 0.0) << sigma;  // the repeated end samples add nothing
        }
        for (double& x : v) x = 13.0 - x;
        EXPECT_NEAR(EdgeResponse(v, sigma)[29], -7.0, 1e-12) << sigma;
        // The ideal step's response is a plateau of two samples: the first counts, and the
        // parabola puts the edge halfway.
        CaliperRule rule;
        rule.sigma = sigma;
        const CaliperResult result = MeasureCaliper(v, rule);
        ASSERT_EQ(result.candidates.size(), 1u) << sigma;
        EXPECT_EQ(result.candidates[0].index, 29) << sigma;
        EXPECT_NEAR(result.edge.pos, 29.5, 1e-12) << sigma;
    }
}

TEST(Caliper, SelectsByPolarityOrderStrengthAndNearness) {
    // Up 100 at 20.3, down 60 at 40.6, up 80 at 60.2.
    const std::vector<double> v = Steps(81, {{20.3, 100.0}, {40.6, -60.0}, {60.2, 80.0}});
    struct Case {
        EdgePolarity polarity;
        EdgeSelect select;
        int nth;
        std::optional<double> previous;
        double minContrast;
        double expected;
    };
    using P = EdgePolarity;
    using S = EdgeSelect;
    const Case cases[] = {
        {P::Rising, S::First, 1, {}, 0, 20.3},
        {P::Rising, S::Last, 1, {}, 0, 60.2},
        {P::Rising, S::Strongest, 1, {}, 0, 20.3},
        {P::Falling, S::Strongest, 1, {}, 0, 40.6},
        {P::Falling, S::Last, 1, {}, 0, 40.6},
        {P::Either, S::Last, 1, {}, 0, 60.2},
        {P::Either, S::Nth, 2, {}, 0, 40.6},
        {P::Either, S::Nth, 3, {}, 0, 60.2},
        {P::Either, S::Nth, 4, {}, 0, kNone},
        {P::Rising, S::Nth, 3, {}, 0, kNone},
        {P::Either, S::Nearest, 1, 45.0, 0, 40.6},
        {P::Either, S::Nearest, 1, 52.0, 0, 60.2},
        {P::Rising, S::Nearest, 1, 45.0, 0, 60.2},
        {P::Either, S::Nearest, 1, {}, 0, 20.3},  // without a previous edge: the strongest
        {P::Either, S::First, 1, {}, 70, 20.3},   // responses 0.78 h: only the first passes
        {P::Either, S::Last, 1, {}, 70, 20.3},
        {P::Falling, S::First, 1, {}, 70, kNone},
    };
    for (const Case& c : cases) {
        CaliperRule rule = Rule(c.polarity, c.select, c.nth);
        rule.minContrast = c.minContrast;
        rule.estimator = EdgeEstimator::Gaussian;
        const CaliperResult result = MeasureCaliper(v, rule, c.previous);
        const std::string what = "polarity " + std::to_string(int(c.polarity)) + " select " +
                                 std::to_string(int(c.select)) + " nth " + std::to_string(c.nth);
        if (c.expected == kNone) {
            EXPECT_EQ(result.status, CaliperStatus::NotFound) << what;
            continue;
        }
        EXPECT_TRUE(result.Found()) << what;
        EXPECT_NEAR(result.edge.pos, c.expected, 0.005) << what;
        EXPECT_EQ(result.edge.contrast > 0, c.polarity == P::Rising || c.expected != 40.6) << what;
    }
}

TEST(Caliper, EqualEdgesAreTakenFirstAndFlaggedAmbiguous) {
    const std::vector<double> v = Steps(60, {{15.5, 50.0}, {40.5, 50.0}});
    for (const EdgeSelect select : {EdgeSelect::Strongest, EdgeSelect::Nearest}) {
        const CaliperResult result = MeasureCaliper(v, Rule(EdgePolarity::Rising, select), 28.0);
        EXPECT_NEAR(result.edge.pos, 15.5, 0.02);  // Nearest: equally far, the first
        EXPECT_EQ(result.status, CaliperStatus::Ambiguous);
        EXPECT_NEAR(result.ratio, 1.0, 1e-12);
    }
}

TEST(Caliper, EstimatorsPlaceABlurredStepBetweenSamples) {
    struct Case {
        CaliperKind kind;
        EdgeEstimator estimator;
        double sigma;
        double blur;
        double tolerance;
    };
    const Case cases[] = {
        {CaliperKind::Edge, EdgeEstimator::StepFit, 1.25, 1.0, 0.005},
        {CaliperKind::Edge, EdgeEstimator::StepFit, 2.0, 2.5, 0.005},
        {CaliperKind::Edge, EdgeEstimator::StepFit, 0.5, 0.3, 0.005},
        {CaliperKind::Edge, EdgeEstimator::Gaussian, 1.25, 1.0, 0.005},
        {CaliperKind::Edge, EdgeEstimator::Parabola, 1.25, 1.0, 0.03},
        {CaliperKind::Threshold, EdgeEstimator::Parabola, 1.25, 1.0, 0.02},
    };
    std::mt19937_64 engine(7);
    for (const Case& c : cases) {
        for (int trial = 0; trial < 40; ++trial) {
            const double x0 = 30.0 + static_cast<double>(engine() >> 11) * 0x1.0p-53;
            for (const double height : {80.0, -80.0}) {
                const std::vector<double> v = Steps(64, {{x0, height}}, c.blur);
                CaliperRule rule;
                rule.kind = c.kind;
                rule.sigma = c.sigma;
                rule.estimator = c.estimator;
                const CaliperResult result = MeasureCaliper(v, rule);
                ASSERT_EQ(result.status, CaliperStatus::Ok) << int(c.estimator) << " " << x0;
                EXPECT_NEAR(result.edge.pos, x0, c.tolerance) << int(c.estimator) << " " << x0;
                EXPECT_LT(result.edge.sigma, 1e-6);  // the noise of the samples' rounding
                EXPECT_EQ(result.edge.residual.has_value(), c.estimator == EdgeEstimator::StepFit &&
                                                                c.kind == CaliperKind::Edge);
            }
        }
    }
}

TEST(Caliper, StepFitConvergesOnStepsAndFailsOnOtherShapes) {
    std::mt19937_64 engine(3);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<double> noisy = Steps(41, {{20.3, 50.0}}, 1.5);
    for (double& x : noisy) x += gauss(engine);
    std::vector<double> ramp(41), flat(41, 5.0), spike(41, 5.0);
    for (int k = 0; k < 41; ++k) ramp[static_cast<std::size_t>(k)] = 2.0 * k;
    spike[20] = 90.0;
    struct Case {
        const std::vector<double>* profile;
        double startHeight;
        bool converges;
    };
    const Case cases[] = {
        {&noisy, 40.0, true},
        {&flat, 1.0, false},   // nothing determines x0 or the blur
        {&flat, 0.0, false},   // no height to start from
        {&ramp, 20.0, false},  // the blur runs to its bound
        {&spike, 85.0, false},
    };
    for (const Case& c : cases) {
        const StepFitResult fit = FitStep(*c.profile, 10, 30, {20.0, c.startHeight, 0.0, 1.0});
        EXPECT_EQ(fit.converged, c.converges) << c.startHeight;
        if (!c.converges) continue;
        EXPECT_NEAR(fit.params.x0, 20.3, 0.1);
        EXPECT_NEAR(fit.params.blur, 1.5, 0.2);
        EXPECT_NEAR(fit.rms, 1.0, 0.3);
        EXPECT_LT(fit.iterations, 30);
    }
    // Through the rule: a ramp's response is a plateau, whose first sample is a candidate, and
    // the fit there fails; the position is the Gaussian estimate's.
    CaliperRule rule;
    rule.estimator = EdgeEstimator::StepFit;
    const CaliperResult result = MeasureCaliper(ramp, rule);
    EXPECT_EQ(result.status, CaliperStatus::FitFailed);
    EXPECT_FALSE(result.edge.residual.has_value());
    rule.estimator = EdgeEstimator::Gaussian;
    EXPECT_EQ(result.edge.pos, MeasureCaliper(ramp, rule).edge.pos);
}

TEST(Caliper, ThresholdCrossings) {
    // Up from 0 at sample 2 to 100 at 12 by 10 a sample, flat, down from 100 at 16 to 0 at 26.
    std::vector<double> v(31, 0.0);
    for (int k = 2; k <= 12; ++k) v[static_cast<std::size_t>(k)] = 10.0 * (k - 2);
    for (int k = 12; k <= 16; ++k) v[static_cast<std::size_t>(k)] = 100.0;
    for (int k = 16; k <= 26; ++k) v[static_cast<std::size_t>(k)] = 100.0 - 10.0 * (k - 16);
    struct Case {
        EdgePolarity polarity;
        bool fraction;
        double level;
        bool last;
        double expected;
    };
    using P = EdgePolarity;
    const Case cases[] = {
        {P::Rising, true, 0.55, false, 7.5},   {P::Falling, true, 0.55, false, 20.5},
        {P::Either, true, 0.55, false, 7.5},   {P::Either, true, 0.55, true, 20.5},
        {P::Rising, true, 0.55, true, 7.5},    {P::Rising, false, 25.0, false, 4.5},
        {P::Falling, false, 25.0, true, 23.5}, {P::Rising, true, 0.5, false, 7.0},
        {P::Falling, true, 0.5, false, 21.0},  {P::Either, false, 150.0, false, kNone},
        {P::Rising, true, 0.0, false, kNone},  // nothing lies below the minimum
    };
    for (const Case& c : cases) {
        CaliperRule rule = Rule(c.polarity);
        rule.kind = CaliperKind::Threshold;
        rule.levelIsFraction = c.fraction;
        rule.level = c.level;
        rule.lastCrossing = c.last;
        const CaliperResult result = MeasureCaliper(v, rule);
        if (c.expected == kNone) {
            EXPECT_FALSE(result.Found()) << c.level;
            continue;
        }
        ASSERT_TRUE(result.Found()) << c.level;
        EXPECT_DOUBLE_EQ(result.edge.pos, c.expected) << c.level;
        const int at = static_cast<int>(std::floor(c.expected + 0.5));
        EXPECT_EQ(result.edge.contrast, EdgeResponse(v, rule.sigma)[static_cast<std::size_t>(at)]);
    }
}

TEST(Caliper, PairsOfEdgesAndTheirWidth) {
    // Bright bars over 20.4..30.4 (width 10) and 50.2..57.2 (width 7) on a dark ground.
    const std::vector<double> v =
        Steps(80, {{20.4, 60.0}, {30.4, -60.0}, {50.2, 90.0}, {57.2, -90.0}});
    struct Case {
        PairOrder order;
        EdgeSelect select;
        double minWidth, maxWidth;
        std::optional<double> previous;
        double first, width;
    };
    using S = EdgeSelect;
    const Case cases[] = {
        {PairOrder::RiseFall, S::First, 0, 1e9, {}, 20.4, 10.0},
        {PairOrder::RiseFall, S::Last, 0, 1e9, {}, 50.2, 7.0},
        {PairOrder::RiseFall, S::Strongest, 0, 1e9, {}, 50.2, 7.0},
        {PairOrder::RiseFall, S::Nth, 0, 1e9, {}, 20.4, 10.0},
        {PairOrder::RiseFall, S::Nearest, 0, 1e9, 48.0, 50.2, 7.0},
        {PairOrder::RiseFall, S::First, 0, 8, {}, 50.2, 7.0},
        {PairOrder::RiseFall, S::First, 6, 12, {}, 20.4, 10.0},
        {PairOrder::RiseFall, S::First, 11, 15, {}, kNone, 0},  // never the span of two bars
        {PairOrder::FallRise, S::First, 0, 1e9, {}, 30.4, 19.8},
        {PairOrder::FallRise, S::Strongest, 0, 15, {}, kNone, 0},
    };
    for (const Case& c : cases) {
        CaliperRule rule = Rule(EdgePolarity::Either, c.select);
        rule.kind = CaliperKind::Pair;
        rule.pairOrder = c.order;
        rule.minWidth = c.minWidth;
        rule.maxWidth = c.maxWidth;
        rule.estimator = EdgeEstimator::StepFit;
        const CaliperResult result = MeasureCaliper(v, rule, c.previous);
        if (c.first == kNone) {
            EXPECT_FALSE(result.Found()) << c.minWidth << " " << c.maxWidth;
            continue;
        }
        ASSERT_TRUE(result.Found() && result.second) << int(c.select);
        EXPECT_EQ(result.candidates.size(), 4u);
        EXPECT_NEAR(result.edge.pos, c.first, 0.005) << int(c.select);
        EXPECT_NEAR(result.widthSamples, c.width, 0.01) << int(c.select);
        EXPECT_EQ(result.widthSamples, result.second->pos - result.edge.pos);
        EXPECT_EQ(result.edge.contrast > 0, c.order == PairOrder::RiseFall);
    }
}

TEST(Caliper, NoiseAndStatus) {
    // The noise: the median absolute deviation of the neighbours' differences.
    const double unit = 1.4826 / std::sqrt(2.0);
    EXPECT_DOUBLE_EQ(RobustNoise(std::vector<double>{0, 1, 3, 6}), unit);          // d 1 2 3
    EXPECT_DOUBLE_EQ(RobustNoise(std::vector<double>{0, 1, 3, 7, 15}), 1.5 * unit);  // d 1 2 4 8
    EXPECT_EQ(RobustNoise(std::vector<double>{4}), 0.0);
    std::mt19937_64 engine(11);
    std::normal_distribution<double> gauss(0.0, 2.0);
    std::vector<double> noisy = Steps(4000, {{1000.5, 100.0}, {3000.5, -60.0}});
    for (double& x : noisy) x += gauss(engine);
    EXPECT_NEAR(RobustNoise(noisy), 2.0, 0.1);

    struct Case {
        std::vector<double> profile;
        CaliperRule rule;
        CaliperStatus status;
    };
    const std::vector<double> clean = Steps(60, {{30.5, 100.0}, {45.5, -50.0}});
    // A zigzag of +-2 is noise of 4.19 to the estimate, and nothing to the odd kernel, whose
    // pairs of samples lie an even distance apart: the response is the step's alone.
    std::vector<double> faint = Steps(60, {{30.5, 10.0}});
    for (std::size_t k = 0; k < faint.size(); ++k) faint[k] += k % 2 == 0 ? 2.0 : -2.0;
    CaliperRule strongest;
    CaliperRule steep = strongest;
    steep.sigma = 4.0;
    const Case cases[] = {
        {clean, strongest, CaliperStatus::Ok},
        {Steps(60, {{3.5, 100.0}}), strongest, CaliperStatus::Ok},
        {Steps(60, {{2.5, 100.0}}), strongest, CaliperStatus::AtLineEnd},  // its peak 3 from 0
        {Steps(60, {{40.5, 100.0}}), steep, CaliperStatus::Ok},
        {Steps(60, {{49.5, 100.0}}), steep, CaliperStatus::AtLineEnd},  // within 12 of the end
        {faint, strongest, CaliperStatus::Weak},
        {Steps(60, {{20.5, 100.0}, {40.5, -85.0}}), strongest, CaliperStatus::Ambiguous},
        {std::vector<double>(30, 7.0), strongest, CaliperStatus::NotFound},
        {{}, strongest, CaliperStatus::NotFound},
        {{1.0, std::numeric_limits<double>::quiet_NaN(), 3.0}, strongest, CaliperStatus::NotFound},
    };
    for (const Case& c : cases) {
        const CaliperResult result = MeasureCaliper(c.profile, c.rule);
        EXPECT_EQ(result.status, c.status) << c.profile.size() << " at " << result.edge.pos;
    }
    const CaliperResult two = MeasureCaliper(clean, strongest);
    EXPECT_NEAR(two.ratio, 2.0, 1e-9);  // equal blurs: the responses are as the heights
    EXPECT_LT(two.noise, 1e-6);         // a clean profile's differences mostly vanish
    const CaliperResult zigzag = MeasureCaliper(faint, strongest);
    EXPECT_NEAR(zigzag.noise, 4.0 * unit, 0.4);
    EXPECT_NEAR(zigzag.edge.pos, 30.5, 1e-3);
}

TEST(Caliper, UncertaintyFollowsTheBound) {
    // The closed form against the Fisher information summed over unit-spaced samples.
    for (const double blur : {0.8, 1.5, 3.0}) {
        double information = 0.0;
        for (int k = -40; k <= 40; ++k) {
            const double u = (k - 0.37) / blur;
            const double d = std::exp(-0.5 * u * u) / std::sqrt(2.0 * M_PI) / blur;
            information += 50.0 * 50.0 * d * d / (2.0 * 2.0);
        }
        EXPECT_NEAR(StepPositionBound(2.0, 50.0, blur), 1.0 / std::sqrt(information), 1e-3);
    }
    EXPECT_EQ(StepPositionBound(0.0, 50.0, 1.0), 0.0);
    // The fit's sigma on a noisy step: within a quarter of the spread observed over many lines.
    std::mt19937_64 engine(5);
    std::normal_distribution<double> gauss(0.0, 4.0);
    CaliperRule rule;
    rule.estimator = EdgeEstimator::StepFit;
    double sum2 = 0.0, reported = 0.0;
    const int lines = 300;
    for (int i = 0; i < lines; ++i) {
        std::vector<double> v = Steps(200, {{100.3, 80.0}});
        for (double& x : v) x += gauss(engine);
        const CaliperResult result = MeasureCaliper(v, rule);
        sum2 += (result.edge.pos - 100.3) * (result.edge.pos - 100.3);
        reported += result.edge.sigma;
    }
    EXPECT_NEAR(reported / lines / std::sqrt(sum2 / lines), 1.0, 0.25);
}

TEST(Caliper, InvalidRules) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto with = [](auto change) {
        CaliperRule rule;
        change(rule);
        return rule;
    };
    const CaliperRule valid[] = {
        CaliperRule{},
        with([](CaliperRule& r) { r.sigma = 0.5; }),
        with([](CaliperRule& r) { r.sigma = 10.0; }),
        with([](CaliperRule& r) { r.levelIsFraction = false, r.level = -300.0; }),
        with([](CaliperRule& r) { r.minWidth = r.maxWidth = 3.0; }),
        with([&](CaliperRule& r) { r.maxWidth = inf; }),
        with([](CaliperRule& r) { r.kind = CaliperKind::Plain, r.plainMode = 3, r.track = 5; }),
    };
    const CaliperRule invalid[] = {
        with([](CaliperRule& r) { r.sigma = 0.49; }),
        with([](CaliperRule& r) { r.sigma = 10.01; }),
        with([&](CaliperRule& r) { r.sigma = nan; }),
        with([](CaliperRule& r) { r.nth = 0; }),
        with([](CaliperRule& r) { r.minContrast = -1.0; }),
        with([&](CaliperRule& r) { r.minContrast = inf; }),
        with([](CaliperRule& r) { r.level = 1.5; }),
        with([&](CaliperRule& r) { r.levelIsFraction = false, r.level = nan; }),
        with([](CaliperRule& r) { r.minWidth = -1.0; }),
        with([](CaliperRule& r) { r.minWidth = 5.0, r.maxWidth = 4.0; }),
        with([](CaliperRule& r) { r.kind = static_cast<CaliperKind>(4); }),
        with([](CaliperRule& r) { r.kind = CaliperKind::Plain, r.plainMode = 4; }),
        with([](CaliperRule& r) { r.kind = CaliperKind::Plain, r.plainMode = -1; }),
        // Only a plain rule has a plain rule; and it reads no picture between pixels.
        with([](CaliperRule& r) { r.plainMode = 1; }),
        with([](CaliperRule& r) { r.kind = CaliperKind::Plain, r.bilinear = true; }),
        with([](CaliperRule& r) { r.polarity = static_cast<EdgePolarity>(3); }),
        with([](CaliperRule& r) { r.select = static_cast<EdgeSelect>(5); }),
        with([](CaliperRule& r) { r.estimator = static_cast<EdgeEstimator>(3); }),
        with([](CaliperRule& r) { r.pairOrder = static_cast<PairOrder>(2); }),
    };
    const std::vector<double> v = Steps(40, {{20.5, 50.0}});
    for (const CaliperRule& rule : valid) EXPECT_TRUE(IsValidCaliperRule(rule));
    for (const CaliperRule& rule : invalid) {
        EXPECT_FALSE(IsValidCaliperRule(rule));
        EXPECT_EQ(MeasureCaliper(v, rule).status, CaliperStatus::NotFound);
    }
}

}  // namespace
