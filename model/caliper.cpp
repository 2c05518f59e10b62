// SPDX-License-Identifier: GPL-3.0-or-later
// The caliper rules: the rule's check, the edges' placing, the choice among candidates, and the
// edge rule itself (threshold crossings and pairs are in caliper_kinds.cpp).
#include "model/caliper.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "model/caliper_parts.h"
#include "model/step_fit.h"

bool IsValidCaliperRule(const CaliperRule& rule) {
    const auto within = [](auto value, int last) { return static_cast<int>(value) <= last; };
    // A plain rule reads the walk's pixels exactly: it cannot read between them.
    const bool plain = rule.kind == CaliperKind::Plain
                           ? rule.plainMode >= 0 && rule.plainMode <= 3 && !rule.bilinear
                           : rule.plainMode == 0;
    return plain && within(rule.kind, 3) && within(rule.polarity, 2) && within(rule.select, 4) &&
           within(rule.estimator, 2) && within(rule.pairOrder, 1) &&
           rule.sigma >= kMinCaliperSigma && rule.sigma <= kMaxCaliperSigma && rule.nth >= 1 &&
           std::isfinite(rule.minContrast) && rule.minContrast >= 0.0 &&
           std::isfinite(rule.level) &&
           (!rule.levelIsFraction || (rule.level >= 0.0 && rule.level <= 1.0)) &&
           std::isfinite(rule.minWidth) && rule.minWidth >= 0.0 && rule.minWidth <= rule.maxWidth &&
           rule.track >= 0 && rule.track <= kMaxTrackHalfWidth;
}

bool NearLineEnd(double pos, int count, double sigma) {
    const double reach = std::ceil(3.0 * sigma);
    return pos <= reach || pos >= (count - 1) - reach;
}

CaliperStatus StatusOf(bool fitFailed, bool atEnd, double contrast, double noise, double ratio) {
    if (fitFailed) return CaliperStatus::FitFailed;
    if (atEnd) return CaliperStatus::AtLineEnd;
    if (std::abs(contrast) < 4.0 * noise) return CaliperStatus::Weak;
    if (ratio > 0.0 && ratio <= 1.25) return CaliperStatus::Ambiguous;
    return CaliperStatus::Ok;
}

double QuickPlace(const CaliperInput& in, const CaliperCandidate& candidate) {
    const EdgeEstimator quick = in.rule.estimator == EdgeEstimator::Parabola
                                    ? EdgeEstimator::Parabola
                                    : EdgeEstimator::Gaussian;
    return PlacePeak(in.response, candidate.index, quick).pos;
}

namespace {

// The blur of the edge from the response's width, and the step's height from the response's
// peak: the response of a step of height h blurred by s is h sigma / w times a Gaussian of
// width w = sqrt(s^2 + sigma^2).
struct StepGuess {
    double blur;
    double height;
};
StepGuess GuessStep(double width, double peak, double sigma) {
    if (!(width > sigma)) return {sigma, std::abs(peak) * std::sqrt(2.0)};
    const double blur = std::max(std::sqrt(width * width - sigma * sigma), 0.3);
    return {blur, std::abs(peak) * width / sigma};
}

double ResponseSigma(const CaliperInput& in, EdgeEstimator estimator, const StepGuess& step) {
    if (in.noise == 0.0) return 0.0;
    const double bound = EstimatorInefficiency(estimator) *
                         StepPositionBound(in.noise, step.height, step.blur);
    const double bias = EstimatorBiasSpread(estimator);
    return std::sqrt(bound * bound + bias * bias);
}

// How far towards `limit` the fit of the edge at `index` may reach before the samples belong to
// another edge: with q the response in the edge's sign, up to the sample before q falls to 0 or
// below where it then falls to -1/4 of the peak (the other side of a bar), or to the lowest q
// passed where q then rises 1/4 of the peak above it (the next step of a staircase).
int FitReach(std::span<const double> response, int index, int limit) {
    const int n = static_cast<int>(response.size());
    const int way = limit < index ? -1 : 1;
    const double sign = response[static_cast<std::size_t>(index)] < 0.0 ? -1.0 : 1.0;
    const double peak = sign * response[static_cast<std::size_t>(index)];
    int valley = index;
    int positive = index;  // the last sample of the edge's sign
    for (int j = index + way; j != limit + way && j >= 0 && j < n; j += way) {
        const double q = sign * response[static_cast<std::size_t>(j)];
        if (q <= -0.25 * peak) return positive;
        if (q > 0.0 && positive == j - way) positive = j;
        if (q < sign * response[static_cast<std::size_t>(valley)]) valley = j;
        if (q - sign * response[static_cast<std::size_t>(valley)] >= 0.25 * peak) return valley;
    }
    return limit;
}

}  // namespace

