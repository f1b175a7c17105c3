// Fuzz target 2: configuration values from the input, through a host over a
// table, then a load, a reload, resolutions and list queries.
//
// The input is lines on top of configuration A of the reliability tests:
//   <n> <text>             value n of the table (modulo its size) reads <text>
//   -<n>                   value n is missing
//   k<f>|<key path>|<text> key path of file f (modulo the file count) reads <text>
//   x<f>                   every read of file f fails
//   u<url>                 resolve this URL too
//   l<channel> <stream> <count>   list queries starting at profileCount <count>
// Every text that is set is also tried as a Media1 token, a Media2 token and
// an access name, so hostile names get matched, not only stored.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_checks.h"
#include "reliability/reliability_config.h"

namespace {

using reliability::kFileCount;
using reliability::kFiles;
using reliability::kValueCount;
using reliability::kValues;

// The host of this target: configuration A with the input's changes on top.
// A read allocates nothing, so the fuzzer spends its time in the library.
struct Change {
  int file;
  std::string key;
  std::string text;
  bool missing;
};
std::vector<Change> g_changes;  // later changes win
bool g_failing[kFileCount];

int fileIndex(const char* path) {
  for (int i = 0; i < kFileCount; ++i) {
    if (std::strcmp(kFiles[i].path, path) == 0) return i;
  }
  return -1;
}

int deliver(const char* text, char* value) {
  const size_t length = strnlen(text, 255);
  std::memcpy(value, text, length);
  value[length] = '\0';
  return 0;
}

struct ListQuery {
  int channel, stream, count;
};

long numberAt(const std::string& line, size_t& at) {
  const char* begin = line.c_str() + at;
  char* end = nullptr;
  const long value = std::strtol(begin, &end, 10);
  at += static_cast<size_t>(end - begin);
  return value;
}

size_t indexOf(long value, long count) {
  return static_cast<size_t>(((value % count) + count) % count);
}

void change(int file, const std::string& key, const std::string& text, bool missing) {
  g_changes.push_back(Change{file, key, text, missing});
}

}  // namespace

extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  const int file = fileIndex(filePath);
  if (file < 0 || g_failing[file]) return 1;
  for (auto change = g_changes.rbegin(); change != g_changes.rend(); ++change) {
    if (change->file == file && change->key == keyPath) {
      return change->missing ? 1 : deliver(change->text.c_str(), value);
    }
  }
  for (const reliability::ConfigValue& entry : kValues) {
    if (entry.file == file && std::strcmp(entry.key, keyPath) == 0) return deliver(entry.a, value);
  }
  return 1;
}

// The counts are read once per process; they stay those of the table so that
// conversions run.
extern "C" int Configer_GetParamValueByXPath(const char* name, char* value, int size) {
  for (const reliability::Parameter& parameter : reliability::kParameters) {
    if (std::strcmp(parameter.name, name) == 0 && size > 0) {
      const size_t length = strnlen(parameter.value, static_cast<size_t>(size - 1));
      std::memcpy(value, parameter.value, length);
      value[length] = '\0';
      return 0;
    }
  }
  return 1;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0) dup2(null, STDOUT_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_changes.clear();
  for (bool& failing : g_failing) failing = false;

  std::vector<std::string> urls(std::begin(reliability::kUrls), std::end(reliability::kUrls));
  std::vector<ListQuery> queries = {{0, 0, 0}, {1, 1, 0}};
  const std::string input(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  while (start < input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const std::string line = input.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    std::string text;
    size_t at = 1;
    switch (line[0]) {
      case 'u':
        urls.push_back(line.substr(1));
        continue;
      case 'x':
        g_failing[indexOf(numberAt(line, at), kFileCount)] = true;
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
        const size_t file = indexOf(numberAt(line, at), kFileCount);
        const size_t keyStart = line.find('|', at);
        if (keyStart == std::string::npos) continue;
        const size_t textStart = line.find('|', keyStart + 1);
        if (textStart == std::string::npos) continue;
        text = line.substr(textStart + 1);
        change(static_cast<int>(file), line.substr(keyStart + 1, textStart - keyStart - 1), text,
               false);
        break;
      }
      case '-': {
        const reliability::ConfigValue& value = kValues[indexOf(numberAt(line, at), kValueCount)];
        change(value.file, value.key, std::string(), true);
        continue;
      }
      default: {
        at = 0;
        const reliability::ConfigValue& value = kValues[indexOf(numberAt(line, at), kValueCount)];
        text = at < line.size() ? line.substr(at + 1) : std::string();
        change(value.file, value.key, text, false);
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
  return 0;
}
