// Concurrency stress test: reloads, resolutions and list queries on several
// threads, on one shared context and on contexts of their own, while another
// thread rewrites the configuration files on disk (in place and by atomic
// rename), alternating between two complete configurations A and B. The
// files are read through the reference host kit.
//
// Every answer must be well formed, each field holding its value under A,
// under B, or the start value a failed read leaves (a file caught half
// written is a failed read). Once the writer has stopped and every context
// has reloaded, every answer must equal the final configuration's exactly.
// The run is a fixed number of operations, not a length of time.
//
// Usage: strell_stress_test [--shared-threads N] [--own-contexts N]
//          [--operations N] [--rewrites N] [--freshness strict|watch]
#include <sched.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "reliability/answer_judge.h"
#include "reliability/config_xml.h"
#include "reliability/reliability_config.h"
#include "reliability/snapshot.h"
#include "strell.h"
#include "strell_host.h"

namespace {

using reliability::kFileCount;
using reliability::kListCount;
using reliability::kLists;
using reliability::kUrlCount;
using reliability::kUrls;
using reliability::Snapshot;

struct Options {
  int sharedThreads = 4;
  int ownContexts = 2;
  long operations = 2000;  // per thread
  long rewrites = 200;
  bool watch = false;
};

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--shared-threads") {
      options.sharedThreads = std::atoi(value);
    } else if (name == "--own-contexts") {
      options.ownContexts = std::atoi(value);
    } else if (name == "--operations") {
      options.operations = std::atol(value);
    } else if (name == "--rewrites") {
      options.rewrites = std::atol(value);
    } else if (name == "--freshness") {
      options.watch = std::strcmp(value, "watch") == 0;
    } else {
      return false;
    }
  }
  return argc % 2 == 1;
}

// The answers under A and under B, which every concurrent answer is judged by.
Snapshot g_expected[2];

// Counts kept by every thread.
struct Tally {
  std::atomic<long> parses{0};
  std::atomic<long> resolutions{0};
  std::atomic<long> lists{0};
  std::atomic<long> partial{0};  // answers that matched neither A nor B whole
  std::atomic<long> violations{0};
  std::atomic<long> done{0};  // operations finished, for the writer's pacing
};
Tally g_tally;
std::mutex g_reportMutex;

void report(const char* what, int index, int code) {
  std::lock_guard<std::mutex> lock(g_reportMutex);
  if (g_tally.violations.fetch_add(1) < 10) {
    std::fprintf(stderr, "VIOLATION: %s %d (\"%s\") answered %d\n", what, index,
                 what[0] == 'u' ? kUrls[index] : "", code);
  }
}

// A small deterministic generator per thread.
struct Random {
  unsigned long long state;
  unsigned next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<unsigned>(state >> 33);
  }
};

// The URLs the workers ask: every URL the judge can judge.
std::vector<int> g_urlIndexes;

void worker(StrellHandle handle, int seed, long operations) {
  const reliability::AnswerJudge judge(g_expected[0], g_expected[1]);
  Random random{static_cast<unsigned long long>(seed) * 7919 + 1};
  for (long op = 0; op < operations; ++op) {
    const unsigned pick = random.next() % 100;
    if (pick < 10) {
      if (Strell_Parse(handle) != STRELL_OK) report("parse", 0, -1);
      ++g_tally.parses;
    } else if (pick < 70) {
      const int index = g_urlIndexes[random.next() % g_urlIndexes.size()];
      TProfileInfo info;
      std::memset(&info, reliability::kPattern, sizeof info);
      const int code = Strell_GetProfileInfoByStreamUrl(handle, kUrls[index], &info);
      if (!judge.AllowedAnswer(index, code, info)) report("url", index, code);
      if (!judge.Whole(index, code, info)) ++g_tally.partial;
      ++g_tally.resolutions;
    } else {
      const int index = static_cast<int>(random.next() % kListCount);
      TProfileList list;
      std::memset(&list, reliability::kPattern, sizeof list);
      list.profileCount = 0;
      const reliability::ListQuery& query = kLists[index];
      const int code =
          query.video
              ? Strell_GetProfileListByVideoStream(handle, query.channel, query.stream, &list)
              : Strell_GetProfileListByAudioStream(handle, query.channel, query.stream, &list);
      if (!judge.AllowedList(index, code, list)) report("list", index, code);
      ++g_tally.lists;
    }
    ++g_tally.done;
  }
}

struct ConfigDir {
  std::string root;
  std::string path(int file) const { return root + "/" + reliability::RelativePath(file); }
};

// Writes one file of configuration `b` in place: truncated, then written in
// three pieces with a yield between them, so readers catch it half written.
bool writeInPlace(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) return false;
  const size_t third = text.size() / 3;
  bool ok = std::fwrite(text.data(), 1, third, file) == third;
  std::fflush(file);
  sched_yield();
  ok = ok && std::fwrite(text.data() + third, 1, third, file) == third;
  std::fflush(file);
  sched_yield();
  const size_t rest = text.size() - 2 * third;
  ok = ok && std::fwrite(text.data() + 2 * third, 1, rest, file) == rest;
  return std::fclose(file) == 0 && ok;
}

