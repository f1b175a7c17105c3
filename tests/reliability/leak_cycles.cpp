// Many lives of a context, for the leak check: Init, every resolution and list
// query before a load, a load of A, a reload onto B, hostile URLs, Release,
// on the in-memory host. Run under valgrind memcheck (scripts/leak-check.sh)
// or LeakSanitizer; any leak or invalid access fails the run.
// Usage: strell_leak_cycles [cycles]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reliability/answers.h"
#include "testing/memory_host.h"

int main(int argc, char** argv) {
  const long cycles = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 200;
  Strell_SetTraceHandler(nullptr, nullptr);
  const testing_kit::Camera cameras[] = {testing_kit::TwoStateCamera(false),
                                         testing_kit::TwoStateCamera(true)};
  const std::vector<std::string> files = cameras[0].Files();
  const std::string longUrl = "media/stream.sdp?profile=" + std::string(64 * 1024, 'x');
  static reliability::Answers answers;
  for (long cycle = 0; cycle < cycles; ++cycle) {
    StrellHandle handle = nullptr;
    Strell_Init(&handle);
    answers.Take(handle);
    cameras[0].Install();
    // Every third cycle a file fails, and every third the host is empty, so
    // that reloads meet failed reads.
    if (cycle % 3 == 0) memory_host::FailFile(files[static_cast<size_t>(cycle) % files.size()]);
    if (cycle % 3 == 2) memory_host::Clear();
    Strell_Parse(handle);
    answers.Take(handle);
    cameras[1].Install();
    Strell_Parse(handle);
    Strell_Parse(handle);
    answers.Take(handle);
    TProfileInfo info;
    Strell_GetProfileInfoByStreamUrl(handle, longUrl.c_str(), &info);
    Strell_GetProfileInfoByStreamUrl(handle, nullptr, &info);
    Strell_GetProfileInfoByStreamUrl(handle, "live1.sdp", nullptr);
    Strell_Release(&handle);
    Strell_Release(&handle);  // a released handle is null; releasing it is harmless
  }
  memory_host::Clear();
  std::fprintf(stderr, "strell_leak_cycles: %ld cycles\n", cycles);
  return 0;
}
