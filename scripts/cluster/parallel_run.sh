#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures a session in N shards with GNU parallel and merges their parts into one data file.
#   scripts/cluster/parallel_run.sh SESSION N OUT.dat
# The shards run side by side, one per core (PARALLEL_JOBS sets another number: 8, 50%), each
# decoding one image at a time. Other options of GNU parallel come through its own variable
# PARALLEL, e.g. PARALLEL="-S node1,node2 --workdir ." to spread the shards over machines; the
# session, its images and the folder of OUT must then be at the same path on every machine.
# QUANDREL_BATCH names the tool (default: quandrel-batch on the PATH). The part files go to a
# hidden folder beside OUT, removed at the end. The exit status is the merge's, or that of the
# first shard that failed (which stops the others): 2 for a bad session, 3 for an image.
set -euo pipefail

usage() {
  echo "usage: $0 SESSION N OUT.dat" >&2
  exit 2
}
[ $# -eq 3 ] || usage
session=$1 n=$2 out=$3
case "$n" in '' | *[!0-9]* | 0*) usage ;; esac
batch=${QUANDREL_BATCH:-quandrel-batch}
command -v parallel >/dev/null || {
  echo "$0: GNU parallel is not installed (Debian: apt-get install parallel)" >&2
  exit 2
}

parts=$(mktemp -d "$(dirname -- "$out")/.quandrel-parts.XXXXXX")
trap 'rm -rf -- "$parts"' EXIT

# -q passes every argument as it is, spaces and all; {} is the shard's K.
status=0
seq 1 "$n" | parallel --will-cite -q --halt now,fail=1 -j "${PARALLEL_JOBS:-100%}" \
  "$batch" "$session" --shard "{}/$n" -o "$parts/part-{}-of-$n.qpart" --jobs 1 --quiet ||
  status=$?
[ "$status" -eq 0 ] || exit "$status"
# The folder stands for the parts in it: however many, the command line stays short.
"$batch" merge "$parts" -o "$out"
