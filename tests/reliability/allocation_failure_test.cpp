// Allocation failure at every allocation point of Strell_Init, Strell_Parse
// and a resolution: no exception reaches the caller, nothing leaks, and the
// context stays consistent.
//
// What the host sees:
//  - Strell_Init: returns 0 with the handle set to null; the null handle
//    answers as an empty context (Parse 0, every URL 8, lists unchanged) and
//    Strell_Release accepts it.
//  - Strell_Parse: returns 4. Each handler keeps either its previous store or
//    the new one whole: the handlers before the one that ran out of memory
//    hold the new configuration, that one and the handlers after it their
//    previous one. The next Strell_Parse that gets its memory loads
//    everything.
//  - Resolution and list queries allocate nothing, so they cannot fail.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "api/stream_url_hndl.h"
#include "reliability/failing_allocator.h"
#include "reliability/guarded_record.h"
#include "reliability/snapshot.h"
#include "reliability/table_host.h"

namespace {

using reliability::FileGroup;
using reliability::Snapshot;
using table_host::Column;

// Sends standard output to /dev/null while alive: thousands of reloads would
// drown the test log in trace lines. Allocates nothing.
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, STDOUT_FILENO);
      close(null);
    }
  }
  ~QuietStdout() {
    std::fflush(stdout);
    if (saved_ >= 0) {
      dup2(saved_, STDOUT_FILENO);
      close(saved_);
    }
  }
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

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

// Reloads only the first `count` handlers of the chain, as a reload that ran
// out of memory in handler `count` leaves them.
void ParseFirstHandlers(StrellHandle handle, int count) {
  if (count == 0) return;
  std::vector<IUrlHandler*>& chain = handle->context->handlers;
  IUrlHandler* rest = chain[count - 1]->next;
  chain[count - 1]->next = nullptr;
  chain[0]->Parse();
  chain[count - 1]->next = rest;
}

constexpr int kHandlers = 3;

class AllocationFailure : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    table_host::SetOverfill(false);
    table_host::SelectAll(Column::kA);
    // Standard output gets its buffer now, not inside a counted call.
    std::printf("allocation failure, %s\n", persistent() ? "from one point on" : "at one point");
    std::fflush(stdout);
  }
  bool persistent() const { return GetParam(); }

  // The answers after a reload from `loaded` (configuration A, or nothing)
  // to B that changed only the first `count` handlers.
  static void ExpectedAfter(bool loaded, int count, Snapshot& snapshot) {
    QuietStdout quiet;
    StrellHandle handle = nullptr;
    Strell_Init(&handle);
    table_host::SelectAll(Column::kA);
    if (loaded) Strell_Parse(handle);
    table_host::SelectAll(Column::kB);
    ParseFirstHandlers(handle, count);
    reliability::TakeSnapshot(handle, snapshot);
    Strell_Release(&handle);
  }

  void CheckParse(bool loaded);
};

TEST_P(AllocationFailure, InitLeavesANullHandleThatAnswersAsAnEmptyContext) {
  Snapshot reference;
  ExpectedAfter(false, kHandlers, reference);
  table_host::SelectAll(Column::kB);
  long points = 0;
  for (long n = 0;; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n));
    const long liveBefore = failing_allocator::Live();
    StrellHandle handle = nullptr;
    int code = -1;
    failing_allocator::Arm(n, persistent());
    const bool escaped = Escapes([&] { code = Strell_Init(&handle); });
    failing_allocator::Disarm();
    const bool triggered = failing_allocator::Triggered();
    EXPECT_FALSE(escaped);
    EXPECT_EQ(STRELL_OK, code);
    if (!triggered) {
      ASSERT_NE(nullptr, handle);
      Snapshot answers;
      {
        QuietStdout quiet;
        EXPECT_EQ(STRELL_OK, Strell_Parse(handle));
        reliability::TakeSnapshot(handle, answers);
      }
      EXPECT_TRUE(reliability::SameSnapshot(reference, answers));
      Strell_Release(&handle);
      EXPECT_EQ(0, failing_allocator::Live() - liveBefore) << "leaked";
      points = n;
      break;
    }
    EXPECT_EQ(nullptr, handle);
    EXPECT_EQ(0, failing_allocator::Live() - liveBefore) << "leaked";
    // The null handle is an empty context.
    EXPECT_EQ(STRELL_OK, Strell_Parse(handle));
    reliability::Guarded<TProfileInfo> info;
    EXPECT_EQ(STRELL_ERR_NOT_FOUND,
              Strell_GetProfileInfoByStreamUrl(handle, "live1.sdp", info.get()));
    EXPECT_TRUE(info.Untouched());
    reliability::Guarded<TProfileList> list;
    EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(handle, 0, 0, list.get()));
    EXPECT_EQ(STRELL_OK, Strell_GetProfileListByAudioStream(handle, 0, 0, list.get()));
    EXPECT_TRUE(list.Untouched());
    EXPECT_EQ(STRELL_OK, Strell_Release(&handle));
  }
  // The handle block (when malloc is covered), the context, the chain's
  // storage and the three handlers.
  EXPECT_EQ(failing_allocator::CoversMalloc() ? 6 : 5, points);
  std::printf("Strell_Init: %ld allocation points\n", points);
}

