// What strell-rtspd streams for a resolved record.
#include "rtspd/rtspd_plan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace strell_rtspd {
namespace {

void Carry(TMediaEncodeConfig& medium, int mediaTask = 1, const char* address = "239.0.0.1",
           int port = 5000, int ttl = 5) {
  medium.mediaTask = mediaTask;
  std::snprintf(medium.ipAddress, sizeof medium.ipAddress, "%s", address);
  medium.port = port;
  medium.ttl = ttl;
}

// Payloader i carries stream i of the SDP, so the names count the streamed media only.
TEST(RtspdPlan, OnlyMediaTaskOneIsStreamedInVideoAudioMetadataOrder) {
  struct Case {
    int video, audio, metadata;  // each medium's mediaTask
    std::size_t streamed;
    const char* last;  // the last payloader
  };
  const Case cases[] = {
      {1, 0, 1, 2, "rtpgstpay name=pay1 pt=96"},
      {2, 1, -1, 1, "rtppcmupay name=pay0 pt=0"},
      {0, 2, -1, 0, ""},
  };
  for (const Case& c : cases) {
    TProfileInfo info{};
    Carry(info.videoInfo, c.video);
    Carry(info.audioInfo, c.audio);
    Carry(info.metadataInfo, c.metadata);
    const MediaPlan plan = PlanMedia(info, VideoFrame{{640, 480}, "configured"});
    EXPECT_EQ(c.streamed, plan.streams.size()) << plan.launch;
    EXPECT_NE(std::string::npos, plan.launch.find(c.last)) << plan.launch;
    EXPECT_EQ(c.streamed == 0, plan.launch.empty());
  }
}

// Channel and stream come from the host: any int gives a valid source, and viewers tell them apart.
TEST(RtspdPlan, SourcesStayValidForAnyChannelAndStream) {
  for (int n : {INT_MIN, -1, 0, 1, 2, 3, 8, INT_MAX}) {
    const FrameSize size = FallbackFrameSize(n);
    EXPECT_TRUE(size.width > 0 && size.width % 8 == 0 && size.height % 8 == 0) << n;
    EXPECT_NE(nullptr, VideoPattern(n)) << n;
    for (int hz : {ToneFrequency(n, INT_MIN), ToneFrequency(n, 0), ToneFrequency(n, INT_MAX)}) {
      EXPECT_TRUE(hz >= 110 && hz < 4000) << n;
    }
  }
  EXPECT_STRNE(VideoPattern(0), VideoPattern(1));
  // 440 Hz times (channel + 1), plus 110 Hz per stream.
  EXPECT_EQ(440, ToneFrequency(0, 0));
  EXPECT_EQ(550, ToneFrequency(0, 1));
  EXPECT_EQ(880, ToneFrequency(1, 0));
}

TEST(RtspdPlan, MulticastNeedsAnIpv4GroupAPortPairAndATtl) {
  struct Case {
    const char* address;
    int port, ttl;
    const char* reason;  // empty when offered
  };
  const Case cases[] = {
      {"224.0.0.1", 1, 1, ""},
      {"239.0.0.1", 65534, 255, ""},
      {"239.0.0.1", 5000, kTtlNotGiven, ""},
      {"", 5000, 5, "no multicast address"},
      {"240.0.0.1", 5000, 5, "\"240.0.0.1\" is not an IPv4 multicast address"},
      {"239.0.0", 5000, 5, "\"239.0.0\" is not an IPv4 multicast address"},
      // The server listens on IPv4 loopback only, so an IPv6 group is not offered.
      {"ff05::2:13", 5000, 5,
       "\"ff05::2:13\" is an IPv6 address and the server has IPv4 loopback only"},
      {"239.0.0.1", 0, 5, "multicast port 0 is outside 1..65534"},
      {"239.0.0.1", 65535, 5, "multicast port 65535 is outside 1..65534"},
      {"239.0.0.1", 5000, 0, "multicast TTL 0 is outside 1..255"},
      {"239.0.0.1", 5000, 256, "multicast TTL 256 is outside 1..255"},
  };
  for (const Case& c : cases) {
    TProfileInfo info{};
    Carry(info.videoInfo, 1, c.address, c.port, c.ttl);
    const MediaPlan plan = PlanMedia(info, VideoFrame{{640, 480}, "configured"});
    ASSERT_EQ(1u, plan.streams.size());
    const ServedStream& stream = plan.streams[0];
    EXPECT_EQ(c.reason[0] == '\0', stream.multicast) << c.address;
    EXPECT_EQ(c.reason, stream.noMulticastReason) << c.address;
    // A handler that gives no TTL gets the server's default.
    EXPECT_EQ(c.ttl == kTtlNotGiven ? kDefaultMulticastTtl : c.ttl, stream.group.ttl);
  }
}

// The metadata source makes buffers of the line's length, which the server fills with it; the
// record's texts may lack their terminating NUL.
TEST(RtspdPlan, MetadataIsALineNamingTheProfileChannelAndStream) {
  TProfileInfo info{};
  info.profileKey = 222;
  std::snprintf(info.profileName, sizeof info.profileName, "Profile_1");
  Carry(info.videoInfo);
  Carry(info.metadataInfo);
  info.metadataInfo.channel = 1;
  info.metadataInfo.stream = 2;
  MediaPlan plan = PlanMedia(info, VideoFrame{{640, 480}, "configured"});
  ASSERT_EQ(2u, plan.streams.size());
  EXPECT_EQ("strell-rtspd metadata: profile 222 Profile_1, channel 1, stream 2\n",
            plan.streams[1].metadataText);
  EXPECT_NE(std::string::npos, plan.launch.find("fakesrc name=metadata1 ")) << plan.launch;
  EXPECT_NE(std::string::npos, plan.launch.find(" sizemax=66 ")) << plan.launch;

  std::memset(info.profileName, 'n', sizeof info.profileName);
  std::memset(info.metadataInfo.ipAddress, '9', sizeof info.metadataInfo.ipAddress);
  plan = PlanMedia(info, VideoFrame{{640, 480}, "configured"});
  ASSERT_EQ(2u, plan.streams.size());
  EXPECT_EQ(0u, plan.streams[1].metadataText.find("strell-rtspd metadata: profile 222 " +
                                                  std::string(255, 'n') + ", channel 1"));
  EXPECT_FALSE(plan.streams[1].multicast);
  EXPECT_EQ(256u, plan.streams[1].group.address.size());
}

}  // namespace
}  // namespace strell_rtspd
