#!/usr/bin/env bash
# Imports one bookmark file of 100,000 links (LINKS to change) into Lorvane and into buku, one
# import per fresh process, five runs each (RUNS), and prints the medians and their ratio.
# Lorvane's figure is the import benchmark's own timing of the import (bench_app, a Release
# build); buku's is its whole run from exec, keeping the folder names as tags (--tacit). buku is
# only for this comparison: install it for the run (apt-get install buku), never as a dependency.
set -euo pipefail
bench=${1:-build/bench/bench/app/bench_app}
links=${LINKS:-100000}
runs=${RUNS:-5}
command -v buku >/dev/null || { echo "buku is not installed (apt-get install buku)" >&2; exit 1; }
[ -x "$bench" ] || { echo "no benchmark program at $bench" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

lorvane=()
for _ in $(seq "$runs"); do
    lorvane+=("$(LORVANE_BOOKMARK_COPY="$work/links.html" "$bench" \
        --benchmark_filter="BM_ImportBookmark/$links\$" --benchmark_format=csv 2>/dev/null |
        awk -F, '/BM_ImportBookmark/ {print $3}')")
done
theirs=()
for _ in $(seq "$runs"); do
    rm -rf "$work/home" && mkdir -p "$work/home"
    start=$(date +%s%N)
    HOME="$work/home" XDG_DATA_HOME="$work/home/data" \
        buku --nostdin --tacit -i "$work/links.html" >/dev/null 2>&1
    theirs+=("$((($(date +%s%N) - start) / 1000000))")
done
ours=$(median "${lorvane[@]}")
buku=$(median "${theirs[@]}")
echo "links: $links, runs: $runs"
echo "Lorvane import, ms: ${lorvane[*]} (median $ours)"
echo "buku import, ms: ${theirs[*]} (median $buku)"
awk -v a="$ours" -v b="$buku" 'BEGIN {printf "buku / Lorvane: %.0fx\n", b / a}'
