#include "rtspd/rtspd_harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace rtspd_test {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

std::vector<char*> ArgvOf(std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Waits for the child until the deadline; kills it when the time is up.
// Returns the wait status, or -1 if it had to be killed.
int WaitOrKill(pid_t pid, Clock::time_point deadline) {
  int status = 0;
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0) return -1;
    if (MillisecondsLeft(deadline) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/strell-rtspd-test-XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
  // Written beside and renamed over, as configuration tools do, so a reader
  // never sees half a file.
  const std::string scratch = path + ".new";
  {
    std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::filesystem::rename(scratch, path);
}

bool ReplaceOnce(const std::string& path, const std::string& from, const std::string& to) {
  std::string text = ReadText(path);
  const std::size_t at = text.find(from);
  if (at == std::string::npos || text.find(from, at + 1) != std::string::npos) return false;
  text.replace(at, from.size(), to);
  WriteText(path, text);
  return true;
}

CommandResult RunCommand(const std::vector<std::string>& argv, int timeoutSeconds) {
  CommandResult result;
  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return result;
  }
  std::vector<std::string> arguments = argv;
  std::vector<char*> pointers = ArgvOf(arguments);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    const int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, STDIN_FILENO);
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int openPipes = 2;
  while (openPipes > 0 && pid > 0) {
    const int left = MillisecondsLeft(deadline);
    if (left == 0) {
      result.timedOut = true;
      break;
    }
    if (poll(fds, 2, left) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      char chunk[4096];
      const ssize_t got = read(fds[i].fd, chunk, sizeof chunk);
      if (got > 0) {
        sinks[i]->append(chunk, static_cast<std::size_t>(got));
      } else {
        fds[i].fd = -1;
        --openPipes;
      }
    }
  }
  close(out[0]);
  close(err[0]);
  if (pid > 0) {
    const int status = WaitOrKill(pid, result.timedOut ? Clock::now() : deadline);
    if (status == -1) result.timedOut = true;
    if (status != -1 && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  }
  return result;
}

ServerProcess::ServerProcess(const std::string& binary, const std::string& root) {
  logPath_ = logDir_.path() + "/strell-rtspd.log";
  const int log = open(logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (log < 0) return;
  std::vector<std::string> arguments = {binary, "--port", "0", "--root", root};
  std::vector<char*> pointers = ArgvOf(arguments);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(log, STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  close(log);
  if (pid_ < 0 || !WaitForLog("listening on rtsp://127.0.0.1:")) return;
  const std::string text = Log();
  const std::size_t at = text.find("listening on rtsp://127.0.0.1:");
  port_ = std::atoi(text.c_str() + at + std::strlen("listening on rtsp://127.0.0.1:"));
}

ServerProcess::~ServerProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::string ServerProcess::Url(const std::string& path) const {
  return "rtsp://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

std::string ServerProcess::Log() const { return ReadText(logPath_); }

bool ServerProcess::WaitForLog(const std::string& text, int count, int timeoutSeconds) {
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  while (true) {
    if (CountOf(Log(), text) >= count) return true;
    if (pid_ <= 0 || kill(pid_, 0) != 0 || MillisecondsLeft(deadline) == 0) return false;
    // A zombie still answers kill(0); it has exited all the same.
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return CountOf(Log(), text) >= count;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void ServerProcess::Signal(int number) const {
  if (pid_ > 0) kill(pid_, number);
}

int ServerProcess::Terminate(int timeoutSeconds) {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  const int status = WaitOrKill(pid_, Clock::now() + std::chrono::seconds(timeoutSeconds));
  pid_ = -1;
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string RtspResponse::Header(const std::string& name) const {
  const auto found = headers.find(Lower(name));
  return found != headers.end() ? found->second : "";
}

RtspConnection::RtspConnection(int port) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

RtspConnection::~RtspConnection() {
  if (fd_ >= 0) close(fd_);
}

bool RtspConnection::Fill(int timeoutMilliseconds) {
  pollfd descriptor{fd_, POLLIN, 0};
  if (poll(&descriptor, 1, timeoutMilliseconds) <= 0) return false;
  char chunk[16384];
  const ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
  if (got <= 0) return false;
  buffer_.append(chunk, static_cast<std::size_t>(got));
  return true;
}

int RtspConnection::TakeFrame() {
  // '$', channel, 16-bit length, payload (RFC 2326, 10.12).
  if (buffer_.size() < 4 || buffer_[0] != '$') return -1;
  const std::size_t length =
      (static_cast<unsigned char>(buffer_[2]) << 8) | static_cast<unsigned char>(buffer_[3]);
  if (buffer_.size() < 4 + length) return -1;
  const int channel = static_cast<unsigned char>(buffer_[1]);
  buffer_.erase(0, 4 + length);
  ++frames_[channel];
  return channel;
}

RtspResponse RtspConnection::Request(const std::string& method, const std::string& url,
                                     const std::vector<std::string>& headers) {
  RtspResponse response;
  if (fd_ < 0) return response;
  std::string request = method + " " + url + " RTSP/1.0\r\nCSeq: " + std::to_string(++cseq_) +
                        "\r\nUser-Agent: strell-rtspd-test\r\n";
  for (const std::string& header : headers) request += header + "\r\n";
  request += "\r\n";
  if (send(fd_, request.data(), request.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(request.size())) {
    return response;
  }

  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(20);
  std::size_t headEnd = std::string::npos;
  while (true) {
    while (TakeFrame() >= 0) {
    }
    if (buffer_.compare(0, 5, "RTSP/") == 0) headEnd = buffer_.find("\r\n\r\n");
    if (headEnd != std::string::npos) break;
    if (!Fill(MillisecondsLeft(deadline))) return response;
  }

  std::istringstream head(buffer_.substr(0, headEnd));
  std::string line;
  std::getline(head, line);
  std::sscanf(line.c_str(), "RTSP/1.0 %d", &response.status);
  while (std::getline(head, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::size_t value = colon + 1;
    while (value < line.size() && line[value] == ' ') ++value;
    response.headers[Lower(line.substr(0, colon))] = line.substr(value);
  }
  const std::size_t length =
      static_cast<std::size_t>(std::atoi(response.Header("Content-Length").c_str()));
  while (buffer_.size() < headEnd + 4 + length) {
    if (!Fill(MillisecondsLeft(deadline))) break;
  }
  response.body = buffer_.substr(headEnd + 4, length);
  buffer_.erase(0, std::min(buffer_.size(), headEnd + 4 + length));
  return response;
}

int RtspConnection::ReadFrames(int channel, int count, int timeoutSeconds) {
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  const int before = frames_[channel];
  while (frames_[channel] - before < count) {
    if (TakeFrame() >= 0) continue;
    if (!Fill(MillisecondsLeft(deadline))) break;
  }
  return frames_[channel] - before;
}

}  // namespace rtspd_test
