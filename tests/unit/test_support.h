// Helpers shared by the unit tests.
#ifndef STRELL_TESTS_UNIT_TEST_SUPPORT_H_
#define STRELL_TESTS_UNIT_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

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

// The keys a list holds, in order.
inline std::vector<int> Keys(const TProfileList& list) {
  return std::vector<int>(list.profileKeys,
                          list.profileKeys + (list.profileCount > 0 ? list.profileCount : 0));
}

template <typename Record>
bool SameBytes(const Record& a, const Record& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// A record as one line, so that a test states a whole answer at once:
// "<key> <name> | <video> | <audio> | <metadata>", each medium as
// "<mediaTask> <channel>/<stream> <ipAddress>:<port> ttl <ttl>". A field that
// still holds PatternedInfo()'s bytes reads "-".
inline std::string Describe(int value) { return value == 0x5a5a5a5a ? "-" : std::to_string(value); }
inline std::string Describe(const char (&text)[STRELL_TEXT_SIZE]) {
  const size_t length = strnlen(text, STRELL_TEXT_SIZE);
  if (length < STRELL_TEXT_SIZE) return std::string(text, length);
  return text[0] == 0x5a && std::memcmp(text, text + 1, STRELL_TEXT_SIZE - 1) == 0
             ? "-"
             : "<unterminated>";
}
inline std::string Describe(const TMediaEncodeConfig& m) {
  return Describe(m.mediaTask) + " " + Describe(m.channel) + "/" + Describe(m.stream) + " " +
         Describe(m.ipAddress) + ":" + Describe(m.port) + " ttl " + Describe(m.ttl);
}
inline std::string Describe(const TProfileInfo& info) {
  return Describe(info.profileKey) + " " + Describe(info.profileName) + " | " +
         Describe(info.videoInfo) + " | " + Describe(info.audioInfo) + " | " +
         Describe(info.metadataInfo);
}
constexpr char kUntouched[] = "- -/- -:- ttl -";  // a medium left as PatternedInfo() had it

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
