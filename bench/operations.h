// The operations the benchmarks and the instruction counter measure, shared
// so that both name and run exactly the same calls.
#ifndef STRELL_BENCH_OPERATIONS_H_
#define STRELL_BENCH_OPERATIONS_H_

#include <cstring>
#include <string>

#include "strell.h"
#include "testing/records.h"

namespace strell_bench {

// One resolution request and the code it must give.
struct UrlCase {
  const char* name;
  const char* url;
  int expected;
};

// A hit on every slot the example configuration fills (the first slot of
// each handler without a suffix), and a miss for each handler: a Media1 or
// Media2 URL naming no profile ends at its handler; an unknown access name
// walks the whole chain.
inline constexpr UrlCase kUrlCases[] = {
    {"media1_hit", "media/stream.sdp?profile=Profile_1", STRELL_OK},
    {"media1_hit_i1", "media/stream.sdp?profile=Profile_2", STRELL_OK},
    {"media1_hit_i2", "media/stream.sdp?profile=Profile_3", STRELL_OK},
    {"media1_hit_i3", "media/stream.sdp?profile=Profile_4", STRELL_OK},
    {"media1_miss", "media/stream.sdp?profile=NoSuchProfile", STRELL_ERR_NOT_FOUND},
    {"streamserver_hit", "live1.sdp", STRELL_OK},
    {"streamserver_hit_s1", "live2.sdp", STRELL_OK},
    {"streamserver_hit_s2", "live3.sdp", STRELL_OK},
    {"streamserver_hit_s3", "live4.sdp", STRELL_OK},
    {"streamserver_miss", "nosuch.sdp", STRELL_ERR_NOT_FOUND},
    {"media2_hit", "media2/stream.sdp?profile=StreamProfile_1", STRELL_OK},
    {"media2_hit_i5", "media2/stream.sdp?profile=StreamProfile_6", STRELL_OK},
    {"media2_miss", "media2/stream.sdp?profile=NoSuchProfile", STRELL_ERR_NOT_FOUND},
};

inline const UrlCase* FindUrlCase(const std::string& name) {
  for (const UrlCase& c : kUrlCases) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

// The list queries as a host makes them: a cleared list, channel 0 stream 0.
inline int ListVideo(StrellHandle handle, TProfileList& list) {
  list.profileCount = 0;
  return Strell_GetProfileListByVideoStream(handle, 0, 0, &list);
}

inline int ListAudio(StrellHandle handle, TProfileList& list) {
  list.profileCount = 0;
  return Strell_GetProfileListByAudioStream(handle, 0, 0, &list);
}

// A context for the lifetime of the object: the tests' own.
using testing_kit::Context;

}  // namespace strell_bench

#endif  // STRELL_BENCH_OPERATIONS_H_
