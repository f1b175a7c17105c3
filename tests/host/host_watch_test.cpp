// What each freshness mode costs: strict checks the file at every read,
// watch makes no system call until an event arrives.
#include <unistd.h>

#include <string>

#include "host/host_fixture.h"

namespace {

using host_test::HostTest;
using host_test::ReadValue;
using host_test::ValueOf;
using strell_host::Freshness;

constexpr char kFile[] = "/etc/conf.d/config_a.xml";

class HostCost : public HostTest {};

TEST_F(HostCost, StrictModeChecksTheFileAtEveryRead) {
  Put("config_a.xml", "<root><v>1</v></root>");
  ValueOf(kFile, "/root/v");  // loads: nothing to check yet
  strell_host::ResetCounters();
  for (int i = 0; i < 20; ++i) ValueOf(kFile, "/root/v");
  EXPECT_EQ(20u, strell_host::GetFileChecks());
}

TEST_F(HostCost, WatchModeReadsMakeNoFileCheckUntilAChange) {
  Use(Freshness::kWatch);
  Put("config_a.xml", "<root><v>1</v></root>");
  EXPECT_EQ("1", ValueOf(kFile, "/root/v"));
  strell_host::Settle();  // the write's own events arrive after the first read
  EXPECT_EQ("1", ValueOf(kFile, "/root/v"));
  strell_host::ResetCounters();
  for (int i = 0; i < 20; ++i) EXPECT_EQ("1", ValueOf(kFile, "/root/v"));
  EXPECT_EQ(0u, strell_host::GetFileChecks());
  EXPECT_EQ(0u, strell_host::GetCounters().parses);

  Put("config_a.xml", "<root><v>2</v></root>");
  strell_host::Settle();
  EXPECT_EQ("2", ValueOf(kFile, "/root/v"));
  EXPECT_EQ(1u, strell_host::GetCounters().parses);
}

TEST_F(HostCost, WatchModeChecksLinkedFilesByStat) {
  Use(Freshness::kWatch);
  Put("config_real.xml", "<root><v>1</v></root>");
  ASSERT_EQ(0, symlink("config_real.xml", Path("config_a.xml").c_str()));
  ASSERT_EQ(0, link(Path("config_real.xml").c_str(), Path("config_hard.xml").c_str()));
  for (const char* file : {kFile, "/etc/conf.d/config_hard.xml"}) {
    EXPECT_EQ("1", ValueOf(file, "/root/v"));
    strell_host::ResetCounters();
    EXPECT_EQ("1", ValueOf(file, "/root/v"));
    EXPECT_EQ(1u, strell_host::GetFileChecks()) << file;
  }
}

TEST_F(HostCost, WatchModeStartsWatchingARootCreatedLater) {
  Use(Freshness::kWatch);
  strell_host::SetRoot(root_ / "late");
  EXPECT_EQ(strell_host::kReadNoFile, ReadValue(kFile, "/root/v").result);
  host_test::MakeDir(root_ / "late");
  Put("late/config_a.xml", "<root><v>1</v></root>");
  // Until the root exists nothing can be watched, so the file is checked
  // by stat() and seen without Settle().
  EXPECT_EQ("1", ValueOf(kFile, "/root/v"));
  strell_host::Settle();
  EXPECT_EQ("1", ValueOf(kFile, "/root/v"));
  strell_host::ResetCounters();
  EXPECT_EQ("1", ValueOf(kFile, "/root/v"));
  EXPECT_EQ(0u, strell_host::GetFileChecks());
  Put("late/config_a.xml", "<root><v>2</v></root>");
  strell_host::Settle();
  EXPECT_EQ("2", ValueOf(kFile, "/root/v"));
}

TEST_F(HostCost, FreshnessComesBackAsSet) {
  Use(Freshness::kWatch);
  EXPECT_EQ(Freshness::kWatch, strell_host::GetFreshness());
  strell_host::Settle();
  Use(Freshness::kStrict);
  EXPECT_EQ(Freshness::kStrict, strell_host::GetFreshness());
  strell_host::Settle();  // nothing to do, returns at once
}

}  // namespace
