// Freshness: every change to a file is seen by the next read (after Settle()
// in watch mode), while unchanged files are parsed once.
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "host/host_fixture.h"

namespace {

using host_test::HostModesTest;
using host_test::ReadValue;
using host_test::ValueOf;
using strell_host::Freshness;

constexpr char kFile[] = "/etc/conf.d/config_videoin_c0.xml";
constexpr char kPort[] = "/root/videoin/c0/s0/multicast/port";

std::string PortDoc(int port) {
  return "<root><videoin><c0><s0><multicast><port>" + std::to_string(port) +
         "</port></multicast></s0></c0></videoin></root>";
}

class HostFreshness : public HostModesTest {};
INSTANTIATE_TEST_SUITE_P(Modes, HostFreshness,
                         testing::Values(Freshness::kStrict, Freshness::kWatch),
                         host_test::ModeName);

TEST_P(HostFreshness, SameSizeEditInPlaceIsSeenAtTheNextRead) {
  // Many edits in quick succession land within one tick of the kernel's
  // clock, where size, inode and timestamps all stay the same.
  for (int port = 5000; port < 5100; port += 2) {
    Put("config_videoin_c0.xml", PortDoc(port));
    Changed();
    ASSERT_EQ(std::to_string(port), ValueOf(kFile, kPort));
  }
}

TEST_P(HostFreshness, FileRenamedOverIsSeenAtTheNextRead) {
  for (int port = 5000; port < 5100; port += 2) {
    host_test::ReplaceFile(Path("config_videoin_c0.xml"), PortDoc(port));
    Changed();
    ASSERT_EQ(std::to_string(port), ValueOf(kFile, kPort));
  }
}

TEST_P(HostFreshness, DeletedFileFailsAndRecreatedFileIsRead) {
  EXPECT_EQ(strell_host::kReadNoFile, ReadValue(kFile, kPort).result);
  Put("config_videoin_c0.xml", PortDoc(5000));
  Changed();
  EXPECT_EQ("5000", ValueOf(kFile, kPort));
  ASSERT_EQ(0, unlink(Path("config_videoin_c0.xml").c_str()));
  Changed();
  EXPECT_EQ(strell_host::kReadNoFile, ReadValue(kFile, kPort).result);
  Put("config_videoin_c0.xml", PortDoc(5002));
  Changed();
  EXPECT_EQ("5002", ValueOf(kFile, kPort));
}

TEST_P(HostFreshness, HalfWrittenFileFailsAndTheCompletedFileIsRead) {
  Put("config_videoin_c0.xml", PortDoc(5000));
  EXPECT_EQ("5000", ValueOf(kFile, kPort));
  const std::string whole = PortDoc(5002);
  for (size_t cut : {size_t{0}, size_t{10}, whole.size() / 2, whole.size() - 1}) {
    Put("config_videoin_c0.xml", whole.substr(0, cut));
    Changed();
    const host_test::ReadOutcome outcome = ReadValue(kFile, kPort);
    EXPECT_EQ(strell_host::kReadMalformed, outcome.result) << cut;
    EXPECT_TRUE(outcome.untouched) << cut;
  }
  Put("config_videoin_c0.xml", whole);
  Changed();
  EXPECT_EQ("5002", ValueOf(kFile, kPort));
}

TEST_P(HostFreshness, SubdirectoryCreatedLaterIsSeen) {
  const char* file = "/etc/conf.d/config_onvif/config_onvif_metadata.xml";
  EXPECT_EQ(strell_host::kReadNoFile, ReadValue(file, "/root/v").result);
  host_test::MakeDir(Path("config_onvif"));
  Changed();
  EXPECT_EQ(strell_host::kReadNoFile, ReadValue(file, "/root/v").result);
  Put("config_onvif/config_onvif_metadata.xml", "<root><v>1</v></root>");
  Changed();
  EXPECT_EQ("1", ValueOf(file, "/root/v"));
  Put("config_onvif/config_onvif_metadata.xml", "<root><v>2</v></root>");
  Changed();
  EXPECT_EQ("2", ValueOf(file, "/root/v"));
}

TEST_P(HostFreshness, ReplacedSubdirectoryIsSeen) {
  const char* file = "/etc/conf.d/config_onvif/config_onvif_metadata.xml";
  host_test::MakeDir(Path("config_onvif"));
  Put("config_onvif/config_onvif_metadata.xml", "<root><v>old</v></root>");
  EXPECT_EQ("old", ValueOf(file, "/root/v"));
  host_test::MakeDir(Path("staged"));
  Put("staged/config_onvif_metadata.xml", "<root><v>new</v></root>");
  ASSERT_EQ(0, rename(Path("config_onvif").c_str(), Path("retired").c_str()));
  ASSERT_EQ(0, rename(Path("staged").c_str(), Path("config_onvif").c_str()));
  Changed();
  EXPECT_EQ("new", ValueOf(file, "/root/v"));
  Put("config_onvif/config_onvif_metadata.xml", "<root><v>newer</v></root>");
  Put("retired/config_onvif_metadata.xml", "<root><v>not this</v></root>");
  Changed();
  EXPECT_EQ("newer", ValueOf(file, "/root/v"));
}

TEST_P(HostFreshness, ChangedTargetOfASymbolicLinkIsSeen) {
  const char* file = "/etc/conf.d/config_videoin_c1.xml";
  Put("config_videoin_c0.xml", PortDoc(5000));
  ASSERT_EQ(0, symlink("config_videoin_c0.xml", Path("config_videoin_c1.xml").c_str()));
  EXPECT_EQ("5000", ValueOf(file, kPort));
  Put("config_videoin_c0.xml", PortDoc(5002));
  Changed();
  EXPECT_EQ("5002", ValueOf(file, kPort));
}

TEST_P(HostFreshness, UnchangedFileIsParsedOnce) {
  Put("config_videoin_c0.xml", PortDoc(5000));
  for (int i = 0; i < 100; ++i) ASSERT_EQ("5000", ValueOf(kFile, kPort));
  EXPECT_EQ(1u, strell_host::GetCounters().parses);
}

TEST_P(HostFreshness, RewriteWithTheSameBytesIsNotParsedAgain) {
  Put("config_videoin_c0.xml", PortDoc(5000));
  EXPECT_EQ("5000", ValueOf(kFile, kPort));
  for (int i = 0; i < 5; ++i) {
    host_test::ReplaceFile(Path("config_videoin_c0.xml"), PortDoc(5000));
    Put("config_videoin_c0.xml", PortDoc(5000));
    Changed();
    EXPECT_EQ("5000", ValueOf(kFile, kPort));
  }
  EXPECT_EQ(1u, strell_host::GetCounters().parses);
}

}  // namespace
