// What every fuzz target demands of every answer. A violation traps, so
// libFuzzer keeps the input that caused it.
#ifndef STRELL_FUZZ_FUZZ_CHECKS_H_
#define STRELL_FUZZ_FUZZ_CHECKS_H_

#include <cstring>
#include <memory>

#include "strell.h"

namespace fuzz_checks {

constexpr unsigned char kPattern = 0x5a;

inline void require(bool condition) {
  if (!condition) __builtin_trap();
}

inline bool terminated(const char (&field)[STRELL_TEXT_SIZE]) {
  return std::memchr(field, '\0', sizeof field) != nullptr;
}

// A record of the start pattern, to compare with in one call.
inline const TProfileInfo& patterned() {
  static const TProfileInfo info = [] {
    TProfileInfo start;
    std::memset(&start, kPattern, sizeof start);
    return start;
  }();
  return info;
}

// A text field is either untouched (the start pattern) or terminated.
inline bool wellFormed(const char (&field)[STRELL_TEXT_SIZE]) {
  return terminated(field) || std::memcmp(field, patterned().profileName, sizeof field) == 0;
}

inline bool untouched(const TProfileInfo& info) {
  return std::memcmp(&info, &patterned(), sizeof info) == 0;
}

// Resolves `url` into a record of exactly its size on the heap, so that
// AddressSanitizer sees any write past it, and checks the answer.
inline void resolve(StrellHandle handle, const char* url) {
  std::unique_ptr<TProfileInfo> info(new TProfileInfo);
  std::memset(info.get(), kPattern, sizeof *info);
  const int code = Strell_GetProfileInfoByStreamUrl(handle, url, info.get());
  require(code == STRELL_OK || code == STRELL_ERR_NOT_FOUND || code == STRELL_ERR_BAD_SOURCE);
  if (code == STRELL_ERR_NOT_FOUND) require(untouched(*info));
  if (code == STRELL_OK || code == STRELL_ERR_BAD_SOURCE) require(terminated(info->profileName));
  require(wellFormed(info->videoInfo.ipAddress));
  require(wellFormed(info->audioInfo.ipAddress));
  require(wellFormed(info->metadataInfo.ipAddress));
  for (const TMediaEncodeConfig* medium :
       {&info->videoInfo, &info->audioInfo, &info->metadataInfo}) {
    const int task = medium->mediaTask;
    require(task == 0 || task == 1 || task == 0x5a5a5a5a);
  }
}

// Runs both list queries on a heap list that starts at `count` and checks
// that no key went past the array and the count moved only within it.
inline void lists(StrellHandle handle, int channel, int stream, int count) {
  for (int video = 0; video < 2; ++video) {
    std::unique_ptr<TProfileList> list(new TProfileList);
    std::memset(list.get(), kPattern, sizeof *list);
    list->profileCount = count;
    const int code = video
                         ? Strell_GetProfileListByVideoStream(handle, channel, stream, list.get())
                         : Strell_GetProfileListByAudioStream(handle, channel, stream, list.get());
    require(code == STRELL_OK);
    if (count < 0 || count >= STRELL_MAX_PROFILE_KEYS) {
      require(list->profileCount == count);
    } else {
      require(list->profileCount >= count && list->profileCount <= STRELL_MAX_PROFILE_KEYS);
      // One query appends at most 4 + 4 + 10 keys.
      require(list->profileCount - count <= 18);
    }
  }
}

}  // namespace fuzz_checks

#endif  // STRELL_FUZZ_FUZZ_CHECKS_H_
