#include "rtspd/rtspd_log.h"

#include <cstdarg>
#include <cstdio>

namespace strell_rtspd {

void Log(const char* format, ...) {
  // One locked stdio call per line, so lines from GStreamer's threads and the
  // main loop never mix.
  char line[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  std::printf("strell-rtspd: %s\n", line);
  std::fflush(stdout);
}

}  // namespace strell_rtspd
