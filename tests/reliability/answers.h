// Every answer of a context as one block, and the judge of answers while files change A to B.
#ifndef STRELL_TESTS_RELIABILITY_ANSWERS_H_
#define STRELL_TESTS_RELIABILITY_ANSWERS_H_

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "testing/camera.h"
#include "testing/records.h"

namespace reliability {

using testing_kit::Describe;
using testing_kit::kCameraUrlCount;
using testing_kit::kCameraUrls;

struct ListQuery {
  bool video;
  int channel, stream;
};
constexpr ListQuery kLists[] = {{true, 0, 0}, {true, 0, 1},  {true, 1, 1},
                                {true, 1, 0}, {false, 0, 0}, {false, 1, 0}};
constexpr int kListCount = sizeof kLists / sizeof kLists[0];

inline int List(StrellHandle handle, const ListQuery& query, TProfileList* list) {
  return (query.video ? Strell_GetProfileListByVideoStream : Strell_GetProfileListByAudioStream)(
      handle, query.channel, query.stream, list);
}

// Every answer to kCameraUrls and kLists in patterned records, so two compare byte for byte.
struct Answers {
  int codes[kCameraUrlCount], listCodes[kListCount];
  TProfileInfo infos[kCameraUrlCount];
  TProfileList lists[kListCount];

  void Take(StrellHandle handle) {
    std::memset(this, testing_kit::kPattern, sizeof *this);
    for (int i = 0; i < kCameraUrlCount; ++i) {
      codes[i] = Strell_GetProfileInfoByStreamUrl(handle, kCameraUrls[i], &infos[i]);
    }
    for (int i = 0; i < kListCount; ++i) {
      lists[i].profileCount = 0;
      listCodes[i] = List(handle, kLists[i], &lists[i]);
    }
  }
  bool operator==(const Answers& other) const {
    return std::memcmp(this, &other, sizeof *this) == 0;
  }
};

// Judges answers given while the files change between A and B. Each field holds A's value, B's,
// or a start value (0, the empty text, or the pattern: unread or unwritten), a text whole. A code
// is A's, B's, 8 (an unread name matches nothing) or for Media2 9 (an unread video source). The
// empty URL (last) is not judged: a failed read empties any access name. A list holds only keys
// that A or B lists, each once, in chain order.
class Judge {
 public:
  Judge(const Answers& a, const Answers& b) : a_(a), b_(b) {}

  bool Answer(int url, int code, const TProfileInfo& got) const {
    if (url == kCameraUrlCount - 1) return true;
    if (code == STRELL_ERR_NOT_FOUND) {
      return Describe(got) == Describe(testing_kit::PatternedInfo());
    }
    const std::vector<std::string> g = Fields(got), a = Fields(a_.infos[url]),
                                   b = Fields(b_.infos[url]);
    bool allowed =
        (code == a_.codes[url] || code == b_.codes[url] ||
         (code == STRELL_ERR_BAD_SOURCE && std::strncmp(kCameraUrls[url], "media2/", 7) == 0)) &&
        (g[0] == a[0] || g[0] == b[0]) && g[1] != "-" && g[1] != "";  // key, name
    for (size_t i = 1; i < g.size(); ++i) {
      allowed &= g[i] == a[i] || g[i] == b[i] || g[i] == "-" || g[i] == "0" || g[i] == "";
    }
    return allowed;
  }

  bool ListAnswer(int query, int code, const TProfileList& got) const {
    const std::vector<int> a = testing_kit::Keys(a_.lists[query]),
                           b = testing_kit::Keys(b_.lists[query]), keys = testing_kit::Keys(got);
    // Media1 (222..), stream server (111..), Media2 (333..).
    const auto rank = [](int k) { return k >= 333 ? 2000 + k : k >= 222 ? k : 1000 + k; };
    for (size_t i = 0; i < keys.size(); ++i) {
      if (std::count(a.begin(), a.end(), keys[i]) + std::count(b.begin(), b.end(), keys[i]) == 0 ||
          (i > 0 && rank(keys[i - 1]) >= rank(keys[i]))) {
        return false;
      }
    }
    return code == STRELL_OK && got.profileCount >= 0 && got.profileCount <= 18;
  }

  bool All(const Answers& got) const {
    bool allowed = true;
    for (int i = 0; i < kCameraUrlCount; ++i) allowed &= Answer(i, got.codes[i], got.infos[i]);
    for (int i = 0; i < kListCount; ++i) allowed &= ListAnswer(i, got.listCodes[i], got.lists[i]);
    return allowed;
  }

 private:
  // Key, name, and each medium's task, channel, stream, address, port and TTL, as Describe shows.
  static std::vector<std::string> Fields(const TProfileInfo& info) {
    std::vector<std::string> fields = {Describe(info.profileKey), Describe(info.profileName)};
    for (const TMediaEncodeConfig* m : {&info.videoInfo, &info.audioInfo, &info.metadataInfo}) {
      fields.insert(fields.end(),
                    {Describe(m->mediaTask), Describe(m->channel), Describe(m->stream),
                     Describe(m->ipAddress), Describe(m->port), Describe(m->ttl)});
    }
    return fields;
  }

  const Answers& a_;
  const Answers& b_;
};

}  // namespace reliability

#endif  // STRELL_TESTS_RELIABILITY_ANSWERS_H_
