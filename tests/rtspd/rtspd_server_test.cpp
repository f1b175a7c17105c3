// strell-rtspd as a process, against ffprobe, ffmpeg and plain RTSP on the example configuration.
// Each test starts its own server on a free loopback port; waits have deadlines, nothing is timed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>

#include "testing/golden.h"
#include "testing/temp_dir.h"

namespace {

const std::string kBinary = STRELL_RTSPD_BINARY;
const std::string kExampleRoot = STRELL_EXAMPLE_ROOT;
const std::string kFfprobe = STRELL_FFPROBE;
const std::string kFfmpeg = STRELL_FFMPEG;
const std::string kListening = "listening on rtsp://127.0.0.1:";

// Runs `command` for at most 60 seconds; its standard output.
FILE* Start(const std::string& command) { return popen(("timeout 60 " + command).c_str(), "r"); }

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Asks `done` every 20 ms, for at most 20 seconds, until it says true.
template <typename Done>
bool Poll(Done done) {
  for (int i = 0; i < 1000; ++i, usleep(20000)) {
    if (done()) return true;
  }
  return false;
}

// strell-rtspd --port 0 --root <root>, its standard output and error in a log.
class Server {
 public:
  explicit Server(const std::string& root) : log_(dir_ / "log"), pid_(fork()) {
    if (pid_ == 0) {
      const int log = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      dup2(log, STDOUT_FILENO);
      dup2(log, STDERR_FILENO);
      execl(kBinary.c_str(), kBinary.c_str(), "--port", "0", "--root", root.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    if (WaitForLog(kListening)) {
      port_ = std::stoi(Log().substr(Log().find(kListening) + kListening.size()));
    }
  }
  ~Server() {
    if (Signal(SIGKILL)) waitpid(pid_, nullptr, 0);
  }
  int port() const { return port_; }
  std::string Url(const std::string& path) const {
    return "rtsp://127.0.0.1:" + std::to_string(port_) + "/" + path;
  }
  std::string Log() const { return testing_kit::ReadText(log_); }
  bool WaitForLog(const std::string& text) const {
    return Poll([&] { return Contains(Log(), text); });
  }
  bool Signal(int number) const { return pid_ > 0 && kill(pid_, number) == 0; }
  // Sends SIGTERM; the exit code, or -1 when the server does not exit by itself.
  int Terminate() {
    int status = -1;
    if (Signal(SIGTERM) && Poll([&] { return waitpid(pid_, &status, WNOHANG) == pid_; })) pid_ = 0;
    return pid_ == 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  testing_kit::TempDir dir_;
  std::string log_;
  pid_t pid_;
  int port_ = 0;
};

// DESCRIBE `path`, then `more` requests (CSeq 2 on), on a new connection that then says it has no
// more: the answers, in order; each read waits at most 20 seconds.
std::string Describe(const Server& server, const std::string& path, const std::string& more = "") {
  const std::string requests =
      "DESCRIBE " + server.Url(path) + " RTSP/1.0\r\nCSeq: 1\r\n\r\n" + more;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const timeval deadline{20, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &deadline, sizeof deadline);
  const sockaddr_in address{
      AF_INET, htons(static_cast<uint16_t>(server.port())), {htonl(INADDR_LOOPBACK)}, {}};
  connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  send(fd, requests.data(), requests.size(), MSG_NOSIGNAL);
  shutdown(fd, SHUT_WR);
  std::string answers;
  char chunk[16384];
  for (ssize_t got; (got = recv(fd, chunk, sizeof chunk, 0)) > 0;) answers.append(chunk, got);
  close(fd);
  return answers;
}

// One URL of each handler kind as ffprobe sees it: JPEG at the configured size, mu-law, data.
TEST(RtspdServer, FfprobeSeesTheMediaTheConfigurationDescribes) {
  if (kFfprobe.empty()) GTEST_SKIP() << "ffprobe not found (Debian package ffmpeg)";
  const std::pair<const char*, const char*> cases[] = {
      // config_streamserver.xml s0: video c0s0, audio, metadata.
      {"live1.sdp", "mjpeg,video,1920,1080\npcm_mulaw,audio,8000,1\nunknown,data\n"},
      // config_onvif_media_profile.xml i1: VideoEncoder1_2 (c0s1), metadata, no audio.
      {"media/stream.sdp?profile=Profile_2", "mjpeg,video,1280,720\nunknown,data\n"},
      // config_streamprofile.xml i2: c0s2, nothing else.
      {"media2/stream.sdp?profile=StreamProfile_3", "mjpeg,video,640,360\n"},
  };
  Server server(kExampleRoot);
  ASSERT_GT(server.port(), 0) << server.Log();
  for (const auto& [path, streams] : cases) {
    FILE* probe = Start(kFfprobe + " -v error -of csv=p=0 -show_entries stream=codec_name," +
                        "codec_type,width,height,sample_rate,channels '" + server.Url(path) + "'");
    std::string out;
    for (char chunk[256]; std::fgets(chunk, sizeof chunk, probe) != nullptr;) out += chunk;
    EXPECT_EQ(0, pclose(probe)) << path;
    EXPECT_EQ(streams, out) << path;
  }
  EXPECT_EQ(0, server.Terminate()) << server.Log();
}

// A usable group is in the SDP (port on m=, group and TTL on c=) and a multicast SETUP's answer.
TEST(RtspdServer, SdpAndMulticastSetupCarryTheConfiguredGroup) {
  const struct {
    const char* path;
    int stream;
    const char* sdp;    // the stream's m= and c= lines
    const char* setup;  // in the answer to SETUP
  } cases[] = {
      {"live1.sdp", 0, "m=video 50000 RTP/AVP 26\r\nc=IN IP4 239.2.1.1/15\r\n",
       "Transport: RTP/AVP;multicast;destination=239.2.1.1;ttl=15;port=50000-50001;"},
      {"live1.sdp", 2, "m=application 50004 RTP/AVP 96\r\nc=IN IP4 239.2.3.1/15\r\n",
       "Transport: RTP/AVP;multicast;destination=239.2.3.1;ttl=15;port=50004-50005;"},
      // The Media1 encoder configurations give no TTL: the server's default.
      {"media/stream.sdp?profile=Profile_1", 0,
       "m=video 40000 RTP/AVP 26\r\nc=IN IP4 239.1.1.1/1\r\n",
       "Transport: RTP/AVP;multicast;destination=239.1.1.1;ttl=1;port=40000-40001;"},
      // config_streamserver.xml s2 names IPv6 groups: none is offered.
      {"live3.sdp", 0, "m=video 0 RTP/AVP 26\r\nc=IN IP4 0.0.0.0\r\n",
       "RTSP/1.0 461 Unsupported transport\r\nCSeq: 2\r\n"},
  };
  Server server(kExampleRoot);
  ASSERT_GT(server.port(), 0) << server.Log();
  for (const auto& c : cases) {
    const std::string answers =
        Describe(server, c.path,
                 "SETUP " + server.Url(c.path) + "/stream=" + std::to_string(c.stream) +
                     " RTSP/1.0\r\nCSeq: 2\r\nTransport: RTP/AVP;multicast\r\n\r\n");
    EXPECT_TRUE(Contains(answers, c.sdp) && Contains(answers, c.setup)) << answers;
  }
  EXPECT_EQ(0, server.Terminate()) << server.Log();
}

// SIGHUP on an edited copy changes what the next DESCRIBE gets (404, 500, the reason logged) while
// a player keeps getting frames; SIGTERM then stops the server cleanly with the player connected.
TEST(RtspdServer, SighupChangesTheNextDescribeWhileAPlayerKeepsPlaying) {
  if (kFfmpeg.empty()) GTEST_SKIP() << "ffmpeg not found (Debian package ffmpeg)";
  testing_kit::TempDir scratch;
  const std::string root = scratch / "conf.d";
  ASSERT_EQ(0, scratch.Sh("cp -R '" + kExampleRoot + "' conf.d"));
  Server server(root);
  ASSERT_GT(server.port(), 0) << server.Log();
  // ffmpeg plays live2.sdp throughout, reporting the frames it decoded about twice a second.
  FILE* player = Start(kFfmpeg + " -nostdin -v error -rtsp_transport tcp -timeout 20000000 -i '" +
                       server.Url("live2.sdp") + "' -map 0:v -f null - -progress pipe:1 -nostats");
  // Reads the player's reports until one counts `frames` decoded; that count, or -1.
  const auto until = [player](int frames) {
    int frame = -1;
    for (char line[256]; frame < frames && std::fgets(line, sizeof line, player) != nullptr;) {
      std::sscanf(line, "frame=%d", &frame);
    }
    return frame;
  };
  const int before = until(3);
  ASSERT_GE(before, 3) << server.Log();
  EXPECT_TRUE(Contains(Describe(server, "live1.sdp"), "\r\nm=video 50000 "));

  // The profile the player plays is renamed; another's port and a third's source change.
  ASSERT_EQ(0, scratch.Sh("cd conf.d && sed -i 's/>live2.sdp</>renamed.sdp</;"
                          " s/<videoport>50000</<videoport>50100</' config_streamserver.xml &&"
                          " sed -i 's/<source>c0s2</<source>video2</' config_streamprofile.xml"));
  server.Signal(SIGHUP);
  ASSERT_TRUE(server.WaitForLog("SIGHUP: reloaded the configuration from " + root + ": ok (0)"));

  EXPECT_EQ(0u, Describe(server, "live2.sdp").find("RTSP/1.0 404 "));
  EXPECT_TRUE(
      server.WaitForLog("DESCRIBE \"live2.sdp\": 404 Not Found: no profile for this URL (8)\n"));
  EXPECT_EQ(0u, Describe(server, "renamed.sdp").find("RTSP/1.0 200 ")) << server.Log();
  EXPECT_TRUE(Contains(Describe(server, "live1.sdp"), "\r\nm=video 50100 "));
  EXPECT_EQ(0u,
            Describe(server, "media2/stream.sdp?profile=StreamProfile_3").find("RTSP/1.0 500 "));
  EXPECT_TRUE(server.WaitForLog(
      "DESCRIBE \"media2/stream.sdp?profile=StreamProfile_3\": 500 Internal Server Error: the "
      "profile's video source is not of the form c<channel>s<stream> (9); profile 335 "
      "\"StreamProfile_3\"\n"))
      << server.Log();
  EXPECT_GE(until(before + 3), before + 3) << server.Log();

  EXPECT_EQ(0, server.Terminate()) << server.Log();
  EXPECT_TRUE(Contains(server.Log(), "strell-rtspd: stopped; library context released\n"));
  pclose(player);
}

}  // namespace
