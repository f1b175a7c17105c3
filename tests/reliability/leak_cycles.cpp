// Many lives of a context, for the leak check: Init, Parse, every resolution
// and list query, a reload onto another configuration, hostile URLs, Release.
// Run under valgrind memcheck (scripts/leak-check.sh) or LeakSanitizer; any
// leak or invalid access fails the run. Usage: strell_leak_cycles [cycles]
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "reliability/reliability_support.h"

int main(int argc, char** argv) {
  using namespace reliability;
  const long cycles = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 200;
  // The library's trace lines are of no interest here.
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0) dup2(null, STDOUT_FILENO);

  const std::string longUrl = "media/stream.sdp?profile=" + std::string(64 * 1024, 'x');
  static Snapshot snapshot;
  long operations = 0;
  for (long cycle = 0; cycle < cycles; ++cycle) {
    StrellHandle handle = nullptr;
    Strell_Init(&handle);
    // Queries before the first load, then two loads of different files.
    TakeSnapshot(handle, snapshot);
    SetFakeHostConfig(false);
    Strell_Parse(handle);
    TakeSnapshot(handle, snapshot);
    SetFakeHostConfig(true);
    Strell_Parse(handle);
    Strell_Parse(handle);
    TakeSnapshot(handle, snapshot);
    TProfileInfo info;
    Strell_GetProfileInfoByStreamUrl(handle, longUrl.c_str(), &info);
    Strell_GetProfileInfoByStreamUrl(handle, nullptr, &info);
    Strell_GetProfileInfoByStreamUrl(handle, "live1.sdp", nullptr);
    Strell_Release(&handle);
    Strell_Release(&handle);  // a released handle is null; releasing it is harmless
    // Every third cycle a file starts failing, and every third the host
    // forgets everything, so reloads meet failed reads.
    if (cycle % 3 == 0) fake_host::FailFile(kFiles[cycle % kFileCount].path);
    if (cycle % 3 == 2) fake_host::Reset();
    // Init, three snapshots, three loads, three single requests, two releases.
    operations += 1 + 3 * (kUrlCount + kListCount) + 3 + 3 + 2;
  }
  fake_host::Reset();
  std::fprintf(stderr, "strell_leak_cycles: %ld cycles, %ld calls\n", cycles, operations);
  return 0;
}
