// A temporary directory for the length of a test: made under $TMPDIR (else
// /tmp), removed with everything in it at the end.
#ifndef STRELL_TESTING_TEMP_DIR_H_
#define STRELL_TESTING_TEMP_DIR_H_

#include <ftw.h>
#include <stdlib.h>

#include <cstdio>
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

 private:
  std::string path_;
};

}  // namespace testing_kit

#endif  // STRELL_TESTING_TEMP_DIR_H_
