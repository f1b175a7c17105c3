// The example camera of examples/conf.d, resolved end to end: libstrell
// reading through the reference host kit, in both freshness modes.
#include <string>
#include <vector>

#include "integration/integration_support.h"

namespace {

using integration::Answer;
using integration::kNone;
using integration::Medium;
using strell_host::Freshness;

class ExampleConfig : public testing::TestWithParam<Freshness> {
 protected:
  void SetUp() override {
    strell_host::SetFreshness(GetParam());
    strell_host::SetRoot(integration::ExampleRoot());
    strell_host::ResetCounters();
    integration::Quietly([this] { ASSERT_EQ(STRELL_OK, context_.Parse()); });
  }
  void TearDown() override { strell_host::SetFreshness(Freshness::kStrict); }

  strell_test::Context context_;
};
INSTANTIATE_TEST_SUITE_P(Modes, ExampleConfig,
                         testing::Values(Freshness::kStrict, Freshness::kWatch),
                         host_test::ModeName);

// Media1 reports no ttl and derives the metadata channel from the token
// "metadata1", which has no underscore: -1, -1.
constexpr Medium kMedia1Audio = {1, 0, 0, "239.1.2.1", 40100, 0};
constexpr Medium kMedia1Metadata = {1, -1, -1, "239.1.3.1", 40200, 0};
constexpr Medium kMedia2Audio = {1, 0, 0, "239.3.2.1", 60100, 15};
constexpr Medium kMedia2Metadata = {1, 0, 0, "239.3.3.1", 60200, 15};

const Answer kDemoAnswers[] = {
    {"media/stream.sdp?profile=Profile_1",
     STRELL_OK,
     222,
     "Profile_1",
     {1, 0, 0, "239.1.1.1", 40000, 0},
     kMedia1Audio,
     kMedia1Metadata},
    {"live1.sdp",
     STRELL_OK,
     111,
     "live1.sdp",
     {1, 0, 0, "239.2.1.1", 50000, 15},
     {1, 0, 0, "239.2.2.1", 50002, 15},
     {1, 0, 0, "239.2.3.1", 50004, 15}},
    {"media2/stream.sdp?profile=StreamProfile_1",
     STRELL_OK,
     333,
     "StreamProfile_1",
     {1, 0, 0, "239.3.1.1", 60000, 15},
     kMedia2Audio,
     kMedia2Metadata},
};

const Answer kOtherAnswers[] = {
    {"media/stream.sdp?profile=Profile_2",
     STRELL_OK,
     223,
     "Profile_2",
     {1, 0, 1, "239.1.1.2", 40002, 0},
     kNone,
     kMedia1Metadata},
    {"media/stream.sdp?profile=Profile_3",
     STRELL_OK,
     224,
     "Profile_3",
     {1, 1, 0, "239.1.1.3", 40004, 0},
     kMedia1Audio,
     kMedia1Metadata},
    {"media/stream.sdp?profile=Profile_4",
     STRELL_OK,
     225,
     "Profile_4",
     {1, 1, 1, "ff05::1:4", 40006, 0},
     kMedia1Audio,
     kNone},
    {"live2.sdp",
     STRELL_OK,
     112,
     "live2.sdp",
     {1, 0, 1, "239.2.1.2", 50010, 15},
     {1, 0, 0, "239.2.2.2", 50012, 15},
     kNone},
    {"live3.sdp",
     STRELL_OK,
     113,
     "live3.sdp",
     {1, 1, 0, "ff05::2:13", 50020, 15},
     {1, 0, 0, "ff05::2:23", 50022, 15},
     {1, 0, 0, "ff05::2:33", 50024, 15}},
    {"live4.sdp",
     STRELL_OK,
     114,
     "live4.sdp",
     {1, 1, 1, "239.2.1.4", 50030, 15},
     {1, 0, 0, "239.2.2.4", 50032, 15},
     {1, 0, 0, "239.2.3.4", 50034, 15}},
    {"media2/stream.sdp?profile=StreamProfile_2",
     STRELL_OK,
     334,
     "StreamProfile_2",
     {1, 0, 1, "239.3.1.2", 60002, 15},
     kMedia2Audio,
     kNone},
    {"media2/stream.sdp?profile=StreamProfile_3",
     STRELL_OK,
     335,
     "StreamProfile_3",
     {1, 0, 2, "239.3.1.3", 60004, 15},
     kNone,
     kNone},
    {"media2/stream.sdp?profile=StreamProfile_4",
     STRELL_OK,
     336,
     "StreamProfile_4",
     {1, 1, 0, "ff05::3:11", 60010, 15},
     kMedia2Audio,
     kMedia2Metadata},
    {"media2/stream.sdp?profile=StreamProfile_5",
     STRELL_OK,
     337,
     "StreamProfile_5",
     {1, 1, 1, "ff05::3:12", 60012, 15},
     kNone,
     kMedia2Metadata},
    {"media2/stream.sdp?profile=StreamProfile_6",
     STRELL_OK,
     338,
     "StreamProfile_6",
     {1, 1, 2, "ff05::3:13", 60014, 15},
     kNone,
     kNone},
    // What a host passes is path and query without the leading slash.
    {"/live1.sdp", STRELL_ERR_NOT_FOUND, 0, "", kNone, kNone, kNone},
    {"media/stream.sdp?profile=StreamProfile_1", STRELL_ERR_NOT_FOUND, 0, "", kNone, kNone, kNone},
    {"media2/stream.sdp?profile=Profile_1", STRELL_ERR_NOT_FOUND, 0, "", kNone, kNone, kNone},
};

TEST_P(ExampleConfig, DemoUrlOfEachKindResolves) {
  integration::Quietly([this] {
    for (const Answer& answer : kDemoAnswers) integration::ExpectAnswer(context_.handle(), answer);
  });
}

TEST_P(ExampleConfig, EveryProfileResolvesWithItsMedia) {
  integration::Quietly([this] {
    for (const Answer& answer : kOtherAnswers) integration::ExpectAnswer(context_.handle(), answer);
  });
}

TEST_P(ExampleConfig, ListsNameTheProfilesOfAStreamInChainOrder) {
  struct Case {
    bool video;
    int channel;
    int stream;
    std::vector<int> keys;
  } const cases[] = {
      {true, 0, 0, {222, 111, 333}},
      {true, 1, 1, {225, 114, 337}},
      {true, 0, 2, {335}},
      {true, 2, 0, {}},
      // Media1 and Media2 list every profile with audio; the stream server
      // only those whose audio track is that channel, stream 0.
      {false, 0, 0, {222, 224, 225, 111, 112, 113, 114, 333, 334, 336}},
      {false, 0, 1, {222, 224, 225, 333, 334, 336}},
  };
  for (const Case& c : cases) {
    TProfileList list = strell_test::EmptyList();
    integration::Quietly([&] {
      const int code =
          c.video
              ? Strell_GetProfileListByVideoStream(context_.handle(), c.channel, c.stream, &list)
              : Strell_GetProfileListByAudioStream(context_.handle(), c.channel, c.stream, &list);
      EXPECT_EQ(STRELL_OK, code);
    });
    EXPECT_EQ(c.keys, integration::Keys(list))
        << (c.video ? "video " : "audio ") << c.channel << "/" << c.stream;
  }
}

TEST_P(ExampleConfig, ReloadParsesEachFileAtMostOnce) {
  const auto resolveAll = [this] {
    for (const Answer& answer : kDemoAnswers) integration::ExpectAnswer(context_.handle(), answer);
    for (const Answer& answer : kOtherAnswers) integration::ExpectAnswer(context_.handle(), answer);
  };
  // The capability counts are read once per process, at the first stream-
  // server resolution; take them out of the count.
  integration::Quietly([&] { resolveAll(); });

  strell_host::DropCache();
  strell_host::ResetCounters();
  integration::Quietly([&] { ASSERT_EQ(STRELL_OK, context_.Parse()); });
  const strell_host::Counters reload = strell_host::GetCounters();
  // The four Media1 files, the stream-server file, the stream-profile file.
  EXPECT_EQ(6u, reload.parses) << reload.xmlReads << " reads";
  RecordProperty("reload_parses", static_cast<int>(reload.parses));
  RecordProperty("reload_xml_reads", static_cast<int>(reload.xmlReads));

  integration::Quietly([&] { resolveAll(); });
  // The per-channel files Media2 reads at resolution: video c0 and c1,
  // audio, metadata c0.
  EXPECT_EQ(10u, strell_host::GetCounters().parses);

  strell_host::Settle();
  strell_host::ResetCounters();
  integration::Quietly([&] {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(STRELL_OK, context_.Parse());
    resolveAll();
  });
  const strell_host::Counters again = strell_host::GetCounters();
  EXPECT_EQ(0u, again.parses) << again.xmlReads << " reads";
  EXPECT_GE(again.xmlReads, 3 * reload.xmlReads);  // every value was read, from the cache
}

TEST_P(ExampleConfig, CapabilitiesAreParametersOfTheHost) {
  struct Case {
    const char* name;
    const char* text;
  } const cases[] = {
      {"capability_nvideoin", "2"}, {"capability_nmediastream", "3"}, {"capability_naudioin", "1"}};
  for (const Case& c : cases) {
    char value[8] = {};
    EXPECT_EQ(0, Configer_GetParamValueByXPath(c.name, value, sizeof value)) << c.name;
    EXPECT_STREQ(c.text, value) << c.name;
  }
}

}  // namespace
