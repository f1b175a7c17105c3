// Stream-server URL resolution: whole-URL access-name match, the record it
// fills, and passing unclaimed URLs on.
#include <cstring>
#include <string>

#include "streamserver/streamserver_test_support.h"
#include "streamserver/url_streamserver.h"

namespace {

using streamserver_test::RecordingHandler;
using streamserver_test::SetFullSlot;
using streamserver_test::SetSlot;
using streamserver_test::StreamserverTest;
using strell_test::PatternedInfo;

bool SameBytes(const TProfileInfo& a, const TProfileInfo& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// A stream-server handler between two recording neighbours, loaded from the
// fake host.
class StreamserverResolution : public StreamserverTest {
 protected:
  void Load() {
    handler.next = &next;
    handler.Parse();
  }
  CUrlStreamserver handler;
  RecordingHandler next{333, STRELL_ERR_BAD_SOURCE};  // a code no stream-server path yields
};

TEST_F(StreamserverResolution, AccessNameResolvesThroughTheLibrary) {
  SetFullSlot(0, "live1.sdp", 4, 0, 3);
  strell_test::Context context;
  ASSERT_EQ(STRELL_OK, context.Parse());
  TProfileInfo info = PatternedInfo();
  ASSERT_EQ(STRELL_OK, context.Resolve("live1.sdp", &info));

  EXPECT_EQ(111, info.profileKey);
  EXPECT_STREQ("live1.sdp", info.profileName);
  struct Expected {
    const TMediaEncodeConfig& medium;
    int channel, stream;
    const char* address;
    int port;
  } const media[] = {
      {info.videoInfo, 1, 1, "239.0.0.0", 5000},  // track 4, three streams per channel
      {info.audioInfo, 0, 0, "239.0.1.0", 6000},
      {info.metadataInfo, 0, 0, "239.0.2.0", 7000},  // metadata ignores its track
  };
  for (const Expected& e : media) {
    EXPECT_EQ(1, e.medium.mediaTask);
    EXPECT_EQ(e.channel, e.medium.channel);
    EXPECT_EQ(e.stream, e.medium.stream);
    EXPECT_STREQ(e.address, e.medium.ipAddress);
    EXPECT_EQ(e.port, e.medium.port);
    EXPECT_EQ(15, e.medium.ttl);  // the slot's ttl goes with every carried medium
  }
}

TEST_F(StreamserverResolution, OnlyTheWholeNameInItsOwnCaseMatchesSilently) {
  SetFullSlot(0, "live1.sdp", 0, 0, 0);
  Load();
  testing::internal::CaptureStdout();
  for (const char* url : {"/live1.sdp", "live1.sdp?x=1", "rtsp://10.0.0.1:554/live1.sdp",
                          "LIVE1.sdp", "live1.sd", "live1.sdp "}) {
    TProfileInfo info = PatternedInfo();
    const TProfileInfo before = info;
    next.urls.clear();
    EXPECT_EQ(STRELL_ERR_BAD_SOURCE, handler.HandleUrl(url, &info)) << url;
    EXPECT_EQ(1u, next.urls.size()) << url;
    if (next.urls.size() != 1u) continue;
    EXPECT_EQ(url, next.urls[0]);
    EXPECT_TRUE(SameBytes(before, info)) << url;
  }
  next.urls.clear();
  TProfileInfo info = PatternedInfo();
  EXPECT_EQ(STRELL_OK, handler.HandleUrl("live1.sdp", &info));
  EXPECT_TRUE(next.urls.empty());  // a claimed URL is not passed on
  EXPECT_EQ("", testing::internal::GetCapturedStdout());
}

TEST_F(StreamserverResolution, EachSlotResolvesWithItsOwnKeyAndTheLowestSlotWins) {
  SetFullSlot(0, "a", 0, 0, 0);
  SetFullSlot(1, "twin", 0, 0, 0);
  SetSlot(1, "enable", "0");  // the enable flag does not take part
  SetFullSlot(2, "c", 0, 0, 0);
  SetFullSlot(3, "twin", 0, 0, 0);
  Load();
  struct Case {
    const char* url;
    int key;
  } const cases[] = {{"a", 111}, {"twin", 112}, {"c", 113}};
  for (const Case& c : cases) {
    TProfileInfo info = PatternedInfo();
    EXPECT_EQ(STRELL_OK, handler.HandleUrl(c.url, &info)) << c.url;
    EXPECT_EQ(c.key, info.profileKey) << c.url;
    EXPECT_STREQ(c.url, info.profileName);
  }
}

TEST_F(StreamserverResolution, EmptyUrlMatchesTheFirstSlotWithoutAccessName) {
  SetFullSlot(0, "a", 0, 0, 0);
  SetSlot(2, "videotrack", "1");  // s1 lacks everything, s2 has no name either
  Load();
  TProfileInfo info = PatternedInfo();
  EXPECT_EQ(STRELL_OK, handler.HandleUrl("", &info));
  EXPECT_EQ(112, info.profileKey);
  EXPECT_STREQ("", info.profileName);
  TProfileInfo fromNull = PatternedInfo();
  EXPECT_EQ(STRELL_OK, handler.HandleUrl(nullptr, &fromNull));  // a null URL is the empty one
  EXPECT_TRUE(SameBytes(info, fromNull));
}

TEST_F(StreamserverResolution, MediumNotCarriedGetsTaskZeroAndNothingElse) {
  SetFullSlot(0, "novideo", -1, 0, -1);
  Load();
  TProfileInfo info = PatternedInfo();
  const TProfileInfo pattern = PatternedInfo();
  ASSERT_EQ(STRELL_OK, handler.HandleUrl("novideo", &info));
  for (const TMediaEncodeConfig* medium : {&info.videoInfo, &info.metadataInfo}) {
    EXPECT_EQ(0, medium->mediaTask);
    EXPECT_EQ(pattern.videoInfo.channel, medium->channel);
    EXPECT_EQ(pattern.videoInfo.stream, medium->stream);
    EXPECT_EQ(
        0, std::memcmp(pattern.videoInfo.ipAddress, medium->ipAddress, sizeof medium->ipAddress));
    EXPECT_EQ(pattern.videoInfo.port, medium->port);
    EXPECT_EQ(pattern.videoInfo.ttl, medium->ttl);
  }
  EXPECT_EQ(1, info.audioInfo.mediaTask);
}

TEST_F(StreamserverResolution, NullRecordIsRefusedBeforeAnythingElse) {
  SetFullSlot(0, "live1.sdp", 0, 0, 0);
  Load();
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, handler.HandleUrl("live1.sdp", nullptr));
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, handler.HandleUrl("other", nullptr));
  EXPECT_TRUE(next.urls.empty());
}

TEST_F(StreamserverResolution, UnparsedOrLastHandlerAnswersNotFound) {
  CUrlStreamserver unparsed;
  TProfileInfo info = PatternedInfo();
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, unparsed.HandleUrl("", &info));  // no slot, not even an empty one
  SetFullSlot(0, "live1.sdp", 0, 0, 0);
  unparsed.Parse();
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, unparsed.HandleUrl("live2.sdp", &info));
  EXPECT_TRUE(SameBytes(PatternedInfo(), info));
}

}  // namespace
