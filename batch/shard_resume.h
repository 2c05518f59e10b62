// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a shard learns before it measures: its K and N from a Slurm job array's task, and
// whether its part file is already written, so that a resubmitted array redoes only the tasks
// that did not finish.

#include <functional>
#include <optional>
#include <string>

#include "batch/shard_run.h"
#include "export/part_file.h"

// Looks up a variable of the environment: its value, or null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

struct ArrayTaskShard {
    std::optional<ShardSpec> shard;
    std::string problem;  // why there is none, naming the variable
};

// K and N of the task of a job array: N is SLURM_ARRAY_TASK_COUNT, and K counts the task's
// SLURM_ARRAY_TASK_ID from SLURM_ARRAY_TASK_MIN (1 where it is not set) by
// SLURM_ARRAY_TASK_STEP (1 where it is not set), so that --array=0-9, 1-10 and 1-19:2 all give
// K from 1 to 10. Refused when the task's id or count is not set, is not a number, or the id
// lies outside its array.
ArrayTaskShard ShardOfArrayTask(const EnvironmentLookup& lookup);

enum class PartState {
    Missing,  // no file at the path
    Done,     // the part of this session, K and N, whole
    Differs,  // a file that is not that part: another session, K or N, cut short, damaged
};

struct DonePart {
    PartState state = PartState::Missing;
    std::string reason;  // for Differs: what does not match
};

// Whether the file at `path` is already the part K of N of the session with `hash`: both its
// checksums good and every record readable.
DonePart CheckDonePart(const std::string& path, const SessionHash& hash, ShardSpec shard);
