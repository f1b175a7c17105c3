#include "handler/url_handler.h"

#include <cstring>

#include "base/text.h"

IUrlHandler::~IUrlHandler() = default;

int stringCompareEqual(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  return sameText(a, std::strlen(a), b, std::strlen(b)) ? 1 : 0;
}
