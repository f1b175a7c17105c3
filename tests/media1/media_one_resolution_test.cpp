// Resolving Media1 URLs and listing Media1 profiles by stream.
#include <cstring>
#include <string>
#include <vector>

#include "handler/url_handler.h"
#include "media1/media_one_test_config.h"
#include "media1/url_media_one.h"

namespace {

using media_one_test::kHandleUrlLine;
using media_one_test::SpyHandler;
using strell_test::CaptureStdout;
using strell_test::Context;
using strell_test::PatternedInfo;

constexpr int kUntouched = 0x5a5a5a5a;  // an int of PatternedInfo()

bool Untouched(const TMediaEncodeConfig& medium) {
  TProfileInfo pattern = PatternedInfo();
  return std::memcmp(&pattern.videoInfo, &medium, sizeof medium) == 0;
}

// A loaded Media1 handler with a spy after it.
class Media1Chain : public strell_test::FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    media_one_test::SetStandardCamera();
    handler.next = &spy;
    handler.Parse();
  }
  SpyHandler spy;
  CUrlMediaOne handler;
};

using Media1Resolution = Media1Chain;
using Media1Lists = Media1Chain;

TEST_F(Media1Resolution, ConfiguredTokenResolvesThroughTheExport) {
  Context context;
  ASSERT_EQ(STRELL_OK, context.Parse());
  TProfileInfo info = PatternedInfo();
  int code = -1;
  const std::string printed =
      CaptureStdout([&] { code = context.Resolve("media/stream.sdp?profile=Profile_1", &info); });
  ASSERT_EQ(STRELL_OK, code);
  EXPECT_EQ(std::string(kHandleUrlLine) +
                "Profile_1\n"
                "token = VideoEncoder1_1 channel = 1, stream = 1\n",
            printed);

  EXPECT_EQ(222, info.profileKey);
  EXPECT_STREQ("Profile_1", info.profileName);
  EXPECT_EQ(1, info.videoInfo.mediaTask);
  EXPECT_EQ(0, info.videoInfo.channel);
  EXPECT_EQ(0, info.videoInfo.stream);
  EXPECT_STREQ("239.0.0.1", info.videoInfo.ipAddress);
  EXPECT_EQ(5000, info.videoInfo.port);
  EXPECT_EQ(1, info.audioInfo.mediaTask);
  EXPECT_EQ(0, info.audioInfo.channel);
  EXPECT_EQ(0, info.audioInfo.stream);
  EXPECT_STREQ("239.0.0.9", info.audioInfo.ipAddress);
  EXPECT_EQ(6000, info.audioInfo.port);
  EXPECT_EQ(1, info.metadataInfo.mediaTask);
  EXPECT_EQ(-1, info.metadataInfo.channel) << "\"metadata1\" has no underscore";
  EXPECT_EQ(-1, info.metadataInfo.stream);
  EXPECT_STREQ("239.0.0.20", info.metadataInfo.ipAddress);
  EXPECT_EQ(7000, info.metadataInfo.port);
  for (const TMediaEncodeConfig* medium : {&info.videoInfo, &info.audioInfo, &info.metadataInfo}) {
    EXPECT_EQ(kUntouched, medium->ttl) << "ttl is never written";
  }
  // The text fields end at their NUL; the rest of the buffer is the host's.
  EXPECT_EQ(0x5a, static_cast<unsigned char>(info.profileName[sizeof "Profile_1"]));
}

TEST_F(Media1Resolution, EachProfileGetsItsSlotKeyAndItsMedia) {
  struct Case {
    const char* name;
    int key;
    int videoChannel, videoStream;
    const char* videoAddress;
    int videoPort;
    bool audio, metadata;
  } const cases[] = {
      {"Profile_1", 222, 0, 0, "239.0.0.1", 5000, true, true},
      {"Profile_3", 224, 0, 1, "ff15::2", 5002, true, false},  // metadata token names nothing
      {"Profile_4", 225, 1, 0, "", 5004, false, false},        // unknown address type
  };
  for (const Case& c : cases) {
    TProfileInfo info = PatternedInfo();
    const std::string url = std::string("rtsp://10.0.0.2/media/stream.sdp?profile=") + c.name;
    CaptureStdout([&] { EXPECT_EQ(STRELL_OK, handler.HandleUrl(url.c_str(), &info)) << c.name; });
    EXPECT_EQ(c.key, info.profileKey) << c.name;
    EXPECT_STREQ(c.name, info.profileName);
    EXPECT_EQ(1, info.videoInfo.mediaTask) << c.name;
    EXPECT_EQ(c.videoChannel, info.videoInfo.channel) << c.name;
    EXPECT_EQ(c.videoStream, info.videoInfo.stream) << c.name;
    EXPECT_STREQ(c.videoAddress, info.videoInfo.ipAddress) << c.name;
    EXPECT_EQ(c.videoPort, info.videoInfo.port) << c.name;
    EXPECT_EQ(kUntouched, info.videoInfo.ttl) << c.name;
    EXPECT_EQ(!c.audio, Untouched(info.audioInfo)) << c.name;
    EXPECT_EQ(!c.metadata, Untouched(info.metadataInfo)) << c.name;
  }
  EXPECT_TRUE(spy.urls.empty());
}

