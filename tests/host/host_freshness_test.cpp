// Freshness: every change to a file is seen by the next read (after Settle()
// in watch mode), unchanged files are parsed once, concurrent reads never see
// a mix of versions, and watch mode makes no system call for a read until a
// change.
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "host/host_fixture.h"

namespace {

using host_test::Error;
using host_test::ValueOf;
using strell_host::Freshness;

constexpr char kFile[] = "/etc/conf.d/config_videoin_c0.xml";
constexpr char kPort[] = "/root/videoin/c0/s0/multicast/port";

std::string PortDoc(int port) {
  return "<root><videoin><c0><s0><multicast><port>" + std::to_string(port) +
         "</port></multicast></s0></c0></videoin></root>";
}

class HostFreshness : public host_test::HostModesTest {};
INSTANTIATE_TEST_SUITE_P(Modes, HostFreshness,
                         testing::Values(Freshness::kStrict, Freshness::kWatch),
                         host_test::ModeName);

TEST_P(HostFreshness, EditInPlaceOrRenameOverIsSeenAtTheNextRead) {
  // Many edits in quick succession land within one tick of the kernel's
  // clock, where size, inode and timestamps all stay the same.
  for (int port = 5000; port < 5200; port += 2) {
    if (port < 5100) {
      Put("config_videoin_c0.xml", PortDoc(port));
    } else {
      host_test::ReplaceFile(Path("config_videoin_c0.xml"), PortDoc(port));
    }
    Changed();
    ASSERT_EQ(std::to_string(port), ValueOf(kFile, kPort));
  }
}

TEST_P(HostFreshness, EachProblemIsReportedOncePerVersionOfItsFile) {
  std::vector<std::string> seen;
  strell_host::SetDiagnosticHandler([&seen](const strell_host::Diagnostic& d) {
    seen.push_back(std::to_string(d.kind) + " " + d.file + " " + std::to_string(d.line) + ":" +
                   std::to_string(d.column) + " " + d.keyPath + " " + std::to_string(d.length));
  });
  struct Reset {
    ~Reset() { strell_host::SetDiagnosticHandler(nullptr); }
  } reset;
  const auto readAll = [] {
    for (const char* file : {"/etc/conf.d/bad.xml", "/etc/conf.d/long.xml", "/etc/conf.d/no.xml",
                             "/etc/conf.d/../x.xml"}) {
      ValueOf(file, "/root/a");
      ValueOf(file, "/root/a");
    }
    char parameter[8];  // as the library reads one: at most 7 characters
    for (int i = 0; i < 2; ++i) Configer_GetParamValueByXPath("capability_wide", parameter, 8);
  };
  Put("bad.xml", "<root>\n  <a>1</b>\n</root>");
  Put("long.xml", "<root><a>" + std::string(300, 'x') + "</a></root>");
  Put("config_capability.xml", "<root><capability><wide>00000003</wide></capability></root>");
  readAll();
  const std::vector<std::string> first = {
      "3 /etc/conf.d/bad.xml 2:9  0", "4 /etc/conf.d/long.xml 0:0 /root/a 300",
      "1 /etc/conf.d/no.xml 0:0  0", "5 /etc/conf.d/../x.xml 0:0  0",
      "4 /etc/conf.d/config_capability.xml 0:0 /root/capability/wide 8"};
  EXPECT_EQ(first, seen);
  // A new version of a broken file is reported again, a repaired one not.
  Put("bad.xml", "<root><a>1</a></root>");
  Put("long.xml", "<root><a>" + std::string(301, 'x') + "</a></root>");
  Changed();
  readAll();
  std::vector<std::string> second = first;
  second.push_back("4 /etc/conf.d/long.xml 0:0 /root/a 301");
  EXPECT_EQ(second, seen);
}

TEST_P(HostFreshness, FilesDirectoriesAndLinksAreSeenAsTheyChange) {
  const char* onvif = "/etc/conf.d/config_onvif/config_onvif_metadata.xml";
  const char* link = "/etc/conf.d/config_videoin_c1.xml";
  const std::string whole = PortDoc(5004);
  auto put = [this](const char* name, const std::string& text) { return [=] { Put(name, text); }; };
  struct Step {
    const char* what;
    std::function<void()> change;
    const char* file;
    std::string value;
  } const steps[] = {
      {"absent", [] {}, kFile, Error(strell_host::kReadNoFile)},
      {"created", put("config_videoin_c0.xml", PortDoc(5000)), kFile, "5000"},
      {"linked",
       [this] {
         EXPECT_EQ(0, symlink("config_videoin_c0.xml", Path("config_videoin_c1.xml").c_str()));
       },
       link, "5000"},
      {"link target edited", put("config_videoin_c0.xml", PortDoc(5002)), link, "5002"},
      {"deleted", [this] { EXPECT_EQ(0, unlink(Path("config_videoin_c0.xml").c_str())); }, kFile,
       Error(strell_host::kReadNoFile)},
      {"empty", put("config_videoin_c0.xml", ""), kFile, Error(strell_host::kReadMalformed)},
      {"half written", put("config_videoin_c0.xml", whole.substr(0, whole.size() / 2)), kFile,
       Error(strell_host::kReadMalformed)},
      {"all but the last byte", put("config_videoin_c0.xml", whole.substr(0, whole.size() - 1)),
       kFile, Error(strell_host::kReadMalformed)},
      {"completed", put("config_videoin_c0.xml", whole), kFile, "5004"},
      {"directory created", [this] { host_test::MakeDir(Path("config_onvif")); }, onvif,
       Error(strell_host::kReadNoFile)},
      {"file in it", put("config_onvif/config_onvif_metadata.xml", PortDoc(1)), onvif, "1"},
      {"directory renamed over",
       [this] {
         host_test::MakeDir(Path("staged"));
         Put("staged/config_onvif_metadata.xml", PortDoc(2));
         EXPECT_EQ(0, rename(Path("config_onvif").c_str(), Path("retired").c_str()));
         EXPECT_EQ(0, rename(Path("staged").c_str(), Path("config_onvif").c_str()));
       },
       onvif, "2"},
      {"new directory edited, old one too",
       [this] {
         Put("config_onvif/config_onvif_metadata.xml", PortDoc(3));
         Put("retired/config_onvif_metadata.xml", PortDoc(4));
       },
       onvif, "3"},
  };
  for (const Step& step : steps) {
    step.change();
    Changed();
    EXPECT_EQ(step.value, ValueOf(step.file, kPort)) << step.what;
  }
}

TEST_P(HostFreshness, UnchangedFileOrARewriteWithTheSameBytesIsParsedOnce) {
  Put("config_videoin_c0.xml", PortDoc(5000));
  for (int i = 0; i < 100; ++i) ASSERT_EQ("5000", ValueOf(kFile, kPort));
  ASSERT_EQ(Error(strell_host::kReadNoElement), ValueOf(kFile, "/root/none"));
  for (int i = 0; i < 5; ++i) {
    host_test::ReplaceFile(Path("config_videoin_c0.xml"), PortDoc(5000));
    Put("config_videoin_c0.xml", PortDoc(5000));
    Changed();
    EXPECT_EQ("5000", ValueOf(kFile, kPort));
  }
  strell_host::Counters counters = strell_host::GetCounters();
  EXPECT_EQ(1u, counters.parses);
  EXPECT_EQ(106u, counters.xmlReads);
  strell_host::DropCache();
  EXPECT_EQ("5000", ValueOf(kFile, kPort));
  EXPECT_EQ(2u, strell_host::GetCounters().parses);
  strell_host::ResetCounters();
  counters = strell_host::GetCounters();
  EXPECT_EQ(
      0u, counters.parses + counters.xmlReads + counters.paramReads + strell_host::GetFileChecks());
}

// Two versions of different lengths: a read that mixed them could not be
// well-formed.
std::string Version(char letter, size_t length) {
  return "<root><a><v>" + std::string(length, letter) + "</v></a><pad>" +
         std::string(length * 3, letter) + "</pad></root>";
}

// Several threads read while files change and the cache is dropped (run
// under ThreadSanitizer by the tsan preset).
TEST_P(HostFreshness, ReadsOnThreadsGiveOneVersionOrAFailureWhateverHappensMeanwhile) {
  const Freshness mode = GetParam();
  const Freshness other = mode == Freshness::kStrict ? Freshness::kWatch : Freshness::kStrict;
  struct Case {
    const char* name;
    bool mayFail;  // a reader may catch an in-place rewrite half done
    int rounds;
    std::function<void(const std::string& path, const std::string& text)> change;
  } const cases[] = {
      {"rename over", false, 200, host_test::ReplaceFile},
      {"rewrite in place", true, 200, host_test::WriteInPlace},
      {"drop the cache and change the mode", false, 50,
       [&](const std::string&, const std::string&) {
         strell_host::DropCache();
         strell_host::Settle();
         strell_host::SetFreshness(other);
         strell_host::SetFreshness(mode);
         strell_host::GetCounters();
       }},
  };
  for (const Case& c : cases) {
    Put("config_one.xml", Version('a', 40));
    Put("config_two.xml", Version('b', 90));
    Changed();
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::atomic<long> reads{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&, t] {
        const char* file = t % 2 == 0 ? "/etc/conf.d/config_one.xml" : "/etc/conf.d/config_two.xml";
        while (!stop.load()) {
          const std::string value = host_test::ValueOf(file, "/root/a/v");
          const bool whole = value == std::string(40, 'a') || value == std::string(90, 'b');
          const bool failed =
              value.rfind("<error ", 0) == 0 && value.find(',') == std::string::npos;
          if (!whole && !(c.mayFail && failed)) bad.fetch_add(1);
          reads.fetch_add(1);
        }
      });
    }
    for (int round = 0; round < c.rounds; ++round) {
      const std::string text = round % 2 == 0 ? Version('b', 90) : Version('a', 40);
      c.change(Path("config_one.xml"), text);
      c.change(Path("config_two.xml"), text);
    }
    stop.store(true);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, bad.load()) << c.name << ": of " << reads.load() << " reads";
  }
}

