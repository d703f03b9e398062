#!/usr/bin/env bash
# Measures every row of the README's Performance table and prints it as it is pasted there: the
# line that says when, on which commit, with how many runs and under which load it was measured,
# then the table. For each row, each side's median (for the rows that wait on the disk or start
# from exec, with its range) and the median and range of the per-run ratios; where that range
# swallows the comparison (see stat below) the row gives no ratio. The rows also show on the
# standard error as they are done. Both sides of a row run in the same run, alternating (which
# side goes first alternates too), each in a fresh process; RUNS (default 5) runs a row. Builds
# the optimised benchmarks first when they are missing or out of date (build/bench, or BUILD).
# ROWS="save load ..." runs only the rows named (their keys are the words after "want" below);
# LINKS sets the size of the bookmark file imported into buku (10,000, 100,000 or 1,000,000;
# 10,000 by default: buku takes minutes from 100,000 on); LONG=0 leaves out the Qt editor's
# paragraph (half a minute a run or more).
#
# Processor time where one process does the work in memory, so that the other builds on a
# shared machine weigh less; wall time where the disk or the start from exec is part of it.
# buku is only a peer for one row: bench/app/import-vs-buku.sh installs it for the run when it is
# missing (apt-get install buku), never as a dependency; where it cannot, the row says so.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-5}
build=${BUILD:-build/bench}
rows=${ROWS:-}
[ -x /usr/bin/time ] || { echo "peak sizes are read with /usr/bin/time (apt-get install time)" >&2; exit 1; }

