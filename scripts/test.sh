#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: with sanitizers, and optimised
# without them (which also builds the benchmarks, never running them).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# Every C++ file as the project's .clang-format wants it, before anything is built.
bash scripts/check-format.sh
for variant in sanitize optimised; do
  echo "== $variant build"
  source scripts/test-build.sh "$variant"
  (cd "$build_dir" && ctest --output-on-failure -j "$jobs")
done
