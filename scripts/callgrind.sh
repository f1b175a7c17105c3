#!/usr/bin/env bash
# Instructions and heap allocations per operation, counted with callgrind
# (repeatable, unlike time on a shared machine).
#
# Usage: scripts/callgrind.sh [build-dir] [count] [operation...]
#
# Each operation runs COUNT and 2 x COUNT times under callgrind; the difference
# divided by COUNT is the cost of one operation, set-up and start-up cancel out.
# Columns:
#   total    every instruction of one operation
#   print    the trace lines: inside the library's traceLine (the sink's
#            dispatch, and printf into standard output, which is a file)
#   host     inside the host's two reader functions (for the reference host
#            kit, the program's one-call forwarding to it counts as host)
#   library  total - print - host: the library's own work, from the exported
#            function to its return, mutex included
#   allocs   heap allocations per operation (malloc, calloc, realloc and
#            operator new, counted by the bench program's own malloc)
# Programs: strell_opcount (the in-memory host, quiet), once more with the trace
# lines dropped (Strell_SetTraceHandler with a null handler: "silent") and,
# when the reference host kit is built, strell_opcount_host in watch and
# strict mode.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
count="${2:-1000}"
shift $(( $# > 2 ? 2 : $# ))
operations=("$@")
if [[ ${#operations[@]} -eq 0 ]]; then
  operations=(resolve/media1_hit resolve/media1_miss resolve/streamserver_hit
              resolve/streamserver_miss resolve/media2_hit resolve/media2_miss
              list_video list_audio parse)
fi

scripts/install-deps.sh base bench
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -G Ninja -DSTRELL_BUILD_BENCH=ON -DSTRELL_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target strell_opcount >/dev/null
programs=("strell_opcount:" "strell_opcount:silent")
if cmake --build "$build" --target strell_opcount_host >/dev/null 2>&1; then
  programs+=("strell_opcount_host:watch" "strell_opcount_host:strict")
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Instructions of one run; extra arguments go to callgrind.
instructions() {
  local program="$1" operation="$2" n="$3" mode="$4"
  shift 4
  STRELL_HOST_FRESHNESS="$mode" STRELL_BENCH_TRACE="$mode" valgrind --tool=callgrind --callgrind-out-file="$work/out" "$@" \
    "$build/bench/$program" "$operation" "$n" >"$work/stdout" 2>"$work/stderr" ||
    { cat "$work/stderr" >&2; exit 1; }
  awk '/^summary:/ { print $2 }' "$work/out"
}

# Per-operation instructions: (cost of 2n - cost of n) / n.
per_op() {
  local a b
  a=$(instructions "$1" "$2" "$count" "$3" "${@:4}")
  b=$(instructions "$1" "$2" $((2 * count)) "$3" "${@:4}")
  echo $(( (b - a + count / 2) / count ))
}

allocations() {
  STRELL_HOST_FRESHNESS="$3" STRELL_BENCH_TRACE="$3" "$build/bench/$1" "$2" "$count" 2>&1 >/dev/null |
    awk -v n="$count" '/^allocations/ { printf "%.2f", $2 / n }'
}

print_toggles=(--toggle-collect='traceLine*')
# strell_opcount defines the host functions itself; strell_opcount_host
# forwards them to the kit through functions of their own names.
memory_host_toggles=(--toggle-collect=XMLSParser_ReadContentEx
                   --toggle-collect=Configer_GetParamValueByXPath)
kit_host_toggles=(--toggle-collect=strell_bench_host_xml_read
                  --toggle-collect=strell_bench_host_param_read)

printf "%-22s %-26s %9s %9s %9s %9s %7s\n" program operation total print host library allocs
for entry in "${programs[@]}"; do
  program="${entry%%:*}"
  mode="${entry#*:}"
  label="$program${mode:+ ($mode)}"
  if [[ "$program" == strell_opcount ]]; then
    host_toggles=("${memory_host_toggles[@]}")
  else
    host_toggles=("${kit_host_toggles[@]}")
  fi
  for operation in "${operations[@]}"; do
    total=$(per_op "$program" "$operation" "$mode")
    print=$(per_op "$program" "$operation" "$mode" "${print_toggles[@]}")
    host=$(per_op "$program" "$operation" "$mode" "${host_toggles[@]}")
    printf "%-22s %-26s %9d %9d %9d %9d %7s\n" "$label" "$operation" "$total" "$print" "$host" \
      $((total - print - host)) "$(allocations "$program" "$operation" "$mode")"
  done
done
