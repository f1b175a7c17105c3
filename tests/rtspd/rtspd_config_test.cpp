// The frame size strell-rtspd reads itself, as the library reads values (in-memory host): one
// missing, not "<width>x<height>" or not a JPEG frame size gives way to the stream number's size,
// and the log says why.
#include "rtspd/rtspd_config.h"

#include <gtest/gtest.h>

#include "testing/memory_host.h"

namespace strell_rtspd {
namespace {

TEST(RtspdConfig, FrameSizeIsTheConfiguredResolutionOrTheStreamsFallbackWithTheReason) {
  const char* const kNotASize = "is not <width>x<height>";
  const char* const kNoFit = "does not fit JPEG over RTP (multiples of 8 up to 2040)";
  struct Case {
    int channel, stream;
    const char* text;  // null: not in the configuration
    int width, height;
    const char* reason;  // null: configured
  };
  const Case cases[] = {
      {1, 2, "640x360", 640, 360, nullptr},         {0, 0, "8x2040", 8, 2040, nullptr},
      {0, 1, nullptr, 320, 240, nullptr},           {3, 2, "1080p", 176, 144, kNotASize},
      {0, 0, "1920x1080 ", 640, 480, kNotASize},    {0, 3, "", 160, 120, kNotASize},
      {0, 0, "99999999999x8", 640, 480, kNotASize}, {0, 0, "3840x2160", 640, 480, kNoFit},
      {0, 0, "1366x768", 640, 480, kNoFit},         {0, 0, "-640x480", 640, 480, kNoFit},
  };
  for (const Case& c : cases) {
    const std::string file = "/etc/conf.d/config_videoin_c" + std::to_string(c.channel) + ".xml";
    const std::string key = "/root/videoin/c" + std::to_string(c.channel) + "/s" +
                            std::to_string(c.stream) + "/resolution";
    const std::string fallback = ", using the size for stream " + std::to_string(c.stream);
    const std::string origin =
        c.text == nullptr     ? "no resolution at " + key + " in " + file + fallback
        : c.reason == nullptr ? "configured"
                              : "resolution \"" + std::string(c.text) + "\" " + c.reason + fallback;
    memory_host::Clear();
    if (c.text != nullptr) memory_host::Set(file, key, c.text);
    const VideoFrame frame = ConfiguredVideoFrame(c.channel, c.stream);
    EXPECT_EQ(origin, frame.origin);
    EXPECT_EQ(c.width, frame.size.width) << origin;
    EXPECT_EQ(c.height, frame.size.height) << origin;
    ASSERT_EQ(1u, memory_host::Reads().size());
    EXPECT_TRUE(memory_host::Reads()[0].zeroedBuffer) << origin;
  }
}

}  // namespace
}  // namespace strell_rtspd
