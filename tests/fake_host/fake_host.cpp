#include "fake_host/fake_host.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace fake_host {
namespace {

struct State {
  std::mutex mutex;
  std::map<std::pair<std::string, std::string>, std::string> values;
  std::map<std::string, std::string> params;
  std::set<std::string> failingFiles;
  std::vector<XmlRead> xmlReads;
  std::vector<std::string> paramReads;
};

State& state() {
  static State s;
  return s;
}

// Runs `change` on the state under its lock and returns its result.
template <typename Change>
auto Locked(Change change) {
  std::lock_guard<std::mutex> lock(state().mutex);
  return change(state());
}

}  // namespace

void Reset() {
  Locked([](State& s) {
    s.values.clear();
    s.params.clear();
    s.failingFiles.clear();
    s.xmlReads.clear();
    s.paramReads.clear();
  });
}

void Set(const std::string& file, const std::string& key, const std::string& text) {
  Locked([&](State& s) { s.values[{file, key}] = text; });
}
void Erase(const std::string& file, const std::string& key) {
  Locked([&](State& s) { s.values.erase({file, key}); });
}
void FailFile(const std::string& file) {
  Locked([&](State& s) { s.failingFiles.insert(file); });
}
void SetParam(const std::string& name, const std::string& text) {
  Locked([&](State& s) { s.params[name] = text; });
}
std::vector<XmlRead> XmlReads() {
  return Locked([](State& s) { return s.xmlReads; });
}
std::vector<std::string> ParamReads() {
  return Locked([](State& s) { return s.paramReads; });
}
void ClearLog() {
  Locked([](State& s) {
    s.xmlReads.clear();
    s.paramReads.clear();
  });
}

}  // namespace fake_host

extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  return fake_host::Locked([&](fake_host::State& s) {
    // The library promises a zero-filled buffer of 256 bytes; reading all of
    // it also lets AddressSanitizer catch a smaller one.
    const bool zeroed = std::all_of(value, value + 256, [](char c) { return c == '\0'; });
    fake_host::XmlRead read{filePath, keyPath, zeroed, false};
    auto found = s.values.find({read.file, read.key});
    if (s.failingFiles.count(read.file) == 0 && found != s.values.end()) {
      const size_t length = std::min<size_t>(found->second.size(), 255);
      std::memcpy(value, found->second.data(), length);
      value[length] = '\0';
      read.delivered = true;
    }
    s.xmlReads.push_back(read);
    return read.delivered ? 0 : 1;
  });
}

extern "C" int Configer_GetParamValueByXPath(const char* name, char* value, int size) {
  return fake_host::Locked([&](fake_host::State& s) {
    s.paramReads.push_back(name);
    auto found = s.params.find(name);
    if (found == s.params.end() || size <= 0) return 1;
    const size_t length = std::min<size_t>(found->second.size(), static_cast<size_t>(size - 1));
    std::memcpy(value, found->second.data(), length);
    value[length] = '\0';
    return 0;
  });
}
