#!/usr/bin/env bash
# The program's picture: scripts/screenshot.sh starts the program under Xvfb with the sample
# bank; the main window must appear and its tree must show rows, not a blank area.
# usage: check-screenshot.sh PROGRAM SOURCE_ROOT
set -euo pipefail
program=$1
root=$2
tmp=$(mktemp -d "${TMPDIR:-/tmp}/lorvane-shot-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
shot="$tmp/main.png"
LORVANE_BIN="$program" bash "$root/scripts/screenshot.sh" "$root/tests/data/app/sample.bnk" "$shot"
read -r width height < <(identify -format '%w %h\n' "$shot")
echo "window: ${width}x${height}"
if [ "$width" -lt 300 ] || [ "$height" -lt 200 ]; then
  echo "the main window is too small to be the program's" >&2
  exit 1
fi
# The tree fills the window below the menu and tool bars: a band across its left half (inside
# its frame), from a quarter of the height to three quarters, holds rows of text and folder
# pictures. A blank tree shows only its background and grid lines there.
band="$((width / 2 - 10))x$((height / 2))+10+$((height / 4))"
colours=$(convert "$shot" -crop "$band" +repage -format '%k' info:)
dark=$(convert "$shot" -crop "$band" +repage -colorspace Gray -threshold 50% -negate \
  -format '%[fx:round(mean*w*h)]' info:)
echo "tree band $band: $colours colours, $dark dark pixels"
if [ "$colours" -lt 8 ] || [ "$dark" -lt 200 ]; then
  echo "the tree area is blank" >&2
  exit 1
fi
