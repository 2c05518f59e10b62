// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Integers wide enough for every sum of a profile (a band's brightness scaled to a common
// denominator and weighted by a smoothing kernel stays below 2^110). GCC's extension, named once.
__extension__ using Int128 = __int128;

// The number of bits of |v| (0 for 0).
int BitLength(Int128 v);

// The sign of a * b - c * d, exactly, whatever the size of the products.
int CompareProducts(Int128 a, Int128 b, Int128 c, Int128 d);

// The double nearest to p / q (ties to the even one); q must not be 0.
double NearestDouble(Int128 p, Int128 q);
