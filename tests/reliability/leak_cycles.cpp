// Many lives of a context, for the leak check, on the in-memory host: every
// answer before a load, a load of A (every third cycle with a file failing,
// every third with no configuration), a reload onto B, hostile URLs, two
// releases. scripts/leak-check.sh runs it under valgrind memcheck, the ASan
// job under LeakSanitizer. Usage: strell_leak_cycles [cycles]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reliability/answers.h"
#include "testing/memory_host.h"

int main(int argc, char** argv) {
  const long cycles = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 200;
  Strell_SetTraceHandler(nullptr, nullptr);
  const testing_kit::Camera a = testing_kit::TwoStateCamera(false),
                            b = testing_kit::TwoStateCamera(true);
  const std::string longUrl = "media/stream.sdp?profile=" + std::string(64 * 1024, 'x');
  static reliability::Answers answers;
  for (long cycle = 0; cycle < cycles; ++cycle) {
    StrellHandle handle = nullptr;
    Strell_Init(&handle);
    answers.Take(handle);
    a.Install();
    if (cycle % 3 == 0)
      memory_host::FailFile(a.Files()[static_cast<size_t>(cycle) % a.Files().size()]);
    if (cycle % 3 == 2) memory_host::Clear();
    for (const testing_kit::Camera* camera : {&a, &b}) {
      Strell_Parse(handle);
      answers.Take(handle);
      camera->Install();
    }
    Strell_Parse(handle);
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
