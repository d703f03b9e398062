#!/usr/bin/env bash
# Installs what is missing, builds everything with sanitizers, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# Every C++ file as the project's .clang-format wants it, before anything is built.
bash scripts/check-format.sh
source scripts/test-build.sh
cd build/test
ctest --output-on-failure -j "$jobs"
