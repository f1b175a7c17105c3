// Allocation failure at every allocation point of Strell_Init, Strell_Parse
// (first load and reload) and a resolution: no exception reaches the caller,
// nothing leaks, and the context stays consistent (docs/reliability.md says
// what the host sees at each point).
//
// A countdown makes allocation number n fail, or every allocation from n on,
// the way pugixml's tests inject allocation failure. It replaces the global
// operator new and delete (every form) and, in builds without a sanitizer
// that owns malloc (AddressSanitizer, ThreadSanitizer, however the flags were
// given), malloc, calloc, realloc and free, so the library's malloc of its
// handle block fails too. The host reads the table of reliability_config.h and never
// allocates, so the countdown meets only the library's allocations.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "api/stream_url_hndl.h"
#include "reliability/reliability_support.h"

namespace {

using namespace reliability;

std::atomic<bool> g_armed{false};
std::atomic<bool> g_persistent{false};
std::atomic<bool> g_triggered{false};
std::atomic<long> g_seen{0};
std::atomic<long> g_failAt{0};
std::atomic<long> g_live{0};  // allocations made and not yet released

// Counts allocations from now on; number `failAt` (from 0) fails, and with
// `persistent` every later one too.
void Arm(long failAt, bool persistent) {
  g_seen = 0;
  g_failAt = failAt;
  g_persistent = persistent;
  g_triggered = false;
  g_armed = true;
}
// Stops counting; returns the number of allocations made or refused.
long Disarm() {
  g_armed = false;
  return g_seen.load();
}

bool refuse() {
  if (!g_armed.load(std::memory_order_relaxed)) return false;
  const long number = g_seen.fetch_add(1);
  const bool refused = number == g_failAt || (g_persistent && number > g_failAt);
  if (refused) g_triggered = true;
  return refused;
}
void* counted(void* memory) {
  if (memory != nullptr) ++g_live;
  return memory;
}
void released(const void* memory) {
  if (memory != nullptr) --g_live;
}

}  // namespace

// A sanitizer that intercepts malloc must keep it: replacing it under one
// crashes before main. Compilers say so in the preprocessor.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define STRELL_MALLOC_OWNED_BY_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define STRELL_MALLOC_OWNED_BY_SANITIZER 1
#endif
#endif

#ifndef STRELL_MALLOC_OWNED_BY_SANITIZER
constexpr bool kCoversMalloc = true;
// glibc's allocator under its own names; the replacements forward to it.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* memory, size_t size);
void __libc_free(void* memory);
void* malloc(size_t size) { return refuse() ? nullptr : counted(__libc_malloc(size)); }
void* calloc(size_t count, size_t size) {
  return refuse() ? nullptr : counted(__libc_calloc(count, size));
}
void* realloc(void* memory, size_t size) {
  if (memory == nullptr) return malloc(size);
  if (size == 0) released(memory);
  if (size != 0 && refuse()) return nullptr;
  return __libc_realloc(memory, size);
}
void free(void* memory) {
  released(memory);
  __libc_free(memory);
}
}  // extern "C"
void* (*const rawMalloc)(size_t) = __libc_malloc;
void (*const rawFree)(void*) = __libc_free;
#else
constexpr bool kCoversMalloc = false;
void* (*const rawMalloc)(size_t) = std::malloc;
void (*const rawFree)(void*) = std::free;
#endif

