#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tree as it stands passes the rooms' check; a tree with an include that runs upward, or with
# Qt in a room kept free of it, does not, and the check names the file.
set -uo pipefail
source_dir=$1
check=$source_dir/scripts/check-rooms.sh
failed=0
fail() { echo "FAILED: $*"; failed=1; }

"$check" "$source_dir" || fail "the tree breaks its rooms' order"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
plant() {  # plant ROOM/FILE LINE: a tree with every room, and this one line in one file
  rm -rf "$work/tree"
  for room in model export picture session series document batch view panel app; do
    mkdir -p "$work/tree/$room"
  done
  echo "$2" >"$work/tree/$1"
}
# file, line, whether the check must refuse it
while IFS='|' read -r file line refused; do
  plant "$file" "$line"
  out=$("$check" "$work/tree" 2>&1)
  status=$?
  if [ "$refused" = yes ]; then
    [ "$status" -ne 0 ] && grep -q "^$file:1:" <<<"$out" || fail "$file with '$line' passed"
  else
    [ "$status" -eq 0 ] || fail "$file with '$line' was refused: $out"
  fi
done <<'TABLE'
model/a.h|#include "export/data_file.h"|yes
session/a.cpp|#include "document/norvale_doc.h"|yes
picture/a.cpp|  #  include "series/series_detect.h"|yes
batch/a.cpp|#include "document/norvale_doc.h"|yes
document/a.cpp|#include "batch/batch_run.h"|yes
view/a.cpp|#include "panel/data_view.h"|yes
export/a.h|#include <QString>|yes
session/a.cpp|#include <QByteArray>|yes
document/a.cpp|#include "series/series_detect.h"|no
app/a.cpp|#include "view/norvale_view.h"|no
picture/a.cpp|#include <QImage>|no
model/a.cpp|#include "scan.h"|no
TABLE
[ "$failed" -eq 0 ] && echo "room check: every case as expected"
exit "$failed"
