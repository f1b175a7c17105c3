// What strell-rtspd streams for a resolved record.
#include "rtspd/rtspd_plan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace strell_rtspd {
namespace {

void Carry(TMediaEncodeConfig& medium, int channel, int stream, const char* address, int port,
           int ttl) {
  medium.mediaTask = 1;
  medium.channel = channel;
  medium.stream = stream;
  std::snprintf(medium.ipAddress, sizeof medium.ipAddress, "%s", address);
  medium.port = port;
  medium.ttl = ttl;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(RtspdPlan, EachCarriedMediumGetsAPayloaderInVideoAudioMetadataOrder) {
  TProfileInfo info{};
  info.profileKey = 222;
  std::snprintf(info.profileName, sizeof info.profileName, "Profile_1");
  Carry(info.videoInfo, 1, 1, "239.0.0.1", 5000, 5);
  Carry(info.audioInfo, 0, 0, "239.0.0.2", 5002, 5);
  Carry(info.metadataInfo, 0, 0, "239.0.0.3", 5004, 5);

  const MediaPlan plan = PlanMedia(info, VideoFrame{{320, 240}, "configured"});
  ASSERT_EQ(3u, plan.streams.size());
  EXPECT_EQ(Medium::kVideo, plan.streams[0].medium);
  EXPECT_EQ(Medium::kAudio, plan.streams[1].medium);
  EXPECT_EQ(Medium::kMetadata, plan.streams[2].medium);
  EXPECT_TRUE(Contains(plan.launch, "pattern=ball "));
  EXPECT_TRUE(Contains(plan.launch, "width=320,height=240,"));
  EXPECT_EQ(320, plan.streams[0].frameSize.width);
  EXPECT_EQ("configured", plan.streams[0].frameSizeOrigin);
  EXPECT_TRUE(Contains(plan.launch, "rtpjpegpay name=pay0 pt=26"));
  EXPECT_TRUE(Contains(plan.launch, "freq=440 "));
  EXPECT_TRUE(Contains(plan.launch, "rtppcmupay name=pay1 pt=0"));
  EXPECT_TRUE(Contains(plan.launch, "fakesrc name=metadata2 "));
  EXPECT_TRUE(Contains(plan.launch, "rtpgstpay name=pay2 pt=96"));
  EXPECT_EQ("strell-rtspd metadata: profile 222 Profile_1, channel 0, stream 0\n",
            plan.streams[2].metadataText);
  const std::string size = "sizemax=" + std::to_string(plan.streams[2].metadataText.size()) + " ";
  EXPECT_TRUE(Contains(plan.launch, size)) << plan.launch;
  EXPECT_EQ('(', plan.launch.front());
  EXPECT_EQ(')', plan.launch.back());
}

TEST(RtspdPlan, PayloaderNamesFollowTheCarriedMediaOnly) {
  TProfileInfo info{};
  Carry(info.metadataInfo, 0, 0, "239.0.0.3", 5004, 5);
  const MediaPlan plan = PlanMedia(info, VideoFrame{});
  ASSERT_EQ(1u, plan.streams.size());
  EXPECT_TRUE(Contains(plan.launch, "rtpgstpay name=pay0 "));
  EXPECT_TRUE(Contains(plan.launch, "fakesrc name=metadata0 "));
  EXPECT_EQ("metadata0", MetadataSourceName(0));
}

TEST(RtspdPlan, OnlyMediaTaskOneCarriesAMedium) {
  for (int task : {0, -1, 2}) {
    TProfileInfo info{};
    Carry(info.videoInfo, 0, 0, "239.0.0.1", 5000, 5);
    info.videoInfo.mediaTask = task;
    const MediaPlan plan = PlanMedia(info, VideoFrame{{640, 480}, "configured"});
    EXPECT_TRUE(plan.streams.empty()) << "mediaTask " << task;
    EXPECT_TRUE(plan.launch.empty()) << "mediaTask " << task;
  }
}

// Channel and stream come from the host's configuration: any int must still
// give a source GStreamer accepts.
TEST(RtspdPlan, SourcesStayValidForAnyChannelAndStream) {
  const int extremes[] = {-2147483647 - 1, -1, 0, 1, 2, 3, 8, 2147483647};
  for (int n : extremes) {
    const FrameSize size = FallbackFrameSize(n);
    EXPECT_GT(size.width, 0) << n;
    EXPECT_EQ(0, size.width % 8) << n;
    EXPECT_EQ(0, size.height % 8) << n;
    EXPECT_NE(nullptr, VideoPattern(n)) << n;
    for (int stream : extremes) {
      const int hz = ToneFrequency(n, stream);
      EXPECT_GE(hz, 110) << n << " " << stream;
      EXPECT_LT(hz, 4000) << n << " " << stream;
    }
  }
  EXPECT_STRNE(VideoPattern(0), VideoPattern(1));
  EXPECT_NE(ToneFrequency(0, 0), ToneFrequency(0, 1));
  EXPECT_NE(ToneFrequency(0, 0), ToneFrequency(1, 0));
}

TEST(RtspdPlan, MulticastNeedsAGroupAPortPairAndATtl) {
  struct Case {
    const char* address;
    int port, ttl;
    const char* reason;  // empty when usable
  };
  const Case cases[] = {
      {"239.255.1.2", 5000, 5, ""},
      {"224.0.0.1", 1, 1, ""},
      {"239.0.0.1", 65534, 255, ""},
      {"239.0.0.1", 7001, 4, ""},  // odd ports are allowed
      {"", 5000, 5, "no multicast address"},
      {"192.168.0.10", 5000, 5, "\"192.168.0.10\" is not an IPv4 multicast address"},
      {"240.0.0.1", 5000, 5, "\"240.0.0.1\" is not an IPv4 multicast address"},
      {"239.0.0", 5000, 5, "\"239.0.0\" is not an IPv4 multicast address"},
      {"ff05::2:13", 5000, 5,
       "\"ff05::2:13\" is an IPv6 address and the server has IPv4 loopback only"},
      {"239.0.0.1", 0, 5, "multicast port 0 is outside 1..65534"},
      {"239.0.0.1", 65535, 5, "multicast port 65535 is outside 1..65534"},
      {"239.0.0.1", 5000, 0, "multicast TTL 0 is outside 1..255"},
      {"239.0.0.1", 5000, 256, "multicast TTL 256 is outside 1..255"},
  };
  for (const Case& c : cases) {
    TMediaEncodeConfig medium{};
    Carry(medium, 0, 0, c.address, c.port, c.ttl);
    std::string reason = "unchanged";
    EXPECT_EQ(c.reason[0] == '\0', UsableMulticast(medium, &reason)) << c.address;
    EXPECT_EQ(c.reason, reason) << c.address;
  }
}

TEST(RtspdPlan, UnterminatedTextsInTheRecordStayBounded) {
  TProfileInfo info{};
  Carry(info.metadataInfo, 0, 0, "", 5000, 5);
  std::memset(info.profileName, 'n', sizeof info.profileName);
  std::memset(info.metadataInfo.ipAddress, '9', sizeof info.metadataInfo.ipAddress);
  const MediaPlan plan = PlanMedia(info, VideoFrame{});
  ASSERT_EQ(1u, plan.streams.size());
  EXPECT_NE(std::string::npos, plan.streams[0].metadataText.find(std::string(255, 'n') + ","));
  EXPECT_FALSE(plan.streams[0].multicast);
  EXPECT_EQ(256u, plan.streams[0].group.address.size());
}

}  // namespace
}  // namespace strell_rtspd
