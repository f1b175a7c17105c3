// What a test does with the library's answers: a context for the length of
// a test, records filled with a pattern so that every field the library left
// alone shows, records between guard zones, a whole answer in one line, and
// the library's trace lines.
#ifndef STRELL_TESTING_RECORDS_H_
#define STRELL_TESTING_RECORDS_H_

#include <sanitizer/asan_interface.h>  // no-op macros without AddressSanitizer

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "strell.h"

namespace testing_kit {

// One library context, released at the end of its scope.
class Context {
 public:
  Context() { Strell_Init(&handle_); }
  ~Context() { Strell_Release(&handle_); }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  StrellHandle handle() const { return handle_; }
  int Parse() { return Strell_Parse(handle_); }
  int Resolve(const char* url, TProfileInfo* info) {
    return Strell_GetProfileInfoByStreamUrl(handle_, url, info);
  }

 private:
  StrellHandle handle_ = nullptr;
};

constexpr unsigned char kPattern = 0x5a;

inline TProfileInfo PatternedInfo() {
  TProfileInfo info;
  std::memset(&info, kPattern, sizeof info);
  return info;
}

// The keys a list holds, in order (none for a negative count).
inline std::vector<int> Keys(const TProfileList& list) {
  const int count = list.profileCount < 0                         ? 0
                    : list.profileCount > STRELL_MAX_PROFILE_KEYS ? STRELL_MAX_PROFILE_KEYS
                                                                  : list.profileCount;
  return std::vector<int>(list.profileKeys, list.profileKeys + count);
}

// A record in one line: "<key> <name> | <video> | <audio> | <metadata>", a
// medium as "<mediaTask> <channel>/<stream> <ipAddress>:<port> ttl <ttl>". A
// field that still holds the pattern reads "-", a text without its NUL
// "<unterminated>".
inline std::string Describe(int value) { return value == 0x5a5a5a5a ? "-" : std::to_string(value); }
inline std::string Describe(const char (&text)[STRELL_TEXT_SIZE]) {
  const size_t length = strnlen(text, STRELL_TEXT_SIZE);
  if (length < STRELL_TEXT_SIZE) return std::string(text, length);
  for (char c : text) {
    if (static_cast<unsigned char>(c) != kPattern) return "<unterminated>";
  }
  return "-";
}
inline std::string Describe(const TMediaEncodeConfig& m) {
  return Describe(m.mediaTask) + " " + Describe(m.channel) + "/" + Describe(m.stream) + " " +
         Describe(m.ipAddress) + ":" + Describe(m.port) + " ttl " + Describe(m.ttl);
}
inline std::string Describe(const TProfileInfo& info) {
  return Describe(info.profileKey) + " " + Describe(info.profileName) + " | " +
         Describe(info.videoInfo) + " | " + Describe(info.audioInfo) + " | " +
         Describe(info.metadataInfo);
}

// A host record between two guard zones that hold a canary: under
// AddressSanitizer they are poisoned, so that the first stray access stops
// the test with its stack; Intact() checks the canary in every build. The
// record starts as the pattern.
template <typename Record>
class Guarded {
 public:
  Guarded() {
    std::memset(&block_, 0xc5, sizeof block_);
    std::memset(&block_.record, kPattern, sizeof block_.record);
    ASAN_POISON_MEMORY_REGION(block_.before, sizeof block_.before);
    ASAN_POISON_MEMORY_REGION(block_.after, sizeof block_.after);
  }
  ~Guarded() { ASAN_UNPOISON_MEMORY_REGION(&block_, sizeof block_); }
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;
  Record* get() { return &block_.record; }
  Record* operator->() { return get(); }
  bool Intact() {
    ASAN_UNPOISON_MEMORY_REGION(&block_, sizeof block_);
    const bool intact = std::count(block_.before, block_.before + 64, 0xc5) == 64 &&
                        std::count(block_.after, block_.after + 64, 0xc5) == 64;
    ASAN_POISON_MEMORY_REGION(block_.before, sizeof block_.before);
    ASAN_POISON_MEMORY_REGION(block_.after, sizeof block_.after);
    return intact;
  }

 private:
  struct alignas(64) {
    unsigned char before[64];
    Record record;
    unsigned char after[64];
  } block_;
};

// The library's trace lines since the last call, each with its newline.
// The first call directs them here for the rest of the process.
inline std::string TakeTrace() {
  static std::mutex mutex;
  static std::string lines;
  static const bool directed = [] {
    Strell_SetTraceHandler(
        [](const char* line, void*) {
          std::lock_guard<std::mutex> lock(mutex);
          lines += line;
          lines += '\n';
        },
        nullptr);
    return true;
  }();
  (void)directed;
  std::lock_guard<std::mutex> lock(mutex);
  std::string taken;
  taken.swap(lines);
  return taken;
}

}  // namespace testing_kit

#endif  // STRELL_TESTING_RECORDS_H_
