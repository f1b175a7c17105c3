// The three handlers over one camera that holds the cases each handler must
// get right: every read of a reload and the stores it leaves (their dumps),
// every answer to a table of URLs and list queries, with the trace lines,
// stated in golden files under tests/library/golden/.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "api/introspection.h"
#include "numbering/capability.h"
#include "testing/camera.h"
#include "testing/fresh_process.h"
#include "testing/golden.h"
#include "testing/memory_host.h"
#include "testing/records.h"

namespace {

using testing_kit::Camera;
using testing_kit::Medium;

std::string Golden(const std::string& name) { return STRELL_LIBRARY_GOLDEN "/" + name; }

// TwoStateCamera(false) and, around it, what each handler must read past,
// skip or refuse.
Camera EdgeCamera() {
  Camera camera = testing_kit::TwoStateCamera(false);
  // Media1: i2 has an empty token (skipped, key 224 not reused), i3 names an
  // encoder of an unknown address type and the same token as i0 (i0 wins);
  // i4 and audio i1 are never read.
  camera.MediaOneProfile(2, "", "VideoEncoder1_1", nullptr, nullptr)
      .MediaOneProfile(3, "Profile_1", "VideoEncoder2_1", "NoSuchEncoder", "metadata2")
      .MediaOneProfile(4, "Profile_5", "VideoEncoder1_1", nullptr, nullptr)
      .MediaOneEncoder(Medium::kVideo, 2, "VideoEncoder2_1", "ipv4", "239.1.0.3", 5004, 7)
      .MediaOneEncoder(Medium::kAudio, 1, "AudioEncoder_2", "IPv4", "239.1.0.10", 6002, 3);
  // Stream server: s2 is missing; s3 lacks its video track (its video address
  // and port are not asked), shares live1.sdp with s0 (s0 wins) and has
  // enable 0 (not consulted); s4 is never read.
  camera.AccessName(3, "live1.sdp", 0, 0, 0, 17)
      .Erase(kStreamserverFile, "/root/network/rtsp/s3/videotrack")
      .Set(kStreamserverFile, "/root/network/rtsp/s3/enable", "0")
      .AccessName(4, "live5.sdp", 0, 0, 0, 15);
  // Media2: i2 has a bad video source, i3 video disabled with a source (not
  // read) and metadata only, i4 an enable text of 2 (enabled) and a source
  // whose channel file is missing, i5 an enable text that is no number.
  camera.StreamProfile(2, "Bad", "video0", false, false)
      .StreamProfile(3, "MetadataOnly", "", false, true)
      .Set(kStreamProfileFile, "/root/streamprofile/i3/videoconfiguration/source", "c0s0")
      .StreamProfile(4, "NoChannelFile", "c7s0", false, false)
      .Set(kStreamProfileFile, "/root/streamprofile/i4/videoconfiguration/enable", "2")
      .StreamProfile(5, "NotANumber", "c0s0", false, false)
      .Set(kStreamProfileFile, "/root/streamprofile/i5/videoconfiguration/enable", "yes");
  return camera;
}

class Handlers : public testing::Test {
 protected:
  void SetUp() override {
    EdgeCamera().Install();
    testing_kit::TakeTrace();
  }
  testing_kit::Context context_;
};

std::string ReadLog() {
  std::string log;
  for (const memory_host::Read& read : memory_host::Reads()) {
    EXPECT_TRUE(read.zeroedBuffer) << read.key;
    log += read.file.substr(sizeof kConfigDirectory - 1) + " " + read.key +
           (read.delivered ? "\n" : " (not delivered)\n");
  }
  memory_host::ClearLog();
  return log;
}

std::string Dumps(StrellHandle handle) {
  findHandler<CUrlMediaOne>(handle)->dumpProfileList();
  findHandler<CUrlMediaOne>(handle)->dumpVideoEncodeList();
  findHandler<CUrlMediaOne>(handle)->dumpAudioEncodeList();
  findHandler<CUrlMediaOne>(handle)->dumpMetadata();
  findHandler<CUrlStreamserver>(handle)->dumpprofile();
  findHandler<CUrlMediaTwo>(handle)->dumpall();
  return testing_kit::TakeTrace();
}

// A reload asks the host for each value once, in the order the golden file
// gives, prints nothing, and replaces the stores: two reloads leave what one
// does.
TEST_F(Handlers, ReloadReadsEachValueInOrderAndReplacesTheStores) {
  const std::string emptyDumps = Dumps(context_.handle());
  for (int reload = 0; reload < 2; ++reload) {
    ASSERT_EQ(STRELL_OK, context_.Parse());
    EXPECT_EQ("", testing_kit::TakeTrace());
    testing_kit::ExpectGolden(Golden("reload.txt"), ReadLog() + Dumps(context_.handle()));
  }
  // With every file unreadable, each handler keeps only its fixed records.
  for (const std::string& file : EdgeCamera().Files()) memory_host::FailFile(file);
  context_.Parse();
  ReadLog();
  testing_kit::ExpectGolden(Golden("unreadable.txt"),
                            emptyDumps + "--\n" + Dumps(context_.handle()));
}

TEST_F(Handlers, EveryUrlAndListQueryGivesItsAnswerAndItsTraceLines) {
  context_.Parse();
  ReadLog();
  std::string answers;
  for (const char* url : {"media/stream.sdp?profile=Profile_1",
                          "rtsp://10.0.0.2/media/stream.sdp?profile=Profile_2",
                          "media/stream.sdp?profile=Profile_1&x=1",
                          "media/stream.sdp?profile=profile_1",
                          "media/stream.sdp?profile=Profile_5",
                          "x/media/stream.sdp?profile=live1.sdp",
                          "media/stream.sdp?profile=",
                          "live1.sdp",
                          "live2/main_stream.sdp",
                          "/live1.sdp",
                          "LIVE1.sdp",
                          "live5.sdp",
                          "",
                          "media2/stream.sdp?profile=StreamProfile_1",
                          "media2/stream.sdp?profile=StreamProfile_Second",
                          "media2/stream.sdp?profile=Bad",
                          "media2/stream.sdp?profile=MetadataOnly",
                          "media2/stream.sdp?profile=NoChannelFile",
                          "media2/stream.sdp?profile=NotANumber",
                          "media2/stream.sdp?profile=StreamProfile_1 ",
                          "media2/stream.sdp?profile="}) {
    TProfileInfo info = testing_kit::PatternedInfo();
    const int code = context_.Resolve(url, &info);
    answers += "> \"" + std::string(url) + "\"\n" + std::to_string(code) + " " +
               testing_kit::Describe(info) + "\n" + testing_kit::TakeTrace() + ReadLog();
  }
  TProfileInfo info = testing_kit::PatternedInfo();
  const int nullUrl = context_.Resolve(nullptr, &info);  // the empty URL
  answers += "> null\n" + std::to_string(nullUrl) + " " + testing_kit::Describe(info) + "\n";
  struct Query {
    bool video;
    int channel, stream, count;
  } const queries[] = {{true, 0, 0, 0},
                       {true, 1, 1, 2},
                       {true, 0, 1, 0},
                       {true, -1, -1, 0},
                       {false, 0, 0, 0},
                       {false, 5, 5, 0},
                       {true, 0, 0, STRELL_MAX_PROFILE_KEYS - 1},
                       {false, 0, 0, -1}};
  for (const Query& q : queries) {
    TProfileList list{q.count, {}};
    const int code =
        q.video ? Strell_GetProfileListByVideoStream(context_.handle(), q.channel, q.stream, &list)
                : Strell_GetProfileListByAudioStream(context_.handle(), q.channel, q.stream, &list);
    answers += std::string("> ") + (q.video ? "video " : "audio ") + std::to_string(q.channel) +
               "/" + std::to_string(q.stream) + " from " + std::to_string(q.count) + "\n" +
               std::to_string(code) + " " + std::to_string(list.profileCount) + ":";
    for (int i = std::max(q.count, 0); i < std::min(list.profileCount, STRELL_MAX_PROFILE_KEYS);
         ++i) {
      answers += " " + std::to_string(list.profileKeys[i]);
    }
    answers += "\n" + testing_kit::TakeTrace();
  }
  testing_kit::ExpectGolden(Golden("answers.txt"), answers);
}

// The encoder files know "IPv4" and "IPv6"; the metadata file the lower-case
// pair too. A field without a row in the table is no read at all.
TEST(MediaOneFields, AddressTypeSelectsTheAddressKeyAndUnknownFieldsReadNothing) {
  struct Case {
    const char* type;
    EMediaOneAddress encoder, metadata;
  } const cases[] = {{"IPv4", MEDIA1_ADDRESS_IPV4, MEDIA1_ADDRESS_IPV4},
                     {"IPv6", MEDIA1_ADDRESS_IPV6, MEDIA1_ADDRESS_IPV6},
                     {"ipv4", MEDIA1_ADDRESS_NONE, MEDIA1_ADDRESS_IPV4},
                     {"ipv6", MEDIA1_ADDRESS_NONE, MEDIA1_ADDRESS_IPV6},
                     {"IPV4", MEDIA1_ADDRESS_NONE, MEDIA1_ADDRESS_NONE},
                     {"", MEDIA1_ADDRESS_NONE, MEDIA1_ADDRESS_NONE}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.encoder, encoderAddressKind(c.type)) << c.type;
    EXPECT_EQ(c.metadata, metadataAddressKind(c.type)) << c.type;
  }
  memory_host::Clear();
  int number = 17;
  std::string text = "kept";
  const auto unknown = static_cast<EFieldProperty>(22);
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlInt("f", 0, unknown, number));
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlString("f", unknown, text));
  EXPECT_TRUE(memory_host::Reads().empty());
  EXPECT_EQ("17 kept", std::to_string(number) + " " + text);
}

