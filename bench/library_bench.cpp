// The library's own cost: every request kind through the exported functions,
// with the in-memory host (testing/memory_host.h, quiet) answering the reads.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/alloc_counter.h"
#include "bench/bench_support.h"
#include "bench/example_host.h"
#include "bench/operations.h"

namespace {

using strell_bench::checkResolves;
using strell_bench::Context;
using strell_bench::reportAllocations;
using strell_bench::UrlCase;

// The configuration is loaded once, before the first benchmark; the host's
// table is only read afterwards, so threads may share it.
void ensureConfiguration() {
  static const bool loaded = [] {
    benchmark::AddCustomContext("strell_configuration", strell_bench::LoadExampleIntoMemoryHost());
    benchmark::AddCustomContext("strell_host", "in-memory host (testing/memory_host.cpp)");
    return true;
  }();
  (void)loaded;
}

// Heap allocations per iteration of the loop that just ended.

void BM_Resolve(benchmark::State& state, const UrlCase& c) {
  ensureConfiguration();
  Context context;
  Strell_Parse(context.handle());
  if (!checkResolves(state, context.handle(), c)) return;
  TProfileInfo info{};
  const unsigned long long before = strell_bench::AllocationCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(Strell_GetProfileInfoByStreamUrl(context.handle(), c.url, &info));
    benchmark::ClobberMemory();
  }
  reportAllocations(state, before);
}

template <int (*query)(StrellHandle, TProfileList&)>
void BM_List(benchmark::State& state) {
  ensureConfiguration();
  Context context;
  Strell_Parse(context.handle());
  TProfileList list{};
  query(context.handle(), list);
  state.counters["keys"] = list.profileCount;
  const unsigned long long before = strell_bench::AllocationCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(query(context.handle(), list));
    benchmark::ClobberMemory();
  }
  reportAllocations(state, before);
}

void BM_Parse(benchmark::State& state) {
  ensureConfiguration();
  Context context;
  Strell_Parse(context.handle());
  const unsigned long long before = strell_bench::AllocationCount();
  for (auto _ : state) benchmark::DoNotOptimize(Strell_Parse(context.handle()));
  reportAllocations(state, before);
}

// Throughput of resolutions on several threads. With `shared` every thread
// uses one context (and so takes turns at its mutex); otherwise each thread
// has a context of its own.
void BM_ResolveThreads(benchmark::State& state, const UrlCase& c, bool shared) {
  ensureConfiguration();
  strell_bench::resolveOnThreads(state, c, shared);
}

void registerAll() {
  for (const UrlCase& c : strell_bench::kUrlCases) {
    benchmark::RegisterBenchmark((std::string("Library/Resolve/") + c.name).c_str(), BM_Resolve, c);
  }
  benchmark::RegisterBenchmark("Library/ListVideo", BM_List<strell_bench::ListVideo>);
  benchmark::RegisterBenchmark("Library/ListAudio", BM_List<strell_bench::ListAudio>);
  benchmark::RegisterBenchmark("Library/Parse", BM_Parse);
  for (const char* name : {"streamserver_hit", "media2_hit"}) {
    const UrlCase& c = *strell_bench::FindUrlCase(name);
    benchmark::RegisterBenchmark((std::string("Library/Threads/own_context/") + name).c_str(),
                                 BM_ResolveThreads, c, false)
        ->Threads(1)
        ->Threads(2)
        ->UseRealTime();
    benchmark::RegisterBenchmark((std::string("Library/Threads/one_context/") + name).c_str(),
                                 BM_ResolveThreads, c, true)
        ->Threads(2)
        ->UseRealTime();
  }
}

const bool registered = (registerAll(), true);

}  // namespace
