// strell-rtspd against clients nobody here wrote (ffprobe) and a plain RTSP
// exchange, on the example configuration. Each test starts its own server on
// a free loopback port and stops it; every wait has a deadline.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "rtspd/rtspd_harness.h"

namespace rtspd_test {
namespace {

const std::string kBinary = STRELL_RTSPD_BINARY;
const std::string kExampleRoot = STRELL_EXAMPLE_ROOT;
const std::string kFfprobe = STRELL_FFPROBE;

// The server's codecs: JPEG video, G.711 mu-law audio at 8000 Hz mono,
// metadata as a data stream.
struct ProbedStream {
  const char* type;  // "video", "audio", "data"
  int width;         // video
  int height;
};

struct ProbeCase {
  const char* name;
  const char* path;
  std::vector<ProbedStream> streams;
};

// What examples/conf.d says each URL carries. Video frame sizes are the
// resolutions of config_videoin_c<channel>.xml; the channel and stream come
// from the library's answer.
const ProbeCase kProbeCases[] = {
    // config_streamserver.xml s0: video track 0 (channel 0, stream 0:
    // 1920x1080), audio track 0, metadata track 0.
    {"AccessNameLive1", "live1.sdp", {{"video", 1920, 1080}, {"audio", 0, 0}, {"data", 0, 0}}},
    // s1: video track 1 (channel 0, stream 1: 1280x720), audio, no metadata.
    {"AccessNameLive2", "live2.sdp", {{"video", 1280, 720}, {"audio", 0, 0}}},
    // config_onvif_media_profile.xml i0: VideoEncoder1_1 (ONVIF 1/1, channel 0
    // stream 0), AudioEncoder1_1, metadata1.
    {"Media1Profile1",
     "media/stream.sdp?profile=Profile_1",
     {{"video", 1920, 1080}, {"audio", 0, 0}, {"data", 0, 0}}},
    // i1: VideoEncoder1_2 (channel 0, stream 1), no audio, metadata1.
    {"Media1Profile2",
     "media/stream.sdp?profile=Profile_2",
     {{"video", 1280, 720}, {"data", 0, 0}}},
    // config_streamprofile.xml i0: c0s0, audio, metadata.
    {"Media2StreamProfile1",
     "media2/stream.sdp?profile=StreamProfile_1",
     {{"video", 1920, 1080}, {"audio", 0, 0}, {"data", 0, 0}}},
    // i2: c0s2 (640x360), no audio, no metadata.
    {"Media2StreamProfile3", "media2/stream.sdp?profile=StreamProfile_3", {{"video", 640, 360}}},
    // i4: c1s1 (config_videoin_c1.xml: 1280x720), metadata.
    {"Media2StreamProfile5",
     "media2/stream.sdp?profile=StreamProfile_5",
     {{"video", 1280, 720}, {"data", 0, 0}}},
};

void PrintTo(const ProbeCase& probe, std::ostream* out) { *out << probe.path; }

class RtspdProbe : public testing::TestWithParam<ProbeCase> {};

TEST_P(RtspdProbe, ReportsTheStreamsTheConfigurationDescribes) {
  if (kFfprobe.empty()) GTEST_SKIP() << "ffprobe not found (Debian package ffmpeg)";
  const ProbeCase& probe = GetParam();
  ServerProcess server(kBinary, kExampleRoot);
  ASSERT_TRUE(server.listening()) << server.Log();

  const CommandResult result =
      RunCommand({kFfprobe, "-v", "error", "-timeout", "10000000", "-show_entries",
                  "stream=index,codec_type,codec_name,width,height,sample_rate,channels", "-of",
                  "json", server.Url(probe.path)},
                 60);
  ASSERT_FALSE(result.timedOut) << result.err << server.Log();
  ASSERT_EQ(0, result.exitStatus) << result.err << server.Log();

  const nlohmann::json report = nlohmann::json::parse(result.out, nullptr, false);
  ASSERT_TRUE(report.contains("streams")) << result.out;
  const nlohmann::json& streams = report["streams"];
  ASSERT_EQ(probe.streams.size(), streams.size()) << result.out;
  for (std::size_t i = 0; i < probe.streams.size(); ++i) {
    const ProbedStream& expected = probe.streams[i];
    const nlohmann::json& stream = streams[i];
    SCOPED_TRACE("stream " + std::to_string(i) + ": " + stream.dump());
    EXPECT_EQ(expected.type, stream.value("codec_type", ""));
    if (std::string(expected.type) == "video") {
      EXPECT_EQ("mjpeg", stream.value("codec_name", ""));
      EXPECT_EQ(expected.width, stream.value("width", 0));
      EXPECT_EQ(expected.height, stream.value("height", 0));
    } else if (std::string(expected.type) == "audio") {
      EXPECT_EQ("pcm_mulaw", stream.value("codec_name", ""));
      EXPECT_EQ("8000", stream.value("sample_rate", ""));
      EXPECT_EQ(1, stream.value("channels", 0));
    }
  }
  EXPECT_EQ(0, server.Terminate()) << server.Log();
}

INSTANTIATE_TEST_SUITE_P(ExampleUrls, RtspdProbe, testing::ValuesIn(kProbeCases),
                         [](const testing::TestParamInfo<ProbeCase>& param) {
                           return std::string(param.param.name);
                         });

// --- Multicast, through DESCRIBE and SETUP. -------------------------------

struct Group {
  const char* medium;  // the SDP media type
  const char* address;
  int port;
  int ttl;
};

struct MulticastCase {
  const char* name;
  const char* path;
  std::vector<Group> groups;  // in SDP order
};

const MulticastCase kMulticastCases[] = {
    // config_streamserver.xml s0: one TTL for the slot.
    {"AccessName",
     "live1.sdp",
     {{"video", "239.2.1.1", 50000, 15},
      {"audio", "239.2.2.1", 50002, 15},
      {"application", "239.2.3.1", 50004, 15}}},
    // The ONVIF Media1 encoder and metadata configurations give address and
    // port; a Media1 answer has no TTL, so the server offers its default, 1.
    {"Media1",
     "media/stream.sdp?profile=Profile_1",
     {{"video", "239.1.1.1", 40000, 1},
      {"audio", "239.1.2.1", 40100, 1},
      {"application", "239.1.3.1", 40200, 1}}},
    // The per-channel files: config_videoin_c0.xml c0/s0, config_audioin.xml
    // c0/s0, config_metadata_c0.xml c0/s0.
    {"Media2",
     "media2/stream.sdp?profile=StreamProfile_1",
     {{"video", "239.3.1.1", 60000, 15},
      {"audio", "239.3.2.1", 60100, 15},
      {"application", "239.3.3.1", 60200, 15}}},
};

// The SDP's media sections, each from its m= line to the next.
std::vector<std::string> MediaSections(const std::string& sdp) {
  std::vector<std::string> sections;
  std::size_t at = sdp.find("m=");
  while (at != std::string::npos) {
    const std::size_t next = sdp.find("\r\nm=", at);
    sections.push_back(sdp.substr(at, next == std::string::npos ? std::string::npos : next - at));
    at = next == std::string::npos ? next : next + 2;
  }
  return sections;
}

void PrintTo(const MulticastCase& test, std::ostream* out) { *out << test.path; }

class RtspdMulticast : public testing::TestWithParam<MulticastCase> {};

TEST_P(RtspdMulticast, SdpAndTransportCarryTheConfiguredGroup) {
  const MulticastCase& test = GetParam();
  ServerProcess server(kBinary, kExampleRoot);
  ASSERT_TRUE(server.listening()) << server.Log();
  RtspConnection rtsp(server.port());
  ASSERT_TRUE(rtsp.connected());

  const RtspResponse describe =
      rtsp.Request("DESCRIBE", server.Url(test.path), {"Accept: application/sdp"});
  ASSERT_EQ(200, describe.status) << server.Log();
  const std::vector<std::string> sections = MediaSections(describe.body);
  ASSERT_EQ(test.groups.size(), sections.size()) << describe.body;

  std::string session;
  for (std::size_t i = 0; i < test.groups.size(); ++i) {
    const Group& group = test.groups[i];
    SCOPED_TRACE(std::string(group.medium) + " " + group.address);
    const std::string port = std::to_string(group.port);
    EXPECT_EQ(0u, sections[i].find("m=" + std::string(group.medium) + " " + port + " RTP/AVP "))
        << sections[i];
    EXPECT_NE(std::string::npos, sections[i].find("\r\nc=IN IP4 " + std::string(group.address) +
                                                  "/" + std::to_string(group.ttl) + "\r\n"))
        << sections[i];

    std::vector<std::string> headers = {"Transport: RTP/AVP;multicast"};
    if (!session.empty()) headers.push_back("Session: " + session);
    const RtspResponse setup =
        rtsp.Request("SETUP", server.Url(test.path) + "/stream=" + std::to_string(i), headers);
    ASSERT_EQ(200, setup.status) << server.Log();
    session = setup.Header("Session").substr(0, setup.Header("Session").find(';'));
    const std::string transport = setup.Header("Transport");
    EXPECT_NE(std::string::npos, transport.find("RTP/AVP;multicast;")) << transport;
    EXPECT_NE(std::string::npos, transport.find(";destination=" + std::string(group.address) + ";"))
        << transport;
    EXPECT_NE(std::string::npos,
              transport.find(";port=" + port + "-" + std::to_string(group.port + 1)))
        << transport;
    EXPECT_NE(std::string::npos, transport.find(";ttl=" + std::to_string(group.ttl) + ";"))
        << transport;
  }
  EXPECT_EQ(200, rtsp.Request("TEARDOWN", server.Url(test.path), {"Session: " + session}).status);
  EXPECT_EQ(0, server.Terminate()) << server.Log();
}

INSTANTIATE_TEST_SUITE_P(ExampleUrls, RtspdMulticast, testing::ValuesIn(kMulticastCases),
                         [](const testing::TestParamInfo<MulticastCase>& param) {
                           return std::string(param.param.name);
                         });

TEST(RtspdMulticastGroup, Ipv6GroupIsNotOfferedOnIpv4Loopback) {
  // config_streamserver.xml s2 names IPv6 groups; the server has an IPv4
  // loopback socket only, so it announces no group and refuses multicast.
  ServerProcess server(kBinary, kExampleRoot);
  ASSERT_TRUE(server.listening()) << server.Log();
  RtspConnection rtsp(server.port());
  const RtspResponse describe = rtsp.Request("DESCRIBE", server.Url("live3.sdp"));
  ASSERT_EQ(200, describe.status) << server.Log();
  EXPECT_EQ(std::string::npos, describe.body.find("ff05::")) << describe.body;
  EXPECT_NE(std::string::npos, describe.body.find("c=IN IP4 0.0.0.0")) << describe.body;
  const RtspResponse setup = rtsp.Request("SETUP", server.Url("live3.sdp") + "/stream=0",
                                          {"Transport: RTP/AVP;multicast"});
  EXPECT_EQ(461, setup.status);
  EXPECT_TRUE(server.WaitForLog(
      "no multicast: \"ff05::2:13\" is an IPv6 address and the server has IPv4 loopback only"))
      << server.Log();
  EXPECT_EQ(0, server.Terminate()) << server.Log();
}

// --- Answers that are not streams. ----------------------------------------

TEST(RtspdNotFound, UnknownProfilesAndNamesAre404WithTheReasonLogged) {
  ServerProcess server(kBinary, kExampleRoot);
  ASSERT_TRUE(server.listening()) << server.Log();
  const char* const paths[] = {
      "media/stream.sdp?profile=NoSuchProfile",
      "media2/stream.sdp?profile=NoSuchProfile",
      "nosuch.sdp",
      // Access names are compared whole: a query makes it another name.
      "live1.sdp?x=1",
      // A Media2 token is the whole rest of the URL.
      "media2/stream.sdp?profile=StreamProfile_1&x=1",
  };
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    RtspConnection rtsp(server.port());
    EXPECT_EQ(404, rtsp.Request("DESCRIBE", server.Url(path)).status);
    EXPECT_EQ(404, rtsp.Request("SETUP", server.Url(path) + "/stream=0",
                                {"Transport: RTP/AVP/TCP;unicast;interleaved=0-1"})
                       .status);
    EXPECT_TRUE(server.WaitForLog(std::string("DESCRIBE \"") + path +
                                  "\": 404 Not Found: no profile for this URL (8)"))
        << server.Log();
  }
  EXPECT_EQ(0, server.Terminate()) << server.Log();
}

// --- Reloading. -------------------------------------------------------------

// A copy of the example configuration to edit, and a server on it.
class RtspdReload : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.path().empty());
    root_ = scratch_.path() + "/conf.d";
    std::filesystem::copy(kExampleRoot, root_, std::filesystem::copy_options::recursive);
    server_ = std::make_unique<ServerProcess>(kBinary, root_);
    ASSERT_TRUE(server_->listening()) << server_->Log();
  }

  // Edits a file of the copy and sends SIGHUP; returns once the server says
  // it has reloaded.
  void EditAndReload(const std::string& file, const std::string& from, const std::string& to) {
    ASSERT_TRUE(ReplaceOnce(root_ + "/" + file, from, to)) << file << ": " << from;
    ++reloads_;
    server_->Signal(SIGHUP);
    ASSERT_TRUE(server_->WaitForLog("SIGHUP: reloaded the configuration from " + root_ + ": ok (0)",
                                    reloads_))
        << server_->Log();
  }

  RtspResponse Describe(const std::string& path) {
    RtspConnection rtsp(server_->port());
    return rtsp.Request("DESCRIBE", server_->Url(path));
  }

  TempDir scratch_;
  std::string root_;
  std::unique_ptr<ServerProcess> server_;
  int reloads_ = 0;
};

