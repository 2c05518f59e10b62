// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The caliper rules: edges found on the response of a Gaussian derivative, by polarity and by
// which one, threshold crossings, and edge pairs with their width, each placed to a fraction of
// a sample and given an uncertainty. They read the profile after band and smoothing, as real
// values, and stand beside the four plain rules (minimum, maximum, steepest fall and rise),
// which stay as they are. A line may also take one of the four plain rules as its own rule
// (CaliperKind::Plain, model/plain_rule.h), so that it can follow its edge as the others do.

enum class CaliperKind : std::uint8_t {
    Edge = 0,       // an extremum of the edge response
    Threshold = 1,  // where the profile crosses a level
    Pair = 2,       // a rising and a falling edge (or the reverse) and the width between them
    // One of the four plain rules (plainMode) on the exact profile the side panel's rule reads;
    // of the other fields only track takes part.
    Plain = 3,
};

enum class EdgePolarity : std::uint8_t {
    Rising = 0,   // dark to light along the line
    Falling = 1,  // light to dark
    Either = 2,
};

enum class EdgeSelect : std::uint8_t {
    First = 0,
    Last = 1,
    Strongest = 2,
    Nth = 3,      // the nth candidate from the start (nth counts from 1)
    Nearest = 4,  // the candidate closest to the line's edge on the neighbouring image
};

enum class EdgeEstimator : std::uint8_t {
    Parabola = 0,  // the vertex of the parabola through the response's peak and its neighbours
    Gaussian = 1,  // the same through the logarithms of the three responses
    StepFit = 2,   // a least-squares fit of a blurred step to the samples around the edge
};

enum class PairOrder : std::uint8_t {
    RiseFall = 0,  // a bright bar on a dark ground
    FallRise = 1,  // a dark bar on a bright ground
};

enum class CaliperStatus : std::uint8_t {
    Ok = 0,
    Weak = 1,       // found, but its contrast is under four times the noise
    Ambiguous = 2,  // the next candidate's response is within 80 % of the chosen one's
    FitFailed = 3,  // the step fit did not converge: the position is the Gaussian estimate's
    AtLineEnd = 4,  // the edge lies within the response's reach of the line's end
    NotFound = 5,   // no candidate passes the rule
    Lost = 6,       // a line that follows its edge found none in its search window
};

inline constexpr double kMinCaliperSigma = 0.5;
inline constexpr double kMaxCaliperSigma = 10.0;
// The largest search half-width of a line that follows its edge: as many samples as the longest
// line has.
inline constexpr int kMaxTrackHalfWidth = 1 << 20;

struct CaliperRule {
    CaliperKind kind = CaliperKind::Edge;
    double sigma = 1.0;  // of the Gaussian derivative, in samples: 0.5 to 10
    EdgePolarity polarity = EdgePolarity::Either;
    double minContrast = 0.0;  // the least response a candidate needs, in the profile's units
    EdgeSelect select = EdgeSelect::Strongest;
    int nth = 1;
    EdgeEstimator estimator = EdgeEstimator::Parabola;
    // Threshold crossing: the level, absolute or as a fraction between the profile's minimum and
    // maximum; the crossing in the polarity's direction (Either: both), first or last.
    bool levelIsFraction = true;
    double level = 0.5;
    bool lastCrossing = false;
    // Pairs: the order of the two edges, and the widths allowed between them, in samples.
    PairOrder pairOrder = PairOrder::RiseFall;
    double minWidth = 0.0;
    double maxWidth = 1e9;
    // Read the picture between pixels along the straight line (bilinear_profile.h) rather than
    // the walk's pixels; its edges then stand on the straight line too.
    bool bilinear = false;
    // Following the edge from image to image: 0 off, else the half-width in samples of the
    // window around the place the images before predict, where alone the edge is searched
    // (model/tracking.h).
    int track = 0;
    // The plain rule of a rule of kind Plain, numbered as the side panel's (EdgeMode): 0 minimum,
    // 1 maximum, 2 steepest fall, 3 steepest rise. Always 0 for the other kinds, so that equal
    // rules are equal records.
    int plainMode = 0;

    friend bool operator==(const CaliperRule&, const CaliperRule&) = default;
};

// A rule that takes the candidate nearest the line's edge on the image before (a plain rule
// has no candidates to pick from, whatever its kept selection says).
inline bool PicksNearestToNeighbour(const CaliperRule& rule) {
    return rule.kind != CaliperKind::Plain && rule.select == EdgeSelect::Nearest;
}

// A rule whose edge on an image depends on its edge on the images before it in the list.
inline bool FollowsPreviousImages(const CaliperRule& rule) {
    return PicksNearestToNeighbour(rule) || rule.track > 0;
}

// Where a line that follows its edge searches on one image: the places within `half` samples
// of `centre`, both ends included.
struct TrackWindow {
    double centre = 0.0;
    double half = 0.0;

    friend bool operator==(const TrackWindow&, const TrackWindow&) = default;
};

bool IsValidCaliperRule(const CaliperRule& rule);

inline bool IsFoundStatus(CaliperStatus status) {
    return status != CaliperStatus::NotFound && status != CaliperStatus::Lost;
}

struct CaliperCandidate {
    int index = 0;          // the sample where the response peaks
    double response = 0.0;  // signed: positive for rising edges
};

struct CaliperEdge {
    double pos = 0.0;       // samples from the line's start
    double contrast = 0.0;  // the response at the edge, signed, in the profile's units
    double sigma = 0.0;     // uncertainty of pos, in samples
    std::optional<double> residual;  // RMS residual of the step fit, where one ran

    friend bool operator==(const CaliperEdge&, const CaliperEdge&) = default;
};

struct CaliperResult {
    CaliperStatus status = CaliperStatus::NotFound;
    CaliperEdge edge;                   // the edge, or a pair's first edge
    std::optional<CaliperEdge> second;  // a pair's second edge
    double widthSamples = 0.0;          // a pair's width: second.pos - edge.pos
    double noise = 0.0;                 // the profile's noise, estimated robustly
    double ratio = 0.0;  // the chosen response over the next best candidate's (0: none other)
    std::vector<CaliperCandidate> candidates;  // every candidate of the chosen polarity, in order

    bool Found() const { return IsFoundStatus(status); }
};

// The rule on a profile of real values at 1-sample spacing. `previous` is the line's edge on the
// neighbouring image, for EdgeSelect::Nearest (without it Nearest takes the strongest). With a
// window, only the candidates (crossings, pairs by their first edge) placed within it count and
// the one nearest its centre is chosen, the first in line order of equally near ones; none
// there is CaliperStatus::Lost. A rule of kind Plain reads exact values, not these: NotFound.
CaliperResult MeasureCaliper(std::span<const double> profile, const CaliperRule& rule,
                             std::optional<double> previous = {},
                             std::optional<TrackWindow> window = {});

// The edge response: the profile convolved with the derivative of a Gaussian of `sigma` samples,
// scaled so that an ideal step's peak equals its height. Samples beyond the ends repeat the end
// samples.
std::vector<double> EdgeResponse(std::span<const double> profile, double sigma);
