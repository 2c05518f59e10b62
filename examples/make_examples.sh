#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates the sample pictures and expected.dat. Usage: make_examples.sh BUILD_DIR
# (a build folder of this project in which quandrel-batch is built).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
c++ -std=c++20 -fPIC -O2 "$here/make_examples.cpp" -o "$tmp/make_examples" \
    $(pkg-config --cflags --libs Qt6Gui)
"$tmp/make_examples" "$here"
"$build/app/quandrel-batch" "$here/session.json" -o "$here/expected.dat" --jobs 1
