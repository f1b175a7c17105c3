// Capability counts and track mapping. The counts are read once per process,
// so every test that depends on which counts were read, or on how often, runs
// its body in a fresh process.
#include "numbering/capability.h"

#include <atomic>
#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "streamserver/streamserver_test_support.h"
#include "streamserver/url_streamserver.h"

namespace {

using streamserver_test::InFreshProcess;
using streamserver_test::SetFullSlot;
using streamserver_test::StreamserverTest;
using strell_test::CaptureStdout;
using strell_test::EmptyList;
using strell_test::PatternedInfo;

class Capability : public StreamserverTest {};

const std::vector<std::string> kVideoReads = {"capability_nvideoin", "capability_nmediastream"};
const std::vector<std::string> kAllReads = {"capability_nvideoin", "capability_nmediastream",
                                            "capability_naudioin"};

TEST_F(Capability, EachCountIsReadAtTheFirstConversionOfItsKindOnly) {
  InFreshProcess([] {
    int channel = -9, stream = -9;
    convertMetadataTrackToChannelStream(7, channel, stream);
    EXPECT_TRUE(fake_host::ParamReads().empty());

    convertVideoTrackToChannelStream(4, channel, stream);
    EXPECT_EQ(kVideoReads, fake_host::ParamReads());
    EXPECT_EQ(2, g_video_channel);
    EXPECT_EQ(3, g_video_stream);
    convertVideoTrackToChannelStream(5, channel, stream);
    EXPECT_EQ(kVideoReads, fake_host::ParamReads());

    convertAudioTrackToChannelStream(0, channel, stream);
    convertAudioTrackToChannelStream(1, channel, stream);
    EXPECT_EQ(kAllReads, fake_host::ParamReads());
    EXPECT_EQ(1, g_audio_channel);
  });
}

TEST_F(Capability, ReloadsAndNewContextsDoNotReadTheCountsAgain) {
  InFreshProcess([] {
    SetFullSlot(0, "live1.sdp", 4, 0, 0);
    for (int round = 0; round < 2; ++round) {
      strell_test::Context context;
      ASSERT_EQ(STRELL_OK, context.Parse());
      TProfileInfo info = PatternedInfo();
      ASSERT_EQ(STRELL_OK, context.Resolve("live1.sdp", &info));
      EXPECT_EQ(1, info.videoInfo.channel);
      EXPECT_EQ(1, info.videoInfo.stream);
      TProfileList list = EmptyList();
      CaptureStdout([&] {
        Strell_GetProfileListByVideoStream(context.handle(), 1, 1, &list);
        Strell_GetProfileListByAudioStream(context.handle(), 0, 0, &list);
      });
      EXPECT_EQ(2, list.profileCount);
      fake_host::SetParam("capability_nmediastream", "1");  // too late: never read again
      EXPECT_EQ(kAllReads, fake_host::ParamReads());
    }
  });
}

// The video mapping for one streams-per-channel count, as the parameter text.
struct VideoMapping {
  const char* name;        // of the test case
  const char* perChannel;  // null: the parameter is missing
  struct Track {
    int track, channel, stream;
  };
  std::vector<Track> tracks;
};

class VideoTrackMapping : public testing::TestWithParam<VideoMapping> {};

TEST_P(VideoTrackMapping, MapsTracksChannelByChannel) {
  InFreshProcess([] {
    fake_host::Reset();
    const VideoMapping& mapping = GetParam();
    if (mapping.perChannel != nullptr) {
      fake_host::SetParam("capability_nmediastream", mapping.perChannel);
    }
    for (const VideoMapping::Track& t : mapping.tracks) {
      int channel = 12345, stream = 12345;
      EXPECT_EQ(0, convertVideoTrackToChannelStream(t.track, channel, stream));
      EXPECT_EQ(t.channel, channel) << "track " << t.track;
      EXPECT_EQ(t.stream, stream) << "track " << t.track;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Counts, VideoTrackMapping,
    testing::Values(
        VideoMapping{"Three",
                     "3",
                     {{0, 0, 0},
                      {2, 0, 2},
                      {4, 1, 1},
                      {5, 1, 2},
                      {6, 2, 0},
                      {-4, -1, -1},
                      {INT_MIN, INT_MIN / 3, INT_MIN % 3},
                      {INT_MAX, INT_MAX / 3, 1}}},
        VideoMapping{"One", "1", {{2, 2, 0}}}, VideoMapping{"Zero", "0", {{5, 0, 5}, {-1, 0, -1}}},
        VideoMapping{"Missing", nullptr, {{5, 0, 5}}},    // a missing parameter reads as 0
        VideoMapping{"NotANumber", "many", {{5, 0, 5}}},  // so does text that is no number
        VideoMapping{"MinusOne", "-1", {{7, -7, 0}, {INT_MIN, INT_MIN, 0}, {INT_MAX, -INT_MAX, 0}}},
        VideoMapping{"MinusThree", "-3", {{7, -2, 1}}}),
    [](const testing::TestParamInfo<VideoMapping>& param) {
      return std::string(param.param.name);
    });

TEST(AudioAndMetadataTracks, AudioTrackIsTheChannelAndMetadataIsAlwaysZero) {
  struct Case {
    int track, channel;
  } const audio[] = {{0, 0}, {2, 2}, {-3, -3}};
  for (const Case& c : audio) {
    int channel = 99, stream = 99;
    EXPECT_EQ(0, convertAudioTrackToChannelStream(c.track, channel, stream));
    EXPECT_EQ(c.channel, channel);
    EXPECT_EQ(0, stream);
  }
  int channel = 99, stream = 99;
  EXPECT_EQ(0, convertMetadataTrackToChannelStream(7, channel, stream));
  EXPECT_EQ(0, channel);
  EXPECT_EQ(0, stream);
}

TEST_F(Capability, ContextsOnSeveralThreadsReadEachCountOnce) {
  InFreshProcess([] {
    SetFullSlot(0, "live1.sdp", 4, 2, 0);
    constexpr int kThreads = 8;
    std::atomic<int> waiting{kThreads};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        strell_test::Context context;
        context.Parse();
        // Start the first conversions together to make the race likely.
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
        for (int i = 0; i < 50; ++i) {
          TProfileInfo info = PatternedInfo();
          TProfileList list = EmptyList();
          if (t % 2 == 0) {
            context.Resolve("live1.sdp", &info);
            if (info.videoInfo.channel != 1 || info.videoInfo.stream != 1 ||
                info.audioInfo.channel != 2) {
              wrong.fetch_add(1);
            }
          } else {
            Strell_GetProfileListByAudioStream(context.handle(), 2, 0, &list);
            Strell_GetProfileListByVideoStream(context.handle(), 1, 1, &list);
            if (list.profileCount != 2) wrong.fetch_add(1);
          }
        }
      });
    }
    CaptureStdout([&] {
      for (std::thread& thread : threads) thread.join();
    });
    EXPECT_EQ(0, wrong.load());
    std::vector<std::string> reads = fake_host::ParamReads();
    for (const std::string& name : kAllReads) {
      EXPECT_EQ(1, std::count(reads.begin(), reads.end(), name)) << name;
    }
    EXPECT_EQ(3u, reads.size());
  });
}

}  // namespace