TEST_F(Media1Resolution, ClaimedUrlOfNoProfileGivesEightAndStopsHere) {
  for (const char* url :
       {"media/stream.sdp?profile=Profile_2", "media/stream.sdp?profile=profile_1",
        "media/stream.sdp?profile=Profile_1&x=1", "media/stream.sdp?profile=Profile_",
        "media/stream.sdp?profile= "}) {
    TProfileInfo info = PatternedInfo();
    const TProfileInfo before = info;
    int code = -1;
    const std::string printed = CaptureStdout([&] { code = handler.HandleUrl(url, &info); });
    EXPECT_EQ(STRELL_ERR_NOT_FOUND, code) << url;
    EXPECT_EQ(std::string(kHandleUrlLine) + (std::strchr(url, '=') + 1) + "\n", printed);
    EXPECT_EQ(0, std::memcmp(&before, &info, sizeof info)) << url;
  }
  EXPECT_TRUE(spy.urls.empty()) << "a claimed URL is never passed on";
}

TEST_F(Media1Resolution, UrlWithoutAProfileNameGoesToTheNextHandler) {
  const std::vector<std::string> urls = {
      "media/stream.sdp?profile=", "media2/stream.sdp?profile=Profile_1",
      "media/stream.sdp?Profile_1", "live1.sdp", ""};
  for (const std::string& url : urls) {
    TProfileInfo info = PatternedInfo();
    const TProfileInfo before = info;
    int code = -1;
    EXPECT_EQ("", CaptureStdout([&] { code = handler.HandleUrl(url.c_str(), &info); }));
    EXPECT_EQ(STRELL_ERR_BAD_SOURCE, code) << "the next handler's answer, unchanged: " << url;
    EXPECT_EQ(0, std::memcmp(&before, &info, sizeof info)) << url;
  }
  EXPECT_EQ(urls, spy.urls);

  handler.next = nullptr;
  TProfileInfo info = PatternedInfo();
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, handler.HandleUrl("media/stream.sdp?profile=", &info));
}

TEST_F(Media1Resolution, NullRecordGivesElevenWithoutDelegating) {
  EXPECT_EQ(STRELL_ERR_NULL_RECORD,
            handler.HandleUrl("media/stream.sdp?profile=Profile_1", nullptr));
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, handler.HandleUrl("live1.sdp", nullptr));
  EXPECT_TRUE(spy.urls.empty());
}

TEST(Media1ProfileName, StartsAfterTheFirstMarker) {
  struct Case {
    const char* url;
    int offset;  // of the profile name; -1: none
  } const cases[] = {
      {"media/stream.sdp?profile=P", 25},
      {"x/media/stream.sdp?profile=media/stream.sdp?profile=P", 27},
      {"mmedia/stream.sdp?profile=P", 26},
      {"media/stream.sdp?prof media/stream.sdp?profile=Q", 47},
      {"media/stream.sdp?profile=", -1},
      {"media/stream.sdp?profil", -1},
      {"media2/stream.sdp?profile=P", -1},
      {"Media/stream.sdp?profile=P", -1},
      {"", -1},
  };
  for (const Case& c : cases) {
    const char* expected = c.offset >= 0 ? c.url + c.offset : nullptr;
    EXPECT_EQ(expected, getMediaOneToken(c.url)) << c.url;
  }
  EXPECT_EQ(nullptr, getMediaOneToken(nullptr));
}

TEST_F(Media1Resolution, ProfileNameIsTheWholeRestOfTheUrl) {
  media_one_test::SetProfile(1, "P&channel=2/x", "VideoEncoder1_1", nullptr, nullptr);
  handler.Parse();
  TProfileInfo info = PatternedInfo();
  CaptureStdout([&] {
    EXPECT_EQ(STRELL_OK, handler.HandleUrl("media/stream.sdp?profile=P&channel=2/x", &info));
  });
  EXPECT_EQ(223, info.profileKey);
  EXPECT_STREQ("P&channel=2/x", info.profileName);
}

