// Concurrency stress test: reloads, resolutions and list queries on several
// threads, on one shared context and on contexts of their own, while another
// thread rewrites the configuration files on disk (in place and by atomic
// rename), alternating between configurations A and B, read through the
// reference host kit. Every answer must be well formed (AnswerJudge; a file
// caught half written is a failed read). Once the writer has stopped and every
// context has reloaded, every answer must equal the final configuration's
// exactly. Meanwhile the writer switches the library's trace sink between a
// handler and silence, and the kit reports the files it catches half written
// to a handler of its own. The run is a fixed number of operations, not a
// length of time.
//
// Usage: strell_stress_test [--shared-threads N] [--own-contexts N]
//          [--operations N] [--rewrites N] [--freshness strict|watch]
#include <sched.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "reliability/config_files.h"
#include "reliability/reliability_support.h"
#include "strell_host.h"

namespace {

using namespace reliability;

struct Options {
  long sharedThreads = 4;
  long ownContexts = 2;
  long operations = 2000;  // per thread
  long rewrites = 200;
  bool watch = false;
};

Snapshot g_expected[2];  // the answers under A and under B
std::atomic<long> g_parses{0}, g_resolutions{0}, g_lists{0};
std::atomic<long> g_partial{0};  // answers that matched neither A nor B whole
std::atomic<long> g_violations{0};
std::atomic<long> g_done{0};  // operations finished, for the writer's pacing
std::atomic<long> g_traceLines{0}, g_diagnostics{0};

void countLine(const char* line, void* user) {
  if (line[0] != '\0') static_cast<std::atomic<long>*>(user)->fetch_add(1);
}

void report(const char* what, int index, int code) {
  if (g_violations.fetch_add(1) < 10) {
    std::fprintf(stderr, "VIOLATION: %s %d (\"%s\") answered %d\n", what, index,
                 what[0] == 'u' ? kUrls[index] : "", code);
  }
}

void worker(StrellHandle handle, int seed, long operations) {
  const AnswerJudge judge(g_expected[0], g_expected[1]);
  unsigned long long state = static_cast<unsigned long long>(seed) * 7919 + 1;
  const auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<unsigned>(state >> 33);
  };
  for (long op = 0; op < operations; ++op, ++g_done) {
    const unsigned pick = next() % 100;
    if (pick < 10) {
      if (Strell_Parse(handle) != STRELL_OK) report("parse", 0, -1);
      ++g_parses;
    } else if (pick < 70) {
      // Every URL but the empty one (the last), which the judge cannot judge.
      const int index = static_cast<int>(next() % (kUrlCount - 1));
      TProfileInfo info;
      std::memset(&info, kPattern, sizeof info);
      const int code = Strell_GetProfileInfoByStreamUrl(handle, kUrls[index], &info);
      if (!judge.AllowedAnswer(index, code, info)) report("url", index, code);
      if (!judge.Whole(index, code, info)) ++g_partial;
      ++g_resolutions;
    } else {
      const int index = static_cast<int>(next() % kListCount);
      TProfileList list;
      std::memset(&list, kPattern, sizeof list);
      list.profileCount = 0;
      const int code = ListQueryOn(handle, kLists[index], &list);
      if (!judge.AllowedList(index, code, list)) report("list", index, code);
      ++g_lists;
    }
  }
}

// Truncates the file and writes it in three pieces with a yield between
// them, so readers catch it half written.
bool writeInPlace(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) return false;
  const size_t third = std::max<size_t>(text.size() / 3, 1);
  bool ok = true;
  for (size_t at = 0; at < text.size() && ok; at += third) {
    const size_t piece = std::min(third, text.size() - at);
    ok = std::fwrite(text.data() + at, 1, piece, file) == piece && std::fflush(file) == 0;
    sched_yield();
  }
  return std::fclose(file) == 0 && ok;
}

// Readers see the old file or the new one, never a mixture.
bool writeByRename(const std::string& path, const std::string& text) {
  return WriteWholeFile(path + ".new", text) &&
         std::rename((path + ".new").c_str(), path.c_str()) == 0;
}

std::string g_root;
std::string pathOf(int file) { return g_root + "/" + RelativePath(file); }

bool writeConfig(bool b, bool inPlace) {
  bool ok = true;
  for (int file = 0; file < kFileCount; ++file) {
    const std::string text = ConfigXml(file, b);
    ok = (inPlace ? writeInPlace(pathOf(file), text) : writeByRename(pathOf(file), text)) && ok;
  }
  return ok;
}

