// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gmpxx.h>

#include "model/exact_number.h"

// Where a profile's arithmetic outgrows 128 bits: the rare wide sums and the sub-pixel vertex.
mpz_class ToMpz(Int128 v);
// p / q in lowest terms; q must not be 0.
mpq_class Ratio(Int128 p, Int128 q);

// The double nearest to x (ties to the even one).
double NearestDouble(const mpq_class& x);
