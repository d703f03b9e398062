#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: with sanitizers, and optimised
# without them (which also builds the benchmarks, never running them). Given build names
# (scripts/test-build.sh), it makes and runs those instead: `test.sh clang` runs every test
# built by Clang with the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- sanitize optimised
bash scripts/deps.sh "$@"
# Every C++ file as the project's .clang-format wants it, before anything is built.
bash scripts/check-format.sh
for variant in "$@"; do
  echo "== $variant build"
  source scripts/test-build.sh "$variant"
  (cd "$build_dir" && ctest --output-on-failure -j "$jobs")
done