TEST_F(Media1Resolution, LowerSlotAnswersForADuplicateToken) {
  media_one_test::SetProfile(1, "Profile_4", "VideoEncoder1_2", nullptr, nullptr);
  handler.Parse();
  TProfileInfo info = PatternedInfo();
  CaptureStdout([&] { handler.HandleUrl("media/stream.sdp?profile=Profile_4", &info); });
  EXPECT_EQ(223, info.profileKey);
  EXPECT_EQ(1, info.videoInfo.stream);
}

TEST_F(Media1Resolution, MediumNamingNoConfigurationIsLeftUntouched) {
  media_one_test::SetProfile(1, "Lonely", "VideoEncoder9_9", "AudioEncoder_9", "metadata2");
  handler.Parse();
  TProfileInfo info = PatternedInfo();
  int code = -1;
  const std::string printed =
      CaptureStdout([&] { code = handler.HandleUrl("media/stream.sdp?profile=Lonely", &info); });
  EXPECT_EQ(STRELL_OK, code) << "the profile resolves without the media";
  EXPECT_EQ(std::string(kHandleUrlLine) + "Lonely\n", printed);
  EXPECT_EQ(223, info.profileKey);
  EXPECT_TRUE(Untouched(info.videoInfo));
  EXPECT_TRUE(Untouched(info.audioInfo));
  EXPECT_TRUE(Untouched(info.metadataInfo));
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, handler.fillVideoConfig("VideoEncoder9_9", &info));
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, handler.fillAudioConfig("", &info));
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, handler.fillMetadataConfig("metadata2", &info));
}

TEST(Media1Multicast, CopiesAddressBoundedAndPortOnly) {
  COnvifMediaOneEncodeInfo record;
  record.address = std::string(300, 'a');
  record.port = 554;
  record.ttl = 64;
  TProfileInfo info = PatternedInfo();
  fillMulticast(record, info.videoInfo);
  EXPECT_EQ(std::string(255, 'a'), info.videoInfo.ipAddress);
  EXPECT_EQ(554, info.videoInfo.port);
  EXPECT_EQ(kUntouched, info.videoInfo.ttl);
  EXPECT_EQ(kUntouched, info.videoInfo.mediaTask);
}

TEST(Media1TokenRule, ChannelIsTheOneCharacterBeforeTheFirstUnderscore) {
  struct Case {
    const char* token;
    int result, channel, stream;
  } const cases[] = {
      {"VideoEncoder1_2", 0, 1, 2},
      {"VideoEncoder12_3", 0, 2, 3},
      {"V1_2_3", 0, 1, 2},
      {"_5", 0, 0, 5},
      {"x_", 0, 0, 0},
      {"a_b", 0, 0, 0},
      {"1_ 7", 0, 1, 7},
      {"1_-3", 0, 1, -3},
      {"1_15x", 0, 1, 15},
      {"metadata1", -1, 77, 88},
      {"", -1, 77, 88},
  };
  for (const Case& c : cases) {
    int channel = 77, stream = 88, result = 99;
    const std::string printed = CaptureStdout(
        [&] { result = parseOnvifTokenToExtractChannelStream(c.token, channel, stream); });
    EXPECT_EQ(c.result, result) << c.token;
    EXPECT_EQ(c.channel, channel) << c.token;
    EXPECT_EQ(c.stream, stream) << c.token;
    const std::string line = c.result == 0 ? "token = " + std::string(c.token) +
                                                 " channel = " + std::to_string(c.channel) +
                                                 ", stream = " + std::to_string(c.stream) + "\n"
                                           : "";
    EXPECT_EQ(line, printed);
  }
}

TEST(Media1TokenRule, SourceTokenConvertsToConfigurationNumbering) {
  struct Case {
    const char* token;
    int channel, stream;
  } const cases[] = {
      {"VideoEncoder1_2", 0, 1}, {"VideoEncoder2_1", 1, 0}, {"metadata1", -1, -1}, {"_1", -1, 0}};
  for (const Case& c : cases) {
    int channel = 77, stream = 88;
    CaptureStdout([&] { getvideoChannelAndStreamByOnvifSource(c.token, channel, stream); });
    EXPECT_EQ(c.channel, channel) << c.token;
    EXPECT_EQ(c.stream, stream) << c.token;
  }
}