if [ ! -f "$build/build.ninja" ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=OFF \
        -DLORVANE_BENCH=ON "${launcher[@]}" >&2
fi
cmake --build "$build" -j "${JOBS:-4}" -t bench_app bench_VirtualTree bench_memo bench_startup >&2

app=$build/bench/app/bench_app
tree=$build/bench/VirtualTree/bench_VirtualTree
memo=$build/bench/memo/bench_memo
startup=$build/bench/startup/bench_startup
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

want() { [ -z "$rows" ] || [[ " $rows " == *" $1 "* ]]; }

# The FIELDS (columns of the benchmark's CSV, comma-separated: real_time, cpu_time or a
# counter) of each benchmark FILTER matches, from one fresh process of PROGRAM, on one line.
# With PEAK=1 the process's peak resident size (MB) follows.
bm() {
    local program=$1 filter=$2 fields=$3 out
    out=$(/usr/bin/time -f '%M' -o "$work/rss" "$program" --benchmark_filter="$filter" \
        --benchmark_format=csv 2>/dev/null | awk -F, -v fields="$fields" '
        /^name,/ { for (i = 1; i <= NF; ++i) { h = $i; gsub(/"/, "", h); col[h] = i }; next }
        /^"/ { n = split(fields, f, ","); for (i = 1; i <= n; ++i) { printf "%s%s", sep, $col[f[i]]; sep = " " } }')
    [ -n "$out" ] || { echo "no result from $program --benchmark_filter='$filter'" >&2; exit 1; }
    if [ "${PEAK:-0}" = 1 ]; then out+=" $(($(tail -n 1 "$work/rss") / 1024))"; fi
    echo "$out"
}

# The FIELDS of each benchmark named (a name or a pattern), each from a process of its own, on
# one line.
each() {
    local program=$1 fields=$2 name line=()
    shift 2
    for name in "$@"; do line+=("$(bm "$program" "^$name(/|\$)" "$fields")"); done
    echo "${line[*]}"
}

# Runs the shell commands OURS and PEER (each printing one line of numbers) RUNS times,
# alternating, into $work/ours and $work/peer, one line a run.
pair() {
    : >"$work/ours"
    : >"$work/peer"
    local i
    for i in $(seq "$runs"); do
        if ((i % 2)); then
            eval "$1" >>"$work/ours"
            eval "$2" >>"$work/peer"
        else
            eval "$2" >>"$work/peer"
            eval "$1" >>"$work/ours"
        fi
    done
}

# Figures as the table gives them: three digits, thousands with commas.
fmt='
    function num(x) { return x >= 100 ? sprintf("%.0f", x) : x >= 10 ? sprintf("%.1f", x) : x >= 1 ? sprintf("%.2f", x) : sprintf("%.3g", x) }
    function fmt(x,   s, out) {
        if (x < 1000) return num(x)
        s = sprintf("%.0f", x); out = ""
        while (length(s) > 3) { out = "," substr(s, length(s) - 2) out; s = substr(s, 1, length(s) - 3) }
        return s out
    }
    function med(a, n,   i, j, t) {
        for (i = 2; i <= n; ++i) for (j = i; j > 1 && a[j - 1] > a[j]; --j) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
        return a[int((n + 1) / 2)]
    }'

# For the K-th number of each run (K:L for ours' K-th against the peer's L-th): sets O and P
# (the two sides' medians), R (the median per-run ratio with its range, "1.23x (1.01-1.45)"),
# OS and PS (each side's median with its range, "75 (63-90)") and Q: R where the comparison
# holds, otherwise why it is not stated. It does not hold when the per-run ratios fall on both
# sides of 1, or when the largest is more than twice the smallest: the spread swallows it. DIR
# "peer" divides the peer's figure by ours (how many times faster), "ours" ours by the peer's.
# SCALE multiplies the medians. The sides are $work/ours and $work/peer, or the two files named
# after SCALE.
O='' P='' R='' OS='' PS='' Q=''
stat() {
    local k=${1%:*} l=${1#*:} dir=$2 scale=${3:-1} ours=${4:-$work/ours} peer=${5:-$work/peer}
    read -r O P R OS PS Q < <(paste -d' ' <(cut -d' ' -f"$k" "$ours") <(cut -d' ' -f"$l" "$peer") | awk -v dir="$dir" -v scale="$scale" "$fmt"'
        function range(a, n,   i, lo, hi) {
            lo = hi = a[1]
            for (i = 2; i <= n; ++i) { if (a[i] < lo) lo = a[i]; if (a[i] > hi) hi = a[i] }
            return fmt(lo * scale) "-" fmt(hi * scale)
        }
        { o[NR] = $1; p[NR] = $2; r[NR] = dir == "peer" ? $2 / $1 : $1 / $2 }
        END {
            lo = hi = r[1]
            for (i = 1; i <= NR; ++i) { if (r[i] < lo) lo = r[i]; if (r[i] > hi) hi = r[i] }
            ratio = fmt(med(r, NR)) "x_(" fmt(lo) "-" fmt(hi) ")"
            os = fmt(med(o, NR) * scale) "_(" range(o, NR) ")"
            ps = fmt(med(p, NR) * scale) "_(" range(p, NR) ")"
            q = ratio
            if (lo < 1 && hi > 1) q = "no_ratio,_the_per-run_ratios_(" fmt(lo) "-" fmt(hi) "x)_fall_on_both_sides_of_1"
            else if (hi > 2 * lo) q = "no_ratio,_the_per-run_ratios_(" fmt(lo) "-" fmt(hi) "x)_span_more_than_a_factor_of_two"
            printf "%s %s %s %s %s %s\n", fmt(med(o, NR) * scale), fmt(med(p, NR) * scale), ratio, os, ps, q
        }')
    R=${R//_/ } OS=${OS//_/ } PS=${PS//_/ } Q=${Q//_/ }
}

# The median of the K-th number of each run of one side, and its range: "75 (63-90)".
spread() {
    cut -d' ' -f"$1" "$work/$2" | awk -v scale="${3:-1}" "$fmt"'
        { v[NR] = $1 * scale; if (NR == 1 || v[NR] < lo) lo = v[NR]; if (NR == 1 || v[NR] > hi) hi = v[NR] }
        END { printf "%s (%s-%s)\n", fmt(med(v, NR)), fmt(lo), fmt(hi) }'
}

# The rows gather in $work/table, each also shown on the standard error as it is done; the table
# is printed at the end, after the line that says how it was measured.
row() { printf '| %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4" | tee -a "$work/table" >&2; }

invocation="RUNS=$runs bash bench/readme-table.sh"
[ -z "${LONG:-}" ] || invocation="LONG=$LONG $invocation"
[ -z "${LINKS:-}" ] || invocation="LINKS=$LINKS $invocation"
[ -z "$rows" ] || invocation="ROWS=\"$rows\" $invocation"
measured="Measured $(date -u '+%Y-%m-%d %H:%M UTC') on commit $(git rev-parse --short HEAD)$(
    git diff --quiet HEAD -- . 2>/dev/null || echo ' (with local changes)'), $runs runs a row"
measured+=" (\`$invocation\`), load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)."
: >"$work/table"

if want paint; then
    PEAK=1 pair "each $tree cpu_time BM_TreeFillAndFirstPaint BM_ColumnTreeFillAndFirstPaint" \
        "each $tree cpu_time BM_QTreeViewFirstPaint BM_ColumnQTreeViewFirstPaint"
    stat 1 ours && o1=$O p1=$P r1=$R
    stat 3 ours && o2=$O p2=$P r2=$R
    stat 4 ours && om=$O pm=$P
    row "1,000,000 rows from nothing to a painted 1000 x 800 window, freed after, processor time (\`bench_VirtualTree --benchmark_filter=FirstPaint\`: the \`FillAndFirstPaint\` cases and the \`QTreeViewFirstPaint\` ones, one case per process): no columns / nine columns under a header" \
        "$o1 / $o2 ms, peak $om MB with columns" \
        "QTreeView over a model of the same rows, from \`setModel\` to painted: $p1 / $p2 ms, peak $pm MB" \
        "$r1 / $r2 the peer's time"
fi

if want nodes; then
    pair "bm $tree '^BM_TreeAddChildMillion(/|\$)' cpu_time,bytes_per_node" \
        "bm $tree '^BM_QtModelDataItemMillion(/|\$)' cpu_time,bytes_per_node"
    stat 1 peer && o1=$O p1=$P r1=$R
    stat 2 ours && o2=$O p2=$P r2=$R
    row "1,000,000 tree nodes added one by one, each with a 12-byte record, processor time (\`bench_VirtualTree --benchmark_filter=BM_TreeAddChildMillion\`, the peer \`BM_QtModelDataItemMillion\`)" \
        "$o1 ms, $o2 bytes a node, node slabs included" \
        "Qt item model, one data item a node holding the record: $p1 ms, $p2 bytes a node" \
        "$r1 faster; $r2 the memory"
fi

if want scroll; then
    pair "each $tree cpu_time BM_TreeScrollAndPaint BM_ColumnTreeScrollAndPaint" \
        "each $tree cpu_time BM_QTreeViewScrollAndPaint BM_ColumnQTreeViewScrollAndPaint"
    stat 1 peer && o1=$O p1=$P r1=$R
    stat 2 peer && o2=$O p2=$P r2=$R
    row "scrolling a random row of 1,000,000 into view and painting into one 1000 x 800 image made beforehand, the same for both, processor time (\`bench_VirtualTree --benchmark_filter=ScrollAndPaint\`, one case per process), no columns / nine columns" \
        "$o1 / $o2 ms" "QTreeView: $p1 / $p2 ms" "$r1 / $r2 faster"
fi

if want longrow; then
    # The tree view takes seconds a paint from 10 MB on: its 30 MB case is left out.
    pair "each $tree cpu_time 'BM_LongText(RowPaint|RowFirstPaint|Copy)/(1|10|30)'" \
        "each $tree cpu_time 'BM_LongTextQTreeViewRowPaint/(1|10)'"
    stat 4:1 peer && r1=$R p1=$P
    stat 5:2 peer && r2=$R p2=$P
    for k in 1 2 3 4 5 6 7 8 9; do v[k]=$(spread $k ours | cut -d' ' -f1); done
    row "tree control, one row whose name is 1 / 10 / 30 MB, in a 300-pixel column, processor time (\`bench_VirtualTree --benchmark_filter=LongText\`): repainted / with its width measured afresh (the one copy of the name that the text event makes: ${v[7]} / ${v[8]} / ${v[9]} ms)" \
        "${v[1]} / ${v[2]} / ${v[3]} ms and ${v[4]} / ${v[5]} / ${v[6]} ms" \
        "a Qt tree view whose styled item delegate elides the same text: $p1 / $p2 ms (30 MB not run: tens of seconds a paint)" \
        "$r1 / $r2 faster than ours with the width measured afresh, 1 / 10 MB"
fi

if want clipboard; then
    for format in 3:"rich text" 2:HTML; do
        n=${format%%:*}
        PEAK=1 pair "bm $tree '^BM_ClipboardFormat/nodes:100000/format:$n(/|\$)' ns_per_node,MB" \
            "bm $tree '^BM_ClipboardFormat/nodes:1000000/format:$n(/|\$)' ns_per_node,MB"
        stat 1 peer 1000000 && o1=$O p1=$P r1=$R
        stat 2 ours && mb=$P
        stat 3 ours && pk=$P
        row "copy 100,000 / 1,000,000 nodes of nine columns to the clipboard as ${format#*:}, processor time (\`bench_VirtualTree --benchmark_filter=BM_ClipboardFormat/nodes:1000000/format:$n\`, one size per process, the larger as the peer)" \
            "$o1 / $p1 µs a node; peak resident $pk MB at 1,000,000 for $mb MB of output" \
            "" "$r1 the time a node at 1,000,000 against 100,000"
    done
fi

if want import; then
    pair "each $app per_link BM_ImportBookmark/10000 BM_ImportBookmark/100000" \
        "each $app per_link BM_ImportBookmark/1000000"
    stat 2:1 ours 1000000 "$work/ours" "$work/ours" && a=$P b=$O r1=$R
    stat 1:1 ours 1000000 "$work/peer" "$work/ours" && c=$O r2=$R
    row "import a bookmark file of 10,000 / 100,000 / 1,000,000 links into an empty bank, processor time (\`bench_app --benchmark_filter='BM_ImportBookmark/100000\$'\`, one size per process)" \
        "$a / $b / $c µs a link" "" "100,000 against 10,000: $r1 the time a link; 1,000,000 against 10,000: $r2"
fi

if want buku; then
    links=${LINKS:-10000}
    shown=$(echo "$links" | awk "$fmt"' {print fmt($1)}')
    # The script installs buku for the run when it is missing.
    if RUNS=$runs LINKS=$links bash bench/app/import-vs-buku.sh "$app" "$startup" >"$work/buku"; then
        sed -n 's/^Lorvane import and save, processor ms: \([0-9 .]*\) (.*/\1/p' "$work/buku" | tr ' ' '\n' | grep . >"$work/ours"
        sed -n 's/^buku import, processor ms: \([0-9 .]*\) (.*/\1/p' "$work/buku" | tr ' ' '\n' | grep . >"$work/peer"
        stat 1 peer
        row "a bookmark file (HTML) of $shown links in 30 folders, one or two levels deep, imported into a new store by a whole process from exec that ends with the store written to disk, processor time of the process (\`LINKS=$links bash bench/app/import-vs-buku.sh\`)" \
            "$O ms (\`bench_startup import\`: a new bank, the import, the bank saved as a new file)" \
            "buku $(buku --version 2>/dev/null | tail -n 1): a new database, the folders kept as tags, every record committed: $P ms" \
            "$R faster at $shown links"
    else
        row "import the same bookmark file (\`bash bench/app/import-vs-buku.sh\`)" "" \
            "buku could not be installed or run: not measured" ""
    fi
fi

# The bank rows: one load or save per fresh process, on a bank of 100,000 generated entries.
for kind in 0 1; do
    want load || break
    pair "bm $app '^Cold/BM_LoadBank/100000/$kind/' cpu_time" \
        "bm $app '^Cold/BM_LoadFloorKeepValues/100000/$kind/' cpu_time"
    stat 1 ours
    if [ "$kind" = 0 ]; then
        row "a 100,000-entry bank (33 MB) loaded by a fresh process that has just written it (the file in the page cache), processor time (\`bench_app --benchmark_filter=Cold/BM_LoadBank/100000/0/\`)" \
            "$OS ms" \
            "the same file read, split into lines and every value kept as its own string (\`Cold/BM_LoadFloorKeepValues/100000/0/\`): $PS ms" \
            "$Q"
    else
        row "the same, protected (54 MB; \`/100000/1/\`)" "$OS ms" "the same floor on that file: $PS ms" "$Q"
    fi
done

if want save; then
    # A user's save: the bank was opened from its file, and the save replaces that file and its
    # backup. The floor writes the same bytes a megabyte at a time, each started on its way to
    # the disk as the save does; written whole and then synced they wait longer.
    mkdir -p "$work/save"
    for kind in plain protected; do
        bank="$work/save/$kind.bnk" option=$([ "$kind" = protected ] && echo protected || true)
        "$startup" make "$bank" 100000 $option
        # A save before the runs, so that every save replaces both the file and its backup.
        "$startup" save "$bank" $option >/dev/null
        pair "$startup save $bank $option" \
            "echo \$($startup savefloor $bank) \$($startup savefloor $bank whole)"
        stat 1 ours && o1=$OS p1=$PS q1=$Q
        stat 1:2 ours && p2=$PS q2=$Q
        if [ "$kind" = plain ]; then
            row "a user's save: a 100,000-entry bank (33 MB) opened, then saved over itself, the previous file kept as the backup, one save per fresh process, wall time (\`bench_startup save FILE\`)" \
                "$o1 ms" \
                "the same bytes written to a new file beside it a megabyte at a time, each started on its way to the disk, synced, renamed over the bank, the folder synced (\`bench_startup savefloor FILE\`): $p1 ms; written whole, then synced (\`savefloor FILE whole\`): $p2 ms" \
                "against the floor: $q1; against the whole write: $q2"
        else
            row "the same, protected (54 MB; \`make FILE 100000 protected\`, \`save FILE protected\`)" "$o1 ms" "$p1 ms; whole: $p2 ms" "against the floor: $q1; against the whole write: $q2"
        fi
    done
fi

if want startup && ! command -v Xvfb >/dev/null; then
    row "start to a painted main window (\`bash bench/startup/startup.sh\`)" "" \
        "Xvfb is not installed: not measured" ""
elif want startup; then
    RUNS=$runs bash bench/startup/startup.sh "$startup" >"$work/startup"
    sed -n 's/^to the painted main window, ms: \([0-9 ]*\) (.*/\1/p' "$work/startup" | tr ' ' '\n' | grep . >"$work/ours"
    sed -n 's/^load the bank alone, ms: \([0-9 ]*\) (.*/\1/p' "$work/startup" | tr ' ' '\n' | grep . >"$work/peer"
    stat 1 ours
    wp=$(sed -n 's/^to the painted.*peak \([0-9]*\) MiB/\1/p' "$work/startup")
    lp=$(sed -n 's/^load the bank alone.*peak \([0-9]*\) MiB/\1/p' "$work/startup")
    [ "$Q" = "$R" ] && Q="$R the load's time"
    row "start to a painted main window with a 100,000-entry bank (the file in the page cache), under Xvfb, wall time from exec (\`bash bench/startup/startup.sh\`)" \
        "$OS ms, peak $wp MiB" "loading the bank alone, from exec: $PS ms, $lp MiB" "$Q"
fi

if want export; then
    pair "bm $app '^BM_ExportBookmark(/|\$)' cpu_time" "echo 1"
    row "export of 100,000 entries to a bookmark file, processor time (\`bench_app --benchmark_filter=BM_ExportBookmark\`)" \
        "$(spread 1 ours) ms" "" ""
fi

if want pages; then
    pair "bm $app '^BM_ExportHTMLSameNames/(500|2000|5000)/1(/|\$)' cpu_time" \
        "bm $app '^BM_WriteSamePages/(500|2000|5000)/1(/|\$)' cpu_time"
    stat 1 ours && o1=$O p1=$P r1=$R
    stat 2 ours && o2=$O p2=$P r2=$R
    stat 3 ours && o3=$O p3=$P r3=$R
    row "HTML pages of 500 / 2,000 / 5,000 entries under many same-named categories, in memory, processor time (\`bench_app --benchmark_filter=BM_ExportHTMLSameNames\`, the peer \`BM_WriteSamePages\`)" \
        "$o1 / $o2 / $o3 ms" "plain writes of the same files: $p1 / $p2 / $p3 ms" "$r1 / $r2 / $r3"
fi

if want memoload; then
    pair "bm $memo '^BM_MemoLoadAndLayout/(1|10)(/|\$)' cpu_time" "bm $memo '^BM_PlainTextEditLayout/(1|10)(/|\$)' cpu_time"
    stat 1 peer && o1=$O p1=$P r1=$R
    stat 2 peer && o2=$O p2=$P r2=$R
    row "memo, load and lay out 1 MiB / 10 MiB at 800 pixels, processor time (\`bench_memo --benchmark_filter=Layout\`)" \
        "$o1 / $o2 ms" "the Qt plain-text editor: $p1 / $p2 ms" "$r1 / $r2 faster"
fi

if want typing; then
    # One character typed in the middle of 1 / 10 MiB, into an 80-character paragraph and into
    # a 4,000-character one; the wall time of the typing alone.
    pair "bm $memo '^BM_MemoTypeInTheMiddle/(1|10)/[01](/|\$)' real_time" \
        "bm $memo '^BM_PlainTextEditTypeInTheMiddle/(1|10)/[01](/|\$)' real_time"
    stat 1 peer && o1=$O p1=$P r1=$R
    stat 2 peer && o2=$O p2=$P r2=$R
    stat 3 peer && o3=$O p3=$P r3=$R
    stat 4 peer && o4=$O p4=$P r4=$R
    row "memo, typing one character in the middle of 1 / 10 MiB, wall time of the typing (\`bench_memo --benchmark_filter=TypeInTheMiddle\`): into a paragraph of 80 characters; into one of 4,000" \
        "$o1 / $o2 µs; $o3 / $o4 µs" "the Qt plain-text editor: $p1 / $p2 µs; $p3 / $p4 µs" \
        "short: $r1 / $r2 faster; long: $r3 / $r4"
fi

if want paragraph; then
    # The Qt editor's one block grows with the square of its length (30 to 50 s for 1 MB): it runs
    # at 1 MB only, and not at all with LONG=0.
    peer="echo 1" ptext="the Qt plain-text editor: not run (LONG=0)"
    [ "${LONG:-1}" = 1 ] && peer="bm $memo '^BM_PlainTextEditLongParagraph/1/' cpu_time"
    pair "bm $memo '^BM_MemoLongParagraph/(1|10|30)/' cpu_time" "$peer"
    ratio=""
    if [ "${LONG:-1}" = 1 ]; then
        stat 1 peer && ptext="the Qt plain-text editor, the same text as one block, 1 MB: $P ms" ratio="$R faster at 1 MB"
    fi
    row "memo, one paragraph of 1 / 10 / 30 MB without a blank (a huge value in the information panel), added and laid out at 800 pixels, processor time (\`bench_memo --benchmark_filter=LongParagraph\`)" \
        "$(spread 1 ours) / $(spread 2 ours) / $(spread 3 ours) ms" "$ptext" "$ratio"
fi

echo "$measured Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
echo
echo "| what | Lorvane | peer, same run | ratio (per-run range) |"
echo "|---|---|---|---|"
cat "$work/table"
