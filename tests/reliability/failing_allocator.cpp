#include "reliability/failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace failing_allocator {
namespace {

std::atomic<bool> g_armed{false};
std::atomic<long> g_seen{0};
std::atomic<long> g_failAt{0};
std::atomic<bool> g_persistent{false};
std::atomic<bool> g_triggered{false};
std::atomic<long> g_live{0};

// Called for every allocation request; true when this one must fail.
bool refuse() {
  if (!g_armed.load(std::memory_order_relaxed)) return false;
  const long number = g_seen.fetch_add(1);
  const long failAt = g_failAt.load();
  if (number == failAt || (g_persistent.load() && number > failAt)) {
    g_triggered = true;
    return true;
  }
  return false;
}

void counted(const void* memory) {
  if (memory != nullptr) ++g_live;
}

void released(const void* memory) {
  if (memory != nullptr) --g_live;
}

}  // namespace

void Arm(long failAt, bool persistent) {
  g_seen = 0;
  g_failAt = failAt;
  g_persistent = persistent;
  g_triggered = false;
  g_armed = true;
}

long Disarm() {
  g_armed = false;
  return g_seen.load();
}

bool Triggered() { return g_triggered.load(); }

long Live() { return g_live.load(); }

#ifdef STRELL_TEST_INTERPOSE_MALLOC
bool CoversMalloc() { return true; }
#else
bool CoversMalloc() { return false; }
#endif

}  // namespace failing_allocator

#ifdef STRELL_TEST_INTERPOSE_MALLOC
// glibc's allocator under its own names; everything below forwards to it.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* memory, size_t size);
void __libc_free(void* memory);

void* malloc(size_t size) {
  if (failing_allocator::refuse()) return nullptr;
  void* memory = __libc_malloc(size);
  failing_allocator::counted(memory);
  return memory;
}

void* calloc(size_t count, size_t size) {
  if (failing_allocator::refuse()) return nullptr;
  void* memory = __libc_calloc(count, size);
  failing_allocator::counted(memory);
  return memory;
}

void* realloc(void* memory, size_t size) {
  if (memory == nullptr) return malloc(size);
  if (size == 0) {
    failing_allocator::released(memory);
    return __libc_realloc(memory, 0);
  }
  if (failing_allocator::refuse()) return nullptr;
  return __libc_realloc(memory, size);
}

void free(void* memory) {
  failing_allocator::released(memory);
  __libc_free(memory);
}
}  // extern "C"

namespace {
void* rawAllocate(std::size_t size) {
  void* memory = __libc_malloc(size != 0 ? size : 1);
  failing_allocator::counted(memory);
  return memory;
}
void rawRelease(void* memory) {
  failing_allocator::released(memory);
  __libc_free(memory);
}
}  // namespace
#else
namespace {
void* rawAllocate(std::size_t size) {
  void* memory = std::malloc(size != 0 ? size : 1);
  failing_allocator::counted(memory);
  return memory;
}
void rawRelease(void* memory) {
  failing_allocator::released(memory);
  std::free(memory);
}
}  // namespace
#endif

namespace {
void* allocateOrNull(std::size_t size) noexcept {
  if (failing_allocator::refuse()) return nullptr;
  return rawAllocate(size);
}
void* allocateOrThrow(std::size_t size) {
  void* memory = allocateOrNull(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}
}  // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocateOrNull(size);
}
void operator delete(void* memory) noexcept { rawRelease(memory); }
void operator delete[](void* memory) noexcept { rawRelease(memory); }
void operator delete(void* memory, std::size_t) noexcept { rawRelease(memory); }
void operator delete[](void* memory, std::size_t) noexcept { rawRelease(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { rawRelease(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { rawRelease(memory); }
