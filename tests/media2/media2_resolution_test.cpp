// Resolving Media2 URLs and listing Media2 profiles, on the handler alone.
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "media2/media2_test_support.h"
#include "media2/url_media_two.h"

namespace {

using media2_test::kAudioFile;
using media2_test::kProfileFile;
using media2_test::Media2Reads;
using media2_test::MetadataFile;
using media2_test::MulticastKey;
using media2_test::RecordingHandler;
using media2_test::SetMulticast;
using media2_test::SetSlot;
using media2_test::VideoFile;
using strell_test::EmptyList;
using strell_test::FakeHostTest;
using strell_test::PatternedInfo;

bool SameBytes(const TMediaEncodeConfig& a, const TMediaEncodeConfig& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Media2Url, TokenIsTheWholeRestAfterTheFirstMarker) {
  EXPECT_STREQ("media2/stream.sdp?profile=", MEDIA2_STREAMSDP_TOKEN);
  struct Case {
    const char* url;
    const char* token;  // null: not a Media2 URL
  } const cases[] = {
      {"media2/stream.sdp?profile=P1", "P1"},
      {"rtsp://10.0.0.1/media2/stream.sdp?profile=P1&x=1", "P1&x=1"},
      {"xmedia2/stream.sdp?profile=a/b c", "a/b c"},
      {"media2/stream.sdp?profile=media2/stream.sdp?profile=", "media2/stream.sdp?profile="},
      {"media2/stream.sdp?profile=", nullptr},
      {"media/stream.sdp?profile=P1", nullptr},
      {"Media2/stream.sdp?profile=P1", nullptr},
      {"media2/stream.sdp?Profile=P1", nullptr},
      {"", nullptr},
      {nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const char* token = checkIsMedia2(c.url);
    if (c.token == nullptr) {
      EXPECT_EQ(nullptr, token) << (c.url ? c.url : "(null)");
    } else {
      ASSERT_NE(nullptr, token) << c.url;
      EXPECT_STREQ(c.token, token);
      EXPECT_EQ(c.url + std::strlen(c.url) - std::strlen(c.token), token);  // points into url
    }
  }
}

TEST(Media2Url, MarkerIsReadAtEveryCall) {
  const char* const saved = MEDIA2_STREAMSDP_TOKEN;
  MEDIA2_STREAMSDP_TOKEN = "m2?p=";
  EXPECT_STREQ("T", checkIsMedia2("m2?p=T"));
  MEDIA2_STREAMSDP_TOKEN = saved;
  EXPECT_EQ(nullptr, checkIsMedia2("m2?p=T"));
}

TEST(Media2Source, ParsesWithTheRulesOfScanfCdSd) {
  struct Case {
    const char* source;
    EStrellErrno code;
    int channel, stream;  // both start at 77
    bool overflows;       // sscanf itself is undefined for these
  } const cases[] = {
      {"c1s0", STRELL_OK, 1, 0, false},
      {"c1s0x", STRELL_OK, 1, 0, false},
      {"c12s34", STRELL_OK, 12, 34, false},
      {"c 3s\t4", STRELL_OK, 3, 4, false},
      {"c+3s-4", STRELL_OK, 3, -4, false},
      {"c007s010", STRELL_OK, 7, 10, false},
      {"c1", STRELL_ERR_BAD_SOURCE, 1, 77, false},
      {"c1s", STRELL_ERR_BAD_SOURCE, 1, 77, false},
      {"c1sx", STRELL_ERR_BAD_SOURCE, 1, 77, false},
      {"c1s-", STRELL_ERR_BAD_SOURCE, 1, 77, false},
      {"c1 s0", STRELL_ERR_BAD_SOURCE, 1, 77, false},
      {"c1S0", STRELL_ERR_BAD_SOURCE, 1, 77, false},
      {"c0x1s0", STRELL_ERR_BAD_SOURCE, 0, 77, false},
      {"c-s0", STRELL_ERR_BAD_SOURCE, 77, 77, false},
      {"c+-1s0", STRELL_ERR_BAD_SOURCE, 77, 77, false},
      {"video0", STRELL_ERR_BAD_SOURCE, 77, 77, false},
      {" c1s0", STRELL_ERR_BAD_SOURCE, 77, 77, false},
      {"C1s0", STRELL_ERR_BAD_SOURCE, 77, 77, false},
      {"", STRELL_ERR_BAD_SOURCE, 77, 77, false},
      {"c2147483647s-2147483648", STRELL_OK, INT_MAX, INT_MIN, false},
      {"c2147483648s-2147483649", STRELL_OK, INT_MAX, INT_MIN, true},
      {"c99999999999999999999s-99999999999999999999x", STRELL_OK, INT_MAX, INT_MIN, true},
      {"c99999999999999999999", STRELL_ERR_BAD_SOURCE, INT_MAX, 77, true},
  };
  for (const Case& c : cases) {
    int channel = 77, stream = 77;
    EXPECT_EQ(c.code, extractChannelStreamFromStreamProfile(c.source, channel, stream))
        << '"' << c.source << '"';
    EXPECT_EQ(c.channel, channel) << '"' << c.source << '"';
    EXPECT_EQ(c.stream, stream) << '"' << c.source << '"';
    if (!c.overflows) {  // where sscanf is defined, agree with it
      int scanChannel = 77, scanStream = 77;
      const int converted = std::sscanf(c.source, "c%ds%d", &scanChannel, &scanStream);
      EXPECT_EQ(c.code == STRELL_OK, converted == 2) << '"' << c.source << '"';
      EXPECT_EQ(scanChannel, channel) << '"' << c.source << '"';
      EXPECT_EQ(scanStream, stream) << '"' << c.source << '"';
    }
  }
  int channel = 5, stream = 6;
  EXPECT_EQ(STRELL_ERR_BAD_SOURCE, extractChannelStreamFromStreamProfile(nullptr, channel, stream));
}

// A loaded handler: slot 2 "P1" with every medium (video c1s0), slot 5 "P5"
// with metadata only.
class Media2Resolution : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    SetSlot(2, "token", "P1");
    SetSlot(2, "videoconfiguration/enable", "1");
    SetSlot(2, "videoconfiguration/source", "c1s0");
    SetSlot(2, "audioconfiguration/enable", "1");
    SetSlot(2, "audioconfiguration/source", "c1s1");  // plays no part
    SetSlot(2, "metadataconfiguration/enable", "1");
    SetSlot(5, "token", "P5");
    SetSlot(5, "metadataconfiguration/enable", "1");
    SetMulticast(VideoFile(1), "videoin", 1, 0, "5560", "239.0.0.1", "16");
    SetMulticast(kAudioFile, "audioin", 0, 0, "5562", "239.0.0.2", "8");
    SetMulticast(MetadataFile(0), "metadata", 0, 0, "5564", "239.0.0.3", "4");
    handler.Parse();
    fake_host::ClearLog();
  }

