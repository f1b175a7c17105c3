// Fuzz target 1: URLs against a fixed camera (TwoStateCamera A on the quiet
// in-memory host). The input is the URL, cut at its first NUL; its first
// bytes also pick a list query.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "testing/camera.h"
#include "testing/memory_host.h"

namespace {

StrellHandle g_handle = nullptr;

int intAt(const uint8_t* data, size_t size, size_t offset) {
  int value = 0;
  if (size >= offset + sizeof value) std::memcpy(&value, data + offset, sizeof value);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Strell_SetTraceHandler(nullptr, nullptr);  // the lines would cost more than the work
  testing_kit::TwoStateCamera(false).Install();
  memory_host::SetQuiet(true);
  Strell_Init(&g_handle);
  Strell_Parse(g_handle);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);  // cut at a NUL by c_str()
  fuzz_checks::resolve(g_handle, url.c_str());
  fuzz_checks::lists(g_handle, intAt(data, size, 0) % 4, intAt(data, size, 4) % 4,
                     intAt(data, size, 8) % 40);
  return 0;
}
