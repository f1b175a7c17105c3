#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehavior-
# Sanitizer) and runs each one for a while, starting from its seed corpus.
# Usage: scripts/fuzz.sh [seconds-per-target] [target...]
#   targets: url config xml (default: every target the build has)
#   STRELL_FUZZ_JOBS=n runs n targets at once (default 1).
# Inputs a run discovers go to build/fuzz-corpus/<target>/, never into the
# repository, so a longer run later starts from them. A finding stops its
# target, leaves the input in build/fuzz-artifacts/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base reliability
seconds="${1:-60}"
shift || true
build=build/asan-clang
cmake --preset asan-clang >/dev/null

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  targets=(url config)
  grep -q '^strell_fuzz_xml:' <(cmake --build "$build" --target help) && targets+=(xml)
fi
cmake --build "$build" --target "${targets[@]/#/strell_fuzz_}"

# Bounds on input size, per target: a configuration input is many lines and
# each line is resolved three times, so shorter inputs fuzz faster.
declare -A options=([url]="-max_len=4096" [config]="-max_len=1024" [xml]="-max_len=16384")
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
mkdir -p build/fuzz-artifacts build/fuzz-logs

run_target() {
  local target=$1
  local corpus="build/fuzz-corpus/$target"
  local log="build/fuzz-logs/$target.log"
  mkdir -p "$corpus"
  local status=0
  "$build/fuzz/strell_fuzz_$target" ${options[$target]:-} -max_total_time="$seconds" \
    -print_final_stats=1 -artifact_prefix="build/fuzz-artifacts/$target-" \
    "$corpus" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  local runs
  runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
  echo "fuzz $target: ${runs:-?} executions in $seconds s, $(ls "$corpus" | wc -l) inputs in" \
    "$corpus, exit $status"
  if [[ $status -ne 0 ]]; then
    tail -n 40 "$log"
    return 1
  fi
}

jobs_max="${STRELL_FUZZ_JOBS:-1}"
failed=0
pids=()
for target in "${targets[@]}"; do
  while [[ $(jobs -rp | wc -l) -ge $jobs_max ]]; do wait -n || failed=1; done
  run_target "$target" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit $failed