namespace {
void* allocateOrNull(std::size_t size) noexcept {
  return refuse() ? nullptr : counted(rawMalloc(size != 0 ? size : 1));
}
void* allocateOrThrow(std::size_t size) {
  void* memory = allocateOrNull(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}
void release(void* memory) noexcept {
  released(memory);
  rawFree(memory);
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
void operator delete(void* memory) noexcept { release(memory); }
void operator delete[](void* memory) noexcept { release(memory); }
void operator delete(void* memory, std::size_t) noexcept { release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { release(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { release(memory); }

// The host: every file reads column A or B of the table (`g_b`), or, with
// `g_overfill`, every read fills all 256 bytes without a NUL, a parameter
// read ignoring its `size` too: a host that breaks the contract.
namespace {
bool g_b = false;
bool g_overfill = false;
}  // namespace

extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  if (g_overfill) {
    std::memset(value, 'x', 256);
    return 0;
  }
  for (const ConfigValue& entry : kValues) {
    if (std::strcmp(kFiles[entry.file].path, filePath) != 0 ||
        std::strcmp(entry.key, keyPath) != 0) {
      continue;
    }
    const char* text = ValueOf(entry, g_b);
    std::memcpy(value, text, strnlen(text, 255));
    value[strnlen(text, 255)] = '\0';
    return 0;
  }
  return 1;
}

extern "C" int Configer_GetParamValueByXPath(const char* name, char* value, int size) {
  if (g_overfill) {
    std::memset(value, '7', 256);  // the library's buffer holds 256 bytes
    return 0;
  }
  for (const Parameter& parameter : kParameters) {
    if (std::strcmp(parameter.name, name) != 0 || size <= 0) continue;
    const size_t length = strnlen(parameter.value, static_cast<size_t>(size - 1));
    std::memcpy(value, parameter.value, length);
    value[length] = '\0';
    return 0;
  }
  return 1;
}

namespace {

// Sends standard output to /dev/null while alive: thousands of reloads would
// drown the test log in trace lines. Allocates nothing.
class QuietStdout {
 public:
  QuietStdout() : saved_((std::fflush(stdout), dup(STDOUT_FILENO))) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

// Runs `call`; true when an exception left it.
template <typename Call>
bool Escapes(Call call) {
  try {
    call();
    return false;
  } catch (...) {
    return true;
  }
}

constexpr int kHandlers = 3;

// The answers after a reload from `loaded` (configuration A, or nothing) to
// B that changed only the first `count` handlers of the chain, as a reload
// that ran out of memory in handler `count` leaves them.
void ExpectedAfter(bool loaded, int count, Snapshot& snapshot) {
  QuietStdout quiet;
  StrellHandle handle = nullptr;
  Strell_Init(&handle);
  g_b = false;
  if (loaded) Strell_Parse(handle);
  g_b = true;
  if (count > 0) {
    std::vector<IUrlHandler*>& chain = handle->context->handlers;
    IUrlHandler* rest = chain[count - 1]->next;
    chain[count - 1]->next = nullptr;
    chain[0]->Parse();
    chain[count - 1]->next = rest;
  }
  TakeSnapshot(handle, snapshot);
  Strell_Release(&handle);
}

// Each test takes a mode: one allocation fails, or every one from there on.
class AllocationFailure : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    g_overfill = false;
    g_b = false;
    // Standard output gets its buffer now, not inside a counted call.
    std::printf("allocation failure, %s\n", GetParam() ? "from one point on" : "at one point");
    std::fflush(stdout);
  }

  // Runs `life` with the countdown at 0, 1, ... until a run meets no failure;
  // returns that run's number, the count of allocation points.
  template <typename Life>
  long EveryPoint(Life life) {
    for (long n = 0;; ++n) {
      SCOPED_TRACE("allocation " + std::to_string(n));
      const long liveBefore = g_live;
      const bool done = life(n);
      EXPECT_EQ(0, g_live - liveBefore) << "leaked";
      if (done || testing::Test::HasFatalFailure()) return n;
    }
  }

  void CheckParse(bool loaded) {
    Snapshot expected[kHandlers + 1];
    for (int count = 0; count <= kHandlers; ++count) ExpectedAfter(loaded, count, expected[count]);
    const long points = EveryPoint([&](long n) {
      g_b = false;
      StrellHandle handle = nullptr;
      Strell_Init(&handle);
      int code = -1;
      bool escaped = false;
      Snapshot after, recovered;
      {
        QuietStdout quiet;
        if (loaded) Strell_Parse(handle);
        g_b = true;
        Arm(n, GetParam());
        escaped = Escapes([&] { code = Strell_Parse(handle); });
        Disarm();
        TakeSnapshot(handle, after);
        Strell_Parse(handle);
        TakeSnapshot(handle, recovered);
        Strell_Release(&handle);
      }
      EXPECT_FALSE(escaped);
      EXPECT_TRUE(SameSnapshot(expected[kHandlers], recovered)) << "no recovery";
      if (!g_triggered) {
        EXPECT_EQ(STRELL_OK, code);
        EXPECT_TRUE(SameSnapshot(expected[kHandlers], after));
        return true;
      }
      EXPECT_EQ(STRELL_ERR_CONFIG_READ, code);
      // The first handler count that gives these answers (several do where
      // two handlers' stores are the same under A and B).
      int matched = 0;
      while (matched <= kHandlers && !SameSnapshot(after, expected[matched])) ++matched;
      EXPECT_LT(matched, kHandlers) << "the answers mix the handlers' configurations";
      return false;
    });
    EXPECT_GT(points, 0);
    std::printf("Strell_Parse (%s): %ld allocation points\n", loaded ? "reload" : "first load",
                points);
  }
};

TEST_P(AllocationFailure, InitLeavesANullHandleOrAWholeContext) {
  Snapshot reference;
  ExpectedAfter(false, kHandlers, reference);
  const long points = EveryPoint([&](long n) {
    StrellHandle handle = nullptr;
    int code = -1;
    Arm(n, GetParam());
    EXPECT_FALSE(Escapes([&] { code = Strell_Init(&handle); }));
    Disarm();
    EXPECT_EQ(STRELL_OK, code);
    if (g_triggered) {
      EXPECT_EQ(nullptr, handle);
      return false;
    }
    EXPECT_NE(nullptr, handle);
    Snapshot answers;
    {
      QuietStdout quiet;
      EXPECT_EQ(STRELL_OK, Strell_Parse(handle));
      TakeSnapshot(handle, answers);
    }
    EXPECT_TRUE(SameSnapshot(reference, answers));
    Strell_Release(&handle);
    return true;
  });
  // The handle block (when malloc is covered), the context, the chain's
  // storage and the three handlers.
  EXPECT_EQ(kCoversMalloc ? 6 : 5, points);
  std::printf("Strell_Init: %ld allocation points\n", points);
}

TEST_P(AllocationFailure, FirstParseKeepsEachHandlerEmptyOrWhole) { CheckParse(false); }

TEST_P(AllocationFailure, ReloadKeepsEachHandlerPreviousOrWhole) { CheckParse(true); }

TEST_P(AllocationFailure, ResolutionAndListsAllocateNothing) {
  StrellHandle handle = nullptr;
  Strell_Init(&handle);
  Snapshot reference, answers;
  {
    QuietStdout quiet;
    Strell_Parse(handle);
    TakeSnapshot(handle, reference);
    Arm(0, GetParam());
    EXPECT_FALSE(Escapes([&] { TakeSnapshot(handle, answers); }));
    EXPECT_EQ(0, Disarm());
  }
  EXPECT_TRUE(SameSnapshot(reference, answers));
  Arm(0, GetParam());
  Strell_Release(&handle);
  EXPECT_EQ(0, Disarm()) << "Strell_Release allocates";
}

INSTANTIATE_TEST_SUITE_P(Modes, AllocationFailure, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& mode) {
                           return mode.param ? "FromOnePointOn" : "AtOnePoint";
                         });

// A host that ignores the contract and fills every byte of each buffer, NUL
// included: every text the library keeps is cut at 255 characters, and no
// record is written past its end.
TEST(HostileHost, OverfilledBuffersAreCutAt255Characters) {
  g_overfill = true;
  StrellHandle handle = nullptr;
  Strell_Init(&handle);
  const std::string name(255, 'x');
  const std::pair<std::string, int> rows[] = {{"media/stream.sdp?profile=" + name, 222},
                                              {name, 111},
                                              {"media2/stream.sdp?profile=" + name, 333}};
  QuietStdout quiet;
  ASSERT_EQ(STRELL_OK, Strell_Parse(handle));
  for (const auto& row : rows) {
    Guarded<TProfileInfo> info;
    EXPECT_EQ(STRELL_OK, Strell_GetProfileInfoByStreamUrl(handle, row.first.c_str(), info.get()));
    EXPECT_EQ(row.second, info->profileKey);
    EXPECT_EQ(name, std::string(info->profileName));
    EXPECT_TRUE(info.Intact());
    Guarded<TProfileList> list;
    list->profileCount = 0;
    Strell_GetProfileListByVideoStream(handle, 0, 0, list.get());
    Strell_GetProfileListByAudioStream(handle, 0, 0, list.get());
    EXPECT_TRUE(list.Intact());
  }
  Guarded<TProfileInfo> longer;
  EXPECT_EQ(STRELL_ERR_NOT_FOUND,
            Strell_GetProfileInfoByStreamUrl(handle, (name + "x").c_str(), longer.get()));
  Strell_Release(&handle);
  g_overfill = false;
}

}  // namespace
