// Channel and stream numbering between encoder, ONVIF and configuration.
#include <climits>

#include "numbering/numbering.h"
#include "unit/test_support.h"

namespace {

constexpr mediaIndexType kEncoder = MEDIA_INDEX_ENCODER_CMD;
constexpr mediaIndexType kOnvif = MEDIA_INDEX_ONVIF;
constexpr mediaIndexType kConfig = MEDIA_INDEX_CONFIG;

TEST(Numbering, ConvertsBetweenEverySchemePair) {
  // From channel 5, stream 5 in the source scheme.
  struct Case {
    mediaIndexType from, to;
    int channel, stream;
  } const cases[] = {
      {kEncoder, kOnvif, 6, 5},  {kEncoder, kConfig, 5, 4}, {kOnvif, kEncoder, 4, 5},
      {kOnvif, kConfig, 4, 4},   {kConfig, kEncoder, 5, 6}, {kConfig, kOnvif, 6, 6},
      {kEncoder, kEncoder, 5, 5}, {kOnvif, kOnvif, 5, 5},   {kConfig, kConfig, 5, 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.channel, convertChannel(c.from, c.to, 5)) << c.from << "->" << c.to;
    EXPECT_EQ(c.stream, convertStream(c.from, c.to, 5)) << c.from << "->" << c.to;
  }
}

TEST(Numbering, NoRangeCheck) {
  EXPECT_EQ(0, convertChannel(kOnvif, kConfig, 1));
  EXPECT_EQ(0, convertStream(kOnvif, kConfig, 1));
  EXPECT_EQ(-1, convertChannel(kOnvif, kConfig, 0));
  EXPECT_EQ(-1, convertStream(kEncoder, kConfig, 0));
  EXPECT_EQ(1, convertStream(kConfig, kEncoder, 0));
  // Extremes wrap around instead of invoking undefined behaviour.
  EXPECT_EQ(INT_MAX, convertChannel(kOnvif, kConfig, INT_MIN));
  EXPECT_EQ(INT_MIN, convertStream(kConfig, kOnvif, INT_MAX));
}

TEST(Numbering, UnknownSchemeIsTheConfigurationScheme) {
  const auto seven = static_cast<mediaIndexType>(7);
  const auto negative = static_cast<mediaIndexType>(-1);
  EXPECT_EQ(4, convertChannel(seven, kOnvif, 3));
  EXPECT_EQ(3, convertStream(kOnvif, negative, 4));
}

TEST(NumberingExports, OnvifAndConfigurationAreOneApart) {
  TChannelStream in{1, 1}, out{9, 9};
  EXPECT_EQ(0, Strell_OnvifToConfig(&in, &out));
  EXPECT_EQ(0, out.channel);
  EXPECT_EQ(0, out.stream);
  in = {0, 0};
  EXPECT_EQ(0, Strell_ConfigToOnvif(&in, &out));
  EXPECT_EQ(1, out.channel);
  EXPECT_EQ(1, out.stream);
  EXPECT_EQ(0, Strell_OnvifToConfig(&in, &out));
  EXPECT_EQ(-1, out.channel);
  EXPECT_EQ(-1, out.stream);
}

TEST(NumberingExports, InputAndOutputMayBeOneRecord) {
  TChannelStream both{3, 7};
  Strell_OnvifToConfig(&both, &both);
  EXPECT_EQ(2, both.channel);
  EXPECT_EQ(6, both.stream);
  Strell_ConfigToOnvif(&both, &both);
  EXPECT_EQ(3, both.channel);
  EXPECT_EQ(7, both.stream);
}

}  // namespace
