// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "model/caliper.h"
#include "model/data_profile.h"

// Following an edge from image to image. A line whose caliper rule has a track half-width N
// searches each image only near the place the images before it in the list predict, so that a
// stronger edge nearby, or noise, does not pull it away. What it needs of the images before is
// read from their records, as they stand: nothing is kept beside them, so the window, a series
// detection and the batch tool find the same edges when they measure the images in list order.
//
// Walking back from the image before: an image whose line holds an edge (detected, placed by
// hand or kept) is a found image at that edge (its place between samples where it has one,
// else its sample); one whose rule found nothing (lost or not found) is a miss; anything else
// (the line still to detect, or missing) ends the walk. The walk stops at the second found image.
//
// With k misses since the last found image, the half-width is W = N 2^k: each miss doubles the
// search. Once W reaches the line's number of samples the line is searched afresh, as on its
// first image: the rule's own choice over the whole line. So is an image with no found image
// before it. Otherwise the centre is the prediction, in doubles: with one found image, its edge
// x1; with two, x1 at image i1 and x0 at image i0 < i1, x1 + (x1 - x0) * (i - i1) / (i1 - i0),
// constant velocity over the two, which for images in a row is 2 x1 - x0.
// The window of line n of line set a on record i under its rule; nothing when the line has no
// rule that follows its edge, or searches afresh. The line's number of samples is its walk's.
std::optional<TrackWindow> TrackingWindow(const CDataProfile& profile, int i, int a, int n);

// The same walk with what it read: each record before i it looked at (its index, found or a
// miss, the place), and whether it ended on its own (two found records, the window spanning the
// line, a line still to detect) rather than at the first record. A search whose walk ended on
// its own depends on these records alone: any run that holds the same there searches alike.
struct TrackStep {
    int record = 0;
    bool found = false;
    double place = 0.0;
};
struct TrackWalk {
    std::optional<TrackWindow> window;
    std::vector<TrackStep> steps;
    bool settled = false;
};
TrackWalk WalkTrack(const CDataProfile& profile, int i, int a, int n);

// Line n of line set a on record i measured on its profile under its rule: from the edge the
// image before holds (Nearest) or in the window the images before predict (tracking).
CaliperResult MeasureLineRule(std::span<const double> values, const CaliperRule& rule,
                              const CDataProfile& profile, int i, int a, int n);
