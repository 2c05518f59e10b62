// SPDX-License-Identifier: GPL-3.0-or-later
// The caliper estimators' accuracy on synthetic profiles against the Cramer-Rao bound, and their
// time against the plain minimum rule. Each sample of a profile is the mean over its pixel
// [k - 1/2, k + 1/2] of a step of height 100 blurred by a Gaussian of 1 pixel, the edge uniform
// within a pixel, under white Gaussian noise of height / SNR (over sqrt(10) for a band of 10
// pixels). The random numbers are std::mt19937_64 and a Box-Muller transform written here, so
// every machine draws the same profiles. The accuracy runs once per point (800 trials) and
// reports its figures as counters:
//   rms_E, bias_E     the error's root mean square and mean, in pixels, for estimator E
//   eff_E             rms_E over the bound (the bound: "crb")
//   sig_E             the mean reported sigma over rms_E
//   max_E             (noise-free only) the largest |error|
// E: par, gau, fit (the Gaussian-derivative rule with sigma kSigma and its three estimators),
// thr (threshold at 50 %), plain (steepest rise with its parabola).
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/caliper.h"
#include "model/caliper_parts.h"
#include "model/edge_detect.h"
#include "model/profile_filter.h"
#include "model/sampling.h"
#include "model/step_fit.h"

namespace {

constexpr double kSigma = 1.25;  // the Gaussian derivative's sigma
constexpr double kBlur = 1.0;
constexpr double kHeight = 100.0;
constexpr double kBase = 50.0;
constexpr int kLength = 64;
constexpr int kTrials = 800;

class Noise {
public:
    explicit Noise(std::uint64_t seed) : m_engine(seed) {}
    double Uniform() { return static_cast<double>(m_engine() >> 11) * 0x1.0p-53; }
    double Gauss() {
        const double u1 = 1.0 - Uniform();  // (0, 1]
        const double u2 = Uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.14159265358979323846 * u2);
    }

private:
    std::mt19937_64 m_engine;
};

std::vector<double> StepProfile(int length, double x0, double noise, Noise& rng) {
    std::vector<double> v(static_cast<std::size_t>(length));
    const StepParams p{x0, kHeight, kBase, kBlur};
    double jac[4];
    for (int k = 0; k < length; ++k) {
        v[static_cast<std::size_t>(k)] = StepModelAt(k, p, jac) + (noise > 0.0 ? noise * rng.Gauss() : 0.0);
    }
    return v;
}

// The bound on x0 over the whole profile with all four parameters unknown: the x0 entry of the
// inverse Fisher matrix.
double Bound(int length, double x0, double noise) {
    std::array<std::array<double, 4>, 4> f{};
    const StepParams p{x0, kHeight, kBase, kBlur};
    double jac[4];
    for (int k = 0; k < length; ++k) {
        StepModelAt(k, p, jac);
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) f[i][j] += jac[i] * jac[j];
        }
    }
    // Gauss-Jordan on the 4 x 4 matrix: the first column of its inverse.
    std::array<std::array<double, 5>, 4> a{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) a[i][j] = f[i][j];
        a[i][4] = i == 0 ? 1.0 : 0.0;
    }
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            if (r == c) continue;
            const double m = a[r][c] / a[c][c];
            for (int j = 0; j < 5; ++j) a[r][j] -= m * a[c][j];
        }
    }
    return noise * std::sqrt(a[0][4] / a[0][0]);
}

double PlainSteepestRise(const std::vector<double>& v) {
    std::vector<std::int64_t> sums;
    for (const double x : v) sums.push_back(std::llround(x * 1048576.0));
    const std::vector<int> pixels(v.size(), 1);
    ExactProfile profile;
    profile.Build(sums.data(), pixels.data(), static_cast<int>(v.size()) - 1, kSmoothNone, 3);
    return RefineEdge(profile, kEdgeSteepestRise, FindEdgeIn(profile, kEdgeSteepestRise));
}

struct Tally {
    double sum = 0, sum2 = 0, sigma = 0, worst = 0;
    void Add(double error, double reported) {
        sum += error;
        sum2 += error * error;
        sigma += reported;
        worst = std::max(worst, std::abs(error));
    }
};

