#include "handler/url_handler.h"

#include <cstring>
#include <new>

#include "media1/url_media_one.h"
#include "media2/url_media_two.h"
#include "streamserver/url_streamserver.h"

IUrlHandler::~IUrlHandler() = default;

int stringCompareEqual(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  // Same length and `b` found in `a` means equal texts; one comparison says it.
  return std::strcmp(a, b) == 0 ? 1 : 0;
}

IUrlHandler* CUrlHndlFactory::FactoryNew(const char* name) {
  // new (std::nothrow): a failed allocation yields null like an unknown name,
  // and no exception reaches the C caller.
  if (stringCompareEqual(name, "streamserver")) return new (std::nothrow) CUrlStreamserver();
  if (stringCompareEqual(name, "media1")) return new (std::nothrow) CUrlMediaOne();
  if (stringCompareEqual(name, "media2")) return new (std::nothrow) CUrlMediaTwo();
  return nullptr;
}
