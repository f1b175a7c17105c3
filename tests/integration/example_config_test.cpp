// The example camera end to end: libstrell reading through the reference host
// kit, in both freshness modes, while its files are edited: per-channel
// multicast files are read at every resolution, the stores only at
// Strell_Parse.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "integration/integration_support.h"

namespace {

using integration::Answer;
using integration::NotFound;

class ExampleConfig : public integration::ExampleCamera {
 protected:
  TProfileInfo Resolve(const char* url, int expectedCode = STRELL_OK) {
    TProfileInfo info;
    std::memset(&info, 0, sizeof info);
    integration::Quietly([&] { EXPECT_EQ(expectedCode, context_.Resolve(url, &info)) << url; });
    return info;
  }
};
INSTANTIATE_TEST_SUITE_P(Modes, ExampleConfig,
                         testing::Values(strell_host::Freshness::kStrict,
                                         strell_host::Freshness::kWatch),
                         host_test::ModeName);

// Media1 reports no ttl and derives the metadata channel from the token
// "metadata1", which has no underscore: -1, -1. Media2 audio and metadata
// come from channel 0, stream 0.
const std::string kMedia1Audio = "1 0/0 239.1.2.1:40100 ttl 0";
const std::string kMedia1Metadata = "1 -1/-1 239.1.3.1:40200 ttl 0";
const std::string kMedia2Audio = "1 0/0 239.3.2.1:60100 ttl 15";
const std::string kMedia2Metadata = "1 0/0 239.3.3.1:60200 ttl 15";
const std::string kNone = "0 0/0 :0 ttl 0";

const Answer kAnswers[] = {
    // The demo URL of each kind.
    {"media/stream.sdp?profile=Profile_1", 0,
     "222 Profile_1 | 1 0/0 239.1.1.1:40000 ttl 0 | " + kMedia1Audio + " | " + kMedia1Metadata},
    {"live1.sdp", 0,
     "111 live1.sdp | 1 0/0 239.2.1.1:50000 ttl 15 | 1 0/0 239.2.2.1:50002 ttl 15 | "
     "1 0/0 239.2.3.1:50004 ttl 15"},
    {"media2/stream.sdp?profile=StreamProfile_1", 0,
     "333 StreamProfile_1 | 1 0/0 239.3.1.1:60000 ttl 15 | " + kMedia2Audio + " | " +
         kMedia2Metadata},
    // Other profiles: no audio, no metadata, IPv6, channel 1.
    {"media/stream.sdp?profile=Profile_2", 0,
     "223 Profile_2 | 1 0/1 239.1.1.2:40002 ttl 0 | " + kNone + " | " + kMedia1Metadata},
    {"media/stream.sdp?profile=Profile_4", 0,
     "225 Profile_4 | 1 1/1 ff05::1:4:40006 ttl 0 | " + kMedia1Audio + " | " + kNone},
    {"live2.sdp", 0,
     "112 live2.sdp | 1 0/1 239.2.1.2:50010 ttl 15 | 1 0/0 239.2.2.2:50012 ttl 15 | " + kNone},
    {"live3.sdp", 0,
     "113 live3.sdp | 1 1/0 ff05::2:13:50020 ttl 15 | 1 0/0 ff05::2:23:50022 ttl 15 | "
     "1 0/0 ff05::2:33:50024 ttl 15"},
    {"media2/stream.sdp?profile=StreamProfile_3", 0,
     "335 StreamProfile_3 | 1 0/2 239.3.1.3:60004 ttl 15 | " + kNone + " | " + kNone},
    {"media2/stream.sdp?profile=StreamProfile_5", 0,
     "337 StreamProfile_5 | 1 1/1 ff05::3:12:60012 ttl 15 | " + kNone + " | " + kMedia2Metadata},
    {"media2/stream.sdp?profile=StreamProfile_6", 0,
     "338 StreamProfile_6 | 1 1/2 ff05::3:13:60014 ttl 15 | " + kNone + " | " + kNone},
    // A host passes path and query without the leading slash.
    NotFound("/live1.sdp"),
    NotFound("media/stream.sdp?profile=StreamProfile_1"),
    NotFound("media2/stream.sdp?profile=Profile_1"),
};

TEST_P(ExampleConfig, EveryProfileResolvesWithItsMedia) {
  integration::Quietly([this] {
    for (const Answer& answer : kAnswers) integration::ExpectAnswer(context_.handle(), answer);
  });
}

TEST_P(ExampleConfig, ListsNameTheProfilesOfAStreamInChainOrder) {
  struct Case {
    bool video;
    int channel, stream;
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
      EXPECT_EQ(STRELL_OK,
                (c.video ? Strell_GetProfileListByVideoStream : Strell_GetProfileListByAudioStream)(
                    context_.handle(), c.channel, c.stream, &list));
    });
    EXPECT_EQ(c.keys, strell_test::Keys(list))
        << (c.video ? "video " : "audio ") << c.channel << "/" << c.stream;
  }
}

