// The server's one library context, and the texts it logs about answers.
#ifndef STRELL_TOOLS_RTSPD_RTSPD_LIBRARY_H_
#define STRELL_TOOLS_RTSPD_RTSPD_LIBRARY_H_

#include <string>
#include <vector>

#include "rtspd/rtspd_plan.h"
#include "strell.h"

namespace strell_rtspd {

// Owns a context from Strell_Init to Strell_Release. The library locks the
// context in every call, so reloads and queries may come from any thread.
class Library {
 public:
  Library();
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // False when Strell_Init could not allocate a context; every query then
  // answers as an empty configuration would.
  bool valid() const { return handle_ != nullptr; }

  // Strell_Parse: reloads every handler from the configuration files.
  int Reload();
  // Strell_GetProfileInfoByStreamUrl into a record the caller zero-filled.
  // Each medium's ttl is set to kTtlNotGiven first: the library writes only
  // the fields its handler fills, and a TTL is not among the Media1 ones.
  int Resolve(const std::string& url, TProfileInfo* info);
  // The keys of the profiles whose video, or audio, is this channel and
  // stream, in the library's order (an empty list starts each query).
  std::vector<int> ProfilesWithVideo(int channel, int stream);
  std::vector<int> ProfilesWithAudio(int channel, int stream);

 private:
  StrellHandle handle_ = nullptr;
};

// What a result code of the library means, for log lines: "not found (8)".
std::string CodeText(int code);

// The channel and stream in ONVIF numbering (Strell_ConfigToOnvif), as
// "channel 1 stream 2".
std::string OnvifNumbering(int channel, int stream);

// One log line per served stream: medium, channel and stream in both
// numberings, what the test source shows, the multicast group offered, and
// the profiles that share the stream.
std::vector<std::string> DescribeStreams(const MediaPlan& plan, Library& library);

}  // namespace strell_rtspd

#endif  // STRELL_TOOLS_RTSPD_RTSPD_LIBRARY_H_
