#!/usr/bin/env bash
# Runs a test program on a real X display: its own Xvfb with a window manager (openbox), the
# pointer parked in a corner, so tests of what a user does with the mouse hold there too and not
# only offscreen.
# usage: run-on-display.sh PROGRAM [ARGUMENTS...]
set -uo pipefail
for tool in Xvfb openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "on-display: $tool is missing (scripts/deps.sh installs it)" >&2; exit 77; }
done
tmp=$(mktemp -d "${TMPDIR:-/tmp}/lorvane-display.XXXXXX")
xvfb=""
wm=""
finish() {
  for pid in $wm $xvfb; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$tmp"
}
trap finish EXIT
who=on-display
source "$(dirname "$0")/../../../scripts/start-xvfb.sh"
openbox >"$tmp/wm.log" 2>&1 &
wm=$!
# The window manager owns the display once it has set its check window on the root.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
xdotool mousemove 0 0
export QT_QPA_PLATFORM=xcb
"$@"
