#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Snakemake workflow of scripts/workflows/ run for real with Debian's snakemake (its local
# executor, two cores) on the examples in three shards: its data file and table must be the
# single run's, byte for byte, and a shard that fails must leave no result.
#   tests/cluster/snakemake_workflow_test.sh QUANDREL_BATCH
set -uo pipefail
batch=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}
command -v snakemake >/dev/null || {
  echo "FAIL: snakemake is not installed: run scripts/install-deps.sh"
  exit 1
}

# A blank in the folder's name catches an unquoted path.
ex="$work/ex amples"
mkdir "$ex"
cp "$root"/examples/{session.json,disc.bmp,square.jpg,ellipse.gif} "$ex"/
printf '%s\n' '{"quandrel-session": 1, "lines": [[100, 75, 195, 75]],' \
  '"images": ["disc.bmp", "gone.bmp", "square.jpg"]}' >"$ex/broken.json"
"$batch" "$ex/session.json" -o "$work/single.dat" &&
  "$batch" "$ex/session.json" -o "$work/single.csv" --format csv &&
  "$batch" "$ex/session.json" -o "$work/single-semicolon.csv" --format csv --semicolon ||
  fail "the single runs failed"

# session|config beyond session, parts and out|target:the single run's file it must equal, ...
# (no file: the run must fail and write none of its targets)
while IFS='|' read -r session extra targets; do
  out="$ex/result-$session"
  rm -rf "$out".* "$work/.snakemake"
  # shellcheck disable=SC2086 # the extra config is words
  snakemake -s "$root/scripts/workflows/Snakefile" --cores 2 --directory "$work" --quiet \
    --config session="$ex/$session" parts=3 jobs=1 out="$out" batch="$batch" $extra \
    >"$work/log" 2>&1
  got=$?
  for pair in $targets; do
    target=${pair%%:*} want=${pair#*:}
    if [ -n "$want" ]; then
      [ "$got" -eq 0 ] || fail "$session $extra: status $got: $(tail -20 "$work/log")"
      cmp -s "$out.$target" "$work/$want" || fail "$session $extra: $target is not $want"
    else
      [ "$got" -ne 0 ] || fail "$session $extra: a failed shard, yet status 0"
      [ ! -e "$out.$target" ] || fail "$session $extra: wrote $target after a failed shard"
    fi
  done
done <<'CASES'
session.json||dat:single.dat csv:single.csv
session.json|semicolon=true|csv:single-semicolon.csv dat:single.dat
broken.json||dat: csv:
CASES
# The parts are named as the shards' wildcard says, all three of them.
for k in 1 2 3; do
  [ -s "$ex/result-session.json.parts/part-$k-of-3.qpart" ] || fail "part $k of 3 is missing"
done

[ "$failed" -eq 0 ] || exit 1
echo "snakemake workflow: all checks passed"
