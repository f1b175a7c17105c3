// Allocation failure at every allocation point of Strell_Init, Strell_Parse (first load and
// reload) and a resolution: no exception escapes, nothing leaks, the context stays consistent
// (docs/reliability.md). Allocation n fails, or every one from n on. operator new/delete are
// replaced, and malloc too unless a sanitizer owns it; the in-memory host allocates nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "api/stream_url_hndl.h"
#include "reliability/answers.h"
#include "testing/memory_host.h"

namespace {

// After Arm(n, persistent), allocation n (from 0) fails, with `persistent` every later one too.
struct Countdown {
  bool armed, persistent, triggered;
  long seen, failAt, live;  // live: allocations made and not yet released
} g = {false, false, false, 0, 0, 0};

void Arm(long failAt, bool persistent) { g = {true, persistent, false, 0, failAt, g.live}; }
bool Refuse() {
  if (!g.armed) return false;
  const long number = g.seen++;
  const bool refused = number == g.failAt || (g.persistent && number > g.failAt);
  g.triggered = g.triggered || refused;
  return refused;
}
void* Counted(void* memory) {
  g.live += memory != nullptr;
  return memory;
}
void Released(const void* memory) { g.live -= memory != nullptr; }

}  // namespace

// A sanitizer that intercepts malloc must keep it: replacing it crashes before main.
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
void* malloc(size_t size) { return Refuse() ? nullptr : Counted(__libc_malloc(size)); }
void* calloc(size_t count, size_t size) {
  return Refuse() ? nullptr : Counted(__libc_calloc(count, size));
}
void* realloc(void* memory, size_t size) {
  if (memory == nullptr) return malloc(size);
  if (size == 0) Released(memory);
  if (size != 0 && Refuse()) return nullptr;
  return __libc_realloc(memory, size);
}
void free(void* memory) {
  Released(memory);
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

// Every form: a sanitizer's runtime defines each one itself.
namespace {
void* AllocateOrNull(std::size_t size) noexcept {
  return Refuse() ? nullptr : Counted(rawMalloc(size != 0 ? size : 1));
}
void* AllocateOrThrow(std::size_t size) {
  void* memory = AllocateOrNull(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}
void Release(void* memory) noexcept {
  Released(memory);
  rawFree(memory);
}
}  // namespace
void* operator new(size_t size) { return AllocateOrThrow(size); }
void* operator new[](size_t size) { return AllocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void operator delete(void* memory) noexcept { Release(memory); }
void operator delete[](void* memory) noexcept { Release(memory); }
void operator delete(void* memory, size_t) noexcept { Release(memory); }
void operator delete[](void* memory, size_t) noexcept { Release(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { Release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { Release(memory); }

namespace {

using reliability::Answers;
constexpr int kHandlers = 3;

// Configuration A or B in the in-memory host (allocates: call disarmed).
void Install(bool b) { testing_kit::TwoStateCamera(b).Install(); }

// The answers after a reload from `loaded` (A, or nothing) to B that changed only the first
// `count` handlers of the chain, as running out of memory in handler `count` leaves them.
Answers ExpectedAfter(bool loaded, int count) {
  testing_kit::Context context;
  Install(false);
  if (loaded) context.Parse();
  Install(true);
  if (count > 0) {
    std::vector<IUrlHandler*>& chain = context.handle()->context->handlers;
    IUrlHandler* rest = chain[count - 1]->next;
    chain[count - 1]->next = nullptr;
    chain[0]->Parse();
    chain[count - 1]->next = rest;
  }
  Answers answers;
  answers.Take(context.handle());
  return answers;
}

// Each test takes a mode: one allocation fails, or every one from there on.
class AllocationFailure : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    memory_host::SetQuiet(true);
    Strell_SetTraceHandler(nullptr, nullptr);  // dropped without allocating
  }
  void TearDown() override { memory_host::SetQuiet(false); }

  // Runs `call` with the countdown at n; false when an exception left it.
  template <typename Call>
  bool Armed(long n, Call call) {
    Arm(n, GetParam());
    try {
      call();
    } catch (...) {
      g.armed = false;
      return false;
    }
    g.armed = false;
    return true;
  }

  // Runs `life` with the countdown at 0, 1, ... until a run meets no failure: the point count.
  template <typename Life>
  long EveryPoint(Life life) {
    for (long n = 0;; ++n) {
      SCOPED_TRACE("allocation " + std::to_string(n));
      const long liveBefore = g.live;
      life(n);
      EXPECT_EQ(0, g.live - liveBefore) << "leaked";
      if (!g.triggered || testing::Test::HasFatalFailure()) return n;
    }
  }

  void CheckParse(bool loaded) {
    Answers expected[kHandlers + 1];
    for (int count = 0; count <= kHandlers; ++count) expected[count] = ExpectedAfter(loaded, count);
    const long points = EveryPoint([&](long n) {
      testing_kit::Context context;
      Install(false);
      if (loaded) context.Parse();
      Install(true);
      int code = -1;
      EXPECT_TRUE(Armed(n, [&] { code = context.Parse(); })) << "an exception escaped";
      Answers after, recovered;
      after.Take(context.handle());
      context.Parse();
      recovered.Take(context.handle());
      EXPECT_TRUE(expected[kHandlers] == recovered) << "no recovery";
      EXPECT_EQ(g.triggered ? STRELL_ERR_CONFIG_READ : STRELL_OK, code);
      // After a failure, the answers of a handler count short of all three (several counts may
      // match where two handlers' stores are the same under A and B).
      int matched = 0;
      while (matched <= kHandlers && !(after == expected[matched])) ++matched;
      EXPECT_TRUE(g.triggered ? matched < kHandlers : after == expected[kHandlers]);
    });
    EXPECT_GT(points, 0);
    std::printf("Strell_Parse (%s): %ld allocation points\n", loaded ? "reload" : "first load",
                points);
  }
};

TEST_P(AllocationFailure, InitLeavesANullHandleOrAWholeContext) {
  const Answers reference = ExpectedAfter(false, kHandlers);
  const long points = EveryPoint([&](long n) {
    StrellHandle handle = nullptr;
    int code = -1;
    EXPECT_TRUE(Armed(n, [&] { code = Strell_Init(&handle); })) << "an exception escaped";
    EXPECT_EQ(STRELL_OK, code);
    EXPECT_EQ(g.triggered, handle == nullptr);
    Answers answers;
    EXPECT_EQ(STRELL_OK, Strell_Parse(handle));  // a null handle too
    answers.Take(handle);
    EXPECT_TRUE(g.triggered || reference == answers);
    Strell_Release(&handle);
  });
  // The handle block (when malloc is covered), the context, the chain and three handlers.
  EXPECT_EQ(kCoversMalloc ? 6 : 5, points);
}

TEST_P(AllocationFailure, FirstParseKeepsEachHandlerEmptyOrWhole) { CheckParse(false); }

TEST_P(AllocationFailure, ReloadKeepsEachHandlerPreviousOrWhole) { CheckParse(true); }

TEST_P(AllocationFailure, ResolutionListsAndReleaseAllocateNothing) {
  StrellHandle handle = nullptr;
  Strell_Init(&handle);
  Install(false);
  Strell_Parse(handle);
  Answers reference, answers;
  reference.Take(handle);
  EXPECT_TRUE(Armed(0, [&] {
    answers.Take(handle);
    Strell_Release(&handle);
  }));
  EXPECT_EQ(0, g.seen);
  EXPECT_TRUE(reference == answers);
}

INSTANTIATE_TEST_SUITE_P(Modes, AllocationFailure, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& mode) {
                           return mode.param ? "FromOnePointOn" : "AtOnePoint";
                         });

}  // namespace
