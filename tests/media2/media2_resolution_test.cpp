// Resolving Media2 URLs and listing Media2 profiles.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "media2/url_media_two.h"
#include "unit/camera_fixture.h"

namespace strell_test {
namespace {

// Slot 2 "P1" with every medium (video c1s0), slot 5 "P5" with metadata only;
// a spy after the handler.
class Media2Resolution : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    SetStreamProfile(2, "token", "P1");
    SetStreamProfile(2, "videoconfiguration/enable", "1");
    SetStreamProfile(2, "videoconfiguration/source", "c1s0");
    SetStreamProfile(2, "audioconfiguration/enable", "1");
    SetStreamProfile(2, "audioconfiguration/source", "c1s1");  // plays no part
    SetStreamProfile(2, "metadataconfiguration/enable", "1");
    SetStreamProfile(5, "token", "P5");
    SetStreamProfile(5, "metadataconfiguration/enable", "1");
    SetMulticast(VideoInFile(1), "videoin", 1, 0, "5560", "239.0.0.1", "16");
    SetMulticast(kAudioIn, "audioin", 0, 0, "5562", "239.0.0.2", "8");
    SetMulticast(MetadataFile(0), "metadata", 0, 0, "5564", "239.0.0.3", "4");
    handler.next = &spy;
    Reload();
  }
  void Reload() {
    handler.Parse();
    fake_host::ClearLog();
  }
  int Resolve(const char* url) {
    info = PatternedInfo();
    return handler.HandleUrl(url, &info);
  }
  std::string Record() const { return Describe(info); }

  SpyHandler spy;
  CUrlMediaTwo handler;
  TProfileInfo info;
};

TEST_F(Media2Resolution, CarriedMediaComeFromTheirFilesAtResolution) {
  EXPECT_EQ(STRELL_OK, Resolve("rtsp://cam/media2/stream.sdp?profile=P1"));
  // Audio and metadata always come from channel 0, stream 0.
  EXPECT_EQ(
      "335 P1 | 1 1/0 239.0.0.1:5560 ttl 16 | 1 0/0 239.0.0.2:5562 ttl 8 | "
      "1 0/0 239.0.0.3:5564 ttl 4",
      Record());
  const std::pair<std::string, std::string> places[] = {
      {VideoInFile(1), MulticastKey("videoin", 1, 0, "")},
      {kAudioIn, MulticastKey("audioin", 0, 0, "")},
      {MetadataFile(0), MulticastKey("metadata", 0, 0, "")}};
  std::vector<std::string> expected;
  for (const auto& [file, key] : places) {
    for (const char* field : {"port", "ipaddress", "ttl"})
      expected.push_back(file + " " + key + field);
  }
  EXPECT_EQ(expected, ReadsOf("/")) << "nothing from the stream-profile file";
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=P5"));
  EXPECT_EQ("338 P5 | - -/- -:- ttl - | - -/- -:- ttl - | 1 0/0 239.0.0.3:5564 ttl 4", Record());
  EXPECT_TRUE(spy.urls.empty());
}

TEST_F(Media2Resolution, MarkedUrlIsClaimedFoundOrNotAndAnyOtherHandedOn) {
  struct Case {
    const char* url;
    int code;  // 4: the spy's, the URL was handed on
  } const cases[] = {
      {"media2/stream.sdp?profile=P1", STRELL_OK},
      // The token is the whole rest of the URL, after the first marker.
      {"media2/stream.sdp?profile=P1&x=1", STRELL_ERR_NOT_FOUND},
      {"media2/stream.sdp?profile=media2/stream.sdp?profile=P1", STRELL_ERR_NOT_FOUND},
      {"media2/stream.sdp?profile=p1", STRELL_ERR_NOT_FOUND},
      {"media2/stream.sdp?profile=P10", STRELL_ERR_NOT_FOUND},
      {"media2/stream.sdp?profile=P", STRELL_ERR_NOT_FOUND},
      {"media2/stream.sdp?profile=P1 ", STRELL_ERR_NOT_FOUND},
      {"media2/stream.sdp?profile=", STRELL_ERR_CONFIG_READ},  // no token
      {"media/stream.sdp?profile=P1", STRELL_ERR_CONFIG_READ},
      {"Media2/stream.sdp?profile=P1", STRELL_ERR_CONFIG_READ},
      {"media2/stream.sdp?Profile=P1", STRELL_ERR_CONFIG_READ},
      {"", STRELL_ERR_CONFIG_READ},
  };
  std::vector<std::string> handedOn;
  for (const Case& c : cases) {
    EXPECT_EQ(c.code, Resolve(c.url)) << c.url;
    if (c.code != STRELL_OK) {
      EXPECT_TRUE(SameBytes(PatternedInfo(), info)) << c.url;
    }
    if (c.code == STRELL_ERR_CONFIG_READ) handedOn.push_back(c.url);
  }
  EXPECT_EQ(handedOn, spy.urls);
  // Firmware may point the marker elsewhere; it is read at every call.
  const char* const saved = MEDIA2_STREAMSDP_TOKEN;
  MEDIA2_STREAMSDP_TOKEN = "m2?p=";
  EXPECT_EQ(STRELL_OK, Resolve("m2?p=P1"));
  MEDIA2_STREAMSDP_TOKEN = saved;
}

