#!/usr/bin/env bash
# Installs what is missing, builds every library and test with AddressSanitizer and
# UndefinedBehaviorSanitizer, builds the benchmarks, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# Every C++ file as the project's .clang-format wants it, before anything is built.
bash scripts/check-format.sh
jobs=$(nproc)
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLORVANE_SANITIZE=ON \
      -DLORVANE_WERROR=ON -DLORVANE_TESTS=ON -DLORVANE_BENCH=ON \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
cmake --build build/test -j "$jobs"
mkdir -p build/test/locales
# A comma-decimal locale of our own, so the tests that write numbers also run under one.
if localedef -i de_DE -f UTF-8 build/test/locales/de_DE.UTF-8 >/dev/null 2>&1 ||
   [ -d build/test/locales/de_DE.UTF-8 ]; then
  export LOCPATH="$PWD/build/test/locales"
fi
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}"
cd build/test
ctest --output-on-failure -j "$jobs"
