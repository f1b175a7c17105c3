// Helpers of the end-to-end tests: libstrell answering through the reference
// host kit from real files.
#ifndef STRELL_TESTS_INTEGRATION_INTEGRATION_SUPPORT_H_
#define STRELL_TESTS_INTEGRATION_INTEGRATION_SUPPORT_H_

#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "host/host_fixture.h"
#include "strell.h"
#include "unit/test_support.h"

namespace integration {

// The example camera: two video inputs of three streams, one audio input.
inline std::string ExampleRoot() { return STRELL_EXAMPLE_CONF; }
inline std::string Fixture(const std::string& name) {
  return std::string(STRELL_FIXTURE_DIR) + "/" + name;
}

// One medium of an expected answer.
struct Medium {
  int mediaTask;
  int channel;
  int stream;
  const char* ipAddress;
  int port;
  int ttl;
};
constexpr Medium kNone = {0, 0, 0, "", 0, 0};

// An expected answer for a URL, compared field by field with what the
// library wrote into a zeroed record.
struct Answer {
  const char* url;
  int code;
  int profileKey;
  const char* profileName;
  Medium video;
  Medium audio;
  Medium metadata;
};

inline void ExpectMedium(const char* what, const Medium& expected, const TMediaEncodeConfig& got) {
  EXPECT_EQ(expected.mediaTask, got.mediaTask) << what;
  EXPECT_EQ(expected.channel, got.channel) << what;
  EXPECT_EQ(expected.stream, got.stream) << what;
  EXPECT_STREQ(expected.ipAddress, got.ipAddress) << what;
  EXPECT_EQ(expected.port, got.port) << what;
  EXPECT_EQ(expected.ttl, got.ttl) << what;
}

// Resolves the URL on a zeroed record and compares every field.
inline void ExpectAnswer(StrellHandle handle, const Answer& expected) {
  SCOPED_TRACE(expected.url);
  TProfileInfo info;
  std::memset(&info, 0, sizeof info);
  ASSERT_EQ(expected.code, Strell_GetProfileInfoByStreamUrl(handle, expected.url, &info));
  EXPECT_EQ(expected.profileKey, info.profileKey);
  EXPECT_STREQ(expected.profileName, info.profileName);
  ExpectMedium("video", expected.video, info.videoInfo);
  ExpectMedium("audio", expected.audio, info.audioInfo);
  ExpectMedium("metadata", expected.metadata, info.metadataInfo);
}

inline std::vector<int> Keys(const TProfileList& list) {
  return std::vector<int>(list.profileKeys, list.profileKeys + list.profileCount);
}

// Runs `body` with the library's trace lines kept out of the test log. The
// test's own failure messages go to standard output too: they are shown when
// the body failed.
template <typename Body>
void Quietly(Body body) {
  const bool failedBefore = testing::Test::HasFailure();
  const std::string output = strell_test::CaptureStdout(body);
  if (!failedBefore && testing::Test::HasFailure()) std::fputs(output.c_str(), stdout);
}

}  // namespace integration

#endif  // STRELL_TESTS_INTEGRATION_INTEGRATION_SUPPORT_H_
