// Several library contexts in several threads read at once while files
// change and the cache is dropped: every read gives a whole value or a
// failure, never a mix. Run under ThreadSanitizer by the tsan preset.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "host/host_fixture.h"

namespace {

using host_test::HostModesTest;
using host_test::ReadValue;
using strell_host::Freshness;

// Two versions of different lengths: a read that mixed them could not be
// well-formed.
std::string Version(char letter, size_t length) {
  return "<root><a><v>" + std::string(length, letter) + "</v></a><pad>" +
         std::string(length * 3, letter) + "</pad></root>";
}

class HostThreads : public HostModesTest {
 protected:
  // Runs `readers` threads reading two files while `change` runs `rounds`
  // times in this thread; counts reads that were not one of the versions.
  template <typename Change>
  void Hammer(int readers, int rounds, bool mayFail, Change change) {
    const std::string shortText(40, 'a');
    const std::string longText(90, 'b');
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::atomic<long> reads{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < readers; ++t) {
      threads.emplace_back([&, t] {
        const char* file = t % 2 == 0 ? "/etc/conf.d/config_one.xml" : "/etc/conf.d/config_two.xml";
        while (!stop.load()) {
          const host_test::ReadOutcome outcome = ReadValue(file, "/root/a/v");
          const bool whole =
              outcome.result == 0 && (outcome.text == shortText || outcome.text == longText);
          const bool failed = outcome.result != 0 && outcome.untouched;
          if (!(whole || (mayFail && failed)) || !outcome.beyondUntouched) bad.fetch_add(1);
          reads.fetch_add(1);
        }
      });
    }
    for (int round = 0; round < rounds; ++round)
      change(round % 2 == 0 ? Version('b', 90) : Version('a', 40));
    stop.store(true);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, bad.load()) << "of " << reads.load() << " reads";
  }
};
INSTANTIATE_TEST_SUITE_P(Modes, HostThreads, testing::Values(Freshness::kStrict, Freshness::kWatch),
                         host_test::ModeName);

TEST_P(HostThreads, ReadsDuringRenameOverGiveOneVersionOrTheOther) {
  Put("config_one.xml", Version('a', 40));
  Put("config_two.xml", Version('a', 40));
  Hammer(4, 200, /*mayFail=*/false, [this](const std::string& text) {
    host_test::ReplaceFile(Path("config_one.xml"), text);
    host_test::ReplaceFile(Path("config_two.xml"), text);
  });
}

TEST_P(HostThreads, ReadsDuringInPlaceRewritesGiveAVersionOrAFailure) {
  Put("config_one.xml", Version('a', 40));
  Put("config_two.xml", Version('a', 40));
  Hammer(4, 200, /*mayFail=*/true, [this](const std::string& text) {
    Put("config_one.xml", text);
    Put("config_two.xml", text);
  });
}

TEST_P(HostThreads, ReadsWhileTheCacheIsDroppedAndTheModeChanges) {
  Put("config_one.xml", Version('a', 40));
  Put("config_two.xml", Version('b', 90));
  const Freshness mode = GetParam();
  const Freshness other = mode == Freshness::kStrict ? Freshness::kWatch : Freshness::kStrict;
  Hammer(4, 50, /*mayFail=*/false, [mode, other](const std::string&) {
    strell_host::DropCache();
    strell_host::Settle();
    strell_host::SetFreshness(other);
    strell_host::SetFreshness(mode);
    strell_host::GetCounters();
  });
}

}  // namespace
