// Many lives of a context, for the leak check: Init, Parse, every resolution
// and list query, a reload onto another configuration, hostile URLs, Release.
// Run under valgrind memcheck (scripts/leak-check.sh) or LeakSanitizer; any
// leak or invalid access fails the run. Usage: strell_leak_cycles [cycles]
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake_host/fake_host.h"
#include "reliability/reliability_config.h"
#include "reliability/snapshot.h"
#include "strell.h"

namespace {

void setConfig(bool b) {
  for (const reliability::ConfigValue& value : reliability::kValues) {
    fake_host::Set(reliability::kFiles[value.file].path, value.key, b ? value.b : value.a);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long cycles = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 200;
  // The library's trace lines are of no interest here.
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0) dup2(null, STDOUT_FILENO);

  for (const reliability::Parameter& parameter : reliability::kParameters) {
    fake_host::SetParam(parameter.name, parameter.value);
  }
  const std::string longUrl = "media/stream.sdp?profile=" + std::string(64 * 1024, 'x');
  static reliability::Snapshot snapshot;
  long operations = 0;
  for (long cycle = 0; cycle < cycles; ++cycle) {
    StrellHandle handle = nullptr;
    Strell_Init(&handle);
    // Queries before the first load, then two loads of different files.
    reliability::TakeSnapshot(handle, snapshot);
    setConfig(false);
    Strell_Parse(handle);
    reliability::TakeSnapshot(handle, snapshot);
    setConfig(true);
    Strell_Parse(handle);
    Strell_Parse(handle);
    reliability::TakeSnapshot(handle, snapshot);
    TProfileInfo info;
    Strell_GetProfileInfoByStreamUrl(handle, longUrl.c_str(), &info);
    Strell_GetProfileInfoByStreamUrl(handle, nullptr, &info);
    Strell_GetProfileInfoByStreamUrl(handle, "live1.sdp", nullptr);
    Strell_Release(&handle);
    Strell_Release(&handle);  // a released handle is null; releasing it is harmless
    // Every third cycle a file disappears, so a reload meets failed reads.
    if (cycle % 3 == 0) fake_host::FailFile(reliability::kFiles[cycle % 10].path);
    if (cycle % 3 == 2) fake_host::Reset();
    for (const reliability::Parameter& parameter : reliability::kParameters) {
      fake_host::SetParam(parameter.name, parameter.value);
    }
    // Init, three snapshots, three loads, three single requests, two releases.
    operations += 1 + 3 * (reliability::kUrlCount + reliability::kListCount) + 3 + 3 + 2;
  }
  fake_host::Reset();
  std::fprintf(stderr, "strell_leak_cycles: %ld cycles, %ld calls\n", cycles, operations);
  return 0;
}
