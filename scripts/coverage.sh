#!/usr/bin/env bash
# Line coverage of the model, the file formats and the sound import, from clang's source-based
# coverage: builds the tests and the fuzz targets instrumented (clang 14, no sanitizer, in its own
# build folder), runs the test suite but the long "full" tests, then every fuzz target once over
# its kept corpus (-runs=0: no fuzzing, only the corpus), merges the profiles and prints the line
# coverage of model/, files/ and analysis/. The lines of files/ left unrun are written to
# BUILD/coverage/files-uncovered.txt, the whole annotated sources to BUILD/coverage/show.txt.
#
#   scripts/coverage.sh [build folder (build-coverage)] [extra ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-coverage}
shift || true
export CCACHE_BASEDIR="$PWD"
profdata=llvm-profdata-14
llvmcov=llvm-cov-14

# The fuzz targets' feedback instrumentation lives in the core library, which the tests link
# too: every program links libFuzzer's runtime without its main for it (-fsanitize=fuzzer-no-link).
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Coverage \
  -DCMAKE_CXX_FLAGS_COVERAGE="-O1 -g0 -fprofile-instr-generate -fcoverage-mapping" \
  -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate -fsanitize=fuzzer-no-link" \
  -DSONVELIA_TESTS=ON -DSONVELIA_FUZZ=ON -DSONVELIA_BENCH=OFF -DSONVELIA_SANITIZE=OFF >/dev/null
cmake --build "$build" -j2

out="$build/coverage"
rm -rf "$out"
mkdir -p "$out/profiles"
export LLVM_PROFILE_FILE="$PWD/$out/profiles/%p.profraw"
export QT_QPA_PLATFORM=offscreen

# The playback tests start their own servers; the rest of the run gets a private PulseAudio
# server with a null sink, as in scripts/test.sh.
source scripts/private-sound-server.bash

# The package check builds a .deb of a release tree; the X-session tests belong to the release
# build (see scripts/sanitize.sh). A failing test is reported but still counts its coverage.
ctest --test-dir "$build" -LE full -E "^(package|accessibility_bus|window_manager)$" -j2 --timeout 600 \
  --output-on-failure "$@" || echo "coverage: some tests failed (see above); their coverage counts" >&2

# Each fuzz target over its corpus folder: what the kept inputs reach.
declare -A corpus=([fuzz_modelfile]=model [fuzz_seriesfile]=series [fuzz_decimal]=decimal
  [fuzz_import]=import [fuzz_window]=window)
for target in "${!corpus[@]}"; do
  [ -x "$build/fuzz/$target" ] && [ -d "fuzz/corpus/${corpus[$target]}" ] || continue
  "$build/fuzz/$target" -runs=0 "fuzz/corpus/${corpus[$target]}" >"$out/$target.log" 2>&1 ||
    echo "coverage: $target failed on its corpus (see $out/$target.log)" >&2
done

"$profdata" merge -sparse "$out"/profiles/*.profraw -o "$out/all.profdata"
objects=()
for binary in "$build"/tests/test_* "$build"/fuzz/fuzz_*; do
  [ -x "$binary" ] && [ -f "$binary" ] && objects+=(-object "$binary")
done
objects=("${objects[@]:1}") # the first object is given without -object

# One report of every source; the figures of a folder add up its files' lines (names are given
# from the repository's root).
"$llvmcov" report "${objects[@]}" -instr-profile="$out/all.profdata" 2> >(grep -v "functions have mismatched data" >&2) >"$out/report.txt"
echo "Line coverage (tests without the \"full\" label, fuzz corpora with -runs=0):"
for dir in model files analysis; do
  awk -v dir="$dir/" 'index($1, dir) == 1 {lines += $8; missed += $9}
    END {printf "  %-9s %d of %d lines (%.2f%%)\n", dir, lines - missed, lines, 100 * (lines - missed) / lines}' \
    "$out/report.txt"
done
"$llvmcov" show "${objects[@]}" -instr-profile="$out/all.profdata" 2> >(grep -v "functions have mismatched data" >&2) >"$out/show.txt"
# Lines of files/ with a count of zero, as file:line: source.
awk -F'|' '/^\/.*:$/ {file = $0; sub(/:$/, "", file); keep = file ~ /\/files\/[^\/]+$/; next}
  keep && NF >= 3 && $2 ~ /^ *0$/ {line = $1; gsub(/ /, "", line); print file ":" line ":" substr($0, length($1 $2) + 3)}' \
  "$out/show.txt" >"$out/files-uncovered.txt"
echo "per file: $out/report.txt; unrun lines of files/: $out/files-uncovered.txt"