// Writes the new text beside the file and renames it over: readers see the
// old file or the new one, never a mixture.
bool writeByRename(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".new";
  return reliability::WriteWholeFile(temporary, text) &&
         std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool writeConfig(const ConfigDir& dir, bool b, bool inPlace) {
  bool ok = true;
  for (int file = 0; file < kFileCount; ++file) {
    const std::string text = reliability::ConfigXml(file, b);
    ok = (inPlace ? writeInPlace(dir.path(file), text) : writeByRename(dir.path(file), text)) && ok;
  }
  return ok;
}

bool makeDirs(const ConfigDir& dir) {
  return mkdir((dir.root + "/config_onvif").c_str(), 0755) == 0 &&
         reliability::WriteWholeFile(dir.root + "/config_capability.xml",
                                     reliability::CapabilityXml());
}

// Loads the files as they are on `handle` and takes every answer.
void loadAndAnswer(StrellHandle handle, Snapshot& snapshot) {
  strell_host::Settle();
  Strell_Parse(handle);
  reliability::TakeSnapshot(handle, snapshot);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--shared-threads N] [--own-contexts N] [--operations N]"
                 " [--rewrites N] [--freshness strict|watch]\n",
                 argv[0]);
    return 2;
  }
  char pattern[] = "/tmp/strell_stress_XXXXXX";
  const char* tmp = mkdtemp(pattern);
  if (tmp == nullptr) {
    std::perror("mkdtemp");
    return 2;
  }
  ConfigDir dir{tmp};
  for (int i = 0; i < kUrlCount; ++i) {
    if (reliability::AnswerJudge::Judged(i)) g_urlIndexes.push_back(i);
  }
  // The trace lines of thousands of requests are of no interest.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 2;

  strell_host::SetRoot(dir.root);
  strell_host::SetFreshness(options.watch ? strell_host::Freshness::kWatch
                                          : strell_host::Freshness::kStrict);
  if (!makeDirs(dir) || !writeConfig(dir, true, false)) {
    std::fprintf(stderr, "cannot write the configuration under %s\n", dir.root.c_str());
    return 2;
  }
  // The answers under B, then A, from a context of their own.
  StrellHandle probe = nullptr;
  Strell_Init(&probe);
  loadAndAnswer(probe, g_expected[1]);
  writeConfig(dir, false, false);
  loadAndAnswer(probe, g_expected[0]);

  // The contexts: one shared by several threads, and one per own-context
  // thread. Each starts loaded with A.
  std::vector<StrellHandle> handles(1 + static_cast<size_t>(options.ownContexts), nullptr);
  for (StrellHandle& handle : handles) {
    Strell_Init(&handle);
    Strell_Parse(handle);
  }

  const long total = options.operations * (options.sharedThreads + options.ownContexts);
  std::atomic<bool> readersDone{false};
  long inPlace = 0;
  long renamed = 0;
  bool finalB = false;
  std::thread writer([&] {
    for (long rewrite = 0; rewrite < options.rewrites; ++rewrite) {
      // Spread the rewrites over the readers' work: rewrite r waits for r
      // shares of it (a count, not a clock).
      const long due = total * rewrite / (options.rewrites + 1);
      while (g_tally.done.load() < due && !readersDone.load()) sched_yield();
      finalB = rewrite % 2 == 0;                       // A and B alternate, starting from A on disk
      const bool inPlaceNow = (rewrite / 2) % 2 == 0;  // both ways for both configurations
      if (!writeConfig(dir, finalB, inPlaceNow)) report("write", static_cast<int>(rewrite), -1);
      ++(inPlaceNow ? inPlace : renamed);
    }
  });
  std::vector<std::thread> readers;
  for (int i = 0; i < options.sharedThreads; ++i) {
    readers.emplace_back(worker, handles[0], i, options.operations);
  }
  for (int i = 0; i < options.ownContexts; ++i) {
    readers.emplace_back(worker, handles[1 + static_cast<size_t>(i)], 100 + i, options.operations);
  }
  for (std::thread& reader : readers) reader.join();
  readersDone = true;
  writer.join();

  // Quiet again: every context reloads once and must answer exactly as the
  // final configuration does.
  long finalMismatches = 0;
  for (StrellHandle handle : handles) {
    Snapshot answers;
    loadAndAnswer(handle, answers);
    if (!reliability::SameSnapshot(answers, g_expected[finalB ? 1 : 0])) ++finalMismatches;
  }
  for (StrellHandle& handle : handles) Strell_Release(&handle);
  Strell_Release(&probe);

  for (int file = 0; file < kFileCount; ++file) unlink(dir.path(file).c_str());
  unlink((dir.root + "/config_capability.xml").c_str());
  rmdir((dir.root + "/config_onvif").c_str());
  rmdir(dir.root.c_str());

  const strell_host::Counters counters = strell_host::GetCounters();
  std::fprintf(stderr,
               "strell_stress_test (%s): %d threads on one context, %d on contexts of their own,"
               " %ld operations (%ld reloads, %ld resolutions, %ld list queries),"
               " %ld rewrites (%ld in place, %ld by rename), %ld answers caught between"
               " configurations, %llu documents parsed; %ld violations, %ld contexts wrong"
               " after the final reload\n",
               options.watch ? "watch" : "strict", options.sharedThreads, options.ownContexts,
               g_tally.parses.load() + g_tally.resolutions.load() + g_tally.lists.load(),
               g_tally.parses.load(), g_tally.resolutions.load(), g_tally.lists.load(),
               options.rewrites, inPlace, renamed, g_tally.partial.load(), counters.parses,
               g_tally.violations.load(), finalMismatches);
  return g_tally.violations.load() == 0 && finalMismatches == 0 ? 0 : 1;
}
