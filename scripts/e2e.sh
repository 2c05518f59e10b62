#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: the built program in a virtual X server, used as a person uses it. It adds the
# sample images through the real file dialog with the keyboard, draws a scan line with
# Shift+click, move and click, steps through the images with Down, writes the data file with
# Ctrl+S through the real save dialog, and compares the file with the expected one (which the
# batch tool also produces from tests/e2e/session.json). Then it kills the program, starts it
# again and restores the unsaved work from the copy kept against a crash.
#   scripts/e2e.sh [BUILD_DIR]   default build/
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build}
scripts/install-deps.sh --e2e
cmake --build "$build" -j "$(nproc)" --target quandrel quandrel-batch

work=$(mktemp -d)
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display and writes its number once it is ready. It must not reset
# when its last client goes: the program is killed below and started again on the same display,
# and a server in the middle of a reset refuses the new connection.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "e2e: the virtual X server did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")

# A fresh user: no settings, so the window opens at its default size.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
"$build/app/quandrel" >"$work/quandrel.log" 2>&1 &
app=$!

window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Quandrel$' | head -n 1)
[ -n "$window" ] || { echo "e2e: no window appeared"; cat "$work/quandrel.log"; exit 1; }
xdotool windowmove --sync "$window" 0 0
sleep 1
step() { sleep "${1:-0.7}"; }
alive() { kill -0 "$app" 2>/dev/null || { echo "e2e: the program ended"; cat "$work"/quandrel*.log; exit 1; }; }
# Writes the data file with Ctrl+S through the real save dialog and waits for it.
write_data_file() {
  xdotool key ctrl+s; step 1.5
  xdotool type --delay 15 "$1"
  xdotool key Return
  for _ in $(seq 100); do [ -s "$1" ] && break; sleep 0.1; done
  alive
}

# Without a window manager the window takes the keyboard once it is clicked.
xdotool mousemove 600 400 click 1; step
xdotool key ctrl+o; step 1.5
xdotool type --delay 15 "\"$root/examples/disc.bmp\" \"$root/examples/square.jpg\" \"$root/examples/ellipse.gif\""
xdotool key Return; step 1.5; alive

# The image view's top left lies at (305, 49) on the screen; image pixel (25, 76) is at (330, 125).
xdotool mousemove 330 125; step 0.3
xdotool keydown shift; xdotool click 1; xdotool keyup shift; step 0.3
for x in 360 400 440 480; do xdotool mousemove "$x" 126; step 0.2; done
xdotool click 1; step; alive

for _ in 1 2 3; do xdotool key Down; step; done
alive

out=$work/result.dat
write_data_file "$out"

"$build/batch/quandrel-batch" tests/e2e/session.json -o "$work/batch.dat"
if ! cmp -s "$out" tests/e2e/expected.dat || ! cmp -s "$work/batch.dat" tests/e2e/expected.dat; then
  echo "e2e: the data file differs from tests/e2e/expected.dat"
  diff <(cat -A "$out" 2>/dev/null) <(cat -A tests/e2e/expected.dat) || true
  echo "e2e: 0 passed, 1 failed"
  exit 1
fi

# The work is unsaved: a copy of it is kept against a crash. Kill the program outright, start
# it again, take the offer to restore (Return answers Yes), and write the data file once more:
# the restored records give the same file.
recovery=$HOME/.local/share/Zentor/Quandrel/recovery
for _ in $(seq 100); do ls "$recovery"/recovery-*.quandrel >/dev/null 2>&1 && break; sleep 0.1; done
ls "$recovery"/recovery-*.quandrel >/dev/null 2>&1 || { echo "e2e: no copy of the unsaved work"; exit 1; }
kill -KILL "$app"; wait "$app" 2>/dev/null || true
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
kill -0 "$xvfb" 2>/dev/null || { echo "e2e: the virtual X server ended"; cat "$work/xvfb.log"; exit 1; }
"$build/app/quandrel" >"$work/quandrel2.log" 2>&1 &
app=$!
for _ in $(seq 100); do [ "$(xdotool search --onlyvisible --name '^Quandrel$' 2>/dev/null | wc -l)" -ge 2 ] && break; sleep 0.1; done
step 1; alive
xdotool key Return; step 1.5; alive
xdotool mousemove 600 400 click 1; step
restored=$work/restored.dat
write_data_file "$restored"
if cmp -s "$restored" "$out"; then
  echo "e2e: 2 passed, 0 failed"
else
  echo "e2e: the restored work writes another data file"
  diff <(cat -A "$restored" 2>/dev/null) <(cat -A "$out") || true
  echo "e2e: 1 passed, 1 failed"
  exit 1
fi
