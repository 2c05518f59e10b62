#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build tree into a scratch folder of the build tree and has
# Debian's own checker, lintian, read it: any error or warning fails, with lintian's explanation
# of each tag. Whatever files the package holds, they are checked alike.
#   tests/package/lintian_test.sh BUILD_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
command -v lintian >/dev/null ||
  { echo "FAIL: lintian is not installed (scripts/install-deps.sh installs it)"; exit 1; }
mkdir -p "$build/tests/package"
work=$(mktemp -d "$build/tests/package/lintian.XXXXXX")
trap 'rm -rf "$work"' EXIT

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
status=0
for deb in "$work"/out/*.deb; do
  [ -f "$deb" ] || { echo "FAIL: cpack made no .deb"; exit 1; }
  # lintian's own exit status decides; its complaint about running as root is no finding.
  if ! lintian --info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1; then
    grep -v 'running with root privileges' "$work/lintian.log"
    echo "FAIL: lintian finds errors or warnings in $(basename "$deb")"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "lintian: no error and no warning"
exit "$status"