void loadAndAnswer(StrellHandle handle, Snapshot& snapshot) {
  strell_host::Settle();
  Strell_Parse(handle);
  TakeSnapshot(handle, snapshot);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  CLI::App app{"Concurrency stress test over the reference host kit"};
  app.add_option("--shared-threads", options.sharedThreads, "threads on one shared context");
  app.add_option("--own-contexts", options.ownContexts, "threads with a context of their own");
  app.add_option("--operations", options.operations, "operations per thread");
  app.add_option("--rewrites", options.rewrites, "rewrites of the configuration");
  std::string freshness = "strict";
  app.add_option("--freshness", freshness, "the host kit's freshness mode")
      ->check(CLI::IsMember({"strict", "watch"}));
  CLI11_PARSE(app, argc, argv);
  options.watch = freshness == "watch";
  char pattern[] = "/tmp/strell_stress_XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 2;
  g_root = pattern;
  // The trace lines are counted, never printed.
  Strell_SetTraceHandler(countLine, &g_traceLines);
  strell_host::SetDiagnosticHandler([](const strell_host::Diagnostic&) { ++g_diagnostics; });
  strell_host::SetRoot(g_root);
  strell_host::SetFreshness(options.watch ? strell_host::Freshness::kWatch
                                          : strell_host::Freshness::kStrict);
  if (mkdir((g_root + "/config_onvif").c_str(), 0755) != 0 ||
      !WriteWholeFile(g_root + "/config_capability.xml", CapabilityXml()) ||
      !writeConfig(true, false)) {
    std::fprintf(stderr, "cannot write the configuration under %s\n", g_root.c_str());
    return 2;
  }
  // The answers under B, then A, from a context of their own.
  StrellHandle probe = nullptr;
  Strell_Init(&probe);
  loadAndAnswer(probe, g_expected[1]);
  writeConfig(false, false);
  loadAndAnswer(probe, g_expected[0]);

  // One context shared by several threads and one per own-context thread,
  // each loaded with A.
  std::vector<StrellHandle> handles(1 + static_cast<size_t>(options.ownContexts), nullptr);
  for (StrellHandle& handle : handles) {
    Strell_Init(&handle);
    Strell_Parse(handle);
  }
  const long total = options.operations * (options.sharedThreads + options.ownContexts);
  std::atomic<bool> readersDone{false};
  long inPlace = 0;
  bool finalB = false;
  std::thread writer([&] {
    for (long rewrite = 0; rewrite < options.rewrites; ++rewrite) {
      // Rewrite r waits for r shares of the readers' work (a count, not a
      // clock).
      const long due = total * rewrite / (options.rewrites + 1);
      while (g_done.load() < due && !readersDone.load()) sched_yield();
      finalB = rewrite % 2 == 0;                       // A and B alternate, from A on disk
      const bool inPlaceNow = (rewrite / 2) % 2 == 0;  // both ways for both configurations
      if (!writeConfig(finalB, inPlaceNow)) report("write", static_cast<int>(rewrite), -1);
      inPlace += inPlaceNow;
      Strell_SetTraceHandler(rewrite % 2 == 0 ? nullptr : countLine, &g_traceLines);
    }
  });
  std::vector<std::thread> readers;
  for (long i = 0; i < options.sharedThreads + options.ownContexts; ++i) {
    const bool shared = i < options.sharedThreads;
    readers.emplace_back(worker, handles[shared ? 0 : 1 + i - options.sharedThreads],
                         static_cast<int>(shared ? i : 100 + i - options.sharedThreads),
                         options.operations);
  }
  for (std::thread& reader : readers) reader.join();
  readersDone = true;
  writer.join();

  // Quiet again: every context reloads once and must answer exactly as the
  // final configuration does.
  long finalMismatches = 0;
  for (StrellHandle& handle : handles) {
    Snapshot answers;
    loadAndAnswer(handle, answers);
    finalMismatches += !SameSnapshot(answers, g_expected[finalB ? 1 : 0]);
    Strell_Release(&handle);
  }
  Strell_Release(&probe);
  for (int file = 0; file < kFileCount; ++file) unlink(pathOf(file).c_str());
  unlink((g_root + "/config_capability.xml").c_str());
  rmdir((g_root + "/config_onvif").c_str());
  rmdir(g_root.c_str());

  std::fprintf(stderr,
               "strell_stress_test (%s): %ld threads on one context, %ld on contexts of their own,"
               " %ld operations (%ld reloads, %ld resolutions, %ld list queries),"
               " %ld rewrites (%ld in place, %ld by rename), %ld answers caught between"
               " configurations, %llu documents parsed, %ld trace lines to the handler, %ld"
               " diagnostics; %ld violations, %ld contexts wrong after the final reload\n",
               options.watch ? "watch" : "strict", options.sharedThreads, options.ownContexts,
               g_parses + g_resolutions + g_lists, g_parses.load(), g_resolutions.load(),
               g_lists.load(), options.rewrites, inPlace, options.rewrites - inPlace,
               g_partial.load(), strell_host::GetCounters().parses, g_traceLines.load(),
               g_diagnostics.load(), g_violations.load(), finalMismatches);
  return g_violations == 0 && finalMismatches == 0 ? 0 : 1;
}
