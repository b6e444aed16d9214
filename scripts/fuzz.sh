#!/usr/bin/env bash
# Runs every fuzz program of a fuzz build for SECONDS each, one after the other, on a copy
# of its seed corpus (fuzz/corpus/<name>) kept in the build folder, so that the corpus in
# git is never written. Prints the executions of each and fails when any program found a
# crash, a leak, a hang or undefined behaviour; the input that did it is kept beside the
# copy (BUILD_DIR/fuzz-runs/<name>/).
# Usage: scripts/fuzz.sh BUILD_DIR SECONDS [NAME ...]
set -uo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
shift $(( $# < 2 ? $# : 2 ))
source_dir=$(cd "$(dirname "$0")/.." && pwd)
corpus_dir="$source_dir/fuzz/corpus"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for dir in "$corpus_dir"/*/; do names+=("$(basename "$dir")"); done
fi

# Leak checking stays on; anything a library keeps until exit is named, one by one, in
# fuzz/lsan.supp.
export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if [ -f "$source_dir/fuzz/lsan.supp" ]; then
  export LSAN_OPTIONS="suppressions=$source_dir/fuzz/lsan.supp:print_suppressions=0"
fi

failed=0
report=()
passed=0
failures=0
for name in "${names[@]}"; do
  program="$build/fuzz/fuzz_$name"
  run="$build/fuzz-runs/$name"
  if [ ! -x "$program" ]; then
    report+=("$(printf '%-18s %14s  %s' "$name" "-" "no program $program")")
    failed=1
    failures=$((failures + 1))
    continue
  fi
  mkdir -p "$run/corpus"
  cp -r "$corpus_dir/$name/." "$run/corpus/"
  "$program" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" >"$run/log.txt" 2>&1
  status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log.txt" | tail -n 1)
  result=ok
  if [ $status -ne 0 ]; then
    failed=1
    if grep -q 'ERROR: libFuzzer: timeout' "$run/log.txt"; then result=hang
    elif grep -q 'ERROR: LeakSanitizer' "$run/log.txt"; then result=leak
    elif grep -q 'out-of-memory' "$run/log.txt"; then result=out-of-memory
    else result=crash
    fi
    result="$result (exit $status, see $run/log.txt)"
  fi
  report+=("$(printf '%-18s %14s  %s' "$name" "${executions:-?}" "$result")")
  if [ "$result" = ok ]; then passed=$((passed + 1)); else failures=$((failures + 1)); fi
done

printf '%-18s %14s  %s\n' target executions result
printf '%s\n' "${report[@]}"
echo "fuzz: $passed passed, $failures failed"
exit $failed
