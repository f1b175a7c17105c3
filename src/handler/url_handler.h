// The chain of URL handlers.
//
// Every request enters at the head of the chain (Media1, then stream server,
// then Media2). A handler either claims a URL, and then its answer is final,
// or passes the request on unchanged to `next`. List queries visit every
// handler: each appends its own matches, then passes the query on.
#ifndef STRELL_HANDLER_URL_HANDLER_H_
#define STRELL_HANDLER_URL_HANDLER_H_

#include "strell.h"

class IUrlHandler {
 public:
  explicit IUrlHandler(int handlerId) : id(handlerId) {}
  IUrlHandler(const IUrlHandler&) = delete;
  IUrlHandler& operator=(const IUrlHandler&) = delete;
  // Releases the handler's own store; never touches `next`, which belongs to
  // the owner of the chain.
  virtual ~IUrlHandler();

  // Resolves `url` into `info`: 11 for a null record, the handler's answer for
  // a URL it claims, otherwise the next handler's answer, 8 at the chain's end.
  virtual EStrellErrno HandleUrl(const char* url, TProfileInfo* info) = 0;
  // Empties the store, reloads it from the configuration, then reloads the
  // rest of the chain and returns the next handler's result.
  virtual EStrellErrno Parse() = 0;
  // Appends the keys of this handler's matching profiles, then the rest of
  // the chain's.
  virtual EStrellErrno GetProfileListByVideoStream(int channel, int stream, TProfileList* list) = 0;
  virtual EStrellErrno GetProfileListByAudioStream(int channel, int stream, TProfileList* list) = 0;

  int id;                       // handler kind: 222 Media1, 111 stream server, 333 Media2
  IUrlHandler* next = nullptr;  // next handler of the chain, not owned

 protected:
  // The shared half of every operation: hand the request to `next`, or give
  // the answer of the chain's end.
  EStrellErrno passUrlOn(const char* url, TProfileInfo* info) {
    return next != nullptr ? next->HandleUrl(url, info) : STRELL_ERR_NOT_FOUND;
  }
  EStrellErrno passParseOn(EStrellErrno own) { return next != nullptr ? next->Parse() : own; }
  EStrellErrno passVideoListOn(int channel, int stream, TProfileList* list) {
    return next != nullptr ? next->GetProfileListByVideoStream(channel, stream, list) : STRELL_OK;
  }
  EStrellErrno passAudioListOn(int channel, int stream, TProfileList* list) {
    return next != nullptr ? next->GetProfileListByAudioStream(channel, stream, list) : STRELL_OK;
  }
};

// 1 when `a` and `b` are the same text (same length, same bytes: sameText),
// else 0. Two empty texts are equal. Null is treated as the empty text.
int stringCompareEqual(const char* a, const char* b);

#endif  // STRELL_HANDLER_URL_HANDLER_H_
