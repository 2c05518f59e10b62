#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (address and undefined sanitizers) and runs each for a
# bounded time on its seed corpus.
#   scripts/fuzz.sh [SECONDS]   default 60 seconds a target
# New inputs go to build-fuzz/corpus/<target> (the seeds in fuzz/corpus stay as they are); a crash
# leaves its input in build-fuzz/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh --fuzz

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUANDREL_FUZZ=ON -DQUANDREL_BUILD_TESTS=OFF -DQUANDREL_BUILD_BENCH=OFF
cmake --build build-fuzz -j "$(nproc)" --target fuzz_picture fuzz_session fuzz_model fuzz_part

export QT_QPA_PLATFORM=offscreen
status=0
for target in picture session model part; do
  work=build-fuzz/corpus/$target
  mkdir -p "$work"
  echo "== fuzz_$target for ${seconds}s"
  if ! (cd build-fuzz && "fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=4096 \
        -malloc_limit_mb=4096 -timeout=30 -print_final_stats=1 \
        "corpus/$target" "../fuzz/corpus/$target" 2>&1 | tail -n 25); then
    status=1
  fi
  if ls build-fuzz/crash-* build-fuzz/timeout-* build-fuzz/leak-* >/dev/null 2>&1; then status=1; fi
done
exit $status
