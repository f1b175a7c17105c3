#include "api/stream_url_hndl.h"

#include "api/introspection.h"
#include "api/url_hndl_factory.h"

CStreamUrlHndl::CStreamUrlHndl() { pthread_mutex_init(&mutex, nullptr); }

CStreamUrlHndl::~CStreamUrlHndl() {
  // Chain order: Media1, stream server, Media2. A handler never deletes its
  // `next`, so each is deleted exactly once, here.
  for (IUrlHandler* handler : handlers) delete handler;
  pthread_mutex_destroy(&mutex);
}

bool CStreamUrlHndl::buildChain() {
  CUrlHndlFactory factory;
  handlers.reserve(kHandlerCount);
  for (const char* name : kHandlerChainNames) {
    IUrlHandler* handler = factory.FactoryNew(name);
    if (handler == nullptr) return false;
    if (!handlers.empty()) handlers.back()->next = handler;
    handlers.push_back(handler);  // cannot throw: room was reserved
  }
  return true;
}