TEST_F(Media1Lists, VideoStreamListsMatchesAfterExistingKeysThenTheNextHandler) {
  const std::string token11 = "token = VideoEncoder1_1 channel = 1, stream = 1\n";
  const std::string token12 = "token = VideoEncoder1_2 channel = 1, stream = 2\n";
  const std::string token21 = "token = VideoEncoder2_1 channel = 2, stream = 1\n";
  struct Case {
    int channel, stream;
    std::vector<int> keys;
    std::string printed;
  } const cases[] = {
      {0,
       0,
       {7, 8, 222, 999},
       token11 + "[profileList->profileCount = 2, profile.profileKey = 222\n" + token12 + token21},
      {0,
       1,
       {7, 8, 224, 999},
       token11 + token12 + "[profileList->profileCount = 2, profile.profileKey = 224\n" + token21},
      {1,
       0,
       {7, 8, 225, 999},
       token11 + token12 + token21 + "[profileList->profileCount = 2, profile.profileKey = 225\n"},
      {1, 1, {7, 8, 999}, token11 + token12 + token21},
      {-1, -1, {7, 8, 999}, token11 + token12 + token21},
  };
  for (const Case& c : cases) {
    TProfileList list = strell_test::EmptyList();
    list.profileCount = 2;
    list.profileKeys[0] = 7;
    list.profileKeys[1] = 8;
    int code = -1;
    const std::string printed = CaptureStdout(
        [&] { code = handler.GetProfileListByVideoStream(c.channel, c.stream, &list); });
    EXPECT_EQ(STRELL_OK, code) << "the next handler's answer is discarded";
    EXPECT_EQ(c.printed, printed) << c.channel << "/" << c.stream;
    EXPECT_EQ(c.keys, std::vector<int>(list.profileKeys, list.profileKeys + list.profileCount));
  }
}

TEST_F(Media1Lists, AudioStreamListsEveryProfileWithAudioSilently) {
  for (int stream : {0, 1, 5, -3}) {
    TProfileList list = strell_test::EmptyList();
    int code = -1;
    EXPECT_EQ("",
              CaptureStdout([&] { code = handler.GetProfileListByAudioStream(4, stream, &list); }));
    EXPECT_EQ(STRELL_OK, code);
    EXPECT_EQ((std::vector<int>{222, 224, 999}),
              std::vector<int>(list.profileKeys, list.profileKeys + list.profileCount));
  }
}

TEST_F(Media1Lists, FullOrNegativeListTakesNoKeyAndPrintsNoListLine) {
  handler.next = nullptr;
  for (int count : {STRELL_MAX_PROFILE_KEYS, -1}) {
    TProfileList list = strell_test::EmptyList();
    list.profileCount = count;
    const TProfileList before = list;
    const std::string printed =
        CaptureStdout([&] { handler.GetProfileListByVideoStream(0, 0, &list); });
    EXPECT_EQ(std::string::npos, printed.find("[profileList")) << count;
    handler.GetProfileListByAudioStream(0, 0, &list);
    EXPECT_EQ(0, std::memcmp(&before, &list, sizeof list)) << count;
  }
  TProfileList list = strell_test::EmptyList();
  list.profileCount = STRELL_MAX_PROFILE_KEYS - 1;
  handler.GetProfileListByAudioStream(0, 0, &list);
  EXPECT_EQ(STRELL_MAX_PROFILE_KEYS, list.profileCount) << "222 fits, 224 does not";
  EXPECT_EQ(222, list.profileKeys[STRELL_MAX_PROFILE_KEYS - 1]);
}

TEST_F(Media1Lists, ExportsPutMediaOneKeysFirst) {
  Context context;
  ASSERT_EQ(STRELL_OK, context.Parse());
  TProfileList list = strell_test::EmptyList();
  list.profileCount = 1;
  list.profileKeys[0] = 5;
  CaptureStdout([&] {
    EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(context.handle(), 0, 1, &list));
    EXPECT_EQ(STRELL_OK, Strell_GetProfileListByAudioStream(context.handle(), 0, 0, &list));
  });
  // Keys of the later handlers may follow each query's Media1 keys.
  ASSERT_GE(list.profileCount, 4);
  EXPECT_EQ(5, list.profileKeys[0]);
  EXPECT_EQ(224, list.profileKeys[1]);
  std::vector<int> mediaOne;
  for (int i = 2; i < list.profileCount; ++i) {
    if (list.profileKeys[i] >= 222 && list.profileKeys[i] <= 225)
      mediaOne.push_back(list.profileKeys[i]);
  }
  EXPECT_EQ((std::vector<int>{222, 224}), mediaOne);
}

}  // namespace