TEST_F(RtspdReload, SighupChangesTheNextDescribe) {
  const RtspResponse before = Describe("live1.sdp");
  ASSERT_EQ(200, before.status) << server_->Log();
  EXPECT_NE(std::string::npos, before.body.find("m=video 50000 ")) << before.body;

  EditAndReload("config_streamserver.xml", "<videoport>50000</videoport>",
                "<videoport>50100</videoport>");
  const RtspResponse after = Describe("live1.sdp");
  ASSERT_EQ(200, after.status) << server_->Log();
  EXPECT_NE(std::string::npos, after.body.find("m=video 50100 ")) << after.body;

  EditAndReload("config_streamserver.xml", "<accessname>live2.sdp</accessname>",
                "<accessname>renamed.sdp</accessname>");
  EXPECT_EQ(404, Describe("live2.sdp").status);
  EXPECT_EQ(200, Describe("renamed.sdp").status) << server_->Log();
  EXPECT_EQ(0, server_->Terminate()) << server_->Log();
}

TEST_F(RtspdReload, BadVideoSourceAfterReloadIs500WithTheReasonLogged) {
  ASSERT_EQ(200, Describe("media2/stream.sdp?profile=StreamProfile_3").status) << server_->Log();
  EditAndReload("config_streamprofile.xml", "<source>c0s2</source>", "<source>video2</source>");
  EXPECT_EQ(500, Describe("media2/stream.sdp?profile=StreamProfile_3").status);
  EXPECT_TRUE(server_->WaitForLog(
      "DESCRIBE \"media2/stream.sdp?profile=StreamProfile_3\": 500 Internal Server Error: the "
      "profile's video source is not of the form c<channel>s<stream> (9); profile 335 "
      "\"StreamProfile_3\""))
      << server_->Log();
  EXPECT_EQ(0, server_->Terminate()) << server_->Log();
}

