#!/usr/bin/env bash
# Runs the whole test suite N times (10 unless given) as on a loaded two-core machine: pinned to
# two cores, beside two busy loops on the same cores. Builds the sanitizer build once, as
# scripts/test.sh does. CORES picks the two cores (the machine's last two unless given), so that
# several copies can run side by side. Prints how many runs passed and exits non-zero unless every
# run did; the output of a failed run stays in build/test/stress-CORES/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [RUNS]" >&2
  exit 2
fi
bash scripts/deps.sh
source scripts/test-build.sh sanitize

# The machine's last two cores (one core where it has only one).
last=$(($(nproc) - 1))
cores=${CORES:-"$((last > 0 ? last - 1 : 0)),$last"}
busy=()
stop_busy() {
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${busy[@]}"; do wait "$pid" 2>/dev/null || true; done
  busy=()
}
trap stop_busy EXIT
trap 'exit 130' INT TERM HUP
for _ in 1 2; do
  taskset -c "$cores" sh -c 'while :; do :; done' &
  busy+=($!)
done

logs="$build_dir/stress-$cores"
rm -rf "$logs"
mkdir -p "$logs"
passed=0
for ((run = 1; run <= runs; ++run)); do
  log="$logs/run-$run.log"
  start=$SECONDS
  if (cd "$build_dir" && taskset -c "$cores" ctest --output-on-failure -j 2) >"$log" 2>&1; then
    passed=$((passed + 1))
    rm -f "$log"
    echo "run $run of $runs: passed ($((SECONDS - start)) s)"
  else
    echo "run $run of $runs: FAILED ($((SECONDS - start)) s), output in $log"
    sed -n '/The following tests FAILED:/,$p' "$log" | grep -E '^\s+[0-9]+ - ' || true
  fi
done
echo "$passed of $runs runs passed"
[ "$passed" -eq "$runs" ]
