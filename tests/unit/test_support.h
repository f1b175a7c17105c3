// Helpers shared by the unit tests.
#ifndef STRELL_TESTS_UNIT_TEST_SUPPORT_H_
#define STRELL_TESTS_UNIT_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "fake_host/fake_host.h"
#include "strell.h"

namespace strell_test {

// One library context for the length of a test.
class Context {
 public:
  Context() { EXPECT_EQ(STRELL_OK, Strell_Init(&handle_)); }
  ~Context() { Strell_Release(&handle_); }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  StrellHandle handle() const { return handle_; }
  int Parse() { return Strell_Parse(handle_); }
  int Resolve(const char* url, TProfileInfo* info) {
    return Strell_GetProfileInfoByStreamUrl(handle_, url, info);
  }

 private:
  StrellHandle handle_ = nullptr;
};

// A record filled with a recognisable pattern, so a test sees exactly which
// fields the library wrote.
inline TProfileInfo PatternedInfo() {
  TProfileInfo info;
  std::memset(&info, 0x5a, sizeof info);
  return info;
}

inline TProfileList EmptyList() {
  TProfileList list;
  std::memset(&list, 0, sizeof list);
  return list;
}

// Runs `body` and returns what it printed to standard output.
inline std::string CaptureStdout(const std::function<void()>& body) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  body();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

// Resets the fake host before each test.
class FakeHostTest : public testing::Test {
 protected:
  void SetUp() override { fake_host::Reset(); }
};

}  // namespace strell_test

#endif  // STRELL_TESTS_UNIT_TEST_SUPPORT_H_