  int Resolve(const char* url) { return handler.HandleUrl(url, &info); }

  CUrlMediaTwo handler;
  TProfileInfo info = PatternedInfo();
};

TEST_F(Media2Resolution, FillsKeyNameAndEveryCarriedMediumFromItsFile) {
  EXPECT_EQ(STRELL_OK, Resolve("rtsp://cam/media2/stream.sdp?profile=P1"));
  EXPECT_EQ(335, info.profileKey);
  EXPECT_STREQ("P1", info.profileName);
  struct Expected {
    const TMediaEncodeConfig& got;
    int channel, stream, port;
    const char* address;
    int ttl;
  } const media[] = {{info.videoInfo, 1, 0, 5560, "239.0.0.1", 16},
                     {info.audioInfo, 0, 0, 5562, "239.0.0.2", 8},
                     {info.metadataInfo, 0, 0, 5564, "239.0.0.3", 4}};
  for (const Expected& m : media) {
    EXPECT_EQ(1, m.got.mediaTask);
    EXPECT_EQ(m.channel, m.got.channel);
    EXPECT_EQ(m.stream, m.got.stream);
    EXPECT_EQ(m.port, m.got.port);
    EXPECT_STREQ(m.address, m.got.ipAddress);
    EXPECT_EQ(m.ttl, m.got.ttl);
  }
  // Nine reads, nothing from the stream-profile file: it was loaded by Parse.
  std::vector<std::string> expected;
  for (const auto& place : {std::make_pair(VideoFile(1), std::string("videoin")),
                            std::make_pair(std::string(kAudioFile), std::string("audioin")),
                            std::make_pair(MetadataFile(0), std::string("metadata"))}) {
    const int channel = place.second == "videoin" ? 1 : 0;
    for (const char* field : {"port", "ipaddress", "ttl"}) {
      expected.push_back(place.first + " " + MulticastKey(place.second, channel, 0, field));
    }
  }
  std::vector<std::string> reads;
  for (const fake_host::XmlRead& read : fake_host::XmlReads()) {
    EXPECT_TRUE(read.zeroedBuffer);
    reads.push_back(read.file + " " + read.key);
  }
  EXPECT_EQ(expected, reads);
}

