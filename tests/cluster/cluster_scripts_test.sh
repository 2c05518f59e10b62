#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The cluster scripts as they are run: GNU parallel for real on the examples; the Slurm scripts
# with the variables Slurm sets, against a stand-in for the tool that shows the shard each task
# computes, and end to end with the real tool under a stand-in for sbatch that runs the array's
# tasks and then the merge here, one after the other.
#   tests/cluster/cluster_scripts_test.sh QUANDREL_BATCH
set -uo pipefail
batch=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
scripts=$root/scripts/cluster
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

# The examples in a folder whose name has a blank, to catch any unquoted path.
ex="$work/ex amples"
mkdir "$ex"
cp "$root"/examples/{session.json,disc.bmp,square.jpg,ellipse.gif,expected.dat} "$ex"/
printf '%s\n' '{"quandrel-session": 1, "lines": [[100, 75, 195, 75]],' \
  '"images": ["disc.bmp", "gone.bmp", "square.jpg"]}' >"$ex/broken.json"

command -v parallel >/dev/null || fail "GNU parallel is not installed: run scripts/install-deps.sh"

# --- GNU parallel: session|N|status|the data file expected|a part of the messages ------------
while IFS='|' read -r session n status expected message; do
  out="$ex/parallel-$n.dat"
  rm -f "$out"
  QUANDREL_BATCH=$batch "$scripts/parallel_run.sh" "$ex/$session" "$n" "$out" \
    >"$work/log" 2>&1
  got=$?
  [ "$got" -eq "$status" ] || fail "parallel_run.sh $session $n: status $got, not $status"
  if [ -n "$message" ]; then
    grep -qF -- "$message" "$work/log" || fail "parallel_run.sh $session $n: $(cat "$work/log")"
  else
    [ ! -s "$work/log" ] || fail "parallel_run.sh $session $n said: $(cat "$work/log")"
  fi
  if [ -n "$expected" ]; then
    cmp -s "$out" "$ex/$expected" || fail "parallel_run.sh $session $n: not $expected"
  else
    [ ! -e "$out" ] || fail "parallel_run.sh $session $n: wrote $out"
  fi
  leftover=$(find "$ex" -name '.quandrel-parts.*')
  [ -z "$leftover" ] || fail "parallel_run.sh $session $n: left $leftover"
done <<'CASES'
session.json|3|0|expected.dat|
session.json|5|0|expected.dat|
broken.json|3|3||gone.bmp: cannot be opened: No such file or directory
session.json|0|2||usage:
session.json|x|2||usage:
CASES

# --- slurm_array.sh: the shard from the array's variables, with a stand-in tool ----------------
mkdir "$work/fake"
cat >"$work/fake/quandrel-batch" <<'FAKE'
#!/bin/sh
echo "$*" >"$FAKE_LOG"
FAKE
chmod +x "$work/fake/quandrel-batch"
# id|min|step|count|cpus|status|the tool's arguments after the session, or the message
while IFS='|' read -r id min step count cpus status want; do
  log=$work/fake.log
  rm -f "$log"
  env -u SLURM_ARRAY_TASK_ID -u SLURM_ARRAY_TASK_COUNT -u SLURM_ARRAY_TASK_MIN \
    -u SLURM_ARRAY_TASK_STEP -u SLURM_CPUS_PER_TASK \
    ${id:+SLURM_ARRAY_TASK_ID=$id} ${count:+SLURM_ARRAY_TASK_COUNT=$count} \
    ${min:+SLURM_ARRAY_TASK_MIN=$min} ${step:+SLURM_ARRAY_TASK_STEP=$step} \
    ${cpus:+SLURM_CPUS_PER_TASK=$cpus} PATH="$work/fake:$PATH" FAKE_LOG="$log" \
    "$scripts/slurm_array.sh" "$ex/session.json" "$work/parts" >"$work/out" 2>&1
  got=$?
  case="task $id (min $min, step $step) of $count"
  [ "$got" -eq "$status" ] || fail "slurm_array.sh $case: status $got, not $status"
  if [ "$status" -eq 0 ]; then
    [ "$(cat "$log" 2>/dev/null)" = "$ex/session.json $want" ] ||
      fail "slurm_array.sh $case: ran \"$(cat "$log" 2>/dev/null)\", not \"$want\""
  else
    grep -qF -- "$want" "$work/out" || fail "slurm_array.sh $case: \"$(cat "$work/out")\""
    [ ! -e "$log" ] || fail "slurm_array.sh $case: ran the tool"
  fi
done <<CASES
1|||3|4|0|--shard auto --skip-done -o $work/parts/part-1-of-3.qpart --jobs 4 --quiet
3|1|1|3||0|--shard auto --skip-done -o $work/parts/part-3-of-3.qpart --jobs 1 --quiet
0|0|1|4|2|0|--shard auto --skip-done -o $work/parts/part-1-of-4.qpart --jobs 2 --quiet
12|10||3||0|--shard auto --skip-done -o $work/parts/part-3-of-3.qpart --jobs 1 --quiet
7|1|3|3||0|--shard auto --skip-done -o $work/parts/part-3-of-3.qpart --jobs 1 --quiet
09|1|1|10||0|--shard auto --skip-done -o $work/parts/part-9-of-10.qpart --jobs 1 --quiet
||||4|2|not a task of a job array
2||||4|2|not a task of a job array
4|1|1|3||2|task 4 is task 4 of an array of 3
0|1|1|3||2|task 0 is not in the range from 1 by 1
2|1|2|3||2|task 2 is not in the range from 1 by 2
x|||3||2|SLURM_ARRAY_TASK_ID is "x", not a number
CASES

