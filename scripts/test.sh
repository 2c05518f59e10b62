#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Quandrel with warnings as errors and runs every test.
#   scripts/test.sh              the normal build, in build/
#   scripts/test.sh --sanitize   the address + undefined sanitizer build, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DQUANDREL_SANITIZE=ON -DQUANDREL_BUILD_BENCH=OFF)
fi

cmake -S . -B "$build" -G Ninja -DQUANDREL_WERROR=ON "${flags[@]}"
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
