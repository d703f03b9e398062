#!/usr/bin/env bash
# Start-up against loading the bank alone, both from exec, one run per fresh process, on a
# 100,000-entry bank (ENTRIES to change), five runs each (RUNS), alternating: which of the two
# goes first alternates from run to run. The window runs under its own Xvfb. Prints every run,
# the medians and their ratio, and each side's peak resident size.
set -euo pipefail
program=${1:-build/bench/bench/startup/bench_startup}
entries=${ENTRIES:-100000}
runs=${RUNS:-5}
[ -x "$program" ] || { echo "no start-up program at $program" >&2; exit 1; }
work=$(mktemp -d)
display=":$((100 + $$ % 800))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
sleep 1

# A home of its own: the program finds the bank as Lorvane.bnk in its data folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/data"
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_DATA_HOME/Lorvane" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
bank="$XDG_DATA_HOME/Lorvane/Lorvane.bnk"
"$program" make "$bank" "$entries"

source "$(dirname "${BASH_SOURCE[0]}")/../pairs.sh"
# Milliseconds from exec to the time the program prints; its peak resident size (KiB) is left
# in $work/rss.
timed() {
    local start end
    start=$(date +%s%N)
    end=$(/usr/bin/time -f '%M' -o "$work/rss" "$@")
    echo $(((end - start) / 1000000))
}
peak() { echo $(($(tail -n 1 "$work/rss") / 1024)); }

loads=() windows=()
load() {
    loads+=("$(timed "$program" load "$bank")")
    loadPeak=$(peak)
}
window() {
    windows+=("$(DISPLAY="$display" QT_QPA_PLATFORM=xcb timed "$program" window)")
    windowPeak=$(peak)
}
# Which side goes first alternates.
alternate "$runs" load window
load=$(median "${loads[@]}")
window=$(median "${windows[@]}")
echo "entries: $entries, runs: $runs"
echo "load the bank alone, ms: ${loads[*]} (median $load), peak ${loadPeak} MiB"
echo "to the painted main window, ms: ${windows[*]} (median $window), peak ${windowPeak} MiB"
awk -v a="$window" -v b="$load" 'BEGIN {printf "window / load: %.2fx\n", a / b}'
