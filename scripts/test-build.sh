#!/usr/bin/env bash
# Sourced from the repository root by test.sh and stress-tests.sh: builds every library, test and
# benchmark with AddressSanitizer and UndefinedBehaviorSanitizer into build/test, and exports
# what the test run needs (the comma-decimal locale, the sanitizers' options). Sets `jobs`.
jobs=$(nproc)
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLORVANE_SANITIZE=ON \
      -DLORVANE_WERROR=ON -DLORVANE_TESTS=ON -DLORVANE_BENCH=ON \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
cmake --build build/test -j "${JOBS:-$jobs}"
mkdir -p build/test/locales
# A comma-decimal locale of our own, so the tests that write numbers also run under one.
if localedef -i de_DE -f UTF-8 build/test/locales/de_DE.UTF-8 >/dev/null 2>&1 ||
   [ -d build/test/locales/de_DE.UTF-8 ]; then
  export LOCPATH="$PWD/build/test/locales"
fi
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"
