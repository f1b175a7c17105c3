// The configuration root: how library paths map into it, which paths are
// refused, and what each kind of broken file gives.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "host/host_fixture.h"

namespace {

using host_test::HostTest;
using host_test::ReadValue;
using host_test::TempDir;
using host_test::ValueOf;
using host_test::WriteInPlace;

constexpr char kDoc[] = "<root><v>inside</v></root>";

class HostRoot : public HostTest {};

TEST_F(HostRoot, MapsTheLibraryDirectoryToTheRoot) {
  EXPECT_EQ(root_.path(), strell_host::Root());
  EXPECT_EQ(root_ / "config_a.xml", strell_host::MapPath("/etc/conf.d/config_a.xml"));
  EXPECT_EQ(root_ / "config_onvif/b.xml",
            strell_host::MapPath("/etc/conf.d//config_onvif/./b.xml"));
  EXPECT_EQ("", strell_host::MapPath("/etc/conf.d/../shadow"));
  EXPECT_EQ("", strell_host::MapPath("/etc/passwd"));

  Put("config_a.xml", kDoc);
  EXPECT_EQ("inside", ValueOf("/etc/conf.d/config_a.xml", "/root/v"));
  EXPECT_EQ("inside", ValueOf("/etc/conf.d/./config_a.xml", "/root/v"));
}

TEST_F(HostRoot, SetRootNormalisesItsText) {
  strell_host::SetRoot(root_.path() + "///");
  EXPECT_EQ(root_.path(), strell_host::Root());
  strell_host::SetRoot("");
  EXPECT_EQ("/etc/conf.d", strell_host::Root());
  strell_host::SetRoot("/");
  EXPECT_EQ("/", strell_host::Root());
  EXPECT_EQ("/config_a.xml", strell_host::MapPath("/etc/conf.d/config_a.xml"));
}

TEST_F(HostRoot, RefusesPathsThatLeaveTheRoot) {
  // A file beside the root that an escaping path would reach.
  TempDir outside;
  WriteInPlace(outside / "secret.xml", kDoc);
  host_test::MakeDir(outside / "dir");
  WriteInPlace(outside / "dir/secret.xml", kDoc);
  ASSERT_EQ(0, symlink((outside / "secret.xml").c_str(), Path("file_link.xml").c_str()));
  ASSERT_EQ(0, symlink((outside / "dir").c_str(), Path("dir_link").c_str()));
  const std::string dotted =
      "/etc/conf.d/../" + outside.path().substr(outside.path().rfind('/') + 1) + "/secret.xml";

  struct Case {
    std::string path;
  } const cases[] = {
      {dotted},
      {"/etc/conf.d/file_link.xml"},
      {"/etc/conf.d/dir_link/secret.xml"},
      {outside / "secret.xml"},  // an absolute path not under /etc/conf.d/
      {"/etc/conf.d"},
  };
  for (const Case& c : cases) {
    const host_test::ReadOutcome outcome = ReadValue(c.path.c_str(), "/root/v");
    EXPECT_EQ(strell_host::kReadRefused, outcome.result) << c.path;
    EXPECT_TRUE(outcome.untouched) << c.path;
  }
}

TEST_F(HostRoot, FollowsSymbolicLinksThatStayInside) {
  Put("config_real.xml", kDoc);
  host_test::MakeDir(Path("config_onvif"));
  ASSERT_EQ(0, symlink("config_real.xml", Path("config_alias.xml").c_str()));
  ASSERT_EQ(0, symlink("../config_real.xml", Path("config_onvif/up.xml").c_str()));
  EXPECT_EQ("inside", ValueOf("/etc/conf.d/config_alias.xml", "/root/v"));
  EXPECT_EQ("inside", ValueOf("/etc/conf.d/config_onvif/up.xml", "/root/v"));
}

TEST_F(HostRoot, RootItselfMayBeASymbolicLink) {
  TempDir holder;
  const std::string link = holder / "conf.d";
  ASSERT_EQ(0, symlink(root_.path().c_str(), link.c_str()));
  strell_host::SetRoot(link);
  Put("config_a.xml", kDoc);
  EXPECT_EQ("inside", ValueOf("/etc/conf.d/config_a.xml", "/root/v"));
}

TEST_F(HostRoot, SetRootForgetsTheDocumentsOfTheOldRoot) {
  TempDir other;
  Put("config_a.xml", kDoc);
  WriteInPlace(other / "config_a.xml", "<root><v>other</v></root>");
  EXPECT_EQ("inside", ValueOf("/etc/conf.d/config_a.xml", "/root/v"));
  strell_host::SetRoot(other.path());
  EXPECT_EQ("other", ValueOf("/etc/conf.d/config_a.xml", "/root/v"));
  strell_host::SetRoot(root_.path());
  EXPECT_EQ("inside", ValueOf("/etc/conf.d/config_a.xml", "/root/v"));
}

TEST_F(HostRoot, MissingRootGivesNoFile) {
  strell_host::SetRoot(root_ / "absent");
  EXPECT_EQ(strell_host::kReadNoFile, ReadValue("/etc/conf.d/config_a.xml", "/root/v").result);
}

class HostFiles : public HostTest {};

TEST_F(HostFiles, EveryBrokenFileGivesItsFailureWithoutWriting) {
  Put("config_truncated.xml", "<root><v>inside</v>");
  Put("config_cut.xml", "<root><v>ins");
  Put("config_empty.xml", "");
  Put("config_text.xml", "not xml at all");
  Put("config_mismatch.xml", "<root><v>inside</w></root>");
  host_test::MakeDir(Path("config_dir.xml"));
  ASSERT_EQ(0, mkfifo(Path("config_fifo.xml").c_str(), 0644));
  ASSERT_EQ(0, symlink("config_nowhere.xml", Path("config_dangling.xml").c_str()));

  struct Case {
    const char* file;
    int result;
  } const cases[] = {
      {"/etc/conf.d/config_absent.xml", strell_host::kReadNoFile},
      {"/etc/conf.d/config_sub/config_absent.xml", strell_host::kReadNoFile},
      {"/etc/conf.d/config_dangling.xml", strell_host::kReadNoFile},
      {"/etc/conf.d/config_truncated.xml", strell_host::kReadMalformed},
      {"/etc/conf.d/config_cut.xml", strell_host::kReadMalformed},
      {"/etc/conf.d/config_empty.xml", strell_host::kReadMalformed},
      {"/etc/conf.d/config_text.xml", strell_host::kReadMalformed},
      {"/etc/conf.d/config_mismatch.xml", strell_host::kReadMalformed},
      {"/etc/conf.d/config_dir.xml", strell_host::kReadUnreadable},
      {"/etc/conf.d/config_fifo.xml", strell_host::kReadUnreadable},  // and does not block
  };
  for (int round = 0; round < 2; ++round) {  // the second round answers from the cache
    for (const Case& c : cases) {
      const host_test::ReadOutcome outcome = ReadValue(c.file, "/root/v");
      EXPECT_EQ(c.result, outcome.result) << c.file;
      EXPECT_TRUE(outcome.untouched) << c.file;
    }
  }
}

TEST_F(HostFiles, ReadsEveryValueOfADocumentFromOneParse) {
  Put("config_a.xml", "<root><a>1</a><b>2</b><c>3</c></root>");
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ("1", ValueOf("/etc/conf.d/config_a.xml", "/root/a"));
    EXPECT_EQ("3", ValueOf("/etc/conf.d/config_a.xml", "/root/c"));
    EXPECT_EQ(strell_host::kReadNoElement, ReadValue("/etc/conf.d/config_a.xml", "/root/d").result);
  }
  const strell_host::Counters counters = strell_host::GetCounters();
  EXPECT_EQ(1u, counters.parses);
  EXPECT_EQ(150u, counters.xmlReads);
  EXPECT_EQ(0u, counters.paramReads);
}

TEST_F(HostFiles, DropCacheParsesAgainAndResetCountersStartsFromZero) {
  Put("config_a.xml", kDoc);
  ValueOf("/etc/conf.d/config_a.xml", "/root/v");
  strell_host::DropCache();
  ValueOf("/etc/conf.d/config_a.xml", "/root/v");
  EXPECT_EQ(2u, strell_host::GetCounters().parses);
  strell_host::ResetCounters();
  const strell_host::Counters counters = strell_host::GetCounters();
  EXPECT_EQ(0u, counters.parses + counters.xmlReads + counters.paramReads);
  EXPECT_EQ(0u, strell_host::GetFileChecks());
}

}  // namespace
