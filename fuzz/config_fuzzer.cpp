// Fuzz target 2: configuration values from the input, on the quiet in-memory
// host, then a load, a reload, resolutions and list queries.
//
// The input is lines on top of TwoStateCamera A, whose values and files are
// numbered in the order the camera lists them:
//   <n> <text>             value n (modulo their count) reads <text>
//   -<n>                   value n is missing
//   k<f>|<key path>|<text> key path of file f (modulo the file count) reads <text>
//   x<f>                   every read of file f fails
//   u<url>                 resolve this URL too
//   l<channel> <stream> <count>   list queries starting at profileCount <count>
// Every text that is set is also tried as a Media1 token, a Media2 token and
// an access name, so hostile names get matched, not only stored.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_checks.h"
#include "testing/camera.h"
#include "testing/memory_host.h"

namespace {

const testing_kit::Camera& base() {
  static const testing_kit::Camera camera = testing_kit::TwoStateCamera(false);
  return camera;
}

long numberAt(const std::string& line, size_t& at) {
  const char* begin = line.c_str() + at;
  char* end = nullptr;
  const long value = std::strtol(begin, &end, 10);
  at += static_cast<size_t>(end - begin);
  return value;
}

size_t indexOf(long value, size_t count) {
  const long n = static_cast<long>(count);
  return static_cast<size_t>(((value % n) + n) % n);
}

struct ListQuery {
  int channel, stream, count;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Strell_SetTraceHandler(nullptr, nullptr);
  base().Install();
  memory_host::SetQuiet(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input's changes go into the in-memory host on top of camera A, and
  // are taken out again at the end, so that an input costs no whole install.
  const std::vector<testing_kit::Value>& values = base().values();
  static const std::vector<std::string> files = base().Files();
  std::vector<testing_kit::Value> changed;
  bool failing = false;
  const auto set = [&](const std::string& file, const std::string& key, const std::string* text) {
    changed.push_back({file, key, ""});
    if (text != nullptr) {
      memory_host::Set(file, key, *text);
    } else {
      memory_host::Erase(file, key);
    }
  };
  std::vector<std::string> urls(std::begin(testing_kit::kCameraUrls),
                                std::end(testing_kit::kCameraUrls));
  std::vector<ListQuery> queries = {{0, 0, 0}, {1, 1, 0}};
  const std::string input(reinterpret_cast<const char*>(data), size);
  for (size_t start = 0, end; start < input.size(); start = end + 1) {
    end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const std::string line = input.substr(start, end - start);
    if (line.empty()) continue;
    std::string text;
    size_t at = 1;
    switch (line[0]) {
      case 'u':
        urls.push_back(line.substr(1));
        continue;
      case 'x':
        memory_host::FailFile(files[indexOf(numberAt(line, at), files.size())]);
        failing = true;
        continue;
      case 'l': {
        ListQuery query;
        query.channel = static_cast<int>(numberAt(line, at));
        query.stream = static_cast<int>(numberAt(line, at));
        query.count = static_cast<int>(numberAt(line, at));
        queries.push_back(query);
        continue;
      }
      case 'k': {
        const std::string& file = files[indexOf(numberAt(line, at), files.size())];
        const size_t keyStart = line.find('|', at);
        const size_t textStart = line.find('|', keyStart + 1);
        if (keyStart == std::string::npos || textStart == std::string::npos) continue;
        text = line.substr(textStart + 1);
        set(file, line.substr(keyStart + 1, textStart - keyStart - 1), &text);
        break;
      }
      case '-': {
        const testing_kit::Value& value = values[indexOf(numberAt(line, at), values.size())];
        set(value.file, value.key, nullptr);
        continue;
      }
      default: {
        at = 0;
        const testing_kit::Value& value = values[indexOf(numberAt(line, at), values.size())];
        text = at < line.size() ? line.substr(at + 1) : std::string();
        set(value.file, value.key, &text);
        break;
      }
    }
    urls.push_back(text);
    urls.push_back("media/stream.sdp?profile=" + text);
    urls.push_back("media2/stream.sdp?profile=" + text);
  }

  StrellHandle handle = nullptr;
  Strell_Init(&handle);
  for (int load = 0; load < 2; ++load) {
    fuzz_checks::require(Strell_Parse(handle) == STRELL_OK);
    for (const std::string& url : urls) fuzz_checks::resolve(handle, url.c_str());
    for (const ListQuery& query : queries) {
      fuzz_checks::lists(handle, query.channel, query.stream, query.count);
    }
  }
  Strell_Release(&handle);
  if (failing) base().Install();
  for (const testing_kit::Value& change : changed) {
    const auto found = std::find_if(values.begin(), values.end(), [&](const testing_kit::Value& v) {
      return v.file == change.file && v.key == change.key;
    });
    if (found != values.end()) {
      memory_host::Set(change.file, change.key, found->text);
    } else {
      memory_host::Erase(change.file, change.key);
    }
  }
  return 0;
}
