// Every answer a context gives for the requests of reliability_config.h, in
// records that start from a fixed pattern, so two snapshots compare byte for
// byte.
#ifndef STRELL_TESTS_RELIABILITY_SNAPSHOT_H_
#define STRELL_TESTS_RELIABILITY_SNAPSHOT_H_

#include <cstring>

#include "reliability/reliability_config.h"
#include "strell.h"

namespace reliability {

struct Snapshot {
  int codes[kUrlCount];
  TProfileInfo infos[kUrlCount];
  int listCodes[kListCount];
  TProfileList lists[kListCount];
};

// The start pattern of every record the snapshot hands to the library.
constexpr unsigned char kPattern = 0x5a;

// Asks every request of the table. Allocates nothing.
inline void TakeSnapshot(StrellHandle handle, Snapshot& snapshot) {
  std::memset(&snapshot, kPattern, sizeof snapshot);
  for (int i = 0; i < kUrlCount; ++i) {
    snapshot.codes[i] = Strell_GetProfileInfoByStreamUrl(handle, kUrls[i], &snapshot.infos[i]);
  }
  for (int i = 0; i < kListCount; ++i) {
    TProfileList& list = snapshot.lists[i];
    list.profileCount = 0;
    const ListQuery& query = kLists[i];
    snapshot.listCodes[i] =
        query.video
            ? Strell_GetProfileListByVideoStream(handle, query.channel, query.stream, &list)
            : Strell_GetProfileListByAudioStream(handle, query.channel, query.stream, &list);
  }
}

inline bool SameSnapshot(const Snapshot& a, const Snapshot& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace reliability

#endif  // STRELL_TESTS_RELIABILITY_SNAPSHOT_H_