void BM_Accuracy(benchmark::State& state, double snr, int width) {
    const char* names[] = {"par", "gau", "fit", "thr", "plain"};
    std::array<Tally, 5> tally;
    double boundVar = 0.0;
    int fitFailed = 0;
    for (auto _ : state) {
        Noise rng(0x5eed0000u + static_cast<std::uint64_t>(snr) * 16u + static_cast<std::uint64_t>(width));
        const double noise = snr > 0.0 ? kHeight / snr / std::sqrt(static_cast<double>(width)) : 0.0;
        for (int trial = 0; trial < kTrials; ++trial) {
            const double x0 = kLength / 2 - 0.5 + rng.Uniform();
            const std::vector<double> v = StepProfile(kLength, x0, noise, rng);
            const double b = Bound(kLength, x0, noise);
            boundVar += b * b;
            CaliperRule rule;
            rule.sigma = kSigma;
            rule.polarity = EdgePolarity::Rising;
            const EdgeEstimator estimators[] = {EdgeEstimator::Parabola, EdgeEstimator::Gaussian,
                                                EdgeEstimator::StepFit};
            for (int e = 0; e < 3; ++e) {
                rule.estimator = estimators[e];
                const CaliperResult r = MeasureCaliper(v, rule);
                if (r.status == CaliperStatus::FitFailed) ++fitFailed;
                tally[static_cast<std::size_t>(e)].Add(r.edge.pos - x0, r.edge.sigma);
            }
            rule.kind = CaliperKind::Threshold;
            const CaliperResult t = MeasureCaliper(v, rule);
            tally[3].Add(t.edge.pos - x0, t.edge.sigma);
            tally[4].Add(PlainSteepestRise(v) - x0, 0.0);
        }
    }
    const double bound = std::sqrt(boundVar / kTrials);
    state.counters["crb"] = bound;
    state.counters["fit_failed"] = fitFailed;
    for (std::size_t e = 0; e < tally.size(); ++e) {
        const double rms = std::sqrt(tally[e].sum2 / kTrials);
        const std::string n = names[e];
        state.counters["rms_" + n] = rms;
        state.counters["bias_" + n] = tally[e].sum / kTrials;
        if (snr > 0.0) {
            state.counters["eff_" + n] = rms / bound;
            if (e < 4) state.counters["sig_" + n] = tally[e].sigma / kTrials / rms;
        } else {
            state.counters["max_" + n] = tally[e].worst;
        }
    }
}
BENCHMARK_CAPTURE(BM_Accuracy, noise_free, 0.0, 1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Accuracy, snr20_w1, 20.0, 1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Accuracy, snr100_w1, 100.0, 1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Accuracy, snr20_w10, 20.0, 10)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Accuracy, snr100_w10, 100.0, 10)->Iterations(1)->Unit(benchmark::kMillisecond);

// The time of one 1024-sample profile with an edge at 500.3 under noise of SNR 100.
std::vector<double> LongProfile() {
    Noise rng(42);
    return StepProfile(1024, 500.3, kHeight / 100.0, rng);
}

void BM_PlainMinimum(benchmark::State& state) {
    ProfileBuffer buffer;
    const std::vector<double> v = LongProfile();
    for (std::size_t i = 0; i < v.size(); ++i) {
        const int value = static_cast<int>(std::lround(v[i]));
        buffer.m_nRed[i] = buffer.m_nGreen[i] = buffer.m_nBlue[i] = value;
    }
    buffer.m_nLastSample = 1023;
    for (auto _ : state) benchmark::DoNotOptimize(FindEdge(buffer, 1023, kChannelSum, kEdgeMinimum));
}
BENCHMARK(BM_PlainMinimum);

void Caliper(benchmark::State& state, EdgeEstimator estimator) {
    const std::vector<double> v = LongProfile();
    CaliperRule rule;
    rule.sigma = kSigma;
    rule.estimator = estimator;
    for (auto _ : state) benchmark::DoNotOptimize(MeasureCaliper(v, rule));
}
BENCHMARK_CAPTURE(Caliper, parabola, EdgeEstimator::Parabola);
BENCHMARK_CAPTURE(Caliper, step_fit, EdgeEstimator::StepFit);

}  // namespace

BENCHMARK_MAIN();
