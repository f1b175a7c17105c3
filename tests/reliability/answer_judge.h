// Judges answers given while the configuration changes between A and B.
//
// An answer is well formed when each of its fields holds that field's value
// under A, under B, or a start value: what a field holds when the value behind
// it could not be read (0, the empty text, a medium not carried) or when the
// library did not write it (the record's start pattern). A text must be one
// of those texts exactly, never a piece of one or garbage. A code is the code
// under A or B, or 8 (a name that could not be read matches nothing), or, for
// a Media2 URL, 9 (a video source that could not be read).
//
// The empty URL is left out: it names the first slot whose access name is
// empty, and a failed read makes any slot such a slot.
#ifndef STRELL_TESTS_RELIABILITY_ANSWER_JUDGE_H_
#define STRELL_TESTS_RELIABILITY_ANSWER_JUDGE_H_

#include <cstring>

#include "reliability/snapshot.h"

namespace reliability {

class AnswerJudge {
 public:
  AnswerJudge(const Snapshot& a, const Snapshot& b) : a_(a), b_(b) {}

  static bool Judged(int url) { return kUrls[url][0] != '\0'; }

  bool AllowedAnswer(int url, int code, const TProfileInfo& got) const {
    const bool media2 = std::strstr(kUrls[url], "media2/stream.sdp?profile=") != nullptr;
    if (code != a_.codes[url] && code != b_.codes[url] && code != STRELL_ERR_NOT_FOUND &&
        !(code == STRELL_ERR_BAD_SOURCE && media2)) {
      return false;
    }
    if (code == STRELL_ERR_NOT_FOUND) return untouched(got);
    const TProfileInfo& ia = a_.infos[url];
    const TProfileInfo& ib = b_.infos[url];
    if (got.profileKey != ia.profileKey && got.profileKey != ib.profileKey) return false;
    if (pattern(got.profileName) || !allowedText(got.profileName, ia.profileName, ib.profileName)) {
      return false;
    }
    return allowedMedium(got.videoInfo, ia.videoInfo, ib.videoInfo) &&
           allowedMedium(got.audioInfo, ia.audioInfo, ib.audioInfo) &&
           allowedMedium(got.metadataInfo, ia.metadataInfo, ib.metadataInfo);
  }

  // Only keys that A or B list, each once, in chain order.
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

  // The answer equals the one under A or the one under B, whole.
  bool Whole(int url, int code, const TProfileInfo& got) const {
    return (code == a_.codes[url] && std::memcmp(&got, &a_.infos[url], sizeof got) == 0) ||
           (code == b_.codes[url] && std::memcmp(&got, &b_.infos[url], sizeof got) == 0);
  }

 private:
  static constexpr int kPatternInt = 0x5a5a5a5a;

  static bool pattern(const char (&text)[STRELL_TEXT_SIZE]) {
    for (char c : text) {
      if (static_cast<unsigned char>(c) != kPattern) return false;
    }
    return true;
  }

  static bool untouched(const TProfileInfo& info) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&info);
    for (size_t i = 0; i < sizeof info; ++i) {
      if (bytes[i] != kPattern) return false;
    }
    return true;
  }

  static bool allowedInt(int value, int a, int b) {
    return value == a || value == b || value == 0 || value == kPatternInt;
  }

  static bool allowedText(const char (&text)[STRELL_TEXT_SIZE], const char (&a)[STRELL_TEXT_SIZE],
                          const char (&b)[STRELL_TEXT_SIZE]) {
    if (pattern(text)) return true;
    if (std::memchr(text, '\0', sizeof text) == nullptr) return false;
    return text[0] == '\0' || std::strcmp(text, a) == 0 || std::strcmp(text, b) == 0;
  }

  static bool allowedMedium(const TMediaEncodeConfig& got, const TMediaEncodeConfig& a,
                            const TMediaEncodeConfig& b) {
    return allowedInt(got.mediaTask, a.mediaTask, b.mediaTask) &&
           allowedInt(got.channel, a.channel, b.channel) &&
           allowedInt(got.stream, a.stream, b.stream) &&
           allowedText(got.ipAddress, a.ipAddress, b.ipAddress) &&
           allowedInt(got.port, a.port, b.port) && allowedInt(got.ttl, a.ttl, b.ttl);
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

}  // namespace reliability

#endif  // STRELL_TESTS_RELIABILITY_ANSWER_JUDGE_H_
