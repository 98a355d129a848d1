#!/usr/bin/env bash
# Builds and runs every test: once normally, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the tests of scans and recoveries on worker
# threads (label "thread") once more under ThreadSanitizer. Exits non-zero
# when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/build.sh build
(cd build && ctest --output-on-failure -j"$jobs")
# The desktop kit and the results window, rendered offscreen; fails when a picture is missing or blank.
if grep -q '^RUVEX_BUILD_GUI:BOOL=ON' build/CMakeCache.txt; then
  screenshots=$(scripts/screenshots.sh build)
  echo "Screenshots of the widget kit and the results window in $screenshots"
fi

scripts/build.sh build-sanitize -DRUVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd build-sanitize &&
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j"$jobs")
# Only the thread tests are built and run under ThreadSanitizer: the rest of
# the suite is single-threaded and already ran twice.
cmake -S . -B build-tsan -DRUVEX_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  $(command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
cmake --build build-tsan --target thread_tests ntfs_thread_tests engine_thread_tests $(grep -q '^RUVEX_BUILD_GUI:BOOL=ON' build/CMakeCache.txt && echo ui_step_tests) -j"$jobs"
(cd build-tsan &&
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -j"$jobs" -L thread)
# Every libFuzzer target over its seeds for a few thousand inputs (needs clang).
if command -v clang++ >/dev/null 2>&1; then
  fuzz/run-fuzzers.sh --smoke 4000
fi
echo "All tests passed, normally and under the sanitizers (ThreadSanitizer for the thread tests)."