void AllocationFailure::CheckParse(bool loaded) {
  Snapshot expected[kHandlers + 1];
  for (int count = 0; count <= kHandlers; ++count) ExpectedAfter(loaded, count, expected[count]);
  long points = 0;
  for (long n = 0;; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n));
    table_host::SelectAll(Column::kA);
    const long liveBefore = failing_allocator::Live();
    StrellHandle handle = nullptr;
    Strell_Init(&handle);
    ASSERT_NE(nullptr, handle);
    int code = -1;
    bool escaped = false;
    bool triggered = false;
    Snapshot after;
    Snapshot recovered;
    {
      QuietStdout quiet;
      if (loaded) Strell_Parse(handle);
      table_host::SelectAll(Column::kB);
      failing_allocator::Arm(n, persistent());
      escaped = Escapes([&] { code = Strell_Parse(handle); });
      failing_allocator::Disarm();
      triggered = failing_allocator::Triggered();
      reliability::TakeSnapshot(handle, after);
      Strell_Parse(handle);
      reliability::TakeSnapshot(handle, recovered);
      Strell_Release(&handle);
    }
    const long leaked = failing_allocator::Live() - liveBefore;
    // The first match: where two handlers' stores are the same under A and
    // B, several counts give the same answers.
    int matched = -1;
    for (int count = kHandlers; count >= 0; --count) {
      if (reliability::SameSnapshot(after, expected[count])) matched = count;
    }
    EXPECT_FALSE(escaped);
    EXPECT_EQ(0, leaked) << "leaked";
    EXPECT_TRUE(reliability::SameSnapshot(expected[kHandlers], recovered)) << "no recovery";
    if (!triggered) {
      EXPECT_EQ(STRELL_OK, code);
      EXPECT_TRUE(reliability::SameSnapshot(expected[kHandlers], after));
      points = n;
      break;
    }
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, code);
    EXPECT_GE(matched, 0) << "the answers mix the handlers' configurations";
    EXPECT_LT(matched, kHandlers);
  }
  EXPECT_GT(points, 0);
  std::printf("Strell_Parse (%s): %ld allocation points\n", loaded ? "reload" : "first load",
              points);
}

TEST_P(AllocationFailure, FirstParseKeepsEachHandlerEmptyOrWhole) { CheckParse(false); }

TEST_P(AllocationFailure, ReloadKeepsEachHandlerPreviousOrWhole) { CheckParse(true); }

TEST_P(AllocationFailure, ResolutionAndListsAllocateNothing) {
  StrellHandle handle = nullptr;
  Strell_Init(&handle);
  Snapshot reference;
  Snapshot answers;
  long seen = 0;
  {
    QuietStdout quiet;
    Strell_Parse(handle);
    reliability::TakeSnapshot(handle, reference);
    failing_allocator::Arm(0, persistent());
    const bool escaped = Escapes([&] { reliability::TakeSnapshot(handle, answers); });
    seen = failing_allocator::Disarm();
    EXPECT_FALSE(escaped);
  }
  EXPECT_EQ(0, seen);
  EXPECT_TRUE(reliability::SameSnapshot(reference, answers));
  failing_allocator::Arm(0, persistent());
  Strell_Release(&handle);
  EXPECT_EQ(0, failing_allocator::Disarm()) << "Strell_Release allocates";
}

INSTANTIATE_TEST_SUITE_P(Modes, AllocationFailure, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& mode) {
                           return mode.param ? "FromOnePointOn" : "AtOnePoint";
                         });

// A host that ignores the contract and fills every byte of each buffer, NUL
// included: every text the library keeps is cut at 255 characters, and no
// record is written past its end.
TEST(HostileHost, OverfilledBuffersAreCutAt255Characters) {
  table_host::SetOverfill(true);
  StrellHandle handle = nullptr;
  Strell_Init(&handle);
  const std::string name(255, 'x');
  struct Row {
    std::string url;
    int key;
  } const rows[] = {{"media/stream.sdp?profile=" + name, 222},
                    {name, 111},
                    {"media2/stream.sdp?profile=" + name, 333}};
  QuietStdout quiet;
  ASSERT_EQ(STRELL_OK, Strell_Parse(handle));
  for (const Row& row : rows) {
    reliability::Guarded<TProfileInfo> info;
    EXPECT_EQ(STRELL_OK, Strell_GetProfileInfoByStreamUrl(handle, row.url.c_str(), info.get()));
    EXPECT_EQ(row.key, info->profileKey);
    EXPECT_EQ(name, std::string(info->profileName));
    EXPECT_TRUE(info.Intact());
    reliability::Guarded<TProfileList> list;
    list->profileCount = 0;
    Strell_GetProfileListByVideoStream(handle, 0, 0, list.get());
    Strell_GetProfileListByAudioStream(handle, 0, 0, list.get());
    EXPECT_TRUE(list.Intact());
  }
  reliability::Guarded<TProfileInfo> longer;
  EXPECT_EQ(STRELL_ERR_NOT_FOUND,
            Strell_GetProfileInfoByStreamUrl(handle, (name + "x").c_str(), longer.get()));
  Strell_Release(&handle);
  table_host::SetOverfill(false);
}

}  // namespace
