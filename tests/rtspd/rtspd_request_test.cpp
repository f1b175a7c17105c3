// What strell-rtspd asks the library for each request path.
#include "rtspd/rtspd_request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace strell_rtspd {
namespace {

TEST(RtspdRequestPath, KeepsQueryAndDropsOneTrailingSlashOfIt) {
  struct Case {
    const char* abspath;
    const char* query;
    const char* path;
  };
  const Case cases[] = {
      {"/live1.sdp", nullptr, "/live1.sdp"},
      {"/media/stream.sdp", "profile=Profile_1", "/media/stream.sdp?profile=Profile_1"},
      // The aggregate URL a client builds from the Content-Base.
      {"/media/stream.sdp", "profile=Profile_1/", "/media/stream.sdp?profile=Profile_1"},
      {"/media/stream.sdp", "profile=P/stream=0", "/media/stream.sdp?profile=P/stream=0"},
      {"/x", "", "/x?"},
      {"", nullptr, "/"},
      {nullptr, "a=b", "/?a=b"},
      {"no-slash", nullptr, "/no-slash"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.path, RequestPath(c.abspath, c.query))
        << (c.abspath ? c.abspath : "(null)") << " ? " << (c.query ? c.query : "(null)");
  }
  // The library is asked without the one leading slash.
  EXPECT_EQ("media2/stream.sdp?profile=StreamProfile_1",
            StreamUrlOfPath("/media2/stream.sdp?profile=StreamProfile_1"));
  EXPECT_EQ("", StreamUrlOfPath("/"));
  EXPECT_EQ("/twice", StreamUrlOfPath("//twice"));
}

TEST(RtspdRequestPath, ControlIsASlashStreamDigitsSuffix) {
  const std::size_t none = std::string::npos;
  EXPECT_EQ(std::strlen("/live1.sdp"), ControlStart("/live1.sdp/stream=0"));
  EXPECT_EQ(std::strlen("/media/stream.sdp?profile=Profile_1"),
            ControlStart("/media/stream.sdp?profile=Profile_1/stream=12"));
  EXPECT_EQ(none, ControlStart("/live1.sdp"));
  EXPECT_EQ(none, ControlStart("/live1.sdp/stream="));
  EXPECT_EQ(none, ControlStart("/live1.sdp/stream=1x"));
  EXPECT_EQ(none, ControlStart("/live1.sdp/track=1"));
  EXPECT_EQ(none, ControlStart("/stream=0"));
  EXPECT_EQ(none, ControlStart(""));
}

// A resolver that knows a fixed set of URLs and records what it was asked.
class ScriptedLibrary {
 public:
  void Add(const std::string& url, int code, int key) { answers_.push_back({url, code, key}); }
  int operator()(const std::string& url, TProfileInfo* info) {
    asked.push_back(url);
    for (const Answer& answer : answers_) {
      if (answer.url == url) {
        info->profileKey = answer.key;
        return answer.code;
      }
    }
    return STRELL_ERR_NOT_FOUND;
  }
  std::vector<std::string> asked;

 private:
  struct Answer {
    std::string url;
    int code;
    int key;
  };
  std::vector<Answer> answers_;
};

PathResolution Resolve(const std::string& path, ScriptedLibrary& library) {
  return ResolveRequestPath(
      path, [&library](const std::string& url, TProfileInfo* info) { return library(url, info); });
}

TEST(RtspdResolveRequestPath, DescribeAsksForTheWholePath) {
  ScriptedLibrary library;
  library.Add("media/stream.sdp?profile=Profile_1", STRELL_OK, 222);
  const PathResolution answer = Resolve("/media/stream.sdp?profile=Profile_1", library);
  EXPECT_EQ(STRELL_OK, answer.code);
  EXPECT_EQ(222, answer.info.profileKey);
  EXPECT_EQ("media/stream.sdp?profile=Profile_1", answer.url);
  EXPECT_EQ(std::strlen("/media/stream.sdp?profile=Profile_1"), answer.matched);
  EXPECT_EQ(std::vector<std::string>{"media/stream.sdp?profile=Profile_1"}, library.asked);
}

TEST(RtspdResolveRequestPath, SetupFallsBackToTheMediaWithoutItsControl) {
  ScriptedLibrary library;
  library.Add("live1.sdp", STRELL_OK, 111);
  const PathResolution answer = Resolve("/live1.sdp/stream=1", library);
  EXPECT_EQ(STRELL_OK, answer.code);
  EXPECT_EQ(111, answer.info.profileKey);
  EXPECT_EQ("live1.sdp", answer.url);
  EXPECT_EQ(std::strlen("/live1.sdp"), answer.matched);
  EXPECT_EQ((std::vector<std::string>{"live1.sdp/stream=1", "live1.sdp"}), library.asked);
}

TEST(RtspdResolveRequestPath, WholePathThatResolvesWinsOverItsMedia) {
  ScriptedLibrary library;
  library.Add("cam/stream=1", STRELL_OK, 112);
  library.Add("cam", STRELL_OK, 111);
  const PathResolution answer = Resolve("/cam/stream=1", library);
  EXPECT_EQ(112, answer.info.profileKey);
  EXPECT_EQ(std::vector<std::string>{"cam/stream=1"}, library.asked);
}

TEST(RtspdResolveRequestPath, BadSourceIsNotRetriedWithoutControl) {
  ScriptedLibrary library;
  library.Add("media2/stream.sdp?profile=P/stream=0", STRELL_ERR_BAD_SOURCE, 333);
  const PathResolution answer = Resolve("/media2/stream.sdp?profile=P/stream=0", library);
  EXPECT_EQ(STRELL_ERR_BAD_SOURCE, answer.code);
  EXPECT_EQ(1u, library.asked.size());
}

TEST(RtspdResolveRequestPath, UnknownMediaReportsTheWholeUrl) {
  ScriptedLibrary library;
  const PathResolution answer = Resolve("/nosuch.sdp/stream=0", library);
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, answer.code);
  EXPECT_EQ("nosuch.sdp/stream=0", answer.url);
  EXPECT_EQ((std::vector<std::string>{"nosuch.sdp/stream=0", "nosuch.sdp"}), library.asked);
}

TEST(RtspdResolveRequestPath, MediaPartCarriesItsOwnCode) {
  ScriptedLibrary library;
  library.Add("media2/stream.sdp?profile=Bad", STRELL_ERR_BAD_SOURCE, 334);
  const PathResolution answer = Resolve("/media2/stream.sdp?profile=Bad/stream=0", library);
  EXPECT_EQ(STRELL_ERR_BAD_SOURCE, answer.code);
  EXPECT_EQ(334, answer.info.profileKey);
  EXPECT_EQ("media2/stream.sdp?profile=Bad", answer.url);
}

}  // namespace
}  // namespace strell_rtspd
