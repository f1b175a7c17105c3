// Helpers of the end-to-end tests: libstrell answering through the reference
// host kit from a copy of the example camera (examples/conf.d: two video
// inputs of three streams, one audio input).
#ifndef STRELL_TESTS_INTEGRATION_INTEGRATION_SUPPORT_H_
#define STRELL_TESTS_INTEGRATION_INTEGRATION_SUPPORT_H_

#include <cstdio>
#include <cstring>
#include <string>

#include "host/host_fixture.h"
#include "strell.h"
#include "unit/test_support.h"

namespace integration {

// An expected answer: the code and the record as strell_test::Describe
// gives it, from a zeroed record.
struct Answer {
  const char* url;
  int code;
  std::string record;
};

inline Answer NotFound(const char* url) {
  return {url, STRELL_ERR_NOT_FOUND, "0  | 0 0/0 :0 ttl 0 | 0 0/0 :0 ttl 0 | 0 0/0 :0 ttl 0"};
}

inline void ExpectAnswer(StrellHandle handle, const Answer& expected) {
  TProfileInfo info;
  std::memset(&info, 0, sizeof info);
  EXPECT_EQ(expected.code, Strell_GetProfileInfoByStreamUrl(handle, expected.url, &info))
      << expected.url;
  EXPECT_EQ(expected.record, strell_test::Describe(info)) << expected.url;
}

// Runs `body` with the library's trace lines kept out of the test log; they
// are shown when the body failed.
template <typename Body>
void Quietly(Body body) {
  const bool failedBefore = testing::Test::HasFailure();
  const std::string output = strell_test::CaptureStdout(body);
  if (!failedBefore && testing::Test::HasFailure()) std::fputs(output.c_str(), stdout);
}

// Replaces the first `from` in the file at `path` by `to`, in place or by
// renaming a new file over it, and lets the host see it.
inline void EditFile(const std::string& path, const std::string& from, const std::string& to,
                     bool inPlace) {
  std::string text = host_test::ReadWholeFile(path);
  const size_t at = text.find(from);
  ASSERT_NE(std::string::npos, at) << from << " in " << path;
  text.replace(at, from.size(), to);
  if (inPlace) {
    host_test::WriteInPlace(path, text);
  } else {
    host_test::ReplaceFile(path, text);
  }
  strell_host::Settle();
}

// A copy of the example camera as the configuration root, in the mode the
// test runs in, and a loaded library context over it.
class ExampleCamera : public testing::TestWithParam<strell_host::Freshness> {
 protected:
  void SetUp() override {
    host_test::CopyTree(STRELL_EXAMPLE_CONF, root_.path());
    strell_host::SetFreshness(GetParam());
    strell_host::SetRoot(root_.path());
    strell_host::ResetCounters();
    Quietly([this] { ASSERT_EQ(STRELL_OK, context_.Parse()); });
  }
  void TearDown() override { strell_host::SetFreshness(strell_host::Freshness::kStrict); }
  void Edit(const std::string& name, const std::string& from, const std::string& to,
            bool inPlace = false) {
    EditFile(root_ / name, from, to, inPlace);
  }

  host_test::TempDir root_;
  strell_test::Context context_;
};

}  // namespace integration

#endif  // STRELL_TESTS_INTEGRATION_INTEGRATION_SUPPORT_H_
