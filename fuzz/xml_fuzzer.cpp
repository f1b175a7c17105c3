// Fuzz target 3: XML files and key paths through the reference host kit.
//
// The input is sections, each opened by a header line:
//   @@<n>            the lines up to the next header are the content of file n
//   @@dir<n>         file n is a directory
//   @@link<n> <to>   file n is a symbolic link to <to>
//   @@keys           each line "<n> <key path>" is read from file n directly
//   @@urls           each line is a URL to resolve
// with n taken modulo the number of files the library reads, in the order
// TwoStateCamera lists them (the capability file is the last). Files the input does not give are
// missing. The library then loads everything, resolves the demo URLs and the input's URLs and
// answers list queries, all checked as in the other targets.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_checks.h"
#include "strell_host.h"
#include "testing/camera.h"
#include "testing/temp_dir.h"

namespace {

// The library's path of file n.
const std::string& libraryPath(int file) {
  static const std::vector<std::string> files = testing_kit::TwoStateCamera(false).Files();
  return files[static_cast<size_t>(file)];
}
const int kFiles = static_cast<int>(testing_kit::TwoStateCamera(false).Files().size());
std::string g_root;

std::string relativePath(int file) { return libraryPath(file).substr(std::strlen("/etc/conf.d/")); }

std::string hostPath(int file) { return g_root + "/" + relativePath(file); }

int fileOf(const std::string& text) {
  const long n = std::strtol(text.c_str(), nullptr, 10);
  return static_cast<int>(((n % kFiles) + kFiles) % kFiles);
}

void removeAll() {
  for (int file = 0; file < kFiles; ++file) {
    const std::string path = hostPath(file);
    if (unlink(path.c_str()) != 0) rmdir(path.c_str());
  }
}

// A direct read through the host, into a buffer of exactly 256 bytes.
void readKey(int file, const std::string& keyPath) {
  std::unique_ptr<char[]> value(new char[STRELL_TEXT_SIZE]);
  std::memset(value.get(), 0, STRELL_TEXT_SIZE);
  if (XMLSParser_ReadContentEx(libraryPath(file).c_str(), keyPath.c_str(), value.get()) == 0) {
    fuzz_checks::require(std::memchr(value.get(), '\0', STRELL_TEXT_SIZE) != nullptr);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Strell_SetTraceHandler(nullptr, nullptr);
  static const testing_kit::TempDir root;  // removed with the files when the fuzzer ends
  g_root = root.path();
  if (mkdir((g_root + "/config_onvif").c_str(), 0755) != 0) std::abort();
  strell_host::SetRoot(g_root);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  removeAll();
  strell_host::DropCache();  // each input stands alone, whatever the clock did

  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::pair<int, std::string>> keys;
  std::vector<std::string> urls(std::begin(testing_kit::kCameraUrls),
                                std::end(testing_kit::kCameraUrls));
  urls.push_back("media/stream.sdp?profile=Profile_1");
  urls.push_back("live1.sdp");
  urls.push_back("media2/stream.sdp?profile=StreamProfile_1");

  enum class Section { kNone, kFile, kKeys, kUrls } section = Section::kNone;
  int file = 0;
  std::string content;
  auto flush = [&] {
    if (section == Section::kFile) testing_kit::WriteFile(hostPath(file), content);
    content.clear();
  };
  size_t start = 0;
  while (start <= input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const std::string line = input.substr(start, end - start);
    start = end + 1;
    if (line.compare(0, 2, "@@") == 0) {
      flush();
      const std::string header = line.substr(2);
      section = Section::kNone;
      if (header == "keys") {
        section = Section::kKeys;
      } else if (header == "urls") {
        section = Section::kUrls;
      } else if (header.compare(0, 3, "dir") == 0) {
        mkdir(hostPath(fileOf(header.substr(3))).c_str(), 0755);
      } else if (header.compare(0, 4, "link") == 0) {
        const size_t blank = header.find(' ');
        if (blank != std::string::npos) {
          const std::string link = hostPath(fileOf(header.substr(4)));
          if (symlink(header.substr(blank + 1).c_str(), link.c_str()) != 0) continue;
        }
      } else {
        section = Section::kFile;
        file = fileOf(header);
      }
      continue;
    }
    switch (section) {
      case Section::kFile:
        content += line;
        content += '\n';
        break;
      case Section::kKeys: {
        const size_t blank = line.find(' ');
        if (blank != std::string::npos) keys.emplace_back(fileOf(line), line.substr(blank + 1));
        break;
      }
      case Section::kUrls:
        urls.push_back(line);
        break;
      case Section::kNone:
        break;
    }
  }
  flush();

  for (const auto& key : keys) readKey(key.first, key.second);
  StrellHandle handle = nullptr;
  Strell_Init(&handle);
  fuzz_checks::require(Strell_Parse(handle) == STRELL_OK);
  for (const std::string& url : urls) fuzz_checks::resolve(handle, url.c_str());
  fuzz_checks::lists(handle, 0, 0, 0);
  fuzz_checks::lists(handle, 1, 1, 30);
  Strell_Release(&handle);
  return 0;
}
