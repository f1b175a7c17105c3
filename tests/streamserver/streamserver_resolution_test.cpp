// Stream-server URL resolution (whole-URL access-name match) and the profile
// lists by video and audio stream.
#include <string>
#include <vector>

#include "streamserver/url_streamserver.h"
#include "unit/camera_fixture.h"

namespace strell_test {
namespace {

// A loaded stream-server handler with a spy after it, on a camera of three
// streams per video channel.
class Streamserver : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    SetCapabilities();
    handler.next = &spy;
  }
  int Resolve(const char* url) {
    info = PatternedInfo();
    int code = -1;
    EXPECT_EQ("", CaptureStdout([&] { code = handler.HandleUrl(url, &info); }))
        << (url != nullptr ? url : "(null)");
    return code;
  }
  SpyHandler spy;
  CUrlStreamserver handler;
  TProfileInfo info;
};

// Track 4 is channel 1, stream 1 at three streams per channel; metadata
// ignores its track; the slot's ttl goes with every carried medium. A medium
// not carried gets mediaTask 0 and nothing else.
TEST_F(Streamserver, AccessNameResolvesToItsSlotWithEveryCarriedMedium) {
  SetRtspSlot(0, "live1.sdp", 4, 0, 3);
  SetRtspSlot(1, "novideo", -1, 0, -1);
  handler.Parse();
  ASSERT_EQ(STRELL_OK, Resolve("live1.sdp"));
  EXPECT_EQ(
      "111 live1.sdp | 1 1/1 239.0.0.0:5000 ttl 15 | 1 0/0 239.0.1.0:6000 ttl 15 | "
      "1 0/0 239.0.2.0:7000 ttl 15",
      Describe(info));
  ASSERT_EQ(STRELL_OK, Resolve("novideo"));
  EXPECT_EQ("112 novideo | 0 -/- -:- ttl - | 1 0/0 239.0.1.1:6001 ttl 15 | 0 -/- -:- ttl -",
            Describe(info));
}

TEST_F(Streamserver, OnlyTheWholeUrlInItsOwnCaseMatchesAndTheLowerSlotWins) {
  SetRtspSlot(0, "live1.sdp", 0, 0, 0);
  SetRtspSlot(1, "twin", 0, 0, 0);
  SetRtsp(1, "enable", "0");  // the enable flag takes no part
  SetRtspSlot(2, "c", 0, 0, 0);
  SetRtspSlot(3, "twin", 0, 0, 0);
  handler.Parse();
  struct Case {
    const char* url;
    int key;  // 0: handed on
  } const cases[] = {
      {"live1.sdp", 111},   {"twin", 112},
      {"c", 113},           {"/live1.sdp", 0},
      {"live1.sdp?x=1", 0}, {"rtsp://10.0.0.1:554/live1.sdp", 0},
      {"LIVE1.sdp", 0},     {"live1.sd", 0},
      {"live1.sdp ", 0},    {"", 0},
  };
  std::vector<std::string> handedOn;
  for (const Case& c : cases) {
    const int code = Resolve(c.url);
    if (c.key == 0) {
      EXPECT_EQ(STRELL_ERR_CONFIG_READ, code) << c.url;
      EXPECT_TRUE(SameBytes(PatternedInfo(), info)) << c.url;
      handedOn.push_back(c.url);
      continue;
    }
    EXPECT_EQ(STRELL_OK, code) << c.url;
    EXPECT_EQ(c.key, info.profileKey) << c.url;
    EXPECT_STREQ(c.url, info.profileName);
  }
  EXPECT_EQ(handedOn, spy.urls);
}

TEST_F(Streamserver, EmptyUrlMatchesTheFirstSlotWithoutAccessName) {
  handler.next = nullptr;
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve(""));  // before a reload there is no slot at all
  SetRtspSlot(0, "a", 0, 0, 0);
  SetRtsp(2, "videotrack", "1");  // s1 lacks everything, s2 has no name either
  handler.Parse();
  EXPECT_EQ(STRELL_OK, Resolve(""));
  EXPECT_EQ(112, info.profileKey);
  EXPECT_STREQ("", info.profileName);
  const TProfileInfo fromEmpty = info;
  EXPECT_EQ(STRELL_OK, Resolve(nullptr));  // a null URL is the empty one
  EXPECT_TRUE(SameBytes(fromEmpty, info));
}

TEST_F(Streamserver, ListsAppendMatchesAfterExistingKeysWithTheirLines) {
  // Video tracks 4, 4, 0 and none; audio tracks 0, none, 0 and 2.
  SetRtspSlot(0, "s0", 4, 0, 0);
  SetRtspSlot(1, "s1", 4, -1, 0);
  SetRtspSlot(2, "s2", 0, 0, 0);
  SetRtspSlot(3, "s3", -1, 2, 0);
  handler.Parse();
  auto listed = [](int count, int key) {
    return "profileList->profileCount = " + std::to_string(count) +
           ", profile.profileKey = " + std::to_string(key) + "\n";
  };
  // The audio list prints every record's track, whether it matches or not.
  const std::string tracks =
      "profile.audioInfo.mediaTask = 0\nprofile.audioInfo.mediaTask = -1\n"
      "profile.audioInfo.mediaTask = 0\nprofile.audioInfo.mediaTask = 2\n";
  struct Case {
    bool video;
    int channel, stream;
    std::vector<int> keys;
    std::string printed;
  } const cases[] = {
      {true, 1, 1, {222, 111, 112, 999}, listed(1, 111) + listed(2, 112)},
      {true, 0, 0, {222, 113, 999}, listed(1, 113)},
      {true, 0, 1, {222, 999}, ""},
      {true, 2, 1, {222, 999}, ""},
      {true, -1, -1, {222, 999}, ""},
      {false, 0, 0, {222, 111, 113, 999}, tracks},
      {false, 2, 0, {222, 114, 999}, tracks},
      // Audio is stream 0 only.
      {false, 0, 1, {222, 999}, tracks},
      {false, 2, -1, {222, 999}, tracks},
  };
  for (const Case& c : cases) {
    TProfileList list = EmptyList();
    appendProfileKey(&list, 222);
    int code = -1;
    EXPECT_EQ(c.printed, CaptureStdout([&] {
                code = c.video ? handler.GetProfileListByVideoStream(c.channel, c.stream, &list)
                               : handler.GetProfileListByAudioStream(c.channel, c.stream, &list);
              }));
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, code) << "the next handler's answer";
    EXPECT_EQ(c.keys, Keys(list)) << (c.video ? "video " : "audio ") << c.channel << "/"
                                  << c.stream;
  }

  handler.next = nullptr;
  struct Guarded {
    TProfileList list;
    int guard;
  } box{EmptyList(), 0x7eadbeef};
  box.list.profileCount = STRELL_MAX_PROFILE_KEYS - 1;
  CaptureStdout([&] {
    handler.GetProfileListByVideoStream(1, 1, &box.list);
    handler.GetProfileListByAudioStream(0, 0, &box.list);
  });
  EXPECT_EQ(STRELL_MAX_PROFILE_KEYS, box.list.profileCount);
  EXPECT_EQ(111, box.list.profileKeys[STRELL_MAX_PROFILE_KEYS - 1]);
  EXPECT_EQ(0x7eadbeef, box.guard);
}

}  // namespace
}  // namespace strell_test
