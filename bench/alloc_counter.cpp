#include "bench/alloc_counter.h"

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
}

namespace {

// Relaxed: the count is read only after the measured loop, by the thread
// that ran it or after the threads joined.
std::atomic<unsigned long long> g_allocations{0};

}  // namespace

namespace strell_bench {

unsigned long long AllocationCount() { return g_allocations.load(std::memory_order_relaxed); }

}  // namespace strell_bench

// The executable's definitions take precedence over the C library's for
// every module of the process, libstrell and libstdc++ included. free,
// memalign and the rest stay the C library's: same allocator underneath.
extern "C" {

void* malloc(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(pointer, size);
}

}  // extern "C"
