// Requests and reloads with the reference host kit (host/) on a copy of
// examples/conf.d, in both freshness modes, beside the floors they are held
// to and a naive host, all in one run so that their ratios hold on a noisy
// machine.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/alloc_counter.h"
#include "bench/bench_support.h"
#include "bench/operations.h"
#include "bench/reference_host.h"
#include "strell_host.h"

namespace {

using reference_host::Read;
using reference_host::Reader;
using strell_bench::checkResolves;
using strell_bench::Context;
using strell_bench::reportAllocations;
using strell_bench::UrlCase;
using strell_host::Freshness;

enum class Mode { kWatch, kStrict, kNaive };

const char* nameOf(Mode mode) {
  switch (mode) {
    case Mode::kWatch:
      return "watch";
    case Mode::kStrict:
      return "strict";
    case Mode::kNaive:
      return "naive";
  }
  return "";
}

void ensureRoot() {
  static const bool prepared = [] {
    benchmark::AddCustomContext("strell_configuration", reference_host::PrepareRoot());
    benchmark::AddCustomContext("strell_host", "reference host kit (host/), shared library");
    return true;
  }();
  (void)prepared;
}

// Puts the host in `mode` with an empty cache. The naive host needs no mode
// of the kit; watch is set so the kit's cache, unused, stays out of the way.
void useMode(Mode mode) {
  ensureRoot();
  strell_host::SetFreshness(mode == Mode::kStrict ? Freshness::kStrict : Freshness::kWatch);
  reference_host::UseReader(mode == Mode::kNaive ? Reader::kNaive : Reader::kReferenceHost);
}

void BM_Resolve(benchmark::State& state, const UrlCase& c, Mode mode) {
  useMode(mode);
  Context context;
  Strell_Parse(context.handle());
  if (!checkResolves(state, context.handle(), c)) return;  // also fills the cache
  TProfileInfo info{};
  strell_host::ResetCounters();
  const unsigned long long before = strell_bench::AllocationCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(Strell_GetProfileInfoByStreamUrl(context.handle(), c.url, &info));
    benchmark::ClobberMemory();
  }
  reportAllocations(state, before);
  state.counters["reads_per_op"] = benchmark::Counter(
      static_cast<double>(strell_host::GetCounters().xmlReads) / state.iterations());
}

// The reads one operation makes, recorded through the kit in watch mode.
template <typename Operation>
std::vector<Read> readsOf(Operation operation) {
  useMode(Mode::kWatch);
  Context context;
  Strell_Parse(context.handle());
  operation(context.handle());  // fills the cache
  reference_host::StartRecording();
  operation(context.handle());
  return reference_host::StopRecording();
}

// The floor of an operation in strict mode: for every read the library makes,
// one stat() of the file and one read from the kit's cache (watch mode, which
// checks nothing). With `withStat` false, the cached reads alone: the host's
// share of the same operation in watch mode.
void runFloor(benchmark::State& state, const std::vector<Read>& reads, bool withStat) {
  char value[256];
  struct stat info;
  for (auto _ : state) {
    for (const Read& read : reads) {
      if (withStat) benchmark::DoNotOptimize(stat(read.hostPath.c_str(), &info));
      benchmark::DoNotOptimize(
          XMLSParser_ReadContentEx(read.file.c_str(), read.key.c_str(), value));
    }
    benchmark::ClobberMemory();
  }
  state.counters["reads_per_op"] = static_cast<double>(reads.size());
}

void BM_ResolveFloor(benchmark::State& state, const UrlCase& c, bool withStat) {
  TProfileInfo info{};
  const std::vector<Read> reads =
      readsOf([&](StrellHandle h) { Strell_GetProfileInfoByStreamUrl(h, c.url, &info); });
  runFloor(state, reads, withStat);
}

void BM_ParseFloor(benchmark::State& state, bool withStat) {
  const std::vector<Read> reads = readsOf([](StrellHandle h) { Strell_Parse(h); });
  runFloor(state, reads, withStat);
}

void BM_Parse(benchmark::State& state, Mode mode, bool changed) {
  useMode(mode);
  Context context;
  Strell_Parse(context.handle());
  strell_host::ResetCounters();
  const unsigned long long before = strell_bench::AllocationCount();
  for (auto _ : state) {
    if (changed) {
      // The change and the watcher catching up with it are not timed: a
      // configuration tool does the first, the kit's own thread the second.
      state.PauseTiming();
      reference_host::ChangeEveryFile();
      strell_host::Settle();
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(Strell_Parse(context.handle()));
  }
  reportAllocations(state, before);
  const strell_host::Counters counters = strell_host::GetCounters();
  state.counters["reads_per_op"] = static_cast<double>(counters.xmlReads) / state.iterations();
  state.counters["parses_per_op"] = static_cast<double>(counters.parses) / state.iterations();
}

// Resolutions on several threads; see library_bench.cpp.
void BM_ResolveThreads(benchmark::State& state, const UrlCase& c, bool shared) {
  if (state.thread_index() == 0) useMode(Mode::kWatch);
  strell_bench::resolveOnThreads(state, c, shared);
}

void registerAll() {
  for (const UrlCase& c : strell_bench::kUrlCases) {
    for (Mode mode : {Mode::kWatch, Mode::kStrict}) {
      benchmark::RegisterBenchmark(
          (std::string("Host/Resolve/") + c.name + "/" + nameOf(mode)).c_str(), BM_Resolve, c,
          mode);
    }
  }
  const UrlCase& media2 = *strell_bench::FindUrlCase("media2_hit");
  benchmark::RegisterBenchmark("Host/Resolve/media2_hit/naive", BM_Resolve, media2, Mode::kNaive);
  benchmark::RegisterBenchmark("Host/Floor/media2_hit/stat_and_cached_reads", BM_ResolveFloor,
                               media2, true);
  benchmark::RegisterBenchmark("Host/Floor/media2_hit/cached_reads", BM_ResolveFloor, media2,
                               false);

  for (Mode mode : {Mode::kWatch, Mode::kStrict}) {
    benchmark::RegisterBenchmark((std::string("Host/Parse/unchanged/") + nameOf(mode)).c_str(),
                                 BM_Parse, mode, false);
    benchmark::RegisterBenchmark((std::string("Host/Parse/all_changed/") + nameOf(mode)).c_str(),
                                 BM_Parse, mode, true);
  }
  benchmark::RegisterBenchmark("Host/Parse/unchanged/naive", BM_Parse, Mode::kNaive, false);
  benchmark::RegisterBenchmark("Host/Floor/parse/stat_and_cached_reads", BM_ParseFloor, true);
  benchmark::RegisterBenchmark("Host/Floor/parse/cached_reads", BM_ParseFloor, false);

  for (const char* name : {"streamserver_hit", "media2_hit"}) {
    const UrlCase& c = *strell_bench::FindUrlCase(name);
    benchmark::RegisterBenchmark((std::string("Host/Threads/own_context/") + name).c_str(),
                                 BM_ResolveThreads, c, false)
        ->Threads(1)
        ->Threads(2)
        ->UseRealTime();
    benchmark::RegisterBenchmark((std::string("Host/Threads/one_context/") + name).c_str(),
                                 BM_ResolveThreads, c, true)
        ->Threads(2)
        ->UseRealTime();
  }
}

const bool registered = (registerAll(), true);

}  // namespace
