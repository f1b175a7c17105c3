// The factory of URL handlers, by name. It sits above the three handlers it
// creates, beside the chain construction that uses it.
#ifndef STRELL_API_URL_HNDL_FACTORY_H_
#define STRELL_API_URL_HNDL_FACTORY_H_

#include "handler/url_handler.h"

// Creates handlers by name. Has no state; made on the stack where it is used.
class CUrlHndlFactory {
 public:
  CUrlHndlFactory() = default;
  // Returns a new handler for "streamserver", "media1" or "media2" (exact,
  // case-sensitive, compared with stringCompareEqual), owned by the caller;
  // null for any other name, and when memory runs out.
  IUrlHandler* FactoryNew(const char* name);
};

#endif  // STRELL_API_URL_HNDL_FACTORY_H_
