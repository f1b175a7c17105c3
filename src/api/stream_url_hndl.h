// The library context behind a StrellHandle.
#ifndef STRELL_API_STREAM_URL_HNDL_H_
#define STRELL_API_STREAM_URL_HNDL_H_

#include <pthread.h>

#include <vector>

#include "handler/url_handler.h"

// Owns the handler chain and the mutex that serialises every walk along it.
class CStreamUrlHndl {
 public:
  CStreamUrlHndl();
  ~CStreamUrlHndl();
  CStreamUrlHndl(const CStreamUrlHndl&) = delete;
  CStreamUrlHndl& operator=(const CStreamUrlHndl&) = delete;

  // Creates Media1, stream server and Media2 through the factory and links
  // them in that order. Returns false when one of them could not be created;
  // the handlers made before it stay in `handlers` and go with the context.
  bool buildChain();

  // Head of the chain, or null when the chain was never built.
  IUrlHandler* head() const { return handlers.empty() ? nullptr : handlers.front(); }

  std::vector<IUrlHandler*> handlers;  // chain order; owned
  pthread_mutex_t mutex;               // default attributes: not recursive
};

// The block a StrellHandle points to.
struct StrellHandleBlock {
  CStreamUrlHndl* context;
};

#endif  // STRELL_API_STREAM_URL_HNDL_H_
