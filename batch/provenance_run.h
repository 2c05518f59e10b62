// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The batch tool's side of provenance: the sidecar written beside a table, and `verify`, which
// re-hashes the inputs a sidecar lists and says which changed since.

#include <string>

#include "batch/batch_outcome.h"
#include "series/provenance.h"

// Exit statuses of verify: every input as recorded; some changed or missing; a sidecar that
// cannot be read or is none. Like cmp and diff, 1 is the answer "differs", not a failure.
constexpr int kVerifySame = 0;
constexpr int kVerifyChanged = 1;
constexpr int kVerifyBad = 2;

// Builds the sidecar of `facts.output` and writes it beside it (ProvenancePathOf) as the
// outputs are written: whole or not at all. An input that cannot be hashed or a sidecar that
// cannot be written is WriteFailed, naming it.
BatchOutcome WriteProvenance(const ProvenanceFacts& facts);

// quandrel-batch verify SIDECAR: re-stamps every input the sidecar lists and prints, on
// standard output, one line for each that changed (its size or SHA-256 differs) or is missing,
// then a summary; a modification time alone that differs is said, but is no change.
int RunVerify(const std::string& sidecar);
