// Channel and stream numbering between encoder, ONVIF and configuration.
#include "numbering/numbering.h"

#include <climits>

#include "unit/test_support.h"

namespace {

constexpr mediaIndexType kEncoder = MEDIA_INDEX_ENCODER_CMD;
constexpr mediaIndexType kOnvif = MEDIA_INDEX_ONVIF;
constexpr mediaIndexType kConfig = MEDIA_INDEX_CONFIG;

TEST(Numbering, ConvertsBetweenEverySchemePairWithoutRangeCheck) {
  const auto seven = static_cast<mediaIndexType>(7);  // unknown schemes count as configuration
  const auto negative = static_cast<mediaIndexType>(-1);
  // clang-format off
  struct Case {
    mediaIndexType from, to;
    int value, channel, stream;
  } const cases[] = {
      {kEncoder, kOnvif, 5, 6, 5},   {kEncoder, kConfig, 5, 5, 4}, {kOnvif, kEncoder, 5, 4, 5},
      {kOnvif, kConfig, 5, 4, 4},    {kConfig, kEncoder, 5, 5, 6}, {kConfig, kOnvif, 5, 6, 6},
      {kEncoder, kEncoder, 5, 5, 5}, {kOnvif, kOnvif, 5, 5, 5},    {kConfig, kConfig, 5, 5, 5},
      {kOnvif, kConfig, 1, 0, 0},    {kOnvif, kConfig, 0, -1, -1}, {kEncoder, kConfig, 0, 0, -1},
      {kConfig, kEncoder, 0, 0, 1},  {seven, kOnvif, 3, 4, 4},     {kOnvif, negative, 4, 3, 3},
      // Extremes wrap around instead of invoking undefined behaviour.
      {kOnvif, kConfig, INT_MIN, INT_MAX, INT_MAX}, {kConfig, kOnvif, INT_MAX, INT_MIN, INT_MIN}};
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(c.channel, convertChannel(c.from, c.to, c.value))
        << c.from << "->" << c.to << " " << c.value;
    EXPECT_EQ(c.stream, convertStream(c.from, c.to, c.value))
        << c.from << "->" << c.to << " " << c.value;
  }
}

TEST(NumberingExports, OnvifAndConfigurationAreOneApartEvenInPlace) {
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
  TChannelStream both{3, 7};
  Strell_OnvifToConfig(&both, &both);
  EXPECT_EQ(2, both.channel);
  EXPECT_EQ(6, both.stream);
  Strell_ConfigToOnvif(&both, &both);
  EXPECT_EQ(3, both.channel);
  EXPECT_EQ(7, both.stream);
}

}  // namespace
