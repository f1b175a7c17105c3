// The host kit's tests share a fresh root per test and a reader that shows whatever it wrote.
#ifndef STRELL_TESTS_HOST_HOST_FIXTURE_H_
#define STRELL_TESTS_HOST_HOST_FIXTURE_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "strell_host.h"
#include "testing/temp_dir.h"

namespace host_test {

inline std::string Error(int result) { return "<error " + std::to_string(result) + ">"; }

// The text of `key` in `file`, or "<error N>" for a failure that wrote nothing. The buffer is
// patterned and larger than the library's 256 bytes, so any write against the contract shows.
inline std::string ValueOf(const std::string& file, const char* key) {
  char buffer[400];
  std::memset(buffer, 0x5a, sizeof buffer);
  const int result = XMLSParser_ReadContentEx(file.c_str(), key, buffer);
  const auto pattern = [](char c) { return c == 0x5a; };
  if (!std::all_of(buffer + 256, buffer + sizeof buffer, pattern)) return "<wrote past 256>";
  if (result != 0) return Error(result) + (std::all_of(buffer, buffer + 256, pattern) ? "" : "+");
  return std::memchr(buffer, '\0', 256) != nullptr ? buffer : "<unterminated>";
}

// A fresh configuration root, in strict mode unless a test says otherwise.
class HostTest : public testing::Test {
 protected:
  void SetUp() override { Use(strell_host::Freshness::kStrict); }
  void TearDown() override { strell_host::SetFreshness(strell_host::Freshness::kStrict); }
  void Use(strell_host::Freshness freshness) {
    strell_host::SetFreshness(freshness);
    strell_host::SetRoot(root_.path());
    strell_host::ResetCounters();
  }
  void Put(const std::string& name, const std::string& text) {
    ASSERT_TRUE(testing_kit::WriteFile(root_ / name, text)) << name;
  }
  void Sh(const std::string& commands) { ASSERT_EQ(0, root_.Sh(commands)) << commands; }
  std::string Path(const std::string& name) const { return root_ / name; }
  testing_kit::TempDir root_;
};

}  // namespace host_test

#endif  // STRELL_TESTS_HOST_HOST_FIXTURE_H_
