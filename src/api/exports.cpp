// The C interface: a thin layer that reaches the context, locks it, and
// enters the chain at its head. No exception ever leaves these functions.
#include <cstdlib>
#include <new>

#include "api/stream_url_hndl.h"
#include "base/trace.h"
#include "strell.h"

namespace {

// Holds the context's mutex for one walk along the chain.
class ChainLock {
 public:
  explicit ChainLock(CStreamUrlHndl* context) : mutex_(&context->mutex) {
    pthread_mutex_lock(mutex_);
  }
  ~ChainLock() { pthread_mutex_unlock(mutex_); }
  ChainLock(const ChainLock&) = delete;
  ChainLock& operator=(const ChainLock&) = delete;

 private:
  pthread_mutex_t* mutex_;
};

CStreamUrlHndl* contextOf(StrellHandle handle) {
  return handle != nullptr ? handle->context : nullptr;
}

// Runs `operation` on the head of the chain under the context's lock. A
// handle without a context answers as a context with empty stores would:
// `emptyAnswer`. An allocation failure while loading is reported as a failed
// configuration read: the handler it struck keeps its previous stores whole
// (each loads aside and swaps), the handlers before it hold the new
// configuration and those after it their previous one. Queries allocate
// nothing.
template <typename Operation>
int walkChain(StrellHandle handle, int emptyAnswer, int failureAnswer, Operation operation) {
  CStreamUrlHndl* context = contextOf(handle);
  if (context == nullptr || context->head() == nullptr) return emptyAnswer;
  ChainLock lock(context);
  try {
    return operation(context->head());
  } catch (...) {
    return failureAnswer;
  }
}

}  // namespace

extern "C" {

int Strell_Init(StrellHandle* handle) {
  if (handle == nullptr) return STRELL_OK;
  *handle = nullptr;
  auto* block = static_cast<StrellHandleBlock*>(std::malloc(sizeof(StrellHandleBlock)));
  if (block == nullptr) return STRELL_OK;
  CStreamUrlHndl* context = new (std::nothrow) CStreamUrlHndl();
  bool built = false;
  try {
    built = context != nullptr && context->buildChain();
  } catch (...) {
    // Reserving the chain's storage can throw; the context and the handlers
    // made so far go with it.
  }
  if (!built) {
    delete context;
    std::free(block);
    return STRELL_OK;
  }
  block->context = context;
  *handle = block;
  return STRELL_OK;
}

int Strell_Release(StrellHandle* handle) {
  if (handle == nullptr || *handle == nullptr) return STRELL_OK;
  delete (*handle)->context;
  std::free(*handle);
  *handle = nullptr;
  return STRELL_OK;
}

int Strell_Parse(StrellHandle handle) {
  return walkChain(handle, STRELL_OK, STRELL_ERR_CONFIG_READ,
                   [](IUrlHandler* head) { return head->Parse(); });
}

int Strell_GetProfileInfoByStreamUrl(StrellHandle handle, const char* url, TProfileInfo* info) {
  if (url == nullptr) url = "";
  const int empty = info == nullptr ? STRELL_ERR_NULL_RECORD : STRELL_ERR_NOT_FOUND;
  return walkChain(handle, empty, STRELL_ERR_CONFIG_READ,
                   [url, info](IUrlHandler* head) { return head->HandleUrl(url, info); });
}

int Strell_GetProfileListByVideoStream(StrellHandle handle, int channel, int stream,
                                       TProfileList* list) {
  if (list == nullptr) return STRELL_OK;
  return walkChain(handle, STRELL_OK, STRELL_OK, [=](IUrlHandler* head) {
    return head->GetProfileListByVideoStream(channel, stream, list);
  });
}

int Strell_GetProfileListByAudioStream(StrellHandle handle, int channel, int stream,
                                       TProfileList* list) {
  if (list == nullptr) return STRELL_OK;
  return walkChain(handle, STRELL_OK, STRELL_OK, [=](IUrlHandler* head) {
    return head->GetProfileListByAudioStream(channel, stream, list);
  });
}

int Strell_SetTraceHandler(StrellTraceHandler handler, void* user) {
  setTraceHandler(handler, user);
  return STRELL_OK;
}

// Placeholders kept so that hosts linked against them keep loading.
int Strell_GetByKey(void) { return STRELL_OK; }
int Strell_GetProperty(void) { return STRELL_OK; }
int Strell_ConvertVideoConfigSourceToChannelStream(void) { return STRELL_OK; }
int Strell_ConvertVideoConfigSourceToShmemkey(void) { return STRELL_OK; }
int Strell_ConvertAudioConfigSourceToChannelStream(void) { return STRELL_OK; }
int Strell_ConvertAudioConfigSourceToShmemkey(void) { return STRELL_OK; }

}  // extern "C"
