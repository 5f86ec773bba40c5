#!/usr/bin/env bash
# Runs the libFuzzer targets (built by scripts/sanitize.sh, or by `cmake --preset sanitize`), two at a
# time, for a bounded time each, starting from the corpora kept in fuzz/corpus (seeds and the
# campaigns' merged findings, see scripts/fuzz-campaign.sh), with the dictionaries of fuzz/dict.
# New inputs go to a scratch folder, not into the repository. Any crash, leak, timeout or broken
# property fails the run; the input is left in the artifacts folder for a regression test.
#
#   scripts/fuzz.sh [seconds per target (30)] [build folder (build-sanitize)] [artifacts folder]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${2:-build-sanitize}
artifacts=${3:-$(mktemp -d /tmp/sonvelia-fuzz-artifacts.XXXXXX)}
mkdir -p "$artifacts"
scratch=$(mktemp -d /tmp/sonvelia-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}

# target, corpus folder, longest input in bytes, dictionary in fuzz/dict ("-": none). Lengths: a
# whole model file of 255 harmonics; a series of a few dozen models (longer ones only repeat
# records); 2 tenths of samples; a model file of 8 harmonics for the rendering, which keeps 4; the
# analysis's rank byte and 2 tenths of samples.
targets=(
  "fuzz_modelfile model 16343 model"
  "fuzz_seriesfile series 4096 series"
  "fuzz_decimal decimal 64 decimal"
  "fuzz_import import 17640 samples"
  "fuzz_render render 535 model"
  "fuzz_analysis analysis 17641 samples"
  # The window: up to 16 operations of at most 6 bytes each; started first (below).
  "fuzz_window window 128 -"
)
# At most two at once: the machine may have no more cores to give. The window goes first: replaying
# its kept corpus alone takes longer than its 30 s, and the other targets fill the second core.
status=0
declare -A running=()  # pid -> target
finish() {
  local pid=$1 code=$2 target=${running[$1]}
  unset "running[$pid]"
  if [[ $code -eq 0 ]]; then
    summary=$(grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$scratch/$target.log" |
      tr '\n' ' ')
    cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$scratch/$target.log" | tail -1)
    echo "fuzz: $target ok: $cov; $summary"
  else
    status=1
    echo "fuzz: $target FAILED, input kept in $artifacts" >&2
    tail -n 60 "$scratch/$target.log" >&2
  fi
}
wait_one() {
  local pid code=0
  wait -n -p pid "${!running[@]}" || code=$?
  finish "$pid" "$code"
}
ordered=("${targets[-1]}" "${targets[@]:0:${#targets[@]}-1}")
for entry in "${ordered[@]}"; do
  read -r target seeds maxlen dict <<<"$entry"
  options=()
  [[ ${dict:--} != - ]] && options+=(-dict="fuzz/dict/$dict.dict")
  mkdir -p "$scratch/$target"
  (( ${#running[@]} >= 2 )) && wait_one
  "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$maxlen" "${options[@]}" -timeout=60 -rss_limit_mb=3072 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
    "$scratch/$target" "fuzz/corpus/$seeds" >"$scratch/$target.log" 2>&1 &
  running[$!]=$target
done
while (( ${#running[@]} > 0 )); do
  wait_one
done
exit $status
