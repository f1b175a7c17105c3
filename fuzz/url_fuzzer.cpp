// Fuzz target 1: URLs against a fixed configuration (configuration A of the
// reliability tests, through the fake host). The input is the URL, cut at
// its first NUL; its first bytes also pick a list query.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fake_host/fake_host.h"
#include "fuzz/fuzz_checks.h"
#include "reliability/reliability_config.h"

namespace {

StrellHandle g_handle = nullptr;

int intAt(const uint8_t* data, size_t size, size_t offset) {
  int value = 0;
  if (size >= offset + sizeof value) std::memcpy(&value, data + offset, sizeof value);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Trace lines would cost more than the work they describe.
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0) dup2(null, STDOUT_FILENO);
  for (const reliability::ConfigValue& value : reliability::kValues) {
    fake_host::Set(reliability::kFiles[value.file].path, value.key, value.a);
  }
  for (const reliability::Parameter& parameter : reliability::kParameters) {
    fake_host::SetParam(parameter.name, parameter.value);
  }
  Strell_Init(&g_handle);
  Strell_Parse(g_handle);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);  // cut at a NUL by c_str()
  fuzz_checks::resolve(g_handle, url.c_str());
  fuzz_checks::lists(g_handle, intAt(data, size, 0) % 4, intAt(data, size, 4) % 4,
                     intAt(data, size, 8) % 40);
  fake_host::ClearLog();  // the fake host logs every read; keep memory flat
  return 0;
}
