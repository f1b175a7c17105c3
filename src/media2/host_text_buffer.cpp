#include "media2/host_text_buffer.h"

#include <cstring>

#include "hostconfig/host_readers.h"

EStrellErrno readHostTextInto(const char* file, const char* keyPath,
                              char (&value)[kHostValueSize]) {
  std::memset(value, 0, sizeof value);
  if (XMLSParser_ReadContentEx(file, keyPath, value) != 0) {
    value[0] = '\0';
    return STRELL_ERR_CONFIG_READ;
  }
  value[kHostValueSize - 1] = '\0';
  return STRELL_OK;
}
