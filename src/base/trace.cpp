#include "base/trace.h"

#include <pthread.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

enum TraceMode : int { TRACE_TO_STDOUT, TRACE_TO_HANDLER, TRACE_SILENT };

// Read without the lock on every line, so that the default and the silent
// sink cost one load: a line that races with a change of sink may still go
// to standard output or be dropped, which harms nobody. A handler is only
// ever called under the read lock, so once setTraceHandler has taken the
// write lock and returned, the previous handler is never called again and
// its `user` may be freed.
std::atomic<int> gMode{TRACE_TO_STDOUT};
pthread_rwlock_t gLock = PTHREAD_RWLOCK_INITIALIZER;
StrellTraceHandler gHandler = nullptr;  // guarded by gLock
void* gUser = nullptr;                  // guarded by gLock

class ReadLock {
 public:
  ReadLock() { pthread_rwlock_rdlock(&gLock); }
  ~ReadLock() { pthread_rwlock_unlock(&gLock); }
  ReadLock(const ReadLock&) = delete;
  ReadLock& operator=(const ReadLock&) = delete;
};

// Formats the line and hands it to the handler. Lines fit the stack buffer
// but for a Media1 URL of several hundred characters; such a line is
// formatted again into a buffer of its own size, or cut when memory runs out.
void deliver(StrellTraceHandler handler, void* user, const char* format, va_list args) {
  char stack[512];
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(stack, sizeof stack, format, args);
  // Freed on every way out, a C++ handler's exception included.
  std::unique_ptr<char, void (*)(void*)> heap(nullptr, std::free);
  char* line = stack;
  size_t end = length > 0 ? static_cast<size_t>(length) : 0;
  if (end >= sizeof stack) {
    heap.reset(static_cast<char*>(std::malloc(end + 1)));
    if (heap != nullptr) {
      std::vsnprintf(heap.get(), end + 1, format, again);
      line = heap.get();
    } else {
      end = sizeof stack - 1;
    }
  }
  va_end(again);
  if (length < 0) return;
  if (end > 0 && line[end - 1] == '\n') line[end - 1] = '\0';
  handler(line, user);
}

}  // namespace

void traceLine(const char* format, ...) {
  const int mode = gMode.load(std::memory_order_acquire);
  if (mode == TRACE_SILENT) return;
  va_list args;
  va_start(args, format);
  if (mode == TRACE_TO_STDOUT) {
    std::vprintf(format, args);
  } else {
    ReadLock lock;
    // The sink may have changed since the load above.
    const int current = gMode.load(std::memory_order_relaxed);
    if (current == TRACE_TO_HANDLER) {
      deliver(gHandler, gUser, format, args);
    } else if (current == TRACE_TO_STDOUT) {
      std::vprintf(format, args);
    }
  }
  va_end(args);
}

void setTraceHandler(StrellTraceHandler handler, void* user) {
  pthread_rwlock_wrlock(&gLock);
  gHandler = handler;
  gUser = user;
  gMode.store(handler != nullptr ? TRACE_TO_HANDLER : TRACE_SILENT, std::memory_order_release);
  pthread_rwlock_unlock(&gLock);
}
