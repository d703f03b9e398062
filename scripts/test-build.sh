#!/usr/bin/env bash
# Sourced from the repository root by test.sh and stress-tests.sh with one word naming the build:
#   sanitize   (default) every library and test with AddressSanitizer and UndefinedBehaviorSanitizer,
#              plus the tree's worker tests under ThreadSanitizer, into build/test; line tables
#              only for the stack traces, which keeps the build within a two-core machine's time;
#   optimised  every library, test and benchmark optimised, without sanitizers, into build/opt,
#              so that a test that holds only under the sanitizers' memory layout or timing fails;
#   clang      the sanitize build compiled by Clang instead of GCC, into build/clang.
# Exports what the test run needs (the comma-decimal locale, the sanitizers' options) and sets
# `jobs` and `build_dir`.
variant=${1:-sanitize}
jobs=$(nproc)
case "$variant" in
  sanitize|clang)
    build_dir=build/test
    compiler=()
    if [ "$variant" = clang ]; then
      build_dir=build/clang
      compiler=(-DCMAKE_CXX_COMPILER=clang++)
    fi
    cmake -S . -B "$build_dir" -G Ninja "${compiler[@]}" -DCMAKE_BUILD_TYPE=Debug -DLORVANE_SANITIZE=ON \
          -DLORVANE_WERROR=ON -DLORVANE_TESTS=ON -DLORVANE_BENCH=OFF -DLORVANE_TSAN_TREE=ON \
          -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
    ;;
  optimised)
    build_dir=build/opt
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLORVANE_SANITIZE=OFF \
          -DLORVANE_WERROR=ON -DLORVANE_TESTS=ON -DLORVANE_BENCH=ON -DLORVANE_TSAN_TREE=OFF \
          -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
    ;;
  *)
    echo "test-build.sh: unknown build '$variant' (sanitize, optimised or clang)" >&2
    return 2
    ;;
esac
cmake --build "$build_dir" -j "${JOBS:-$jobs}"
mkdir -p build/locales
# A comma-decimal locale of our own, so the tests that write numbers also run under one.
if localedef -i de_DE -f UTF-8 build/locales/de_DE.UTF-8 >/dev/null 2>&1 ||
   [ -d build/locales/de_DE.UTF-8 ]; then
  export LOCPATH="$PWD/build/locales"
fi
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"
