#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The last step of a sharded run under Slurm: merges the part files of every task of the array.
#   sbatch --dependency=afterok:ARRAY_JOB scripts/cluster/slurm_merge.sh PARTS_DIR N OUT.dat
# Needs the part files only; the merge of a million images takes some 1.7 GB of memory.
# QUANDREL_BATCH names the tool (default: quandrel-batch on the PATH).
#SBATCH --job-name=quandrel-merge
#SBATCH --mem=4G
#SBATCH --output=quandrel-merge-%j.log
set -euo pipefail

[ $# -eq 3 ] || {
  echo "usage: sbatch slurm_merge.sh PARTS_DIR N OUT.dat" >&2
  exit 2
}
parts=$1 n=$2 out=$3
# The parts go to the merge on its standard input, separated by NUL bytes: a command line of
# 100,000 names would pass the kernel's bound on it (printf is the shell's own, and has none).
# A part missing among the others the merge names by its number; with none there at all, the
# pattern stays as it is and the merge names it as a file that cannot be read.
printf '%s\0' "$parts"/part-*-of-"$n".qpart |
  "${QUANDREL_BATCH:-quandrel-batch}" merge --parts-from - -o "$out"
