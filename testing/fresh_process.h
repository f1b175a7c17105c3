// Runs a test's body in a fresh run of the test program, for what a process
// does once: the capability counts are read once per process, and the trace
// sink is the default one until a test directs it.
#ifndef STRELL_TESTING_FRESH_PROCESS_H_
#define STRELL_TESTING_FRESH_PROCESS_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace testing_kit {

// The program is started again and runs only the current test up to here,
// then `body`; a failure inside fails the test, with its messages shown.
inline void InFreshProcess(const std::function<void()>& body) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        body();
        std::fflush(stdout);
        const testing::TestResult* result =
            testing::UnitTest::GetInstance()->current_test_info()->result();
        for (int i = 0; i < result->total_part_count(); ++i) {
          const testing::TestPartResult& part = result->GetTestPartResult(i);
          if (part.failed()) {
            std::fprintf(stderr, "%s:%d: %s\n", part.file_name(), part.line_number(),
                         part.message());
          }
        }
        std::_Exit(testing::Test::HasFailure() ? 1 : 0);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace testing_kit

#endif  // STRELL_TESTING_FRESH_PROCESS_H_
