#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One task of a Slurm job array: measures its shard of a session into a part file.
#   sbatch --array=1-N scripts/cluster/slurm_array.sh SESSION PARTS_DIR
# The task K of an array of N tasks measures part K/N into PARTS_DIR/part-K-of-N.qpart, with as
# many jobs as Slurm gave it CPUs; a part already whole there is left as it is. The array may be numbered from any start (--array=0-99 works
# as --array=1-100 does) and throttled (--array=1-100%10), but must be one plain range. Merge
# once every task has succeeded: scripts/cluster/slurm_submit.sh submits both steps.
# QUANDREL_BATCH names the tool (default: quandrel-batch on the PATH).
#SBATCH --job-name=quandrel-shard
#SBATCH --cpus-per-task=4
#SBATCH --output=quandrel-shard-%A_%a.log
set -euo pipefail

fail() {
  echo "slurm_array.sh: $*" >&2
  exit 2
}
[ $# -eq 2 ] || fail "usage: sbatch --array=1-N slurm_array.sh SESSION PARTS_DIR"
session=$1 parts=$2
number() { case "$2" in '' | *[!0-9]*) fail "$1 is \"$2\", not a number" ;; esac }
id=${SLURM_ARRAY_TASK_ID:-}
count=${SLURM_ARRAY_TASK_COUNT:-}
[ -n "$id" ] && [ -n "$count" ] ||
  fail "not a task of a job array: SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT are not set"
min=${SLURM_ARRAY_TASK_MIN:-1}
step=${SLURM_ARRAY_TASK_STEP:-1}
number SLURM_ARRAY_TASK_ID "$id"
number SLURM_ARRAY_TASK_COUNT "$count"
number SLURM_ARRAY_TASK_MIN "$min"
number SLURM_ARRAY_TASK_STEP "$step"
# In base 10 whatever the leading zeros.
id=$((10#$id)) count=$((10#$count)) min=$((10#$min)) step=$((10#$step))
[ "$step" -ge 1 ] && [ "$id" -ge "$min" ] && [ $(((id - min) % step)) -eq 0 ] ||
  fail "task $id is not in the range from $min by $step"
k=$(((id - min) / step + 1))
[ "$k" -le "$count" ] || fail "task $id is task $k of an array of $count"

mkdir -p -- "$parts"
# The tool works out the same K from the same variables; the script needs it for the file's
# name. --skip-done: a resubmitted array measures only the parts not yet whole on disk.
exec "${QUANDREL_BATCH:-quandrel-batch}" "$session" --shard auto --skip-done \
  -o "$parts/part-$k-of-$count.qpart" --jobs "${SLURM_CPUS_PER_TASK:-1}" --quiet
