// Benchmark pieces shared by the library-only and the host-kit programs.
#ifndef STRELL_BENCH_BENCH_SUPPORT_H_
#define STRELL_BENCH_BENCH_SUPPORT_H_

#include <benchmark/benchmark.h>

#include <string>

#include "bench/alloc_counter.h"
#include "bench/operations.h"
#include "strell.h"

namespace strell_bench {

// Heap allocations per iteration since `before`, as a counter of the run.
inline void reportAllocations(benchmark::State& state, unsigned long long before) {
  const unsigned long long made = AllocationCount() - before;
  state.counters["allocs_per_op"] =
      benchmark::Counter(static_cast<double>(made) / static_cast<double>(state.iterations()));
}

// A benchmark of a wrong answer measures nothing: skip it with the code seen.
inline bool checkResolves(benchmark::State& state, StrellHandle handle, const UrlCase& c) {
  TProfileInfo info{};
  const int code = Strell_GetProfileInfoByStreamUrl(handle, c.url, &info);
  if (code != c.expected) {
    state.SkipWithError(("unexpected code " + std::to_string(code) + " for " + c.url).c_str());
    return false;
  }
  return true;
}

// Throughput of resolutions on several threads, once the configuration is in
// place. With `shared` every thread uses one context (and so takes turns at
// its mutex); otherwise each thread has a context of its own.
inline void resolveOnThreads(benchmark::State& state, const UrlCase& c, bool shared) {
  static Context* sharedContext = [] {
    auto* context = new Context;  // lives to the end of the process
    Strell_Parse(context->handle());
    return context;
  }();
  Context own;
  StrellHandle handle = shared ? sharedContext->handle() : own.handle();
  if (!shared) Strell_Parse(handle);
  if (!checkResolves(state, handle, c)) return;
  TProfileInfo info{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(Strell_GetProfileInfoByStreamUrl(handle, c.url, &info));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace strell_bench

#endif  // STRELL_BENCH_BENCH_SUPPORT_H_
