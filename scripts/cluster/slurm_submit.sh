#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Submits a sharded run to Slurm: a job array of N shards, then the merge once all succeeded.
#   scripts/cluster/slurm_submit.sh SESSION N OUT.dat [SBATCH_OPTION...]
# The part files go to OUT.dat.parts/ (QUANDREL_PARTS sets another folder); it, the session
# and its images must be on a file system that every node sees. The options after OUT.dat go to
# both sbatch calls (--partition=..., --account=...). Prints the two job ids.
set -euo pipefail

[ $# -ge 3 ] || {
  echo "usage: $0 SESSION N OUT.dat [SBATCH_OPTION...]" >&2
  exit 2
}
session=$1 n=$2 out=$3
shift 3
case "$n" in '' | *[!0-9]* | 0*)
  echo "$0: N is \"$n\", not a number from 1" >&2
  exit 2
  ;;
esac
here=$(cd -- "$(dirname -- "$0")" && pwd)
parts=${QUANDREL_PARTS:-$out.parts}
mkdir -p -- "$parts"

# --parsable prints the job id, followed by ";cluster" on a federation.
array=$(sbatch --parsable "$@" --array=1-"$n" "$here/slurm_array.sh" "$session" "$parts")
array=${array%%;*}
merge=$(sbatch --parsable "$@" --dependency=afterok:"$array" "$here/slurm_merge.sh" \
  "$parts" "$n" "$out")
merge=${merge%%;*}
echo "shards: job array $array (1-$n); merge: job $merge, into $out"
