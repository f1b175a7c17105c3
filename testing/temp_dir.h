// A temporary directory for the length of a test: made under $TMPDIR (else
// /tmp), removed with everything in it at the end; and the two ways firmware
// writes a file into one.
#ifndef STRELL_TESTING_TEMP_DIR_H_
#define STRELL_TESTING_TEMP_DIR_H_

#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace testing_kit {

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    path_ = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/strell-XXXXXX";
    if (mkdtemp(&path_[0]) == nullptr) throw std::runtime_error("mkdtemp failed for " + path_);
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
  // Runs shell commands in the directory: what firmware does to its files,
  // in its own words ("mv staged config_onvif"). The exit status.
  int Sh(const std::string& commands) const {
    return std::system(("cd '" + path_ + "' && " + commands).c_str());
  }

 private:
  std::string path_;
};

// Rewrites `path` in place (the same inode): truncated, then written.
inline bool WriteFile(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return close(fd) == 0 && written;
}

// Writes a sibling and renames it over `path`: a reader sees the old file or
// the new one, never a mixture.
inline bool ReplaceFile(const std::string& path, const std::string& text) {
  return WriteFile(path + ".new", text) && std::rename((path + ".new").c_str(), path.c_str()) == 0;
}

}  // namespace testing_kit

#endif  // STRELL_TESTING_TEMP_DIR_H_