TEST_F(RtspdReload, ConnectedClientKeepsStreamingThroughAReload) {
  RtspConnection client(server_->port());
  const std::string url = server_->Url("live1.sdp");
  ASSERT_EQ(200, client.Request("DESCRIBE", url).status) << server_->Log();
  const RtspResponse setup = client.Request("SETUP", url + "/stream=0",
                                            {"Transport: RTP/AVP/TCP;unicast;interleaved=0-1"});
  ASSERT_EQ(200, setup.status) << server_->Log();
  const std::string session =
      "Session: " + setup.Header("Session").substr(0, setup.Header("Session").find(';'));
  ASSERT_EQ(200, client.Request("PLAY", url, {session}).status) << server_->Log();
  ASSERT_EQ(3, client.ReadFrames(0, 3, 20)) << server_->Log();

  // The profile the client plays disappears from the configuration.
  EditAndReload("config_streamserver.xml", "<accessname>live1.sdp</accessname>",
                "<accessname>gone.sdp</accessname>");
  EXPECT_EQ(404, Describe("live1.sdp").status);
  EXPECT_EQ(3, client.ReadFrames(0, 3, 20)) << server_->Log();
  EXPECT_EQ(200, client.Request("GET_PARAMETER", url, {session}).status);
  EXPECT_EQ(200, client.Request("TEARDOWN", url, {session}).status);
  EXPECT_EQ(0, server_->Terminate()) << server_->Log();
}

