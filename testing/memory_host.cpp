#include "testing/memory_host.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string_view>

namespace memory_host {
namespace {

// An open-addressing table from (file, key) to text, looked up with the
// library's C strings as they are: no std::string is built for a read.
class Table {
 public:
  const std::string* Find(std::string_view file, std::string_view key) const {
    const uint32_t hash = Hash(file, key);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (!slot.used) return nullptr;
      if (slot.hash == hash && slot.key == key && slot.file == file) {
        return slot.erased ? nullptr : &slot.text;
      }
    }
  }

  void Put(const std::string& file, const std::string& key, const std::string& text, bool erase) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    const uint32_t hash = Hash(file, key);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (!slot.used) {
        if (erase) return;
        slot = Slot{hash, true, false, file, key, text};
        ++used_;
        return;
      }
      if (slot.hash == hash && slot.key == key && slot.file == file) {
        slot.text = text;
        slot.erased = erase;
        return;
      }
    }
  }

  void Clear() {
    slots_.assign(64, Slot());
    used_ = 0;
  }

 private:
  struct Slot {
    uint32_t hash = 0;
    bool used = false;
    bool erased = false;  // kept in the probe sequence, found as absent
    std::string file;
    std::string key;
    std::string text;
  };

  // FNV-1a over the key path, then the file name.
  static uint32_t Hash(std::string_view file, std::string_view key) {
    uint32_t hash = 2166136261u;
    for (char c : key) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    for (char c : file) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.size() * 2, Slot());
    used_ = 0;
    for (Slot& slot : old) {
      if (slot.used && !slot.erased) Put(slot.file, slot.key, slot.text, false);
    }
  }

  std::vector<Slot> slots_ = std::vector<Slot>(64);  // a power of two
  size_t used_ = 0;
};

struct State {
  std::mutex mutex;  // taken by every call but a quiet read
  std::atomic<bool> quiet{false};
  Table values;
  Table params;
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
  const std::string* text = Failing(s, file) ? nullptr : s.values.Find(file, key);
  return Deliver(text, value, 256);
}

}  // namespace

void Clear() {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.values.Clear();
  s.params.Clear();
  s.failingFiles.clear();
  s.reads.clear();
  s.paramReads.clear();
}

void Set(const std::string& file, const std::string& key, const std::string& text) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.values.Put(file, key, text.substr(0, 255), false);
}

void Erase(const std::string& file, const std::string& key) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.values.Put(file, key, std::string(), true);
}

void FailFile(const std::string& file) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.failingFiles.push_back(file);
}

void SetParam(const std::string& name, const std::string& text) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.params.Put("", name, text, false);
}

void SetQuiet(bool quiet) { TheState().quiet.store(quiet); }

std::vector<Read> Reads() {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.reads;
}

std::vector<std::string> ParamReads() {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.paramReads;
}

void ClearLog() {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.reads.clear();
  s.paramReads.clear();
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
  return memory_host::Deliver(s.params.Find("", name), value, static_cast<size_t>(size));
}
