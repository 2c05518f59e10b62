// SPDX-License-Identifier: GPL-3.0-or-later
// The least-squares fit of a pixel-integrated blurred step: Levenberg-Marquardt on four
// parameters with the analytic Jacobian and the 4 x 4 normal equations solved directly. Four
// parameters need no solver library, and a fixed order of operations gives equal bits on
// every machine.
#include "model/step_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

using Matrix = std::array<std::array<double, 4>, 4>;
using Vector = std::array<double, 4>;

constexpr double kMinBlur = 0.05;
constexpr int kMaxIterations = 100;

double Cdf(double u) { return 0.5 * std::erfc(-u / std::sqrt(2.0)); }
double Pdf(double u) { return std::exp(-0.5 * u * u) / std::sqrt(2.0 * 3.14159265358979323846); }

// Solves a x = y for a symmetric positive definite a by Cholesky; false when a pivot falls to
// rounding (a parameter the samples do not determine).
bool SolveSymmetric(const Matrix& a, const Vector& y, Vector& x) {
    Matrix l{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j <= i; ++j) {
            double sum = a[i][j];
            for (int k = 0; k < j; ++k) sum -= l[i][k] * l[j][k];
            if (i == j) {
                if (!(sum > 1e-13 * a[i][i]) || !(a[i][i] > 0.0)) return false;
                l[i][i] = std::sqrt(sum);
            } else {
                l[i][j] = sum / l[j][j];
            }
        }
    }
    Vector z{};
    for (int i = 0; i < 4; ++i) {
        double sum = y[i];
        for (int k = 0; k < i; ++k) sum -= l[i][k] * z[k];
        z[i] = sum / l[i][i];
    }
    for (int i = 3; i >= 0; --i) {
        double sum = z[i];
        for (int k = i + 1; k < 4; ++k) sum -= l[k][i] * x[k];
        x[i] = sum / l[i][i];
    }
    return true;
}

// Phi and phi at the pixel borders of a window for one set of parameters.
struct Borders {
    StepParams p;
    bool valid = false;
    std::vector<double> cdf, pdf;
};

bool SameBits(const StepParams& a, const StepParams& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class Window {
public:
    Window(std::span<const double> v, int first, int last) : m_v(v), m_first(first), m_last(last) {
        for (Borders& b : m_borders) {
            b.cdf.resize(static_cast<std::size_t>(last - first) + 2);
            b.pdf.resize(b.cdf.size());
        }
    }

    double Cost(const StepParams& p) {
        double cost = 0.0;
        Each(p, [&](int k, double model, const double*) {
            const double r = m_v[static_cast<std::size_t>(k)] - model;
            cost += r * r;
        });
        return cost;
    }
    // J^T J and J^T r at p.
    void Normal(const StepParams& p, Matrix& jtj, Vector& jtr) {
        jtj = {};
        jtr = {};
        Each(p, [&](int k, double model, const double* jac) {
            const double r = m_v[static_cast<std::size_t>(k)] - model;
            for (int i = 0; i < 4; ++i) {
                jtr[i] += jac[i] * r;
                for (int j = 0; j <= i; ++j) jtj[i][j] += jac[i] * jac[j];
            }
        });
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j) jtj[i][j] = jtj[j][i];
        }
    }

private:
    // Phi and phi at the borders for p: the iteration asks for the same parameters twice (the
    // cost of a step, then the normal equations where it was taken, or again where it was
    // not), so those of the last two are kept.
    const Borders& BordersAt(const StepParams& p) {
        for (const Borders& b : m_borders) {
            if (b.valid && SameBits(b.p, p)) return b;
        }
        Borders& b = m_borders[m_next];
        m_next ^= 1;
        b.p = p;
        b.valid = true;
        const double s = p.blur;
        // The border before pixel k is k - 1/2, after it k + 1/2, which is the same number as
        // (k + 1) - 1/2: each border is computed once, for the pixels on either side.
        double u = (m_first - 0.5 - p.x0) / s;
        b.cdf[0] = Cdf(u);
        b.pdf[0] = Pdf(u);
        for (int k = m_first; k <= m_last; ++k) {
            u = (k + 0.5 - p.x0) / s;
            const std::size_t at = static_cast<std::size_t>(k - m_first) + 1;
            b.cdf[at] = Cdf(u);
            b.pdf[at] = Pdf(u);
        }
        return b;
    }

    // Calls f(k, value, jacobian) for every sample of the window at p, as StepModelAt gives
    // them.
    template <class F>
    void Each(const StepParams& p, F&& f) {
        const Borders& b = BordersAt(p);
        const double s = p.blur;
        double um = (m_first - 0.5 - p.x0) / s;
        double cm = b.cdf[0], dm = b.pdf[0];
        double gm = um * cm + dm;
        double jac[4];
        jac[2] = 1.0;
        for (int k = m_first; k <= m_last; ++k) {
            const std::size_t at = static_cast<std::size_t>(k - m_first) + 1;
            const double up = (k + 0.5 - p.x0) / s;
            const double cp = b.cdf[at], dp = b.pdf[at];
            const double gp = up * cp + dp;
            const double mean = s * (gp - gm);
            jac[0] = -p.height * (cp - cm);
            jac[1] = mean;
            jac[3] = p.height * (dp - dm);
            f(k, p.base + p.height * mean, jac);
            cm = cp;
            dm = dp;
            gm = gp;
        }
    }

    std::span<const double> m_v;
    int m_first;
    int m_last;
    std::array<Borders, 2> m_borders;
    std::size_t m_next = 0;
};

}  // namespace

