#pragma once

#include "model/data_profile.h"
#include "model/sampling.h"

enum EdgeMode {
    kEdgeMinimum = 0,
    kEdgeMaximum = 1,
    kEdgeSteepestFall = 2,
    kEdgeSteepestRise = 3,  // also any other value
};

// The edge index among samples 0..count of the buffer. Strict comparisons: the lowest index wins
// among equal extremes, and index 0 when nothing beats the start value. For the slope rules the
// edge is the sample before the largest step.
int FindEdge(const ProfileBuffer& buffer, int count, int channel, int mode);

// Detects line n of line set a of record i on the picture when its detection is pending: samples
// it into the buffer, puts the cursor on the edge and clears the flag. False when the line does
// not exist or is not pending.
bool DetectEdge(CDataProfile& profile, int i, int a, int n, const PixelView& picture, int channel,
                int mode, ProfileBuffer& buffer);

// Detects every pending line of line set a of record i; returns how many were detected.
int DetectPending(CDataProfile& profile, int i, int a, const PixelView& picture, int channel,
                  int mode, ProfileBuffer& buffer);