// Each medium's per-field reader reads its own file under its own key word.
TEST(MediaTwoFields, EachMediumReadsItsOwnFileAndWord) {
  memory_host::Clear();
  memory_host::Set("/etc/conf.d/config_videoin_c1.xml", "/root/videoin/c1/s2/multicast/ttl", "v");
  memory_host::Set("/etc/conf.d/config_audioin.xml", "/root/audioin/c1/s2/multicast/ttl", "a");
  memory_host::Set("/etc/conf.d/config_metadata_c1.xml", "/root/metadata/c1/s2/multicast/ttl",
                   "m");
  std::string video, audio, metadata;
  EXPECT_EQ(0, getVideoinfield(1, 2, MEDIA2_FIELD_MULTICAST_TTL, video));
  EXPECT_EQ(0, getAudioinfield(1, 2, MEDIA2_FIELD_MULTICAST_TTL, audio));
  EXPECT_EQ(0, getMetadatainfield(1, 2, MEDIA2_FIELD_MULTICAST_TTL, metadata));
  EXPECT_EQ("vam", video + audio + metadata);
}

// The counts are read at the first conversion of each kind and never again,
// exactly once even when contexts on several threads convert at once.
TEST(Capability, EachCountIsReadOnceByTheFirstConversionOfItsKind) {
  testing_kit::InFreshProcess([] {
    EdgeCamera().Install();
    int channel = 0, stream = 0;
    convertMetadataTrackToChannelStream(7, channel, stream);
    EXPECT_TRUE(memory_host::ParamReads().empty());
    constexpr int kThreads = 8;
    std::atomic<int> waiting{kThreads}, wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&] {
        testing_kit::Context context;
        context.Parse();
        waiting.fetch_sub(1);  // the first conversions start together
        while (waiting.load() > 0) std::this_thread::yield();
        TProfileInfo info = testing_kit::PatternedInfo();
        TProfileList list{};
        context.Resolve("live2/main_stream.sdp", &info);
        Strell_GetProfileListByAudioStream(context.handle(), 0, 0, &list);
        if (info.videoInfo.channel != 1 || info.videoInfo.stream != 1) wrong.fetch_add(1);
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
    memory_host::SetParam("capability_nmediastream", "1");  // too late: never read again
    convertVideoTrackToChannelStream(4, channel, stream);
    EXPECT_EQ(1, stream);
    std::vector<std::string> reads = memory_host::ParamReads();
    std::sort(reads.begin(), reads.end());
    EXPECT_EQ((std::vector<std::string>{"capability_naudioin", "capability_nmediastream",
                                        "capability_nvideoin"}),
              reads);
  });
}

