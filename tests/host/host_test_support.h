// Helpers for tests that run the host kit on real files: a temporary
// configuration root, ways to change files as firmware does, and a reader
// that checks what the kit wrote into the value buffer.
#ifndef STRELL_TESTS_HOST_HOST_TEST_SUPPORT_H_
#define STRELL_TESTS_HOST_HOST_TEST_SUPPORT_H_

#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "strell_host.h"

namespace host_test {

// A directory under $TMPDIR (or /tmp), removed with its contents at the end.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/strell-host-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempDir() {
    nftw(
        path_.c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) { return remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Rewrites `path` in place (same inode), as an editor without a temporary
// file does: truncate, then write.
inline void WriteInPlace(const std::string& path, const std::string& content) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(static_cast<ssize_t>(content.size()), write(fd, content.data(), content.size()));
  ASSERT_EQ(0, close(fd));
}

// Writes a sibling temporary file and renames it over `path`, as careful
// firmware does: a reader sees the old file or the new one, never a mix.
inline void ReplaceFile(const std::string& path, const std::string& content) {
  const std::string temporary = path + ".tmp";
  WriteInPlace(temporary, content);
  ASSERT_EQ(0, rename(temporary.c_str(), path.c_str())) << path;
}

inline void MakeDir(const std::string& path) { ASSERT_EQ(0, mkdir(path.c_str(), 0755)) << path; }

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Copies the regular files and directories under `from` into `to`.
inline void CopyTree(const std::string& from, const std::string& to) {
  const std::string command = "cp -R '" + from + "/.' '" + to + "'";
  ASSERT_EQ(0, std::system(command.c_str())) << command;
}

// One call of the XML reader and what it did to a patterned buffer larger
// than the 256 bytes the library provides.
struct ReadOutcome {
  int result;
  std::string text;      // the delivered text, when result is 0
  bool untouched;        // result nonzero and not a byte written
  bool beyondUntouched;  // nothing written past the 256th byte
};

inline ReadOutcome ReadValue(const char* file, const char* key) {
  constexpr unsigned char kPattern = 0x5a;
  char buffer[400];
  std::memset(buffer, kPattern, sizeof buffer);
  ReadOutcome outcome;
  outcome.result = XMLSParser_ReadContentEx(file, key, buffer);
  outcome.untouched = true;
  for (int i = 0; i < 256; ++i) {
    if (static_cast<unsigned char>(buffer[i]) != kPattern) outcome.untouched = false;
  }
  outcome.beyondUntouched = true;
  for (size_t i = 256; i < sizeof buffer; ++i) {
    if (static_cast<unsigned char>(buffer[i]) != kPattern) outcome.beyondUntouched = false;
  }
  if (outcome.result == 0 && std::memchr(buffer, '\0', 256) != nullptr) outcome.text = buffer;
  return outcome;
}

// The text of `key` in `file`, or "<error N>".
inline std::string ValueOf(const char* file, const char* key) {
  const ReadOutcome outcome = ReadValue(file, key);
  if (outcome.result != 0) return "<error " + std::to_string(outcome.result) + ">";
  return outcome.text;
}

}  // namespace host_test

#endif  // STRELL_TESTS_HOST_HOST_TEST_SUPPORT_H_
