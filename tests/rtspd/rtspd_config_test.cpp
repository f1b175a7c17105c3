// The encoder settings strell-rtspd reads from the configuration itself.
#include "rtspd/rtspd_config.h"

#include <gtest/gtest.h>

#include "fake_host/fake_host.h"
#include "unit/test_support.h"

namespace strell_rtspd {
namespace {

using RtspdConfig = strell_test::FakeHostTest;

TEST_F(RtspdConfig, FrameSizeIsTheStreamsConfiguredResolution) {
  fake_host::Set("/etc/conf.d/config_videoin_c1.xml", "/root/videoin/c1/s2/resolution", "640x360");
  const VideoFrame frame = ConfiguredVideoFrame(1, 2);
  EXPECT_EQ(640, frame.size.width);
  EXPECT_EQ(360, frame.size.height);
  EXPECT_EQ("configured", frame.origin);

  const std::vector<fake_host::XmlRead> reads = fake_host::XmlReads();
  ASSERT_EQ(1u, reads.size());
  EXPECT_EQ("/etc/conf.d/config_videoin_c1.xml", reads[0].file);
  EXPECT_EQ("/root/videoin/c1/s2/resolution", reads[0].key);
  EXPECT_TRUE(reads[0].zeroedBuffer);
}

TEST_F(RtspdConfig, MissingResolutionFallsBackToTheSizeOfTheStreamNumber) {
  const VideoFrame frame = ConfiguredVideoFrame(0, 1);
  EXPECT_EQ(320, frame.size.width);
  EXPECT_EQ(240, frame.size.height);
  EXPECT_EQ(
      "no resolution at /root/videoin/c0/s1/resolution in /etc/conf.d/config_videoin_c0.xml, "
      "using the size for stream 1",
      frame.origin);
}

TEST_F(RtspdConfig, UnusableResolutionFallsBackWithItsReason) {
  struct Case {
    const char* text;
    const char* origin;
  };
  const Case cases[] = {
      {"1920x1080", "configured"},
      {"8x2040", "configured"},
      {"1080p", "resolution \"1080p\" is not <width>x<height>, using the size for stream 0"},
      {"1920x1080 ",
       "resolution \"1920x1080 \" is not <width>x<height>, using the size for stream 0"},
      {"", "resolution \"\" is not <width>x<height>, using the size for stream 0"},
      {"3840x2160",
       "resolution \"3840x2160\" does not fit JPEG over RTP (multiples of 8 up to 2040), using "
       "the size for stream 0"},
      {"1366x768",
       "resolution \"1366x768\" does not fit JPEG over RTP (multiples of 8 up to 2040), using "
       "the size for stream 0"},
      {"-640x480",
       "resolution \"-640x480\" does not fit JPEG over RTP (multiples of 8 up to 2040), using "
       "the size for stream 0"},
      {"99999999999x8",
       "resolution \"99999999999x8\" is not <width>x<height>, using the size for "
       "stream 0"},
  };
  for (const Case& c : cases) {
    fake_host::Set("/etc/conf.d/config_videoin_c0.xml", "/root/videoin/c0/s0/resolution", c.text);
    EXPECT_EQ(c.origin, ConfiguredVideoFrame(0, 0).origin) << c.text;
  }
}

}  // namespace
}  // namespace strell_rtspd
