#include "media1/media_one_alloc_counter.h"

#include <cstdlib>
#include <new>

namespace {

bool counting = false;
int allocations = 0;

void* allocate(std::size_t size) noexcept {
  if (counting) ++allocations;
  return std::malloc(size != 0 ? size : 1);
}

}  // namespace

namespace alloc_counter {

void Start() {
  allocations = 0;
  counting = true;
}

int Stop() {
  counting = false;
  return allocations;
}

}  // namespace alloc_counter

// Every form the program or the library may use, so that each allocation
// pairs with a release of this unit.
void* operator new(std::size_t size) {
  void* memory = allocate(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
