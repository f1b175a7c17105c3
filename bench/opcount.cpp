// Runs one operation COUNT times, for counting instructions with callgrind
// (scripts/callgrind.sh runs it with COUNT and 2 x COUNT and divides the
// difference by COUNT, so start-up and set-up cancel out).
//
//   strell_opcount OPERATION COUNT
//   OPERATION: resolve/<case> (see operations.h), list_video, list_audio, parse
//
// The library's standard output is left alone (the script sends it to a
// file); with STRELL_BENCH_TRACE=silent the library drops its trace lines
// (a null trace handler). On standard error it reports the heap allocations made by the
// measured loop: "allocations <n>".
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/alloc_counter.h"
#include "bench/bench_host.h"
#include "bench/operations.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: strell_opcount OPERATION COUNT\n  OPERATION: list_video, "
               "list_audio, parse, or resolve/<case> with <case> one of:");
  for (const strell_bench::UrlCase& c : strell_bench::kUrlCases)
    std::fprintf(stderr, " %s", c.name);
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return usage();
  const std::string operation = argv[1];
  const long count = std::strtol(argv[2], nullptr, 10);
  if (count <= 0) return usage();

  const std::string source = strell_bench::PrepareHost();
  std::fprintf(stderr, "configuration: %s\n", source.c_str());
  const char* trace = std::getenv("STRELL_BENCH_TRACE");
  if (trace != nullptr && std::string(trace) == "silent") Strell_SetTraceHandler(nullptr, nullptr);
  strell_bench::Context context;
  StrellHandle handle = context.handle();
  Strell_Parse(handle);

  TProfileInfo info{};
  TProfileList list{};
  const strell_bench::UrlCase* urlCase = nullptr;
  int (*run)(StrellHandle, const strell_bench::UrlCase*, TProfileInfo&, TProfileList&) = nullptr;
  if (operation.rfind("resolve/", 0) == 0) {
    urlCase = strell_bench::FindUrlCase(operation.substr(8));
    if (urlCase == nullptr) return usage();
    run = [](StrellHandle h, const strell_bench::UrlCase* c, TProfileInfo& i, TProfileList&) {
      return Strell_GetProfileInfoByStreamUrl(h, c->url, &i);
    };
  } else if (operation == "list_video") {
    run = [](StrellHandle h, const strell_bench::UrlCase*, TProfileInfo&, TProfileList& l) {
      return strell_bench::ListVideo(h, l);
    };
  } else if (operation == "list_audio") {
    run = [](StrellHandle h, const strell_bench::UrlCase*, TProfileInfo&, TProfileList& l) {
      return strell_bench::ListAudio(h, l);
    };
  } else if (operation == "parse") {
    run = [](StrellHandle h, const strell_bench::UrlCase*, TProfileInfo&, TProfileList&) {
      return Strell_Parse(h);
    };
  } else {
    return usage();
  }

  // One call before the loop: binds the library's symbols, reads the
  // capability counts and gives standard output its buffer.
  const int code = run(handle, urlCase, info, list);
  if (urlCase != nullptr && code != urlCase->expected) {
    std::fprintf(stderr, "unexpected code %d for %s\n", code, urlCase->url);
    return 1;
  }
  const unsigned long long before = strell_bench::AllocationCount();
  for (long i = 0; i < count; ++i) run(handle, urlCase, info, list);
  const unsigned long long made = strell_bench::AllocationCount() - before;
  std::fflush(stdout);
  std::fprintf(stderr, "allocations %llu\n", made);
  return 0;
}