TEST_F(Media2Resolution, MediaTheProfileDoesNotCarryKeepTheCallersValues) {
  const TProfileInfo before = info;
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=P5"));
  EXPECT_EQ(338, info.profileKey);
  EXPECT_TRUE(SameBytes(before.videoInfo, info.videoInfo));
  EXPECT_TRUE(SameBytes(before.audioInfo, info.audioInfo));
  EXPECT_EQ(5564, info.metadataInfo.port);
}

TEST_F(Media2Resolution, MissingMulticastValuesReadAsZeroAndEmpty) {
  fake_host::FailFile(VideoFile(1));
  fake_host::FailFile(kAudioFile);
  fake_host::FailFile(MetadataFile(0));
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=P1"));
  for (const TMediaEncodeConfig* m : {&info.videoInfo, &info.audioInfo, &info.metadataInfo}) {
    EXPECT_EQ(1, m->mediaTask);
    EXPECT_EQ(0, m->port);
    EXPECT_STREQ("", m->ipAddress);
    EXPECT_EQ(0, m->ttl);
  }
  EXPECT_EQ(1, info.videoInfo.channel);
}

TEST_F(Media2Resolution, BadVideoSourceWritesKeyAndNameOnly) {
  for (const char* source : {"video0", "", "c1", "c1 s0", "s0c1"}) {
    SetSlot(2, "videoconfiguration/source", source);
    handler.Parse();
    fake_host::ClearLog();
    info = PatternedInfo();
    const TProfileInfo before = info;
    EXPECT_EQ(STRELL_ERR_BAD_SOURCE, Resolve("media2/stream.sdp?profile=P1")) << source;
    EXPECT_EQ(335, info.profileKey);
    EXPECT_STREQ("P1", info.profileName);
    EXPECT_TRUE(SameBytes(before.videoInfo, info.videoInfo)) << source;
    EXPECT_TRUE(SameBytes(before.audioInfo, info.audioInfo)) << source;
    EXPECT_TRUE(SameBytes(before.metadataInfo, info.metadataInfo)) << source;
    EXPECT_TRUE(fake_host::XmlReads().empty());
  }
}

TEST_F(Media2Resolution, UnmatchedTokenIsClaimedAndLeavesTheRecordAlone) {
  RecordingHandler next;
  handler.next = &next;
  const TProfileInfo before = info;
  for (const char* url : {"media2/stream.sdp?profile=P1&x=1", "media2/stream.sdp?profile=p1",
                          "media2/stream.sdp?profile=P10", "media2/stream.sdp?profile=P",
                          "media2/stream.sdp?profile=P1 "}) {
    EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve(url)) << url;
  }
  EXPECT_EQ(0, std::memcmp(&before, &info, sizeof info));
  EXPECT_TRUE(next.urls.empty());
}

TEST_F(Media2Resolution, OtherUrlsGoToTheNextHandlerOrEndAtEight) {
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve("media2/stream.sdp?profile="));
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve("live1.sdp"));
  RecordingHandler next;
  handler.next = &next;
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, Resolve("media2/stream.sdp?profile="));
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, Resolve("media/stream.sdp?profile=P1"));
  EXPECT_EQ((std::vector<std::string>{"media2/stream.sdp?profile=", "media/stream.sdp?profile=P1"}),
            next.urls);
}

TEST_F(Media2Resolution, NullRecordGivesElevenWithoutDelegating) {
  RecordingHandler next;
  handler.next = &next;
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, handler.HandleUrl("media2/stream.sdp?profile=P1", nullptr));
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, handler.HandleUrl("live1.sdp", nullptr));
  EXPECT_TRUE(next.urls.empty());
}

TEST_F(Media2Resolution, LowerSlotWinsAndEmptyTokenFindsTheFirstEmptySlot) {
  SetSlot(0, "token", "T0");
  SetSlot(4, "token", "dup");
  SetSlot(7, "token", "dup");
  handler.Parse();
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=dup"));
  EXPECT_EQ(337, info.profileKey);
  // Only a direct call can ask for the empty token; slot 1 is the first
  // slot the file leaves without one.
  EXPECT_EQ(STRELL_OK, handler.handleMedia2Url("", &info));
  EXPECT_EQ(334, info.profileKey);
  EXPECT_STREQ("", info.profileName);
}

TEST_F(Media2Resolution, MulticastChangeTakesEffectWithoutReload) {
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=P1"));
  EXPECT_EQ(5560, info.videoInfo.port);
  SetMulticast(VideoFile(1), "videoin", 1, 0, "6000", "239.9.9.9", "1");
  fake_host::Erase(kAudioFile, MulticastKey("audioin", 0, 0, "port"));
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=P1"));
  EXPECT_EQ(6000, info.videoInfo.port);
  EXPECT_STREQ("239.9.9.9", info.videoInfo.ipAddress);
  EXPECT_EQ(1, info.videoInfo.ttl);
  EXPECT_EQ(0, info.audioInfo.port);
  for (const fake_host::XmlRead& read : Media2Reads()) EXPECT_NE(kProfileFile, read.file);
}

