// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sampling.h"

// Samples the walk as a band `width` pixels wide (odd, above 1): each entry of the buffer is the
// sum of the band's pixels across the line (BandOffsets) that lie on the picture, and m_nInside
// their number. A position whose band is wholly off the picture reads as white, once, as a line
// running off the picture reads at width 1; pixels off the picture are left out of the mean
// rather than read as white, so a band that grazes the border does not brighten.
void SampleBand(const PixelView& picture, const CPoint& start, const CPoint& end,
                const ScanWalk& walk, int width, ProfileBuffer& buffer);
