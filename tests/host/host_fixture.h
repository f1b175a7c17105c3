// Helpers for tests that run the host kit on real files: a temporary
// configuration root, the ways firmware changes files, and a reader that
// checks what the kit wrote into the value buffer.
#ifndef STRELL_TESTS_HOST_HOST_FIXTURE_H_
#define STRELL_TESTS_HOST_HOST_FIXTURE_H_

#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include "strell_host.h"

namespace strell_host {
// Names the mode in test output instead of its bytes.
inline void PrintTo(Freshness freshness, std::ostream* out) {
  *out << (freshness == Freshness::kStrict ? "strict" : "watch");
}
}  // namespace strell_host

namespace host_test {

// A directory under $TMPDIR (or /tmp), removed with its contents at the end.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    path_ = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/strell-host-XXXXXX";
    if (mkdtemp(&path_[0]) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  }
  ~TempDir() {
    nftw(
        path_.c_str(), [](const char* path, const struct stat*, int, FTW*) { return remove(path); },
        16, FTW_DEPTH | FTW_PHYS);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Rewrites `path` in place (same inode): truncate, then write.
inline void WriteInPlace(const std::string& path, const std::string& content) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(static_cast<ssize_t>(content.size()), write(fd, content.data(), content.size()));
  ASSERT_EQ(0, close(fd));
}

// Renames a new sibling over `path`, as careful firmware does: a reader sees
// the old file or the new one, never a mix.
inline void ReplaceFile(const std::string& path, const std::string& content) {
  WriteInPlace(path + ".tmp", content);
  ASSERT_EQ(0, rename((path + ".tmp").c_str(), path.c_str())) << path;
}

inline void MakeDir(const std::string& path) { ASSERT_EQ(0, mkdir(path.c_str(), 0755)) << path; }

inline std::string ReadWholeFile(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

inline void CopyTree(const std::string& from, const std::string& to) {
  const std::string command = "cp -R '" + from + "/.' '" + to + "'";
  ASSERT_EQ(0, std::system(command.c_str())) << command;
}

// The text of `key` in `file`, or "<error N>" for a failure that wrote
// nothing. Reads into a patterned buffer larger than the library's 256 bytes,
// so that any write that breaks the contract shows in the answer.
inline std::string ValueOf(const char* file, const char* key) {
  char buffer[400];
  std::memset(buffer, 0x5a, sizeof buffer);
  const int result = XMLSParser_ReadContentEx(file, key, buffer);
  auto pattern = [](char c) { return c == 0x5a; };
  if (!std::all_of(buffer + 256, buffer + sizeof buffer, pattern)) return "<wrote past 256>";
  if (result != 0) {
    return "<error " + std::to_string(result) +
           (std::all_of(buffer, buffer + 256, pattern) ? ">" : ", written>");
  }
  return std::memchr(buffer, '\0', 256) != nullptr ? buffer : "<unterminated>";
}
inline std::string Error(int result) { return "<error " + std::to_string(result) + ">"; }

// A fresh configuration root per test, in strict mode unless the test asks.
class HostTest : public testing::Test {
 protected:
  void SetUp() override { Use(strell_host::Freshness::kStrict); }
  void TearDown() override { strell_host::SetFreshness(strell_host::Freshness::kStrict); }
  void Use(strell_host::Freshness freshness) {
    strell_host::SetFreshness(freshness);
    strell_host::SetRoot(root_.path());
    strell_host::ResetCounters();
  }
  void Put(const std::string& name, const std::string& content) {
    WriteInPlace(root_ / name, content);
  }
  std::string Path(const std::string& name) const { return root_ / name; }
  TempDir root_;
};

// Runs a test once per freshness mode. Changed() is what a host does after
// the files changed: nothing in strict mode, Settle() in watch mode.
class HostModesTest : public HostTest, public testing::WithParamInterface<strell_host::Freshness> {
 protected:
  void SetUp() override { Use(GetParam()); }
  static void Changed() { strell_host::Settle(); }
};

inline std::string ModeName(const testing::TestParamInfo<strell_host::Freshness>& info) {
  return info.param == strell_host::Freshness::kStrict ? "Strict" : "Watch";
}

}  // namespace host_test

#endif  // STRELL_TESTS_HOST_HOST_FIXTURE_H_
