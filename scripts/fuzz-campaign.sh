#!/usr/bin/env bash
# A fuzzing campaign of one target: RUNS inputs (libFuzzer's -runs) at the lowest priority, from
# the corpus kept in fuzz/corpus with the target's dictionary and input length as scripts/fuzz.sh
# gives them, new inputs into a scratch corpus; then the kept corpus and the scratch one merged
# (-merge=1) into a minimal corpus that replaces the kept one. Prints the executions, their speed,
# the coverage reached and kept, and the findings (crashes, leaks, timeouts, broken properties:
# their inputs stay in the work folder for a regression test). The exit status is the fuzzer's.
#
#   scripts/fuzz-campaign.sh TARGET RUNS [work folder (/tmp/sonvelia-campaign-TARGET)] [build folder (build-sanitize)]
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
target=${1:?target, e.g. fuzz_modelfile}
runs=${2:?number of inputs to run}
work=${3:-/tmp/sonvelia-campaign-$target}
build=${4:-build-sanitize}

# The target's line of scripts/fuzz.sh's table: corpus folder, longest input, dictionary.
read -r _ seeds maxlen dict < <(grep -E "^ *\"$target " scripts/fuzz.sh | tr -d '"')
if [[ -z ${seeds:-} ]]; then
  echo "fuzz-campaign: $target is not in scripts/fuzz.sh's table" >&2
  exit 2
fi
options=(-max_len="$maxlen")
[[ ${dict:--} != - ]] && options+=(-dict="fuzz/dict/$dict.dict")

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}

mkdir -p "$work/corpus" "$work/findings"
# nice ranks processes within one scheduler group only; a campaign started in a session of its own
# (setsid, nohup from a login) has a group of its own and would take a full share of the machine
# from the builds and tests beside it. The group's own niceness puts it behind them.
echo 19 >/proc/self/autogroup 2>/dev/null || true
kept=fuzz/corpus/$seeds
binary=$build/fuzz/$target
start=$(date +%s)
nice -n 19 "$binary" -runs="$runs" "${options[@]}" -timeout=60 -rss_limit_mb=3072 -print_final_stats=1 \
  -artifact_prefix="$work/findings/" "$work/corpus" "$kept" >"$work/fuzz.log" 2>&1
status=$?
elapsed=$(($(date +%s) - start))

# 1. The minimal corpus of the kept inputs and the new ones, in place of the kept folder.
rm -rf "$work/merged" && mkdir -p "$work/merged"
nice -n 19 "$binary" -merge=1 "${options[@]}" -timeout=60 -rss_limit_mb=3072 "$work/merged" "$kept" "$work/corpus" \
  >"$work/merge.log" 2>&1
if [[ $? -eq 0 && -n $(ls -A "$work/merged") ]]; then
  rm -rf "$kept" && mkdir -p "$kept" && cp "$work/merged"/* "$kept"/
else
  echo "fuzz-campaign: merge failed, $kept left as it was (see $work/merge.log)" >&2
  status=1
fi
# 2. What the kept corpus covers, read back alone.
"$binary" -runs=0 "${options[@]}" "$kept" >"$work/kept.log" 2>&1

executions=$(grep -Eo '^stat::number_of_executed_units: *[0-9]+' "$work/fuzz.log" | grep -Eo '[0-9]+$')
speed=$(grep -Eo '^stat::average_exec_per_sec: *[0-9]+' "$work/fuzz.log" | grep -Eo '[0-9]+$')
reached=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$work/fuzz.log" | tail -1)
covered=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$work/kept.log" | tail -1)
findings=$(ls "$work/findings" | wc -l)
echo "$target: ${executions:-?} executions in ${elapsed} s, ${speed:-?} a second; reached ${reached:-?};" \
  "kept corpus $(ls "$kept" | wc -l) inputs of $(cat "$kept"/* | wc -c) bytes, ${covered:-?};" \
  "findings: $findings (exit status $status)"
ls "$work/findings"
exit $status
