// The server's own log lines: standard output, one line per call, prefixed
// "strell-rtspd: ", flushed at once so that they interleave in order with the
// library's trace lines (which it prints to standard output too).
#ifndef STRELL_TOOLS_RTSPD_RTSPD_LOG_H_
#define STRELL_TOOLS_RTSPD_RTSPD_LOG_H_

namespace strell_rtspd {

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace strell_rtspd

#endif  // STRELL_TOOLS_RTSPD_RTSPD_LOG_H_
