#!/usr/bin/env bash
# Runs one test program with a fresh HOME and XDG folders, so no test touches the user's files.
set -u
tmp=$(mktemp -d "${TMPDIR:-/tmp}/lorvane-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/cache" "$tmp/runtime"
chmod 700 "$tmp/runtime"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" \
       XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/runtime" TMPDIR="$tmp"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
export LC_ALL="${LC_ALL:-C}"
# The sanitizers as the test command sets them, so a plain ctest run agrees with it.
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/lsan.supp:print_suppressions=0}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
"$@"
