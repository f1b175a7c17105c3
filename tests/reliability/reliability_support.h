// What the reliability tests share over the table of reliability_config.h:
// the table loaded into the fake host, every answer of a context as one
// comparable snapshot, the judge of answers given while the configuration
// changes, and host records between guard zones.
#ifndef STRELL_TESTS_RELIABILITY_RELIABILITY_SUPPORT_H_
#define STRELL_TESTS_RELIABILITY_RELIABILITY_SUPPORT_H_

#include <sanitizer/asan_interface.h>  // no-op macros without AddressSanitizer

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "fake_host/fake_host.h"
#include "reliability/reliability_config.h"
#include "strell.h"

namespace reliability {

// The start pattern of every record a test hands to the library.
constexpr unsigned char kPattern = 0x5a;
constexpr int kPatternInt = 0x5a5a5a5a;

inline bool AllPattern(const void* memory, size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(memory);
  return std::all_of(bytes, bytes + size, [](unsigned char c) { return c == kPattern; });
}

// Configuration A or B (and the device parameters) in the fake host.
inline void SetFakeHostConfig(bool b) {
  for (const ConfigValue& value : kValues) {
    fake_host::Set(kFiles[value.file].path, value.key, ValueOf(value, b));
  }
  for (const Parameter& parameter : kParameters)
    fake_host::SetParam(parameter.name, parameter.value);
}

// Every answer a context gives to the requests of the table, in records that
// start from kPattern, so two snapshots compare byte for byte.
struct Snapshot {
  int codes[kUrlCount];
  TProfileInfo infos[kUrlCount];
  int listCodes[kListCount];
  TProfileList lists[kListCount];
};

inline int ListQueryOn(StrellHandle handle, const ListQuery& query, TProfileList* list) {
  return query.video
             ? Strell_GetProfileListByVideoStream(handle, query.channel, query.stream, list)
             : Strell_GetProfileListByAudioStream(handle, query.channel, query.stream, list);
}

// Allocates nothing.
inline void TakeSnapshot(StrellHandle handle, Snapshot& snapshot) {
  std::memset(&snapshot, kPattern, sizeof snapshot);
  for (int i = 0; i < kUrlCount; ++i) {
    snapshot.codes[i] = Strell_GetProfileInfoByStreamUrl(handle, kUrls[i], &snapshot.infos[i]);
  }
  for (int i = 0; i < kListCount; ++i) {
    snapshot.lists[i].profileCount = 0;
    snapshot.listCodes[i] = ListQueryOn(handle, kLists[i], &snapshot.lists[i]);
  }
}

inline bool SameSnapshot(const Snapshot& a, const Snapshot& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Judges answers given while the configuration changes between A and B. Each
// field must hold its value under A, under B, or a start value: what a field
// holds when the value behind it could not be read (0, the empty text) or
// when the library did not write it (kPattern). A text is one of those texts
// exactly, never a piece of one. A code is A's or B's, or 8 (a name that
// could not be read matches nothing), or for a Media2 URL 9 (a video source
// that could not be read). The empty URL is not judged: it names the first
// slot whose access name is empty, and a failed read makes any slot one.
class AnswerJudge {
 public:
  AnswerJudge(const Snapshot& a, const Snapshot& b) : a_(a), b_(b) {}

  static bool Judged(int url) { return kUrls[url][0] != '\0'; }

  bool AllowedAnswer(int url, int code, const TProfileInfo& got) const {
    const bool media2 = std::strstr(kUrls[url], "media2/stream.sdp?profile=") != nullptr;
    if (code == STRELL_ERR_NOT_FOUND) return AllPattern(&got, sizeof got);
    if (code != a_.codes[url] && code != b_.codes[url] &&
        !(code == STRELL_ERR_BAD_SOURCE && media2)) {
      return false;
    }
    const TProfileInfo& ia = a_.infos[url];
    const TProfileInfo& ib = b_.infos[url];
    return (got.profileKey == ia.profileKey || got.profileKey == ib.profileKey) &&
           !AllPattern(got.profileName, sizeof got.profileName) &&
           text(got.profileName, ia.profileName, ib.profileName) &&
           medium(got.videoInfo, ia.videoInfo, ib.videoInfo) &&
           medium(got.audioInfo, ia.audioInfo, ib.audioInfo) &&
           medium(got.metadataInfo, ia.metadataInfo, ib.metadataInfo);
  }

  // Only keys that A or B lists, each once, in chain order.
  bool AllowedList(int query, int code, const TProfileList& got) const {
    if (code != STRELL_OK || got.profileCount < 0 || got.profileCount > 18) return false;
    for (int i = 0; i < got.profileCount; ++i) {
      const int key = got.profileKeys[i];
      if (!listed(a_.lists[query], key) && !listed(b_.lists[query], key)) return false;
      if (i > 0 && chainRank(got.profileKeys[i - 1]) >= chainRank(key)) return false;
    }
    return true;
  }

  bool AllowedSnapshot(const Snapshot& got) const {
    for (int url = 0; url < kUrlCount; ++url) {
      if (Judged(url) && !AllowedAnswer(url, got.codes[url], got.infos[url])) return false;
    }
    for (int query = 0; query < kListCount; ++query) {
      if (!AllowedList(query, got.listCodes[query], got.lists[query])) return false;
    }
    return true;
  }

  // The answer is A's or B's, whole.
  bool Whole(int url, int code, const TProfileInfo& got) const {
    return (code == a_.codes[url] && std::memcmp(&got, &a_.infos[url], sizeof got) == 0) ||
           (code == b_.codes[url] && std::memcmp(&got, &b_.infos[url], sizeof got) == 0);
  }

 private:
  static bool number(int value, int a, int b) {
    return value == a || value == b || value == 0 || value == kPatternInt;
  }
  static bool text(const char (&got)[STRELL_TEXT_SIZE], const char* a, const char* b) {
    if (AllPattern(got, sizeof got)) return true;
    return std::memchr(got, '\0', sizeof got) != nullptr &&
           (got[0] == '\0' || std::strcmp(got, a) == 0 || std::strcmp(got, b) == 0);
  }
  static bool medium(const TMediaEncodeConfig& got, const TMediaEncodeConfig& a,
                     const TMediaEncodeConfig& b) {
    return number(got.mediaTask, a.mediaTask, b.mediaTask) &&
           number(got.channel, a.channel, b.channel) && number(got.stream, a.stream, b.stream) &&
           text(got.ipAddress, a.ipAddress, b.ipAddress) && number(got.port, a.port, b.port) &&
           number(got.ttl, a.ttl, b.ttl);
  }
  static bool listed(const TProfileList& list, int key) {
    for (int i = 0; i < list.profileCount && i < STRELL_MAX_PROFILE_KEYS; ++i) {
      if (list.profileKeys[i] == key) return true;
    }
    return false;
  }
  // Media1 keys (222..) come first, then stream-server (111..), then Media2
  // (333..), each in slot order.
  static int chainRank(int key) { return key >= 333 ? 2000 + key : key >= 222 ? key : 1000 + key; }

  const Snapshot& a_;
  const Snapshot& b_;
};

// A host record between two guard zones, so that a write outside it is
// caught: under AddressSanitizer the zones are poisoned and the first stray
// access stops the test with its stack; in every build they hold a canary
// that Intact() checks afterwards. The record starts as kPattern.
template <typename Record>
class Guarded {
 public:
  static constexpr size_t kGuard = 64;  // a multiple of the shadow granule
  static constexpr unsigned char kCanary = 0xc5;

  Guarded() : memory_(static_cast<unsigned char*>(std::malloc(sizeof(Record) + 2 * kGuard))) {
    if (memory_ == nullptr) throw std::bad_alloc();
    std::memset(memory_, kCanary, sizeof(Record) + 2 * kGuard);
    std::memset(get(), kPattern, sizeof(Record));
    guards(true);
  }
  ~Guarded() {
    guards(false);
    std::free(memory_);
  }
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;

  Record* get() { return reinterpret_cast<Record*>(memory_ + kGuard); }
  Record* operator->() { return get(); }

  bool Intact() {
    guards(false);
    bool intact = true;
    for (size_t i = 0; i < kGuard; ++i)
      intact = intact && memory_[i] == kCanary && after()[i] == kCanary;
    guards(true);
    return intact;
  }
  bool Untouched() { return AllPattern(get(), sizeof(Record)); }

 private:
  unsigned char* after() { return memory_ + kGuard + sizeof(Record); }
  void guards(bool poisoned) {
    if (poisoned) {
      ASAN_POISON_MEMORY_REGION(memory_, kGuard);
      ASAN_POISON_MEMORY_REGION(after(), kGuard);
    } else {
      ASAN_UNPOISON_MEMORY_REGION(memory_, kGuard);
      ASAN_UNPOISON_MEMORY_REGION(after(), kGuard);
    }
  }
  unsigned char* memory_;
};

}  // namespace reliability

#endif  // STRELL_TESTS_RELIABILITY_RELIABILITY_SUPPORT_H_
