// Six threads (four share a context) reload, resolve and list through the reference host kit,
// while a writer rewrites the files between A and B, in place and by rename, and toggles the trace
// handler. Every answer must pass the judge, and after a last reload be the final configuration's.
// Usage: strell_stress_test [strict|watch] [operations per thread] [rewrites]
#include <sched.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "reliability/answers.h"
#include "strell_host.h"
#include "testing/temp_dir.h"

namespace {

using reliability::Answers;

Answers g_expected[2];        // the answers under A and under B
std::atomic<long> g_done{0};  // operations finished, for the writer's pacing
std::atomic<long> g_between{0}, g_violations{0}, g_traceLines{0}, g_diagnostics{0};

void CountLine(const char*, void*) { ++g_traceLines; }

void Report(const char* what, int index, int code) {
  if (g_violations++ < 10)
    std::fprintf(stderr, "VIOLATION: %s %d answered %d\n", what, index, code);
}

void Worker(StrellHandle handle, unsigned long long state, long operations) {
  const reliability::Judge judge(g_expected[0], g_expected[1]);
  const auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>(state >> 33);
  };
  for (long op = 0; op < operations; ++op, ++g_done) {
    const int pick = next() % 100;
    if (pick < 10) {
      if (Strell_Parse(handle) != STRELL_OK) Report("parse", 0, -1);
    } else if (pick < 70) {
      const int url = next() % testing_kit::kCameraUrlCount;
      TProfileInfo info = testing_kit::PatternedInfo();
      const int code =
          Strell_GetProfileInfoByStreamUrl(handle, testing_kit::kCameraUrls[url], &info);
      if (!judge.Answer(url, code, info)) Report("url", url, code);
      bool whole = false;
      for (const Answers& each : g_expected) {
        whole |= code == each.codes[url] && !std::memcmp(&info, &each.infos[url], sizeof info);
      }
      g_between += !whole;
    } else {
      const int query = next() % reliability::kListCount;
      TProfileList list = {0, {}};
      const int code = reliability::List(handle, reliability::kLists[query], &list);
      if (!judge.ListAnswer(query, code, list)) Report("list", query, code);
    }
  }
}

// In place, in three pieces with yields between, so readers catch it half written; or by rename.
bool WriteCamera(const std::string& root, bool b, bool inPlace) {
  const testing_kit::Camera camera = testing_kit::TwoStateCamera(b);
  bool ok = true;
  for (const std::string& file : camera.Files()) {
    const std::string path = root + file.substr(sizeof "/etc/conf.d" - 1), text = camera.Xml(file);
    FILE* out = inPlace ? std::fopen(path.c_str(), "w") : nullptr;
    for (size_t at = 0, third = text.size() / 3 + 1; out != nullptr && at < text.size();
         at += third) {
      ok &= std::fwrite(text.data() + at, 1, std::min(third, text.size() - at), out) > 0 &&
            std::fflush(out) == 0;
      sched_yield();
    }
    ok &= inPlace ? out != nullptr && std::fclose(out) == 0 : testing_kit::ReplaceFile(path, text);
  }
  return ok;
}

Answers LoadAndAnswer(StrellHandle handle) {
  strell_host::Settle();
  Strell_Parse(handle);
  Answers answers;
  answers.Take(handle);
  return answers;
}

}  // namespace

int main(int argc, char** argv) {
  const bool watch = argc > 1 && std::string(argv[1]) == "watch";
  const long operations = argc > 2 ? std::atol(argv[2]) : 2000;
  const long rewrites = argc > 3 ? std::atol(argv[3]) : 200;
  testing_kit::TempDir root;
  Strell_SetTraceHandler(CountLine, nullptr);  // counted, never printed
  strell_host::SetDiagnosticHandler([](const strell_host::Diagnostic&) { ++g_diagnostics; });
  strell_host::SetRoot(root.path());
  strell_host::SetFreshness(watch ? strell_host::Freshness::kWatch
                                  : strell_host::Freshness::kStrict);
  // The answers under B, then A, from a context of their own; then three contexts loaded with A.
  testing_kit::Context probe, contexts[3];
  if (!testing_kit::TwoStateCamera(true).Write(root.path())) return 2;
  g_expected[1] = LoadAndAnswer(probe.handle());
  WriteCamera(root.path(), false, false);
  g_expected[0] = LoadAndAnswer(probe.handle());
  for (testing_kit::Context& context : contexts) context.Parse();
  std::atomic<bool> readersDone{false};
  bool finalB = false;
  std::thread writer([&] {
    for (long rewrite = 0; rewrite < rewrites; ++rewrite) {
      // Rewrite r waits for r shares of the readers' work (a count, not a clock).
      while (g_done < 6 * operations * rewrite / (rewrites + 1) && !readersDone) sched_yield();
      finalB = rewrite % 2 == 0;  // A and B alternate, from A on disk, both ways each
      if (!WriteCamera(root.path(), finalB, (rewrite / 2) % 2 == 0)) Report("write", 0, -1);
      Strell_SetTraceHandler(rewrite % 2 == 0 ? nullptr : CountLine, nullptr);
    }
  });
  std::vector<std::thread> readers;
  for (size_t i = 0; i < 6; ++i) {
    readers.emplace_back(Worker, contexts[i < 4 ? 0 : i - 3].handle(), 7919ULL * i + 1, operations);
  }
  for (std::thread& reader : readers) reader.join();
  readersDone = true;
  writer.join();

  // Quiet again: every context reloads once and must answer as the final configuration does.
  long wrongAfter = 0;
  for (testing_kit::Context& context : contexts) {
    wrongAfter += !(LoadAndAnswer(context.handle()) == g_expected[finalB ? 1 : 0]);
  }
  std::fprintf(stderr,
               "strell_stress_test (%s): %ld operations on six threads, %ld rewrites; %ld answers "
               "between A and B, %llu documents parsed, %ld trace lines, %ld diagnostics; %ld "
               "violations, %ld contexts wrong at the end\n",
               watch ? "watch" : "strict", g_done.load(), rewrites, g_between.load(),
               strell_host::GetCounters().parses, g_traceLines.load(), g_diagnostics.load(),
               g_violations.load(), wrongAfter);
  return g_violations == 0 && wrongAfter == 0 ? 0 : 1;
}
