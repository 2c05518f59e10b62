#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The built manual pages render without a warning of man or groff, and the batch tool's page
# each program's page describes every option its usage names, so that the two cannot drift apart.
#   tests/package/man_pages_test.sh MAN_DIR QUANDREL QUANDREL_BATCH
set -uo pipefail
man_dir=$1
window=$2
batch=$3
failed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

for page in quandrel.1 quandrel-batch.1; do
  file=$man_dir/$page
  if [ ! -s "$file" ]; then
    fail "$file was not built"
    continue
  fi
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
  gzip -t "$file.gz" 2>/dev/null && cmp -s <(gzip -dc "$file.gz") "$file" ||
    fail "$page.gz is not the page compressed"
done

# Every option of each program's usage, as the rendered page shows it (groff turns "-" into a
# minus sign in UTF-8, so the page is rendered to plain ASCII).
for pair in "quandrel:$window" "quandrel-batch:$batch"; do
  name=${pair%%:*}
  program=${pair#*:}
  usage=$("$program" --help) || fail "$name --help failed"
  page=$(LC_ALL=C MANWIDTH=200 man -E ascii -l "$man_dir/$name.1" 2>/dev/null | col -b)
  for option in $(grep -oE -- '(^|[ [|])--?[a-z][a-z-]*' <<<"$usage" | tr -d ' [|' | sort -u); do
    grep -qE -- "(^|[ ,|])$option([ ,=|]|$)" <<<"$page" || fail "$name.1 lacks $option"
  done
done
page=$(LC_ALL=C MANWIDTH=200 man -E ascii -l "$man_dir/quandrel-batch.1" 2>/dev/null | col -b)
grep -q 'merge PART' <<<"$page" || fail "quandrel-batch.1 lacks the merge command"

[ "$failed" -eq 0 ] || exit 1
echo "man pages: all checks passed"