TEST_P(ExampleConfig, ReloadParsesEachFileAtMostOnce) {
  const auto resolveAll = [this] {
    for (const Answer& answer : kAnswers) integration::ExpectAnswer(context_.handle(), answer);
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
  std::printf("one reload: %llu parses, %llu reads\n", reload.parses, reload.xmlReads);

  integration::Quietly([&] { resolveAll(); });
  // Media2 reads video c0 and c1, audio and metadata c0 at resolution.
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

constexpr char kStreamProfile1[] = "media2/stream.sdp?profile=StreamProfile_1";

TEST_P(ExampleConfig, PerChannelFileEditIsSeenWithoutAReload) {
  EXPECT_EQ(60000, Resolve(kStreamProfile1).videoInfo.port);
  // Same size, same inode, most likely within one tick of the clock.
  Edit("config_videoin_c0.xml", "<port>60000</port>", "<port>60006</port>", /*inPlace=*/true);
  EXPECT_EQ(60006, Resolve(kStreamProfile1).videoInfo.port);
  Edit("config_audioin.xml", "239.3.2.1", "239.3.2.99");
  EXPECT_STREQ("239.3.2.99", Resolve(kStreamProfile1).audioInfo.ipAddress);
  Edit("config_metadata_c0.xml", "<ttl>15</ttl>", "<ttl>3</ttl>", /*inPlace=*/true);
  EXPECT_EQ(3, Resolve(kStreamProfile1).metadataInfo.ttl);
}

TEST_P(ExampleConfig, StoreFilesChangedAreSeenOnlyAfterParse) {
  Edit("config_streamprofile.xml", "<source>c0s0</source>", "<source>c1s2</source>");
  Edit("config_streamprofile.xml", "<token>StreamProfile_2</token>", "<token>Renamed_2</token>");
  Edit("config_streamserver.xml", "<accessname>live1.sdp</accessname>",
       "<accessname>cam1.sdp</accessname>", /*inPlace=*/true);
  Edit("config_onvif/config_onvif_media_videoencoderconf.xml", "<port>40000</port>",
       "<port>40008</port>", /*inPlace=*/true);
  for (int parsed = 0; parsed < 2; ++parsed) {
    SCOPED_TRACE(parsed ? "after Strell_Parse" : "before Strell_Parse");
    const TProfileInfo first = Resolve(kStreamProfile1);
    EXPECT_EQ(parsed ? 1 : 0, first.videoInfo.channel);
    EXPECT_EQ(parsed ? 2 : 0, first.videoInfo.stream);
    EXPECT_STREQ(parsed ? "ff05::3:13" : "239.3.1.1", first.videoInfo.ipAddress);
    EXPECT_EQ(334, Resolve(parsed ? "media2/stream.sdp?profile=Renamed_2"
                                  : "media2/stream.sdp?profile=StreamProfile_2")
                       .profileKey);
    Resolve(parsed ? "media2/stream.sdp?profile=StreamProfile_2"
                   : "media2/stream.sdp?profile=Renamed_2",
            STRELL_ERR_NOT_FOUND);
    EXPECT_EQ(111, Resolve(parsed ? "cam1.sdp" : "live1.sdp").profileKey);
    Resolve(parsed ? "live1.sdp" : "cam1.sdp", STRELL_ERR_NOT_FOUND);
    EXPECT_EQ(parsed ? 40008 : 40000, Resolve("media/stream.sdp?profile=Profile_1").videoInfo.port);
    integration::Quietly([this] { ASSERT_EQ(STRELL_OK, context_.Parse()); });
  }
}

TEST_P(ExampleConfig, ContextsInThreadsAnswerWhileFilesChange) {
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::atomic<long> answers{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      strell_test::Context context;
      while (!stop.load()) {
        if (context.Parse() != STRELL_OK) wrong.fetch_add(1);
        TProfileInfo info;
        std::memset(&info, 0, sizeof info);
        if (context.Resolve(kStreamProfile1, &info) != STRELL_OK ||
            (info.videoInfo.port != 60000 && info.videoInfo.port != 60006)) {
          wrong.fetch_add(1);
        }
        std::memset(&info, 0, sizeof info);
        if (context.Resolve("live2.sdp", &info) != STRELL_OK || info.profileKey != 112 ||
            info.videoInfo.stream != 1) {
          wrong.fetch_add(1);
        }
        answers.fetch_add(1);
      }
    });
  }
  integration::Quietly([&] {
    for (int round = 0; round < 100; ++round) {
      const bool even = round % 2 == 0;
      Edit("config_videoin_c0.xml", even ? "<port>60000</port>" : "<port>60006</port>",
           even ? "<port>60006</port>" : "<port>60000</port>");
      Edit("config_streamserver.xml", even ? "<port>554</port>" : "<port>555</port>",
           even ? "<port>555</port>" : "<port>554</port>");
    }
    stop.store(true);
    for (std::thread& thread : threads) thread.join();
  });
  EXPECT_EQ(0, wrong.load()) << "of " << answers.load();
}

}  // namespace
