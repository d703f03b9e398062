#!/usr/bin/env bash
# Imports one bookmark file of 100,000 links in 30 folders, one or two levels deep (LINKS to
# change: 10,000, 100,000 or 1,000,000), into a new Lorvane bank and into a new buku database,
# five runs each (RUNS), alternating, and prints every run, the medians and their ratio.
# Both sides are one whole process from exec, in a home folder of its own made empty before the
# run, that creates its store, imports every link and ends with it on disk: Lorvane's is
# `bench_startup import FILE BANK` (a new bank, the import, the bank saved as a new file, a
# Release build), buku's is `buku --tacit -i FILE` (a new database, the folder names kept as
# tags, every record committed). The figure compared is each process's processor time (user and
# system, as the shell times the process), so that other work on the machine weighs less; the wall time from
# exec to exit is printed beside it. buku's time grows with the square of the links: compare
# ratios at one size only. buku is only for this comparison: the script installs it when it is
# missing (apt-get install buku, as root), it is never a dependency.
#   bash bench/app/import-vs-buku.sh [BENCH_APP [BENCH_STARTUP]]
# bench_app writes the bookmark file (its import benchmark, LORVANE_BOOKMARK_COPY).
set -euo pipefail
shopt -s inherit_errexit
app=${1:-build/bench/bench/app/bench_app}
startup=${2:-$(dirname "$app")/../startup/bench_startup}
links=${LINKS:-100000}
runs=${RUNS:-5}
if ! command -v buku >/dev/null; then
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        echo "installing buku for this run (apt-get install buku)" >&2
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq buku; } >&2
    fi
    command -v buku >/dev/null || { echo "buku is not installed (apt-get install buku)" >&2; exit 1; }
fi
for program in "$app" "$startup"; do
    [ -x "$program" ] || { echo "no benchmark program at $program" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

LORVANE_BOOKMARK_COPY="$work/links.html" "$app" --benchmark_filter="^BM_ImportBookmark/$links\$" \
    >/dev/null 2>&1
[ -s "$work/links.html" ] || { echo "no bookmark file of $links links from $app" >&2; exit 1; }

source "$(dirname "${BASH_SOURCE[0]}")/../pairs.sh"

# Runs the command in an empty home of its own; prints its processor and wall milliseconds (the
# shell's own timing of the process, to the millisecond) and leaves its output in $work/out.
timed() {
    rm -rf "$work/home" && mkdir -p "$work/home/data"
    {
        TIMEFORMAT='%3R %3U %3S'
        time HOME="$work/home" XDG_DATA_HOME="$work/home/data" \
            XDG_CONFIG_HOME="$work/home/.config" "$@" >"$work/out" 2>/dev/null
    } 2>"$work/time"
    awk '{printf "%.0f %.0f\n", ($2 + $3) * 1000, $1 * 1000}' "$work/time"
}
ours() {
    timed "$startup" import "$work/links.html" "$work/home/Lorvane.bnk"
    [ "$(cat "$work/out")" = "$links" ] ||
        { echo "Lorvane imported $(cat "$work/out") links, not $links" >&2; exit 1; }
}
theirs() {
    timed buku --nostdin --tacit -i "$work/links.html"
    local stored
    stored=$(python3 -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("select count(*) from bookmarks").fetchone()[0])' \
        "$work/home/data/buku/bookmarks.db")
    [ "$stored" = "$links" ] || { echo "buku stored $stored links, not $links" >&2; exit 1; }
}
# Which side goes first alternates.
lorvane=() theirs=() lorvaneWall=() theirsWall=()
runOurs() { local line; line=$(ours); lorvane+=("${line% *}") lorvaneWall+=("${line#* }"); }
runTheirs() { local line; line=$(theirs); theirs+=("${line% *}") theirsWall+=("${line#* }"); }
alternate "$runs" runOurs runTheirs
ours=$(median "${lorvane[@]}")
buku=$(median "${theirs[@]}")
echo "links: $links, runs: $runs"
echo "Lorvane import and save, processor ms: ${lorvane[*]} (median $ours)"
echo "buku import, processor ms: ${theirs[*]} (median $buku)"
echo "Lorvane import and save, wall ms: ${lorvaneWall[*]} (median $(median "${lorvaneWall[@]}"))"
echo "buku import, wall ms: ${theirsWall[*]} (median $(median "${theirsWall[@]}"))"
awk -v a="$ours" -v b="$buku" 'BEGIN {printf "buku / Lorvane, processor time: %.0fx\n", b / a}'
