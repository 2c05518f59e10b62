// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The caliper rules' inner loops use SSE2 where the target has it (every x86-64 does) and plain
// loops elsewhere; both give the same bits, as the tests check.
#if defined(__SSE2__)
#include <emmintrin.h>
#define QUANDREL_CALIPER_SSE2 1
#else
#define QUANDREL_CALIPER_SSE2 0
#endif