PlacedEdge PlaceEdge(const CaliperInput& in, const CaliperCandidate& candidate) {
    PlacedEdge placed;
    const double peak = in.response[static_cast<std::size_t>(candidate.index)];
    placed.edge.contrast = peak;
    const EdgeEstimator quick = in.rule.estimator == EdgeEstimator::Parabola
                                    ? EdgeEstimator::Parabola
                                    : EdgeEstimator::Gaussian;
    const PeakPlace place = PlacePeak(in.response, candidate.index, quick);
    const StepGuess step = GuessStep(place.width, peak, in.rule.sigma);
    placed.edge.pos = place.pos;
    placed.edge.sigma = ResponseSigma(in, quick, step);
    if (in.rule.estimator != EdgeEstimator::StepFit) return placed;

    // The fit's window reaches three times the response's and the edge's blur either way, at
    // least 4 samples, within the line; it starts from the Gaussian estimate.
    const int count = static_cast<int>(in.profile.size());
    const int half = std::max(4, static_cast<int>(std::ceil(4.0 * (in.rule.sigma + step.blur))));
    const int centre = static_cast<int>(std::lround(place.pos));
    const int first = std::max(0, FitReach(in.response, candidate.index, centre - half));
    const int last = std::min(count - 1, FitReach(in.response, candidate.index, centre + half));
    StepParams start;
    start.x0 = place.pos;
    start.base = in.profile[static_cast<std::size_t>(first)];
    start.height = in.profile[static_cast<std::size_t>(last)] - start.base;
    start.blur = step.blur;
    const StepFitResult fit = FitStep(in.profile, first, last, start);
    if (!fit.converged || (fit.params.height > 0.0) != (peak > 0.0)) {
        placed.fitFailed = true;
        return placed;
    }
    placed.edge.pos = fit.params.x0;
    placed.edge.residual = fit.rms;
    placed.edge.sigma = in.noise == 0.0 ? 0.0
                                        : EstimatorInefficiency(EdgeEstimator::StepFit) *
                                              in.noise * fit.x0PerNoise;
    return placed;
}

int ChooseItem(const CaliperRule& rule, const std::vector<double>& strength,
               const std::vector<double>& place, std::optional<double> previous) {
    const int count = static_cast<int>(strength.size());
    if (count == 0) return -1;
    const auto strongest = [&] {
        int best = 0;
        for (int i = 1; i < count; ++i) {
            if (strength[static_cast<std::size_t>(i)] > strength[static_cast<std::size_t>(best)]) best = i;
        }
        return best;
    };
    switch (rule.select) {
        case EdgeSelect::First: return 0;
        case EdgeSelect::Last: return count - 1;
        case EdgeSelect::Nth: return rule.nth <= count ? rule.nth - 1 : -1;
        case EdgeSelect::Nearest: {
            if (!previous || !std::isfinite(*previous)) return strongest();
            int best = 0;
            for (int i = 1; i < count; ++i) {
                if (std::abs(place[static_cast<std::size_t>(i)] - *previous) <
                    std::abs(place[static_cast<std::size_t>(best)] - *previous)) {
                    best = i;
                }
            }
            return best;
        }
        case EdgeSelect::Strongest: break;
    }
    return strongest();
}

double RatioOf(const std::vector<double>& strength, int chosen) {
    double other = 0.0;
    for (std::size_t i = 0; i < strength.size(); ++i) {
        if (static_cast<int>(i) != chosen) other = std::max(other, strength[i]);
    }
    return other > 0.0 ? strength[static_cast<std::size_t>(chosen)] / other : 0.0;
}

WindowChoice ChooseInWindow(const std::vector<double>& place, const std::vector<double>& strength,
                            const TrackWindow& window) {
    WindowChoice out;
    std::vector<double> inside;
    int chosenInside = -1;
    double best = 0.0;
    for (std::size_t i = 0; i < place.size(); ++i) {
        const double distance = std::abs(place[i] - window.centre);
        if (!(distance <= window.half)) continue;
        if (out.chosen < 0 || distance < best) {
            best = distance;
            out.chosen = static_cast<int>(i);
            chosenInside = static_cast<int>(inside.size());
        }
        inside.push_back(strength[i]);
    }
    if (out.chosen >= 0) out.ratio = RatioOf(inside, chosenInside);
    return out;
}

