#!/usr/bin/env bash
# Installs what is missing, builds an optimised Lorvane and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=OFF
cmake --build build/release --target lorvane
exec build/release/app/lorvane "$@"
