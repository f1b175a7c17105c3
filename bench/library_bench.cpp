// The library's own cost: every request kind through the exported functions,
// with the lean in-memory host of lean_host.cpp answering the reads.
#include <benchmark/benchmark.h>

#include <string>

#include "alloc_counter.h"
#include "lean_host.h"
#include "operations.h"

namespace {

using strell_bench::Context;
using strell_bench::UrlCase;

// The configuration is loaded once, before the first benchmark; the host's
// table is only read afterwards, so threads may share it.
void ensureConfiguration() {
  static const bool loaded = [] {
    benchmark::AddCustomContext("strell_configuration", lean_host::LoadBenchConfiguration());
    benchmark::AddCustomContext("strell_host", "lean in-memory host (bench/lean_host.cpp)");
    return true;
  }();
  (void)loaded;
}

// Heap allocations per iteration of the loop that just ended.
void reportAllocations(benchmark::State& state, unsigned long long before) {
  const unsigned long long made = strell_bench::AllocationCount() - before;
  state.counters["allocs_per_op"] =
      benchmark::Counter(static_cast<double>(made) / static_cast<double>(state.iterations()));
}

bool checkResolves(benchmark::State& state, StrellHandle handle, const UrlCase& c) {
  TProfileInfo info{};
  const int code = Strell_GetProfileInfoByStreamUrl(handle, c.url, &info);
  if (code != c.expected) {
    state.SkipWithError(("unexpected code " + std::to_string(code) + " for " + c.url).c_str());
    return false;
  }
  return true;
}

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