TEST_F(Media2Resolution, MissingMulticastValuesReadAsZeroAndEmpty) {
  for (const std::string& file : {VideoInFile(1), std::string(kAudioIn), MetadataFile(0)}) {
    fake_host::FailFile(file);
  }
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=P1"));
  EXPECT_EQ("335 P1 | 1 1/0 :0 ttl 0 | 1 0/0 :0 ttl 0 | 1 0/0 :0 ttl 0", Record());
}

TEST_F(Media2Resolution, BadVideoSourceWritesKeyAndNameOnly) {
  for (const char* source : {"video0", "", "c1 s0"}) {
    SetStreamProfile(2, "videoconfiguration/source", source);
    Reload();
    EXPECT_EQ(STRELL_ERR_BAD_SOURCE, Resolve("media2/stream.sdp?profile=P1")) << source;
    EXPECT_EQ("335 P1 | - -/- -:- ttl - | - -/- -:- ttl - | - -/- -:- ttl -", Record()) << source;
    EXPECT_TRUE(fake_host::XmlReads().empty());
  }
}

TEST_F(Media2Resolution, LowerSlotWinsAndEmptyTokenFindsTheFirstEmptySlot) {
  SetStreamProfile(0, "token", "T0");
  SetStreamProfile(4, "token", "dup");
  SetStreamProfile(7, "token", "dup");
  Reload();
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=dup"));
  EXPECT_EQ(337, info.profileKey);
  // Only a direct call can ask for the empty token; slot 1 is the first
  // slot the file leaves without one.
  EXPECT_EQ(STRELL_OK, handler.handleMedia2Url("", &info));
  EXPECT_EQ(334, info.profileKey);
  EXPECT_STREQ("", info.profileName);
}

TEST_F(Media2Resolution, MulticastChangeIsSeenWithoutReload) {
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=P1"));
  SetMulticast(VideoInFile(1), "videoin", 1, 0, "6000", "239.9.9.9", "1");
  fake_host::Erase(kAudioIn, MulticastKey("audioin", 0, 0, "port"));
  SetMulticast(MetadataFile(0), "metadata", 0, 0, "6004", "239.9.9.8", "2");
  EXPECT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=P1"));
  EXPECT_EQ(
      "335 P1 | 1 1/0 239.9.9.9:6000 ttl 1 | 1 0/0 239.0.0.2:0 ttl 8 | "
      "1 0/0 239.9.9.8:6004 ttl 2",
      Record());
  for (const std::string& read : ReadsOf("/")) {
    EXPECT_EQ(std::string::npos, read.find(kStreamProfiles));
  }
}

TEST_F(Media2Resolution, ListsMatchEnabledVideoByItsSourceAndEveryProfileWithAudio) {
  // Video sources by slot; "-" leaves video disabled with a source in the file.
  const char* const video[] = {"c0s1", "c0s1x", "-", "c1s1", "bad", "c0", "c0s0", "-", "c0s1", "-"};
  fake_host::Reset();
  for (int slot = 0; slot < 10; ++slot) {
    const bool enabled = std::strcmp(video[slot], "-") != 0;
    SetStreamProfile(slot, "videoconfiguration/enable", enabled ? "1" : "0");
    SetStreamProfile(slot, "videoconfiguration/source", enabled ? video[slot] : "c0s1");
  }
  for (int slot : {2, 7}) {
    SetStreamProfile(slot, "audioconfiguration/enable", "1");
    SetStreamProfile(slot, "audioconfiguration/source", "c1s1");
  }
  Reload();
  struct Case {
    bool video;
    int channel, stream;
    std::vector<int> keys;
  } const cases[] = {
      {true, 0, 1, {42, 333, 334, 341, 999}},
      {true, 1, 1, {42, 336, 999}},
      {true, 0, 0, {42, 339, 999}},
      {true, 2, 0, {42, 999}},
      // A number that does not parse stays -1: "bad" and "c0" match only
      // negative queries, never a real channel and stream.
      {true, -1, -1, {42, 337, 999}},
      {true, 0, -1, {42, 338, 999}},
      {false, 0, 0, {42, 335, 340, 999}},
      {false, 5, 9, {42, 335, 340, 999}},
  };
  for (const Case& c : cases) {
    TProfileList list = EmptyList();
    appendProfileKey(&list, 42);
    EXPECT_EQ(STRELL_OK, c.video ? handler.GetProfileListByVideoStream(c.channel, c.stream, &list)
                                 : handler.GetProfileListByAudioStream(c.channel, c.stream, &list));
    EXPECT_EQ(c.keys, Keys(list)) << (c.video ? "video " : "audio ") << c.channel << ","
                                  << c.stream;
  }
  TProfileList list = EmptyList();
  list.profileCount = STRELL_MAX_PROFILE_KEYS - 1;
  handler.next = nullptr;
  handler.GetProfileListByVideoStream(0, 1, &list);
  EXPECT_EQ(STRELL_MAX_PROFILE_KEYS, list.profileCount);
  EXPECT_EQ(333, list.profileKeys[STRELL_MAX_PROFILE_KEYS - 1]);
}

}  // namespace
}  // namespace strell_test
