#include "base/text.h"

int parseDecimal(const char* text) {
  int value = 0;
  if (text != nullptr) scanDecimal(text, value);
  return value;
}
