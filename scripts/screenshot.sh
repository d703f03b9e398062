#!/usr/bin/env bash
# Takes a picture of Lorvane: starts the built program under Xvfb with a bank and a temporary
# HOME, waits until its main window is mapped, saves a PNG of one window captured by its window
# id, then ends the program and Xvfb.
#
#   scripts/screenshot.sh [BANK] [OUT.png] [VIEW]
#
# BANK     the bank to open (default: tests/data/app/sample.bnk)
# OUT.png  where the picture goes (default: lorvane.png)
# VIEW     main: the main window as it opens (the default)
#          info: the main window with the information panel of the first entry (Ctrl+I)
#          entry: the entry editor over the first favourite entry (Ctrl+M)
#          find: the Find dialog (Ctrl+F)
# The program is LORVANE_BIN if set, else build/release/app/lorvane, else build/test/app/lorvane.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bank=$(realpath "${1:-$root/tests/data/app/sample.bnk}")
out=$(realpath -m "${2:-lorvane.png}")
view=${3:-main}
case "$view" in main | info | entry | find) ;; *)
  echo "usage: $0 [BANK] [OUT.png] [main|info|entry|find]" >&2
  exit 2
  ;;
esac
program=${LORVANE_BIN:-}
if [ -z "$program" ]; then
  for candidate in "$root/build/release/app/lorvane" "$root/build/test/app/lorvane"; do
    if [ -x "$candidate" ]; then
      program=$candidate
      break
    fi
  done
fi
if [ -z "$program" ] || [ ! -x "$program" ]; then
  echo "screenshot: no built program (build it, or name it in LORVANE_BIN)" >&2
  exit 1
fi
[ -r "$bank" ] || { echo "screenshot: cannot read the bank $bank" >&2; exit 1; }
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (scripts/deps.sh installs it)" >&2; exit 1; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/lorvane-shot.XXXXXX")
xvfb=""
app=""
# Ends the program, then Xvfb (which holds our output open), whatever state they are in.
finish() {
  set +e
  for pid in $app $xvfb; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$tmp"
}
trap finish EXIT
trap 'exit 130' INT TERM HUP

# Its own display.
who=screenshot
source "$root/scripts/start-xvfb.sh"

# A fresh user: the bank is the data folder's Lorvane.bnk, which the program opens at start.
mkdir -p "$tmp/home" "$tmp/config" "$tmp/data/Lorvane" "$tmp/cache" "$tmp/runtime"
chmod 700 "$tmp/runtime"
cp "$bank" "$tmp/data/Lorvane/Lorvane.bnk"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" \
       XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/runtime" LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# A killed program reports no leaks; a sanitized build must not stop at one either.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
"$program" >"$tmp/program.log" 2>&1 &
app=$!

# The first visible window whose name matches; xdotool waits for it, within a deadline.
window() { timeout "$2" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n1; }
# Waits until two pictures of the window taken in a row are the same (painting is over), within
# a deadline, and leaves the last one in $out.
settle() {
  local previous="" now
  for _ in $(seq 100); do
    import -window "$1" "$out"
    now=$(convert "$out" rgb:- | md5sum)
    [ "$now" = "$previous" ] && return 0
    previous=$now
    sleep 0.3
  done
  echo "screenshot: the window kept changing; the last picture is kept" >&2
}
main=$(window '^Lorvane' 60) || true
if [ -z "$main" ]; then
  echo "screenshot: the main window did not appear" >&2
  cat "$tmp/program.log" >&2
  exit 1
fi
# No window manager places or activates windows: the program gets the keyboard directly.
xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
settle "$main"
target=$main
case "$view" in
  info)
    # The tree has the focus: the first group (Favorites) opens, its first entry gets the
    # focus, and Ctrl+I shows the panel.
    xdotool key --window "$main" Home Right Down ctrl+i
    ;;
  entry | find)
    if [ "$view" = entry ]; then
      xdotool key --window "$main" Home Right Down ctrl+m
      title='Entry Form$'
    else
      xdotool key --window "$main" ctrl+f
      title='Find$'
    fi
    target=$(window "$title" 30) || true
    [ -n "$target" ] || { echo "screenshot: the dialog did not appear" >&2; exit 1; }
    # Centred over the main window it may reach past the screen's left edge, where nothing
    # of it is drawn: the picture needs all of it on the screen.
    xdotool windowmove "$target" 0 0
    ;;
esac
settle "$target"
echo "$out"
