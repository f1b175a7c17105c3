// One read of one configuration value, shared by every handler's readers.
#ifndef STRELL_HOSTCONFIG_CONFIG_VALUE_H_
#define STRELL_HOSTCONFIG_CONFIG_VALUE_H_

#include <string>

#include "api/export.h"
#include "strell.h"

// Size of every buffer handed to the host's readers, integer reads included.
constexpr int kHostValueSize = STRELL_TEXT_SIZE;
// Size of every buffer a file name or key path is formatted into.
constexpr int kKeyPathSize = 256;

// Reads the text of `keyPath` in `file` into a caller's buffer, which is
// zero-filled before the host sees it and always NUL-terminated after: the
// request path reads into stack buffers and makes no heap allocation. Returns
// 0, or 4 when the host reports failure; `value` then holds the empty text.
STRELL_EXPORT EStrellErrno readHostTextInto(const char* file, const char* keyPath,
                                            char (&value)[kHostValueSize]);

// Reads the text of `keyPath` in `file` into `value`. Returns 0, or 4 when the
// host reports failure; `value` is then left as it was.
STRELL_EXPORT EStrellErrno readHostText(const char* file, const char* keyPath, std::string& value);

// As readHostText, converting the text with atoi conventions (parseDecimal).
STRELL_EXPORT EStrellErrno readHostInt(const char* file, const char* keyPath, int& value);

// atoi conventions with defined behaviour for every input: leading blanks, an
// optional sign, then digits up to the first non-digit; no digits gives 0; a
// value beyond the range of int saturates at INT_MIN or INT_MAX.
STRELL_EXPORT int parseDecimal(const char* text);

// Reads a device parameter by name as an integer (see parseDecimal). The
// host's result is not examined: a parameter it does not deliver reads as 0.
STRELL_EXPORT int readHostParameter(const char* name);

#endif  // STRELL_HOSTCONFIG_CONFIG_VALUE_H_
