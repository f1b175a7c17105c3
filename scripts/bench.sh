#!/usr/bin/env bash
# Times the benchmarks (Google Benchmark) and prints the figures the
# performance goals are stated in: medians of repeated runs, and ratios taken
# within the same run, so that a noisy machine moves both sides alike.
#
# Usage: scripts/bench.sh [build-dir] [repetitions] [min-time-per-repetition]
#
# Repetitions of all benchmarks are interleaved at random. The library's
# standard output (its trace lines, part of the work) goes to
# <out>/*-stdout.txt; results go to <out>/library.json and <out>/host.json, with
# <out> = $STRELL_BENCH_OUT or <build-dir>/bench-results. Extra Google Benchmark
# flags may be given in $STRELL_BENCH_ARGS (e.g. --benchmark_filter=Host/Parse).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
repetitions="${2:-15}"
min_time="${3:-0.05}"
out="${STRELL_BENCH_OUT:-$build/bench-results}"

scripts/install-deps.sh base bench
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -G Ninja -DSTRELL_BUILD_BENCH=ON -DSTRELL_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target strell_bench >/dev/null
programs=(library:strell_bench)
if cmake --build "$build" --target strell_host_bench >/dev/null 2>&1; then
  programs+=(host:strell_host_bench)
fi
mkdir -p "$out"
# On a shared machine other processes preempt the benchmark and inflate real
# time. STRELL_BENCH_RT=1 runs it under a real-time scheduling class
# (chrt -f 10, needs CAP_SYS_NICE), so that wall time is the benchmark's own;
# the kernel still keeps 5% of each second for everything else.
realtime=""
[[ "${STRELL_BENCH_RT:-0}" == 1 ]] && realtime="chrt -f 10"

for entry in "${programs[@]}"; do
  name="${entry%%:*}"
  program="${entry#*:}"
  echo "== $program ($repetitions repetitions, library stdout in $out/$name-stdout.txt)"
  STRELL_BENCH_STDOUT="$out/$name-stdout.txt" $realtime "$build/bench/$program" \
    --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true --benchmark_min_time="$min_time" \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json ${STRELL_BENCH_ARGS:-}
done

# The goals, from the medians in the JSON files (one field per line).
echo
echo "== goals (medians; real time unless noted, CPU time in brackets)"
cat "$out"/*.json | awk '
  function ns(v, unit) {
    return unit == "us" ? v * 1e3 : unit == "ms" ? v * 1e6 : unit == "s" ? v * 1e9 : v
  }
  function value(line) { sub(/^[^:]*: */, "", line); sub(/,$/, "", line); gsub(/"/, "", line); return line }
  /"name":/ { name = value($0); r = c = it = ""; unit = "ns" }
  /"real_time":/ { r = value($0) }
  /"cpu_time":/ { c = value($0) }
  /"time_unit":/ { unit = value($0) }
  /"items_per_second":/ { it = value($0) }
  /^    }/ {
    if (name ~ /_median$/) {
      n = name; sub(/_median$/, "", n)
      real[n] = ns(r, unit); cpu[n] = ns(c, unit); if (it != "") items[n] = it
    }
  }
  function show(label, name) {
    if (name in real) printf "%-58s %10.0f ns  [%10.0f ns]\n", label, real[name], cpu[name]
  }
  function ratio(label, a, b, goal, sense) {
    if (!(a in real) || !(b in real)) return
    r = real[a] / real[b]; c = cpu[a] / cpu[b]
    printf "%-58s %10.2f     [%10.2f   ]  goal %s %s\n", label, r, c, sense, goal
  }
  function scaling(label, two, one, goal) {
    if (!(two in items) || !(one in items) || items[one] == 0) return
    printf "%-58s %10.2f                  %s\n", label, items[two] / items[one], goal
  }
  END {
    show("stream-server hit, library only", "Library/Resolve/streamserver_hit")
    show("Media1 hit, library only", "Library/Resolve/media1_hit")
    show("Media2 hit, library only", "Library/Resolve/media2_hit")
    show("Media2 hit, kit watch (goal <= 1500 ns)", "Host/Resolve/media2_hit/watch")
    show("Media2 hit, kit strict", "Host/Resolve/media2_hit/strict")
    show("Media2 hit, naive host", "Host/Resolve/media2_hit/naive")
    show("Media2 floor: 9 x (stat + cached read)", "Host/Floor/media2_hit/stat_and_cached_reads")
    show("Media2 floor: 9 cached reads", "Host/Floor/media2_hit/cached_reads")
    ratio("Media2 strict / watch", "Host/Resolve/media2_hit/strict", "Host/Resolve/media2_hit/watch", 8, ">=")
    ratio("Media2 naive / watch", "Host/Resolve/media2_hit/naive", "Host/Resolve/media2_hit/watch", 200, ">=")
    ratio("Media2 strict / its floor", "Host/Resolve/media2_hit/strict", "Host/Floor/media2_hit/stat_and_cached_reads", 1.25, "<=")
    show("Parse, kit watch, unchanged (goal <= 40000 ns)", "Host/Parse/unchanged/watch")
    show("Parse, kit watch, all changed (goal <= 250000 ns)", "Host/Parse/all_changed/watch")
    show("Parse, kit strict, unchanged", "Host/Parse/unchanged/strict")
    show("Parse floor: per value stat + cached read", "Host/Floor/parse/stat_and_cached_reads")
    ratio("Parse strict / its floor", "Host/Parse/unchanged/strict", "Host/Floor/parse/stat_and_cached_reads", 1.25, "<=")
    for (i = 0; i < 2; ++i) {
      prefix = i == 0 ? "Library" : "Host"
      for (j = 0; j < 2; ++j) {
        kind = j == 0 ? "streamserver_hit" : "media2_hit"
        base = prefix "/Threads/own_context/" kind "/real_time/threads:"
        scaling(prefix " " kind ": 2 threads, 2 contexts / 1 thread", base "2", base "1",
                "goal >= 1.6")
        scaling(prefix " " kind ": 2 threads, 1 context / 1 thread",
                prefix "/Threads/one_context/" kind "/real_time/threads:2", base "1", "")
      }
    }
  }'

# The size goal: the library as shipped, without its symbol table and debug
# information.
strip -o "$out/libstrell.so.1.stripped" "$build/src/libstrell.so.1"
printf "%-58s %10d bytes (goal <= 80 KiB = 81920)\n" "stripped libstrell.so.1 ($(uname -m))" \
  "$(stat -c %s "$out/libstrell.so.1.stripped")"
