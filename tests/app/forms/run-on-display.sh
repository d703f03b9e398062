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
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$tmp/display" ] && break
  sleep 0.1
done
[ -s "$tmp/display" ] || { echo "on-display: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"
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
