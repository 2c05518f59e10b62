#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Refuses an include that runs upward: each room of the tree may include only itself and the
# rooms listed for it here (docs/architecture.md explains the order), and the rooms that must
# stay free of Qt include none of its headers. Run at every build and by the tests.
#   scripts/check-rooms.sh [ROOT]   default: the tree this script lies in
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

declare -A may_use=(
  [model]=""
  [export]="model"
  [picture]="model export"
  [session]="model export picture"
  [series]="model export picture session"
  [document]="model export picture session series"
  [batch]="model export picture session series"
  [view]="model export picture session series document"
  [panel]="model export picture session series document"
  [app]="model export picture session series document view panel"
)
no_qt="model export session"

faults=0
for room in "${!may_use[@]}"; do
  [ -d "$room" ] || { echo "check-rooms: the room $room/ is missing"; faults=$((faults + 1)); continue; }
  allowed=" $room ${may_use[$room]} "
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=$(sed -E 's/^[^"]*"([^"/]+)\/.*/\1/' <<<"${rest#*:}")
    # Only the rooms themselves are judged; a header beside the file ("x.h") is its own room's.
    [ -n "${may_use[$target]+set}" ] || continue
    if [[ $allowed != *" $target "* ]]; then
      echo "$file:$line: $room/ may not include $target/ (it may use: ${may_use[$room]:-nothing})"
      faults=$((faults + 1))
    fi
  done < <(grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$room" || true)
done
for room in $no_qt; do
  while IFS= read -r hit; do
    echo "$hit: $room/ is kept free of Qt"
    faults=$((faults + 1))
  done < <(grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$room" || true)
done
if [ "$faults" -gt 0 ]; then
  echo "check-rooms: $faults include(s) against the rooms' order"
  exit 1
fi
