// Configuration edited while the camera runs: per-channel multicast files
// are read at every resolution, the stores only at Strell_Parse. Several
// contexts in several threads answer while files change.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "integration/integration_support.h"

namespace {

using integration::Answer;
using strell_host::Freshness;

class LiveEdit : public testing::TestWithParam<Freshness> {
 protected:
  void SetUp() override {
    host_test::CopyTree(integration::ExampleRoot(), root_.path());
    strell_host::SetFreshness(GetParam());
    strell_host::SetRoot(root_.path());
    integration::Quietly([this] { ASSERT_EQ(STRELL_OK, context_.Parse()); });
  }
  void TearDown() override { strell_host::SetFreshness(Freshness::kStrict); }

  // Replaces the first `from` in `name` by `to`, in place or by renaming a
  // new file over it, and lets the host see it.
  void Edit(const std::string& name, const std::string& from, const std::string& to, bool inPlace) {
    const std::string path = root_ / name;
    std::string text = host_test::ReadWholeFile(path);
    const size_t at = text.find(from);
    ASSERT_NE(std::string::npos, at) << from;
    text.replace(at, from.size(), to);
    if (inPlace) {
      host_test::WriteInPlace(path, text);
    } else {
      host_test::ReplaceFile(path, text);
    }
    strell_host::Settle();
  }

  TProfileInfo Resolve(const char* url, int expectedCode = STRELL_OK) {
    TProfileInfo info;
    std::memset(&info, 0, sizeof info);
    integration::Quietly([&] { EXPECT_EQ(expectedCode, context_.Resolve(url, &info)) << url; });
    return info;
  }
  int Parse() {
    int code = -1;
    integration::Quietly([&] { code = context_.Parse(); });
    return code;
  }

  host_test::TempDir root_;
  strell_test::Context context_;
};
INSTANTIATE_TEST_SUITE_P(Modes, LiveEdit, testing::Values(Freshness::kStrict, Freshness::kWatch),
                         host_test::ModeName);

constexpr char kStreamProfile1[] = "media2/stream.sdp?profile=StreamProfile_1";

TEST_P(LiveEdit, PerChannelFileEditIsSeenWithoutAReload) {
  EXPECT_EQ(60000, Resolve(kStreamProfile1).videoInfo.port);
  // Same size, same inode, most likely within one tick of the clock.
  Edit("config_videoin_c0.xml", "<port>60000</port>", "<port>60006</port>", /*inPlace=*/true);
  EXPECT_EQ(60006, Resolve(kStreamProfile1).videoInfo.port);
  Edit("config_audioin.xml", "239.3.2.1", "239.3.2.99", /*inPlace=*/false);
  EXPECT_STREQ("239.3.2.99", Resolve(kStreamProfile1).audioInfo.ipAddress);
  Edit("config_metadata_c0.xml", "<ttl>15</ttl>", "<ttl>3</ttl>", /*inPlace=*/true);
  EXPECT_EQ(3, Resolve(kStreamProfile1).metadataInfo.ttl);
}

TEST_P(LiveEdit, StreamProfileFileReplacedIsSeenOnlyAfterParse) {
  Edit("config_streamprofile.xml", "<source>c0s0</source>", "<source>c1s2</source>",
       /*inPlace=*/false);
  Edit("config_streamprofile.xml", "<token>StreamProfile_2</token>", "<token>Renamed_2</token>",
       /*inPlace=*/false);
  TProfileInfo before = Resolve(kStreamProfile1);
  EXPECT_EQ(0, before.videoInfo.channel);
  EXPECT_EQ(0, before.videoInfo.stream);
  EXPECT_EQ(334, Resolve("media2/stream.sdp?profile=StreamProfile_2").profileKey);
  Resolve("media2/stream.sdp?profile=Renamed_2", STRELL_ERR_NOT_FOUND);

  ASSERT_EQ(STRELL_OK, Parse());
  TProfileInfo after = Resolve(kStreamProfile1);
  EXPECT_EQ(1, after.videoInfo.channel);
  EXPECT_EQ(2, after.videoInfo.stream);
  EXPECT_STREQ("ff05::3:13", after.videoInfo.ipAddress);
  EXPECT_EQ(60014, after.videoInfo.port);
  EXPECT_EQ(334, Resolve("media2/stream.sdp?profile=Renamed_2").profileKey);
  Resolve("media2/stream.sdp?profile=StreamProfile_2", STRELL_ERR_NOT_FOUND);
}

TEST_P(LiveEdit, StoresOfMedia1AndTheStreamServerFollowTheirFilesAtParse) {
  Edit("config_streamserver.xml", "<accessname>live1.sdp</accessname>",
       "<accessname>cam1.sdp</accessname>", /*inPlace=*/true);
  Edit("config_onvif/config_onvif_media_videoencoderconf.xml", "<port>40000</port>",
       "<port>40008</port>", /*inPlace=*/true);
  EXPECT_EQ(111, Resolve("live1.sdp").profileKey);
  EXPECT_EQ(40000, Resolve("media/stream.sdp?profile=Profile_1").videoInfo.port);
  ASSERT_EQ(STRELL_OK, Parse());
  Resolve("live1.sdp", STRELL_ERR_NOT_FOUND);
  EXPECT_EQ(111, Resolve("cam1.sdp").profileKey);
  EXPECT_EQ(40008, Resolve("media/stream.sdp?profile=Profile_1").videoInfo.port);
}

TEST_P(LiveEdit, ContextsInThreadsAnswerWhileFilesChange) {
  constexpr int kThreads = 3;
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::atomic<long> answers{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      StrellHandle handle = nullptr;
      Strell_Init(&handle);
      while (!stop.load()) {
        if (Strell_Parse(handle) != STRELL_OK) wrong.fetch_add(1);
        TProfileInfo info;
        std::memset(&info, 0, sizeof info);
        if (Strell_GetProfileInfoByStreamUrl(handle, kStreamProfile1, &info) != STRELL_OK ||
            (info.videoInfo.port != 60000 && info.videoInfo.port != 60006)) {
          wrong.fetch_add(1);
        }
        std::memset(&info, 0, sizeof info);
        if (Strell_GetProfileInfoByStreamUrl(handle, "live2.sdp", &info) != STRELL_OK ||
            info.profileKey != 112 || info.videoInfo.stream != 1) {
          wrong.fetch_add(1);
        }
        answers.fetch_add(1);
      }
      Strell_Release(&handle);
    });
  }
  integration::Quietly([&] {
    for (int round = 0; round < 100; ++round) {
      const bool even = round % 2 == 0;
      Edit("config_videoin_c0.xml", even ? "<port>60000</port>" : "<port>60006</port>",
           even ? "<port>60006</port>" : "<port>60000</port>", /*inPlace=*/false);
      Edit("config_streamserver.xml", even ? "<port>554</port>" : "<port>555</port>",
           even ? "<port>555</port>" : "<port>554</port>", /*inPlace=*/false);
    }
    stop.store(true);
    for (std::thread& thread : threads) thread.join();
  });
  EXPECT_EQ(0, wrong.load()) << "of " << answers.load();
}

}  // namespace
