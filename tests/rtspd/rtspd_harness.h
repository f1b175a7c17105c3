// What the strell-rtspd tests need around the server: a scratch copy of a
// configuration, the server as a child process on a free loopback port, a
// bounded command runner for ffprobe, and a plain RTSP connection. Every wait
// has a deadline; nothing here asserts on how long anything took.
#ifndef STRELL_TESTS_RTSPD_RTSPD_HARNESS_H_
#define STRELL_TESTS_RTSPD_RTSPD_HARNESS_H_

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace rtspd_test {

// A fresh directory under $TMPDIR (or /tmp), removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);
// Replaces the only occurrence of `from` in the file with `to`. False when
// `from` occurs other than exactly once (the file is then left alone).
bool ReplaceOnce(const std::string& path, const std::string& from, const std::string& to);

struct CommandResult {
  bool timedOut = false;
  int exitStatus = -1;  // the exit code, or -1 when it did not exit normally
  std::string out;
  std::string err;
};
// Runs a program (argv[0] is its path) and collects its output. After
// `timeoutSeconds` the program is killed and timedOut is set.
CommandResult RunCommand(const std::vector<std::string>& argv, int timeoutSeconds);

// strell-rtspd as a child process: --port 0 --root <root>, standard output
// and error into a log file. The destructor kills it if it still runs.
class ServerProcess {
 public:
  ServerProcess(const std::string& binary, const std::string& root);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // True once the server logged the port it listens on.
  bool listening() const { return port_ > 0; }
  int port() const { return port_; }
  // rtsp://127.0.0.1:<port>/<path>
  std::string Url(const std::string& path) const;
  // Everything the server printed so far.
  std::string Log() const;
  // Waits until `text` occurs at least `count` times in the log, or the time
  // is up, or the server exited. Returns whether it occurs that often.
  bool WaitForLog(const std::string& text, int count = 1, int timeoutSeconds = 20);
  void Signal(int number) const;
  // Sends SIGTERM and waits for the exit. Returns the exit code, or -1 when
  // the server was killed by a signal or had to be killed after the timeout.
  int Terminate(int timeoutSeconds = 20);

 private:
  TempDir logDir_;
  std::string logPath_;
  pid_t pid_ = -1;
  int port_ = 0;
};

struct RtspResponse {
  int status = 0;                              // 0 when no response arrived
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  std::string Header(const std::string& name) const;
};

// One RTSP connection to 127.0.0.1. Each request waits at most 20 seconds
// for its response; interleaved RTP frames met on the way are counted and
// skipped.
class RtspConnection {
 public:
  explicit RtspConnection(int port);
  ~RtspConnection();
  RtspConnection(const RtspConnection&) = delete;
  RtspConnection& operator=(const RtspConnection&) = delete;

  bool connected() const { return fd_ >= 0; }
  RtspResponse Request(const std::string& method, const std::string& url,
                       const std::vector<std::string>& headers = {});
  // Reads until `count` more interleaved frames arrived on `channel`, or the
  // time is up. Returns how many arrived.
  int ReadFrames(int channel, int count, int timeoutSeconds);

 private:
  bool Fill(int timeoutMilliseconds);
  // Takes one interleaved frame off the buffer if one is complete; -1 if not.
  int TakeFrame();

  int fd_ = -1;
  int cseq_ = 0;
  std::string buffer_;
  std::map<int, int> frames_;
};

}  // namespace rtspd_test

#endif  // STRELL_TESTS_RTSPD_RTSPD_HARNESS_H_
