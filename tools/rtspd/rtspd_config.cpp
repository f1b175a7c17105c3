#include "rtspd/rtspd_config.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "strell.h"

// The host's reader, which the process defines (the library's contract in
// strell.h; the reference host kit provides it).
extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value);

namespace strell_rtspd {

VideoFrame ConfiguredVideoFrame(int channel, int stream) {
  char file[STRELL_TEXT_SIZE];
  char key[STRELL_TEXT_SIZE];
  std::snprintf(file, sizeof file, "/etc/conf.d/config_videoin_c%d.xml", channel);
  std::snprintf(key, sizeof key, "/root/videoin/c%d/s%d/resolution", channel, stream);
  // Zero-filled and of the size the library promises its host, so any host
  // that keeps the library's contract keeps this one.
  char value[STRELL_TEXT_SIZE] = {};

  VideoFrame frame;
  std::string reason;
  if (XMLSParser_ReadContentEx(file, key, value) != 0) {
    reason = std::string("no resolution at ") + key + " in " + file;
  } else if (ParseFrameSize(std::string(value, strnlen(value, sizeof value)), &frame.size,
                            &reason)) {
    frame.origin = "configured";
    return frame;
  }
  frame.size = FallbackFrameSize(stream);
  frame.origin = reason + ", using the size for stream " + std::to_string(stream);
  return frame;
}

}  // namespace strell_rtspd
