#!/usr/bin/env bash
# Builds Quandrel and measures the sample series in examples/ with the batch tool, printing the
# data file it writes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target quandrel-batch
build/app/quandrel-batch examples/session.json -o -
