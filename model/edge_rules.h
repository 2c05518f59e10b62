// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/edge_detect.h"

// The four edge rules over samples 0..count of one profile, for the integer brightness of the
// plain detection and for the real values of a wide or smoothed line alike, so that both pick
// the same index from the same values. Strict comparisons: the lowest index wins among equal
// extremes. The extremes start from the first sample, which is what starting from 255 (minimum)
// or 0 (maximum) amounts to for 8-bit samples, and stays right for deeper ones. For the slope
// rules the edge is the sample before the largest step. One loop per rule keeps each one simple
// enough for the compiler to vectorise.
template <class T>
int FindEdgeIndex(const T* v, int count, int mode) {
    int best = 0;
    switch (mode) {
        case kEdgeMinimum: {
            T extreme = v[0];
            for (int i = 1; i <= count; ++i) {
                if (v[i] < extreme) extreme = v[i], best = i;
            }
            break;
        }
        case kEdgeMaximum: {
            T extreme = v[0];
            for (int i = 1; i <= count; ++i) {
                if (v[i] > extreme) extreme = v[i], best = i;
            }
            break;
        }
        case kEdgeSteepestFall: {
            T extreme = 0;
            for (int i = 0; i < count; ++i) {
                const T d = v[i + 1] - v[i];
                if (d < extreme) extreme = d, best = i;
            }
            break;
        }
        default: {
            T extreme = 0;
            for (int i = 0; i < count; ++i) {
                const T d = v[i + 1] - v[i];
                if (d > extreme) extreme = d, best = i;
            }
            break;
        }
    }
    return best;
}
