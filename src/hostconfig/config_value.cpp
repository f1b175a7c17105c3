#include "hostconfig/config_value.h"

#include <cstring>

#include "base/text.h"

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
  Configer_GetParamValueByXPath(name, buffer, kHostParameterSize);
  buffer[kHostValueSize - 1] = '\0';
  return parseDecimal(buffer);
}
