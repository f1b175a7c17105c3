// Host records placed between two guard zones, so that a write outside the
// record is caught. Under AddressSanitizer the zones are poisoned and the
// first stray access stops the test with its stack; in every build the zones
// hold a canary pattern that Intact() checks afterwards.
#ifndef STRELL_TESTS_RELIABILITY_GUARDED_RECORD_H_
#define STRELL_TESTS_RELIABILITY_GUARDED_RECORD_H_

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define STRELL_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STRELL_TEST_ASAN 1
#endif
#endif

#ifdef STRELL_TEST_ASAN
#include <sanitizer/asan_interface.h>
#define STRELL_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define STRELL_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define STRELL_POISON(address, size) ((void)(address), (void)(size))
#define STRELL_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace reliability {

template <typename Record>
class Guarded {
 public:
  static constexpr size_t kGuard = 64;  // a multiple of the shadow granule
  static constexpr unsigned char kCanary = 0xc5;
  static constexpr unsigned char kFill = 0x5a;  // the record's start pattern

  Guarded() : memory_(static_cast<unsigned char*>(std::malloc(kGuard + sizeof(Record) + kGuard))) {
    if (memory_ == nullptr) throw std::bad_alloc();
    std::memset(memory_, kCanary, kGuard);
    std::memset(memory_ + kGuard, kFill, sizeof(Record));
    std::memset(after(), kCanary, kGuard);
    STRELL_POISON(memory_, kGuard);
    STRELL_POISON(after(), kGuard);
  }
  ~Guarded() {
    STRELL_UNPOISON(memory_, kGuard);
    STRELL_UNPOISON(after(), kGuard);
    std::free(memory_);
  }
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;

  Record* get() { return reinterpret_cast<Record*>(memory_ + kGuard); }
  Record& operator*() { return *get(); }
  Record* operator->() { return get(); }

  // Both guard zones still hold the canary.
  bool Intact() {
    STRELL_UNPOISON(memory_, kGuard);
    STRELL_UNPOISON(after(), kGuard);
    bool intact = true;
    for (size_t i = 0; i < kGuard; ++i) {
      intact = intact && memory_[i] == kCanary && after()[i] == kCanary;
    }
    STRELL_POISON(memory_, kGuard);
    STRELL_POISON(after(), kGuard);
    return intact;
  }

  // The record still holds its start pattern in every byte.
  bool Untouched() {
    const unsigned char* bytes = memory_ + kGuard;
    for (size_t i = 0; i < sizeof(Record); ++i) {
      if (bytes[i] != kFill) return false;
    }
    return true;
  }

 private:
  unsigned char* after() { return memory_ + kGuard + sizeof(Record); }
  unsigned char* memory_;
};

// A text field the library wrote holds a NUL within its 256 bytes; one it
// did not write still holds the start pattern in every byte.
inline bool Terminated(const char (&field)[256]) {
  if (std::memchr(field, '\0', sizeof field) != nullptr) return true;
  for (char c : field) {
    if (static_cast<unsigned char>(c) != Guarded<int>::kFill) return false;
  }
  return true;
}

}  // namespace reliability

#endif  // STRELL_TESTS_RELIABILITY_GUARDED_RECORD_H_
