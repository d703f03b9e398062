#!/usr/bin/env bash
# Imports one bookmark file of 100,000 links in 30 folders, one or two levels deep (LINKS to
# change: 10,000, 100,000 or 1,000,000) into Lorvane and into buku, one import per fresh
# process, five runs each (RUNS), alternating, and prints every run, the medians and their
# ratio. Both figures are processor time, so that other work on the machine weighs less:
# Lorvane's is the import benchmark's own timing of the import (bench_app, a Release build),
# buku's is its whole run from exec (user and system time), keeping the folder names as tags
# (--tacit). buku's time grows with the square of the links: compare ratios at one size only.
# buku is only for this comparison: install it for the run (apt-get install buku), never as a
# dependency.
set -euo pipefail
bench=${1:-build/bench/bench/app/bench_app}
links=${LINKS:-100000}
runs=${RUNS:-5}
command -v buku >/dev/null || { echo "buku is not installed (apt-get install buku)" >&2; exit 1; }
[ -x "$bench" ] || { echo "no benchmark program at $bench" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

ours() {
    LORVANE_BOOKMARK_COPY="$work/links.html" "$bench" \
        --benchmark_filter="BM_ImportBookmark/$links\$" --benchmark_format=csv 2>/dev/null |
        awk -F, '/BM_ImportBookmark/ {print $4}'
}
theirs() {
    rm -rf "$work/home" && mkdir -p "$work/home"
    HOME="$work/home" XDG_DATA_HOME="$work/home/data" /usr/bin/time -f '%U %S' -o "$work/time" \
        buku --nostdin --tacit -i "$work/links.html" >/dev/null 2>&1
    awk '{printf "%.0f\n", ($1 + $2) * 1000}' "$work/time"
}
# The first run writes the file; after it, which side goes first alternates.
lorvane=() theirs=()
for i in $(seq "$runs"); do
    if ((i % 2)); then
        lorvane+=("$(ours)")
        theirs+=("$(theirs)")
    else
        theirs+=("$(theirs)")
        lorvane+=("$(ours)")
    fi
done
ours=$(median "${lorvane[@]}")
buku=$(median "${theirs[@]}")
echo "links: $links, runs: $runs"
echo "Lorvane import, processor ms: ${lorvane[*]} (median $ours)"
echo "buku import, processor ms: ${theirs[*]} (median $buku)"
awk -v a="$ours" -v b="$buku" 'BEGIN {printf "buku / Lorvane: %.0fx\n", b / a}'
