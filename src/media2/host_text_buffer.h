// Reading one configuration text into a caller's stack buffer.
//
// The request path reads nine values per resolution; reading them into a
// 256-byte stack buffer instead of a std::string keeps the library's share of
// a resolution free of heap traffic.
#ifndef STRELL_MEDIA2_HOST_TEXT_BUFFER_H_
#define STRELL_MEDIA2_HOST_TEXT_BUFFER_H_

#include "hostconfig/config_value.h"
#include "strell.h"

// Reads the text of `keyPath` in `file` into `value`, which is zero-filled
// before the host sees it and always NUL-terminated after. Returns 0, or 4 when
// the host reports failure; `value` then holds the empty text, because a host
// may have written into the buffer before failing.
EStrellErrno readHostTextInto(const char* file, const char* keyPath, char (&value)[kHostValueSize]);

#endif  // STRELL_MEDIA2_HOST_TEXT_BUFFER_H_