double StepModelAt(double k, const StepParams& p, double jacobian[4]) {
    // The integral of Phi is G(u) = u Phi(u) + phi(u), with G' = Phi and d(s G(u))/ds = phi(u)
    // for u = (c - x0) / s: the pixel mean and all four derivatives in closed form.
    const double s = p.blur;
    const double up = (k + 0.5 - p.x0) / s;
    const double um = (k - 0.5 - p.x0) / s;
    const double cp = Cdf(up), cm = Cdf(um);
    const double dp = Pdf(up), dm = Pdf(um);
    const double mean = s * ((up * cp + dp) - (um * cm + dm));
    jacobian[0] = -p.height * (cp - cm);
    jacobian[1] = mean;
    jacobian[2] = 1.0;
    jacobian[3] = p.height * (dp - dm);
    return p.base + p.height * mean;
}

StepFitResult FitStep(std::span<const double> profile, int first, int last,
                      const StepParams& start) {
    StepFitResult result;
    result.params = start;
    const int count = last - first + 1;
    if (first < 0 || last >= static_cast<int>(profile.size()) || count < 5 || !(start.blur > 0.0) ||
        start.height == 0.0 || !std::isfinite(start.height)) {
        return result;
    }
    Window window(profile, first, last);
    const double maxBlur = std::max(1.0, 0.5 * count);
    // The cost's rounding: a change below it is no change.
    double energy = 0.0;
    for (int k = first; k <= last; ++k) energy += profile[static_cast<std::size_t>(k)] * profile[static_cast<std::size_t>(k)];
    const double floor = 1e-24 * energy;

    StepParams p = start;
    p.blur = std::clamp(p.blur, kMinBlur, maxBlur);
    double cost = window.Cost(p);
    double lambda = 1e-3;
    bool converged = false;
    Matrix jtj;
    Vector jtr;
    for (int iteration = 1; iteration <= kMaxIterations && !converged; ++iteration) {
        result.iterations = iteration;
        window.Normal(p, jtj, jtr);
        Matrix damped = jtj;
        for (int i = 0; i < 4; ++i) damped[i][i] += lambda * jtj[i][i];
        Vector step{};
        if (!SolveSymmetric(damped, jtr, step)) return result;
        StepParams next{p.x0 + step[0], p.height + step[1], p.base + step[2],
                        std::clamp(p.blur + step[3], kMinBlur, maxBlur)};
        const double nextCost = window.Cost(next);
        const bool small = std::abs(next.x0 - p.x0) < 1e-6 && std::abs(next.blur - p.blur) < 1e-6;
        const bool flat = std::abs(cost - nextCost) <= 1e-12 * cost + floor;
        if (nextCost <= cost) {
            p = next;
            cost = nextCost;
            lambda = std::max(lambda * 0.1, 1e-12);
        } else {
            lambda *= 10.0;
            if (lambda > 1e12) return result;
        }
        // A step that moves nothing and gains nothing: the minimum, to the samples' rounding.
        converged = small && flat;
        if (!(p.x0 >= first && p.x0 <= last)) return result;
    }
    // A step that explains less than a hundredth of the window's spread is no step (a flat
    // window, where any x0 fits).
    const auto [low, high] = std::minmax_element(profile.begin() + first, profile.begin() + last + 1);
    if (!converged || p.blur >= maxBlur || !(std::abs(p.height) >= 0.01 * (*high - *low)) ||
        *high == *low) {
        return result;
    }
    result.params = p;
    result.rms = std::sqrt(cost / count);
    window.Normal(p, jtj, jtr);
    Vector unit{1.0, 0.0, 0.0, 0.0};
    Vector column{};
    if (!SolveSymmetric(jtj, unit, column) || !(column[0] > 0.0)) return result;
    result.x0PerNoise = std::sqrt(column[0]);
    result.converged = true;
    return result;
}
