// Resolving Media1 URLs and listing Media1 profiles by stream.
#include <cstring>
#include <string>
#include <vector>

#include "media1/url_media_one.h"
#include "unit/camera_fixture.h"

namespace strell_test {
namespace {

const std::string kHandleUrlLine =
    "virtual EStrellErrno CUrlMediaOne::HandleUrl(const char*, TProfileInfo*) profileName = ";

std::string TokenLine(const char* token, int channel, int stream) {
  return std::string("token = ") + token + " channel = " + std::to_string(channel) +
         ", stream = " + std::to_string(stream) + "\n";
}

// The camera of SetMediaOneCamera, loaded, with a spy after it.
class Media1 : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    SetMediaOneCamera();
    handler.next = &spy;
    handler.Parse();
  }
  // Resolves `url` into `info`; returns the code, keeps what was printed.
  int Resolve(const std::string& url) {
    int code = -1;
    printed = CaptureStdout([&] { code = handler.HandleUrl(url.c_str(), &info); });
    return code;
  }
  SpyHandler spy;
  CUrlMediaOne handler;
  TProfileInfo info = PatternedInfo();
  std::string printed;
};

// Keys 222 + slot, the skipped slot i1 keeping its number. Video from the
// source token, audio is the one input (0/0), metadata from "metadata1"
// (no underscore: -1/-1); the trace shows the ONVIF numbering. Media1 never
// writes a ttl, nor a medium whose token names no configuration.
TEST_F(Media1, EachProfileResolvesWithItsSlotKeyAndItsMedia) {
  struct Case {
    const char *url, *printed, *record;
  } const cases[] = {
      {"rtsp://10.0.0.2/media/stream.sdp?profile=Profile_1",
       "Profile_1\ntoken = VideoEncoder1_1 channel = 1, stream = 1\n",
       "222 Profile_1 | 1 0/0 239.0.0.1:5000 ttl - | 1 0/0 239.0.0.9:6000 ttl - | "
       "1 -1/-1 239.0.0.20:7000 ttl -"},
      {"media/stream.sdp?profile=Profile_3",
       "Profile_3\ntoken = VideoEncoder1_2 channel = 1, stream = 2\n",
       "224 Profile_3 | 1 0/1 ff15::2:5002 ttl - | 1 0/0 239.0.0.9:6000 ttl - | - -/- -:- ttl -"},
      {"media/stream.sdp?profile=Profile_4",
       "Profile_4\ntoken = VideoEncoder2_1 channel = 2, stream = 1\n",
       "225 Profile_4 | 1 1/0 :5004 ttl - | - -/- -:- ttl - | - -/- -:- ttl -"},
  };
  for (const Case& c : cases) {
    info = PatternedInfo();
    EXPECT_EQ(STRELL_OK, Resolve(c.url)) << c.url;
    EXPECT_EQ(kHandleUrlLine + c.printed, printed);
    EXPECT_EQ(c.record, Describe(info));
    EXPECT_EQ(0x5a, static_cast<unsigned char>(info.profileName[10])) << "wrote past the name";
  }
  EXPECT_TRUE(spy.urls.empty());
}

TEST_F(Media1, UrlWithAProfileNameIsClaimedAndAnyOtherHandedOn) {
  struct Case {
    const char* url;
    const char* name;  // printed and looked up; null: handed on, nothing printed
  } const cases[] = {
      {"media/stream.sdp?profile=Profile_2", "Profile_2"},
      {"media/stream.sdp?profile=profile_1", "profile_1"},
      {"media/stream.sdp?profile=Profile_1&x=1", "Profile_1&x=1"},  // the whole rest is the name
      {"media/stream.sdp?profile=Profile_", "Profile_"},
      {"media/stream.sdp?profile= ", " "},
      {"x/media/stream.sdp?profile=media/stream.sdp?profile=Profile_1",
       "media/stream.sdp?profile=Profile_1"},  // after the first marker
      {"media/stream.sdp?prof media/stream.sdp?profile=Q", "Q"},
      {"media/stream.sdp?profile=", nullptr},  // nothing after the marker
      {"media2/stream.sdp?profile=Profile_1", nullptr},
      {"Media/stream.sdp?profile=Profile_1", nullptr},
      {"media/stream.sdp?Profile_1", nullptr},
      {"live1.sdp", nullptr},
      {"", nullptr},
  };
  std::vector<std::string> handedOn;
  for (const Case& c : cases) {
    info = PatternedInfo();
    const int code = Resolve(c.url);
    EXPECT_EQ(c.name != nullptr ? STRELL_ERR_NOT_FOUND : STRELL_ERR_CONFIG_READ, code) << c.url;
    EXPECT_EQ(c.name != nullptr ? kHandleUrlLine + c.name + "\n" : "", printed) << c.url;
    EXPECT_TRUE(SameBytes(PatternedInfo(), info)) << c.url;
    if (c.name == nullptr) handedOn.push_back(c.url);
  }
  EXPECT_EQ(handedOn, spy.urls);
}