# --- slurm_submit.sh end to end: a stand-in sbatch runs each job here at once ------------------
cat >"$work/fake/sbatch" <<'FAKE'
#!/usr/bin/env bash
# Records the call, runs the job (each task of an array in turn) and prints a job id; a job
# that depends on a failed one is not run, as Slurm would leave it pending for ever.
set -u
echo "sbatch $*" >>"$SBATCH_LOG"
array= after=
while [ $# -gt 0 ]; do
  case "$1" in
    --array=*) array=${1#--array=} ;;
    --dependency=afterok:*) after=${1#--dependency=afterok:} ;;
    --*) ;;
    *) break ;;
  esac
  shift
done
id=$((1000 + $(wc -l <"$SBATCH_LOG")))
status=0
if [ -n "$after" ] && grep -qx "$after failed" "$SBATCH_DONE" 2>/dev/null; then
  status=1
elif [ -n "$array" ]; then
  first=${array%-*} last=${array#*-}
  for ((task = first; task <= last; ++task)); do
    SLURM_ARRAY_JOB_ID=$id SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_MIN=$first \
      SLURM_ARRAY_TASK_MAX=$last SLURM_ARRAY_TASK_STEP=1 \
      SLURM_ARRAY_TASK_COUNT=$((last - first + 1)) SLURM_CPUS_PER_TASK=2 bash "$@" || status=1
  done
else
  SLURM_JOB_ID=$id bash "$@" || status=1
fi
[ "$status" -eq 0 ] && echo "$id done" >>"$SBATCH_DONE" || echo "$id failed" >>"$SBATCH_DONE"
echo "$id"
FAKE
chmod +x "$work/fake/sbatch"
# session|N|the data file expected, or none when a shard fails
while IFS='|' read -r session n expected; do
  out="$ex/slurm-$n.dat"
  rm -f "$out" "$work/sbatch.log" "$work/sbatch.done"
  (cd "$work" && PATH="$work/fake:$PATH" QUANDREL_BATCH=$batch SBATCH_LOG="$work/sbatch.log" \
    SBATCH_DONE="$work/sbatch.done" "$scripts/slurm_submit.sh" "$ex/$session" "$n" "$out" \
    --partition=test) >"$work/out" 2>&1 || fail "slurm_submit.sh $session $n: $(cat "$work/out")"
  calls=$(cat "$work/sbatch.log" 2>/dev/null)
  want="sbatch --parsable --partition=test --array=1-$n $scripts/slurm_array.sh $ex/$session $out.parts
sbatch --parsable --partition=test --dependency=afterok:1001 $scripts/slurm_merge.sh $out.parts $n $out"
  [ "$calls" = "$want" ] || fail "slurm_submit.sh $session $n called: $calls"
  if [ -n "$expected" ]; then
    cmp -s "$out" "$ex/$expected" || fail "slurm_submit.sh $session $n: not $expected"
    [ "$(find "$out.parts" -name 'part-*' | wc -l)" -eq "$n" ] || fail "slurm $n: parts"
  else
    [ ! -e "$out" ] || fail "slurm_submit.sh $session $n: merged a failed array"
  fi
done <<'CASES'
session.json|3|expected.dat
session.json|4|expected.dat
broken.json|2|
CASES
# A merge of an array with a task missing names the missing part.
rm "$ex/slurm-4.dat.parts/part-2-of-4.qpart"
QUANDREL_BATCH=$batch "$scripts/slurm_merge.sh" "$ex/slurm-4.dat.parts" 4 "$work/m.dat" \
  >"$work/out" 2>&1 && fail "slurm_merge.sh merged without part 2"
grep -q "part 2 of 4 is missing" "$work/out" || fail "slurm_merge.sh: $(cat "$work/out")"

# --- 30,000 parts: their names pass the kernel's bound on a command line (some 2 MB) ----------
# A stand-in tool records its command line and the part files listed on its standard input.
many="$work/$(printf 'p%.0s' {1..150})"
mkdir "$many"
for ((k = 1; k <= 30000; ++k)); do : >"$many/part-$k-of-30000.qpart"; done
cat >"$work/fake/quandrel-batch" <<'FAKE'
#!/bin/sh
{ echo "$*"; tr '\0' '\n' | wc -l; } >"$FAKE_LOG"
FAKE
rm -f "$work/fake.log"
PATH="$work/fake:$PATH" FAKE_LOG="$work/fake.log" "$scripts/slurm_merge.sh" "$many" 30000 \
  "$work/m.dat" >"$work/out" 2>&1 || fail "slurm_merge.sh of 30000 parts: $(cat "$work/out")"
[ "$(cat "$work/fake.log" 2>/dev/null)" = "merge --parts-from - -o $work/m.dat
30000" ] || fail "slurm_merge.sh of 30000 parts ran: $(cat "$work/fake.log" 2>/dev/null)"

if [ "$failed" -eq 0 ]; then echo "cluster scripts: all passed"; fi
exit $((failed > 0))
