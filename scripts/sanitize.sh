#!/usr/bin/env bash
# Builds the test suite and the fuzz targets with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer (CMake preset "sanitize": clang, -O1) and runs the tests but the
# long "full" ones. Any report fails its test: UB stops the program (-fno-sanitize-recover), ASan
# aborts, LSan turns a leak into a failing exit status. Benchmarks are not built.
#
#   scripts/sanitize.sh [build folder (build-sanitize)] [extra ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-sanitize}
shift || true
export CCACHE_BASEDIR="$PWD"
cmake --preset sanitize -B "$build" >/dev/null
cmake --build "$build" -j2

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
# The package check builds a .deb of the release tree: a sanitized build has no business there.
# The accessibility-bus test times a real session of keys against a screen reader's view of the
# program: it runs on the release build, the widget tests behind it run here. So does the
# window-manager check, a real X session too: under strict_string_checks the X keyboard library
# trips ASan at start-up (a strndup over a counted, unterminated name), before any code of ours.
ctest --test-dir "$build" -LE full -E "^(package|accessibility_bus|window_manager)$" --output-on-failure -j2 --timeout 600 "$@"
# The real main window started, driven through 2,000 random operations and closed, under the
# leak checker: LeakSanitizer fails the program on any byte lost. (All 10,000 run without a
# sanitizer in the "full" tests.)
SONVELIA_SOAK_OPERATIONS=2000 "$build/tests/test_soak_full" --gtest_brief=1