TEST_F(Media1, LowerSlotWinsAndMediaNamingNoConfigurationStayUntouched) {
  SetOnvifProfile(1, "Profile_4", "VideoEncoder9_9", "AudioEncoder_9", "metadata2");
  handler.Parse();
  EXPECT_EQ(STRELL_OK, Resolve("media/stream.sdp?profile=Profile_4"));
  EXPECT_EQ(kHandleUrlLine + "Profile_4\n", printed);
  EXPECT_EQ("223 Profile_4 | - -/- -:- ttl - | - -/- -:- ttl - | - -/- -:- ttl -", Describe(info));
}

TEST(Media1TokenRule, ChannelIsTheOneCharacterBeforeTheFirstUnderscore) {
  // clang-format off
  struct Case {
    const char* token;
    int result, channel, stream;
  } const cases[] = {
      {"VideoEncoder1_2", 0, 1, 2}, {"VideoEncoder12_3", 0, 2, 3}, {"V1_2_3", 0, 1, 2},
      {"_5", 0, 0, 5}, {"x_", 0, 0, 0}, {"a_b", 0, 0, 0}, {"1_ 7", 0, 1, 7}, {"1_-3", 0, 1, -3},
      {"1_15x", 0, 1, 15}, {"metadata1", -1, 77, 88}, {"", -1, 77, 88}};
  // clang-format on
  for (const Case& c : cases) {
    int channel = 77, stream = 88, result = 99;
    const std::string printed = CaptureStdout(
        [&] { result = parseOnvifTokenToExtractChannelStream(c.token, channel, stream); });
    EXPECT_EQ(c.result, result) << c.token;
    EXPECT_EQ(c.channel, channel) << c.token;
    EXPECT_EQ(c.stream, stream) << c.token;
    EXPECT_EQ(c.result == 0 ? TokenLine(c.token, c.channel, c.stream) : "", printed);
  }
}

TEST_F(Media1, ListsAppendMatchesInSlotOrderAfterExistingKeysThenTheNextHandlers) {
  const std::string t11 = TokenLine("VideoEncoder1_1", 1, 1);
  const std::string t12 = TokenLine("VideoEncoder1_2", 1, 2);
  const std::string t21 = TokenLine("VideoEncoder2_1", 2, 1);
  auto listed = [](int key) {
    return "[profileList->profileCount = 2, profile.profileKey = " + std::to_string(key) + "\n";
  };
  struct Case {
    bool video;
    int channel, stream;
    std::vector<int> keys;
    std::string printed;
  } const cases[] = {
      {true, 0, 0, {7, 8, 222, 999}, t11 + listed(222) + t12 + t21},
      {true, 0, 1, {7, 8, 224, 999}, t11 + t12 + listed(224) + t21},
      {true, 1, 0, {7, 8, 225, 999}, t11 + t12 + t21 + listed(225)},
      {true, 1, 1, {7, 8, 999}, t11 + t12 + t21},
      {true, -1, -1, {7, 8, 999}, t11 + t12 + t21},
      // Every profile with audio, whatever is asked, silently.
      {false, 4, 0, {7, 8, 222, 224, 999}, ""},
      {false, 0, 5, {7, 8, 222, 224, 999}, ""},
      {false, -3, -3, {7, 8, 222, 224, 999}, ""},
  };
  for (const Case& c : cases) {
    TProfileList list = EmptyList();
    list.profileCount = 2;
    list.profileKeys[0] = 7;
    list.profileKeys[1] = 8;
    int code = -1;
    printed = CaptureStdout([&] {
      code = c.video ? handler.GetProfileListByVideoStream(c.channel, c.stream, &list)
                     : handler.GetProfileListByAudioStream(c.channel, c.stream, &list);
    });
    EXPECT_EQ(STRELL_OK, code);
    EXPECT_EQ(c.printed, printed) << c.channel << "/" << c.stream;
    EXPECT_EQ(c.keys, Keys(list)) << (c.video ? "video " : "audio ") << c.channel << "/"
                                  << c.stream;
  }
}

TEST_F(Media1, FullOrNegativeListTakesNoKeyAndPrintsNoListLine) {
  handler.next = nullptr;
  for (int count : {STRELL_MAX_PROFILE_KEYS - 1, STRELL_MAX_PROFILE_KEYS, -1}) {
    const bool room = count == STRELL_MAX_PROFILE_KEYS - 1;  // for 222 only
    TProfileList list = EmptyList();
    list.profileCount = count;
    printed = CaptureStdout([&] {
      handler.GetProfileListByVideoStream(0, 0, &list);
      handler.GetProfileListByAudioStream(0, 0, &list);
    });
    EXPECT_EQ(TokenLine("VideoEncoder1_1", 1, 1) +
                  (room ? "[profileList->profileCount = 31, profile.profileKey = 222\n" : "") +
                  TokenLine("VideoEncoder1_2", 1, 2) + TokenLine("VideoEncoder2_1", 2, 1),
              printed);
    EXPECT_EQ(room ? STRELL_MAX_PROFILE_KEYS : count, list.profileCount);
    EXPECT_EQ(room ? 222 : 0, list.profileKeys[STRELL_MAX_PROFILE_KEYS - 1]);
  }
}

}  // namespace
}  // namespace strell_test
