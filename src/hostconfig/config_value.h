// One read of one configuration value, shared by every handler's readers.
#ifndef STRELL_HOSTCONFIG_CONFIG_VALUE_H_
#define STRELL_HOSTCONFIG_CONFIG_VALUE_H_

#include <string>

#include "strell.h"

// The directory every configuration file the library reads is named under;
// the host maps it to wherever the files are. A macro, so that each file name
// is written once, as this prefix and the file's own part.
#define STRELL_CONFIG_DIRECTORY "/etc/conf.d/"
constexpr char kConfigDirectory[] = STRELL_CONFIG_DIRECTORY;

// Size of every buffer handed to the host's readers, integer reads included.
constexpr int kHostValueSize = STRELL_TEXT_SIZE;

// The size a device parameter is read with, NUL included: the host may
// deliver at most kHostParameterSize - 1 characters of it.
constexpr int kHostParameterSize = 8;

// Reads the text of `keyPath` in `file` into a caller's buffer, which is
// zero-filled before the host sees it and always NUL-terminated after: the
// request path reads into stack buffers and makes no heap allocation. Returns
// 0, or 4 when the host reports failure; `value` then holds the empty text.
EStrellErrno readHostTextInto(const char* file, const char* keyPath, char (&value)[kHostValueSize]);

// Reads the text of `keyPath` in `file` into `value`. Returns 0, or 4 when the
// host reports failure; `value` is then left as it was.
EStrellErrno readHostText(const char* file, const char* keyPath, std::string& value);

// As readHostText, converting the text with atoi conventions (parseDecimal).
EStrellErrno readHostInt(const char* file, const char* keyPath, int& value);

// Reads a device parameter by name as an integer (atoi conventions), asking
// for at most kHostParameterSize - 1 characters. The host's result is not
// examined: a parameter it does not deliver reads as 0.
int readHostParameter(const char* name);

#endif  // STRELL_HOSTCONFIG_CONFIG_VALUE_H_
