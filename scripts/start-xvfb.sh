# Sourced: starts Xvfb on a display number it picks itself (written to a descriptor it is
# given), waits until it is up and exports DISPLAY. Sets `xvfb` to its process id; its log is
# "$tmp/xvfb.log". Needs `tmp` (a folder of the caller's) and `who` (the caller's name for
# messages); exits when Xvfb does not start.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$tmp/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
[ -s "$tmp/display" ] || { echo "$who: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"
