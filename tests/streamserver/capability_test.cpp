// Capability counts and track mapping. The counts are read once per process,
// so every test that depends on which counts were read, or on how often, runs
// its body in a fresh process.
#include "numbering/capability.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "unit/camera_fixture.h"

namespace strell_test {
namespace {

const std::vector<std::string> kAllReads = {"capability_nvideoin", "capability_nmediastream",
                                            "capability_naudioin"};

// Runs `body` in a new run of this test program that executes only the
// current test up to this point, so the counts start unread, under ctest (one
// process per test) or not. A failure inside fails the test through the exit
// code, with its messages shown.
void InFreshProcess(const std::function<void()>& body) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        body();
        std::fflush(stdout);
        const testing::TestResult* result =
            testing::UnitTest::GetInstance()->current_test_info()->result();
        for (int i = 0; i < result->total_part_count(); ++i) {
          const testing::TestPartResult& part = result->GetTestPartResult(i);
          if (part.failed())
            std::fprintf(stderr, "%s:%d: %s\n", part.file_name(), part.line_number(),
                         part.message());
        }
        std::_Exit(testing::Test::HasFailure() ? 1 : 0);
      },
      testing::ExitedWithCode(0), "");
}

class Capability : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    SetCapabilities();
  }
};

TEST_F(Capability, EachCountIsReadAtTheFirstConversionOfItsKindOnly) {
  InFreshProcess([] {
    int channel = -9, stream = -9;
    convertMetadataTrackToChannelStream(7, channel, stream);
    EXPECT_TRUE(fake_host::ParamReads().empty());
    convertVideoTrackToChannelStream(4, channel, stream);
    convertVideoTrackToChannelStream(5, channel, stream);
    EXPECT_EQ(std::vector<std::string>(kAllReads.begin(), kAllReads.begin() + 2),
              fake_host::ParamReads());
    EXPECT_EQ(2, g_video_channel);
    EXPECT_EQ(3, g_video_stream);
    convertAudioTrackToChannelStream(0, channel, stream);
    convertAudioTrackToChannelStream(1, channel, stream);
    EXPECT_EQ(kAllReads, fake_host::ParamReads());
    EXPECT_EQ(1, g_audio_channel);
  });
}

// Video tracks are numbered channel by channel: channel = track / streams per
// channel, stream = the remainder, both toward zero; with no streams per
// channel (a missing or non-numeric count reads as 0) every track is channel
// 0. getVideoChannelStreamNum reads the counts again at each call.
TEST_F(Capability, TracksMapToChannelsAndStreams) {
  // clang-format off
  struct Case {
    const char* perChannel;  // null: missing
    int track, channel, stream;
  } const cases[] = {
      {"3", 0, 0, 0}, {"3", 2, 0, 2}, {"3", 4, 1, 1}, {"3", 5, 1, 2}, {"3", 6, 2, 0},
      {"3", -4, -1, -1}, {"3", INT_MAX, 715827882, 1}, {"3", INT_MIN, -715827882, -2},
      {"1", 2, 2, 0}, {"0", 5, 0, 5}, {"0", -1, 0, -1}, {nullptr, 5, 0, 5}, {"many", 5, 0, 5},
      {"-1", 7, -7, 0}, {"-1", INT_MIN, INT_MIN, 0}, {"-1", INT_MAX, -INT_MAX, 0}, {"-3", 7, -2, 1}};
  // clang-format on
  for (const Case& c : cases) {
    const std::string count = c.perChannel != nullptr ? c.perChannel : "(missing)";
    fake_host::Reset();
    if (c.perChannel != nullptr) fake_host::SetParam("capability_nmediastream", c.perChannel);
    getVideoChannelStreamNum();
    int channel = 12345, stream = 12345;
    EXPECT_EQ(0, convertVideoTrackToChannelStream(c.track, channel, stream));
    EXPECT_EQ(c.channel, channel) << "track " << c.track << " at " << count;
    EXPECT_EQ(c.stream, stream) << "track " << c.track << " at " << count;
  }
  // The counts are the process's: leave the ones every other test expects.
  SetCapabilities();
  getVideoChannelStreamNum();
  // Audio track n is channel n, stream 0; metadata is always 0, 0.
  for (int track : {0, 2, -3}) {
    int channel = 99, stream = 99;
    EXPECT_EQ(0, convertAudioTrackToChannelStream(track, channel, stream));
    EXPECT_EQ(track, channel);
    EXPECT_EQ(0, stream);
    EXPECT_EQ(0, convertMetadataTrackToChannelStream(track, channel, stream));
    EXPECT_EQ(0, channel);
    EXPECT_EQ(0, stream);
  }
}

TEST_F(Capability, ContextsOnSeveralThreadsReadEachCountOnce) {
  InFreshProcess([] {
    SetRtspSlot(0, "live1.sdp", 4, 2, 0);
    constexpr int kThreads = 8;
    std::atomic<int> waiting{kThreads};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&] {
        Context context;
        context.Parse();
        // Start the first conversions together to make the race likely.
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
        for (int i = 0; i < 50; ++i) {
          TProfileInfo info = PatternedInfo();
          TProfileList list = EmptyList();
          context.Resolve("live1.sdp", &info);
          Strell_GetProfileListByAudioStream(context.handle(), 2, 0, &list);
          Strell_GetProfileListByVideoStream(context.handle(), 1, 1, &list);
          if (info.videoInfo.channel != 1 || info.videoInfo.stream != 1 ||
              info.audioInfo.channel != 2 || list.profileCount != 2) {
            wrong.fetch_add(1);
          }
        }
      });
    }
    CaptureStdout([&] {
      for (std::thread& thread : threads) thread.join();
    });
    EXPECT_EQ(0, wrong.load());
    fake_host::SetParam("capability_nmediastream", "1");  // too late: never read again
    Context late;
    late.Parse();
    TProfileInfo info = PatternedInfo();
    late.Resolve("live1.sdp", &info);
    EXPECT_EQ(1, info.videoInfo.stream);
    std::vector<std::string> reads = fake_host::ParamReads();
    std::sort(reads.begin(), reads.end());
    std::vector<std::string> once = kAllReads;
    std::sort(once.begin(), once.end());
    EXPECT_EQ(once, reads);
  });
}

}  // namespace
}  // namespace strell_test