class HostWatch : public host_test::HostTest {};

TEST_F(HostWatch, ReadsMakeNoFileCheckUntilAChange) {
  Use(Freshness::kWatch);
  EXPECT_EQ(Freshness::kWatch, strell_host::GetFreshness());
  Put("config_videoin_c0.xml", PortDoc(1));
  EXPECT_EQ("1", ValueOf(kFile, kPort));
  strell_host::Settle();  // the write's own events arrive after the first read
  EXPECT_EQ("1", ValueOf(kFile, kPort));
  strell_host::ResetCounters();
  for (int i = 0; i < 20; ++i) EXPECT_EQ("1", ValueOf(kFile, kPort));
  EXPECT_EQ(0u, strell_host::GetFileChecks() + strell_host::GetCounters().parses);
  Put("config_videoin_c0.xml", PortDoc(2));
  strell_host::Settle();
  EXPECT_EQ("2", ValueOf(kFile, kPort));
  EXPECT_EQ(1u, strell_host::GetCounters().parses);
}

TEST_F(HostWatch, RootCreatedLaterIsCheckedByStatUntilItCanBeWatched) {
  Use(Freshness::kWatch);
  strell_host::SetRoot(root_ / "late");
  EXPECT_EQ(Error(strell_host::kReadNoFile), ValueOf(kFile, kPort));
  host_test::MakeDir(root_ / "late");
  Put("late/config_videoin_c0.xml", PortDoc(1));
  EXPECT_EQ("1", ValueOf(kFile, kPort));  // seen without Settle()
  strell_host::Settle();
  EXPECT_EQ("1", ValueOf(kFile, kPort));
  strell_host::ResetCounters();
  EXPECT_EQ("1", ValueOf(kFile, kPort));
  EXPECT_EQ(0u, strell_host::GetFileChecks());
  Put("late/config_videoin_c0.xml", PortDoc(2));
  strell_host::Settle();
  EXPECT_EQ("2", ValueOf(kFile, kPort));
}

}  // namespace