// --- Shutdown. --------------------------------------------------------------

TEST(RtspdShutdown, SigtermClosesClientsAndReleasesTheContext) {
  ServerProcess server(kBinary, kExampleRoot);
  ASSERT_TRUE(server.listening()) << server.Log();
  RtspConnection client(server.port());
  const std::string url = server.Url("media/stream.sdp?profile=Profile_1");
  ASSERT_EQ(200, client.Request("DESCRIBE", url).status) << server.Log();
  const RtspResponse setup = client.Request("SETUP", url + "/stream=0",
                                            {"Transport: RTP/AVP/TCP;unicast;interleaved=0-1"});
  ASSERT_EQ(200, setup.status) << server.Log();
  const std::string session =
      "Session: " + setup.Header("Session").substr(0, setup.Header("Session").find(';'));
  ASSERT_EQ(200, client.Request("PLAY", url, {session}).status) << server.Log();
  ASSERT_EQ(1, client.ReadFrames(0, 1, 20));

  EXPECT_EQ(0, server.Terminate());
  const std::string log = server.Log();
  EXPECT_NE(std::string::npos, log.find("strell-rtspd: stopping\n")) << log;
  EXPECT_NE(std::string::npos, log.find("strell-rtspd: stopped; library context released\n"))
      << log;
}

}  // namespace
}  // namespace rtspd_test
