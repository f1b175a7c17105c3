#include "hostconfig/config_value.h"

#include <climits>
#include <cstring>

#include "hostconfig/host_readers.h"

EStrellErrno readHostTextInto(const char* file, const char* keyPath,
                              char (&value)[kHostValueSize]) {
  std::memset(value, 0, sizeof value);
  if (XMLSParser_ReadContentEx(file, keyPath, value) != 0) {
    value[0] = '\0';  // the host may have written before it failed
    return STRELL_ERR_CONFIG_READ;
  }
  // Terminated even when a host filled the whole buffer.
  value[kHostValueSize - 1] = '\0';
  return STRELL_OK;
}

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int parseDecimal(const char* text) {
  if (text == nullptr) return 0;
  while (isBlank(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  long long magnitude = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; *text >= '0' && *text <= '9'; ++text) {
    magnitude = magnitude * 10 + (*text - '0');
    if (magnitude >= limit) {
      magnitude = limit;  // saturate; later digits cannot bring it back
      break;
    }
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

EStrellErrno readHostText(const char* file, const char* keyPath, std::string& value) {
  char buffer[kHostValueSize];
  if (readHostTextInto(file, keyPath, buffer) != STRELL_OK) return STRELL_ERR_CONFIG_READ;
  value.assign(buffer);
  return STRELL_OK;
}

EStrellErrno readHostInt(const char* file, const char* keyPath, int& value) {
  char buffer[kHostValueSize];
  if (readHostTextInto(file, keyPath, buffer) != STRELL_OK) return STRELL_ERR_CONFIG_READ;
  value = parseDecimal(buffer);
  return STRELL_OK;
}

int readHostParameter(const char* name) {
  // Parameters are short decimal texts; the buffer is as large as the XML
  // reader's so a host that ignores `size` still cannot overrun it.
  char buffer[kHostValueSize] = {};
  Configer_GetParamValueByXPath(name, buffer, 8);
  buffer[kHostValueSize - 1] = '\0';
  return parseDecimal(buffer);
}
