#include "testing/memory_host.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>

namespace memory_host {
namespace {

// File -> key path -> text, looked up with the library's C strings as they
// are: the transparent comparison builds no std::string for a read.
using Keys = std::map<std::string, std::string, std::less<>>;
using Files = std::map<std::string, Keys, std::less<>>;

const std::string* Find(const Files& files, std::string_view file, std::string_view key) {
  const auto found = files.find(file);
  if (found == files.end()) return nullptr;
  const auto value = found->second.find(key);
  return value != found->second.end() ? &value->second : nullptr;
}

struct State {
  std::mutex mutex;  // taken by every call but a quiet read
  std::atomic<bool> quiet{false};
  Files values;
  Keys params;
  std::vector<std::string> failingFiles;
  std::vector<Read> reads;
  std::vector<std::string> paramReads;
};

State& TheState() {
  static State* const state = new State();  // alive for readers at exit
  return *state;
}

bool Failing(const State& s, const char* file) {
  return std::find(s.failingFiles.begin(), s.failingFiles.end(), file) != s.failingFiles.end();
}

int Deliver(const std::string* text, char* value, size_t room) {
  if (text == nullptr || room == 0) return 1;
  const size_t length = std::min(text->size(), room - 1);
  std::memcpy(value, text->data(), length);
  value[length] = '\0';
  return 0;
}

int ReadXml(State& s, const char* file, const char* key, char* value) {
  if (file == nullptr || key == nullptr || value == nullptr) return 1;
  const std::string* text = Failing(s, file) ? nullptr : Find(s.values, file, key);
  return Deliver(text, value, 256);
}

}  // namespace

// Runs `change` on the state under its lock and returns its result.
template <typename Change>
auto Locked(Change change) {
  std::lock_guard<std::mutex> lock(TheState().mutex);
  return change(TheState());
}

void Clear() {
  Locked([](State& s) {
    s.values.clear();
    s.params.clear();
    s.failingFiles.clear();
    s.reads.clear();
    s.paramReads.clear();
  });
}
void Set(const std::string& file, const std::string& key, const std::string& text) {
  Locked([&](State& s) { s.values[file][key] = text.substr(0, 255); });
}
void Erase(const std::string& file, const std::string& key) {
  Locked([&](State& s) { s.values[file].erase(key); });
}
void FailFile(const std::string& file) {
  Locked([&](State& s) { s.failingFiles.push_back(file); });
}
void SetParam(const std::string& name, const std::string& text) {
  Locked([&](State& s) { s.params[name] = text; });
}
void SetQuiet(bool quiet) { TheState().quiet.store(quiet); }
std::vector<Read> Reads() {
  return Locked([](State& s) { return s.reads; });
}
std::vector<std::string> ParamReads() {
  return Locked([](State& s) { return s.paramReads; });
}
void ClearLog() {
  Locked([](State& s) {
    s.reads.clear();
    s.paramReads.clear();
  });
}

}  // namespace memory_host

extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  memory_host::State& s = memory_host::TheState();
  if (s.quiet.load(std::memory_order_relaxed)) {
    return memory_host::ReadXml(s, filePath, keyPath, value);
  }
  std::lock_guard<std::mutex> lock(s.mutex);
  // The library promises a zero-filled buffer of 256 bytes; reading all of it
  // also lets AddressSanitizer catch a smaller one.
  const bool zeroed =
      value != nullptr && std::all_of(value, value + 256, [](char c) { return c == '\0'; });
  const int result = memory_host::ReadXml(s, filePath, keyPath, value);
  s.reads.push_back({filePath != nullptr ? filePath : "", keyPath != nullptr ? keyPath : "", zeroed,
                     result == 0});
  return result;
}

extern "C" int Configer_GetParamValueByXPath(const char* name, char* value, int size) {
  memory_host::State& s = memory_host::TheState();
  const bool quiet = s.quiet.load(std::memory_order_relaxed);
  std::unique_lock<std::mutex> lock(s.mutex, std::defer_lock);
  if (!quiet) {
    lock.lock();
    s.paramReads.push_back(name != nullptr ? name : "");
  }
  if (name == nullptr || value == nullptr || size <= 0) return 1;
  const auto found = s.params.find(std::string_view(name));
  return memory_host::Deliver(found != s.params.end() ? &found->second : nullptr, value,
                              static_cast<size_t>(size));
}
