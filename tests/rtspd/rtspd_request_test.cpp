// What strell-rtspd asks the library for a request path, against a library that knows a few URLs:
// the URLs asked, in order, and which answer is taken.
#include "rtspd/rtspd_request.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

namespace strell_rtspd {
namespace {

TEST(RtspdRequest, LibraryIsAskedThePathAndQueryThenForASetupTheMedia) {
  const int kOk = STRELL_OK, kBad = STRELL_ERR_BAD_SOURCE, kNone = STRELL_ERR_NOT_FOUND;
  const std::map<std::string, std::pair<int, int>> known = {
      {"live1.sdp", {kOk, 111}},   {"m?profile=P", {kOk, 222}},   {"cam/stream=1", {kOk, 112}},
      {"cam", {kOk, 113}},         {"bad/stream=0", {kBad, 333}}, {"bad", {kOk, 334}},
      {"m?profile=B", {kBad, 335}}};
  struct Case {
    const char* abspath;
    const char* query;
    int code, key;
    const char* url;    // the answer's: "/" + url is the part of the path that names the media
    const char* asked;  // the URLs asked, in order
  };
  const Case cases[] = {
      {"/live1.sdp", nullptr, kOk, 111, "live1.sdp", "live1.sdp"},
      {"/m", "profile=P", kOk, 222, "m?profile=P", "m?profile=P"},
      // The aggregate URL a client builds from the Content-Base ends in a slash.
      {"/m", "profile=P/", kOk, 222, "m?profile=P", "m?profile=P"},
      {"/live1.sdp/stream=1", nullptr, kOk, 111, "live1.sdp", "live1.sdp/stream=1 live1.sdp"},
      {"/m", "profile=P/stream=12", kOk, 222, "m?profile=P", "m?profile=P/stream=12 m?profile=P"},
      // A configured name may itself end in what looks like a control.
      {"/cam/stream=1", nullptr, kOk, 112, "cam/stream=1", "cam/stream=1"},
      // Only "not found" is retried: a bad source is the answer for the path.
      {"/bad/stream=0", nullptr, kBad, 333, "bad/stream=0", "bad/stream=0"},
      {"/m", "profile=B/stream=0", kBad, 335, "m?profile=B", "m?profile=B/stream=0 m?profile=B"},
      // A control is "/stream=" and digits, after a media.
      {"/live1.sdp/stream=", nullptr, kNone, 0, "live1.sdp/stream=", "live1.sdp/stream="},
      {"/live1.sdp/stream=1x", nullptr, kNone, 0, "live1.sdp/stream=1x", "live1.sdp/stream=1x"},
      {"/live1.sdp/track=1", nullptr, kNone, 0, "live1.sdp/track=1", "live1.sdp/track=1"},
      {"/stream=0", nullptr, kNone, 0, "stream=0", "stream=0"},
      // Unknown either way: the answer reported is the whole URL's.
      {"/no.sdp/stream=0", nullptr, kNone, 0, "no.sdp/stream=0", "no.sdp/stream=0 no.sdp"},
      {"", nullptr, kNone, 0, "", ""},
      {nullptr, "a=b", kNone, 0, "?a=b", "?a=b"},
      {"no-slash", nullptr, kNone, 0, "no-slash", "no-slash"},
  };
  for (const Case& c : cases) {
    const std::string path = RequestPath(c.abspath, c.query);
    std::string asked;
    const PathResolution answer =
        ResolveRequestPath(path, [&](const std::string& url, TProfileInfo* info) -> int {
          asked += (asked.empty() ? "" : " ") + url;
          const auto found = known.find(url);
          if (found == known.end()) return kNone;
          info->profileKey = found->second.second;
          return found->second.first;
        });
    EXPECT_EQ(c.code, answer.code) << path;
    EXPECT_EQ(c.key, answer.info.profileKey) << path;
    EXPECT_EQ(c.url, answer.url) << path;
    EXPECT_EQ("/" + answer.url, path.substr(0, answer.matched)) << path;
    EXPECT_EQ(c.asked, asked) << path;
  }
}

}  // namespace
}  // namespace strell_rtspd
