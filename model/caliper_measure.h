// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "model/caliper.h"

// What a caliper rule measured on one line of one image, as the cursor keeps it: the result
// without its list of candidates, which only the moment of detection needs.
struct CaliperMeasure {
    CaliperStatus status = CaliperStatus::NotFound;
    CaliperEdge edge;                   // the edge, or a pair's first edge
    std::optional<CaliperEdge> second;  // a pair's second edge
    double widthSamples = 0.0;
    double noise = 0.0;
    double ratio = 0.0;

    bool Found() const { return IsFoundStatus(status); }

    static CaliperMeasure Of(const CaliperResult& result) {
        return {result.status, result.edge,  result.second,
                result.widthSamples, result.noise, result.ratio};
    }
    friend bool operator==(const CaliperMeasure&, const CaliperMeasure&) = default;
};
