// Where the library's diagnostic lines go: the trace lines of the request
// path, the dumps and ReadFile's messages. By default standard output, with
// printf, exactly as the lines have always been printed; a host can direct
// them to a handler of its own, or drop them (Strell_SetTraceHandler).
#ifndef STRELL_BASE_TRACE_H_
#define STRELL_BASE_TRACE_H_

#include "strell.h"

// Prints one line. `format` is a printf format that ends with the line's
// "\n"; a handler receives the line without it.
void traceLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sends every later line to `handler(line, user)`, or drops them when
// `handler` is null. Waits for lines being delivered to the previous handler.
void setTraceHandler(StrellTraceHandler handler, void* user);

#endif  // STRELL_BASE_TRACE_H_