// Video track t is channel t / n, stream t % n with n streams per channel
// (toward zero); no count makes the division undefined. Audio track t is
// channel t, stream 0; metadata always 0, 0.
TEST(Capability, TracksMapToChannelsAndStreams) {
  struct Case {
    const char* perChannel;
    int track, channel, stream;
  } const cases[] = {
      {"3", 4, 1, 1}, {"3", 6, 2, 0},    {"3", -4, -1, -1}, {"1", 2, 2, 0},
      {"0", 5, 0, 5}, {"many", 5, 0, 5}, {"-1", 7, -7, 0},  {"-1", INT_MIN, INT_MIN, 0}};
  for (const Case& c : cases) {
    memory_host::Clear();
    memory_host::SetParam("capability_nmediastream", c.perChannel);
    getVideoChannelStreamNum();
    int channel = 99, stream = 99;
    EXPECT_EQ(0, convertVideoTrackToChannelStream(c.track, channel, stream));
    EXPECT_EQ(c.channel, channel) << c.track << " at " << c.perChannel;
    EXPECT_EQ(c.stream, stream) << c.track << " at " << c.perChannel;
  }
  int channel = 99, stream = 99;
  EXPECT_EQ(0, convertAudioTrackToChannelStream(-3, channel, stream));
  EXPECT_EQ(-3, channel);
  EXPECT_EQ(0, stream);
  EXPECT_EQ(0, convertMetadataTrackToChannelStream(-3, channel, stream));
  EXPECT_EQ(0, channel + stream);
  EdgeCamera().Install();  // the counts are the process's: the camera's again
  getVideoChannelStreamNum();
}

}  // namespace