namespace {

// The edge rule under a search window: the candidate nearest the window's centre among those
// placed in it, compared by the same quick place as Nearest.
CaliperResult MeasureEdgeInWindow(const CaliperInput& in, CaliperResult result) {
    const std::vector<CaliperCandidate>& c = result.candidates;
    std::vector<double> place, strength;
    for (const CaliperCandidate& candidate : c) {
        place.push_back(QuickPlace(in, candidate));
        strength.push_back(std::abs(candidate.response));
    }
    const WindowChoice choice = ChooseInWindow(place, strength, *in.window);
    if (choice.chosen < 0) {
        result.status = CaliperStatus::Lost;
        return result;
    }
    const CaliperCandidate& candidate = c[static_cast<std::size_t>(choice.chosen)];
    const PlacedEdge placed = PlaceEdge(in, candidate);
    result.edge = placed.edge;
    result.ratio = choice.ratio;
    result.status = StatusOf(placed.fitFailed,
                             NearLineEnd(candidate.index, static_cast<int>(in.profile.size()), in.rule.sigma),
                             placed.edge.contrast, in.noise, result.ratio);
    return result;
}

CaliperResult MeasureEdge(const CaliperInput& in, std::optional<double> previous) {
    CaliperResult result;
    result.noise = in.noise;
    result.candidates = FindCandidates(in.response, in.rule.polarity, in.rule.minContrast);
    if (in.window) return MeasureEdgeInWindow(in, std::move(result));
    const std::vector<CaliperCandidate>& c = result.candidates;
    const int count = static_cast<int>(c.size());
    if (count == 0) return result;
    // ChooseItem and RatioOf on the candidates' strengths in one pass: the strongest (the first
    // of equals) and the strongest of the others, which is all the ratio needs.
    int strongest = 0;
    double top = std::abs(c[0].response);
    double runnerUp = 0.0;  // the largest strength but the strongest's (0 when none)
    for (int i = 1; i < count; ++i) {
        const double strength = std::abs(c[static_cast<std::size_t>(i)].response);
        if (strength > top) {
            runnerUp = top;
            top = strength;
            strongest = i;
        } else {
            runnerUp = runnerUp < strength ? strength : runnerUp;  // std::max(runnerUp, strength)
        }
    }
    int chosen = strongest;
    switch (in.rule.select) {
        case EdgeSelect::First: chosen = 0; break;
        case EdgeSelect::Last: chosen = count - 1; break;
        case EdgeSelect::Nth: chosen = in.rule.nth <= count ? in.rule.nth - 1 : -1; break;
        case EdgeSelect::Nearest:
            if (previous && std::isfinite(*previous)) {
                chosen = 0;
                double best = std::abs(QuickPlace(in, c[0]) - *previous);
                for (int i = 1; i < count; ++i) {
                    const double distance = std::abs(QuickPlace(in, c[static_cast<std::size_t>(i)]) - *previous);
                    if (distance < best) {
                        best = distance;
                        chosen = i;
                    }
                }
            }
            break;
        case EdgeSelect::Strongest: break;
    }
    if (chosen < 0) return result;
    const CaliperCandidate& candidate = c[static_cast<std::size_t>(chosen)];
    const PlacedEdge placed = PlaceEdge(in, candidate);
    result.edge = placed.edge;
    const double other = chosen == strongest ? runnerUp : top;
    result.ratio = other > 0.0 ? std::abs(candidate.response) / other : 0.0;
    result.status = StatusOf(placed.fitFailed,
                             NearLineEnd(candidate.index, static_cast<int>(in.profile.size()), in.rule.sigma),
                             placed.edge.contrast, in.noise, result.ratio);
    return result;
}

// x - x is 0 for a finite x and NaN otherwise, and NaN stays NaN in a sum: four sums side by
// side need no branch per sample.
bool AllFinite(std::span<const double> profile) {
    const double* v = profile.data();
    const std::size_t n = profile.size();
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        s0 += v[k] - v[k];
        s1 += v[k + 1] - v[k + 1];
        s2 += v[k + 2] - v[k + 2];
        s3 += v[k + 3] - v[k + 3];
    }
    for (; k < n; ++k) s0 += v[k] - v[k];
    return (s0 + s1) + (s2 + s3) == 0.0;
}

}  // namespace

CaliperResult MeasureCaliper(std::span<const double> profile, const CaliperRule& rule,
                             std::optional<double> previous, std::optional<TrackWindow> window) {
    if (!IsValidCaliperRule(rule) || rule.kind == CaliperKind::Plain || profile.size() < 2) {
        return {};
    }
    if (!AllFinite(profile)) return {};
    // The response lives in a buffer kept from call to call: a line after a line allocates
    // nothing for it.
    thread_local std::vector<double> buffer;
    if (buffer.size() < profile.size()) buffer.resize(profile.size());
    EdgeResponseInto(profile, rule.sigma, buffer.data());
    const std::span<const double> response(buffer.data(), profile.size());
    const CaliperInput in{profile, response, rule, RobustNoise(profile), window};
    switch (rule.kind) {
        case CaliperKind::Threshold: return MeasureThreshold(in);
        case CaliperKind::Pair: return MeasurePair(in, previous);
        case CaliperKind::Plain: return {};
        case CaliperKind::Edge: break;
    }
    return MeasureEdge(in, previous);
}