TEST(Media2Empty, BeforeParseEveryTokenIsNotFound) {
  CUrlMediaTwo handler;
  TProfileInfo info = PatternedInfo();
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, handler.HandleUrl("media2/stream.sdp?profile=P1", &info));
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, handler.handleMedia2Url("", &info));
  TProfileList list = EmptyList();
  EXPECT_EQ(STRELL_OK, handler.GetProfileListByAudioStream(0, 0, &list));
  EXPECT_EQ(0, list.profileCount);
}

// Video sources by slot; "-" leaves video disabled (its source still in the file).
class Media2Lists : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    const char* const video[] = {"c0s1", "c0s1x", "-", "c1s1", "bad",
                                 "c0",   "c0s0",  "-", "c0s1", "-"};
    for (int slot = 0; slot < 10; ++slot) {
      const bool enabled = std::strcmp(video[slot], "-") != 0;
      SetSlot(slot, "videoconfiguration/enable", enabled ? "1" : "0");
      SetSlot(slot, "videoconfiguration/source", enabled ? video[slot] : "c0s1");
    }
    for (int slot : {2, 7}) {
      SetSlot(slot, "audioconfiguration/enable", "1");
      SetSlot(slot, "audioconfiguration/source", "c1s1");
    }
    handler.Parse();
  }

  std::vector<int> Keys(const TProfileList& list) {
    return std::vector<int>(list.profileKeys, list.profileKeys + list.profileCount);
  }

  CUrlMediaTwo handler;
};

TEST_F(Media2Lists, VideoMatchesTheParsedSourceOfEnabledVideo) {
  struct Case {
    int channel, stream;
    std::vector<int> keys;
  } const cases[] = {
      {0, 1, {333, 334, 341}},
      {1, 1, {336}},
      {0, 0, {339}},
      {2, 0, {}},
      // A number that does not parse stays -1: "bad" and "c0" match only
      // negative queries, never a real channel and stream.
      {-1, -1, {337}},
      {0, -1, {338}},
  };
  for (const Case& c : cases) {
    TProfileList list = EmptyList();
    EXPECT_EQ(STRELL_OK, handler.GetProfileListByVideoStream(c.channel, c.stream, &list));
    EXPECT_EQ(c.keys, Keys(list)) << c.channel << "," << c.stream;
  }
}

TEST_F(Media2Lists, AudioListsEveryProfileWithAudioWhateverTheChannel) {
  for (int channel : {0, 1, 5}) {
    TProfileList list = EmptyList();
    EXPECT_EQ(STRELL_OK, handler.GetProfileListByAudioStream(channel, 9, &list));
    EXPECT_EQ((std::vector<int>{335, 340}), Keys(list));
  }
}

TEST_F(Media2Lists, AppendsAfterExistingKeysAndStopsAtCapacity) {
  TProfileList list = EmptyList();
  list.profileCount = 3;
  list.profileKeys[2] = 42;
  handler.GetProfileListByAudioStream(0, 0, &list);
  EXPECT_EQ((std::vector<int>{0, 0, 42, 335, 340}), Keys(list));

  list.profileCount = STRELL_MAX_PROFILE_KEYS - 1;
  handler.GetProfileListByVideoStream(0, 1, &list);
  EXPECT_EQ(STRELL_MAX_PROFILE_KEYS, list.profileCount);
  EXPECT_EQ(333, list.profileKeys[STRELL_MAX_PROFILE_KEYS - 1]);

  list.profileCount = -1;
  handler.GetProfileListByVideoStream(0, 1, &list);
  EXPECT_EQ(-1, list.profileCount);
  EXPECT_EQ(STRELL_OK, handler.GetProfileListByVideoStream(0, 1, nullptr));
}

TEST_F(Media2Lists, QueriesGoOnToTheNextHandlerAfterOwnKeys) {
  RecordingHandler next;
  handler.next = &next;
  TProfileList list = EmptyList();
  EXPECT_EQ(STRELL_OK, handler.GetProfileListByVideoStream(1, 1, &list));
  EXPECT_EQ(STRELL_OK, handler.GetProfileListByAudioStream(1, 1, &list));
  EXPECT_EQ((std::vector<int>{336, 999, 335, 340, 998}), Keys(list));
}

}  // namespace
