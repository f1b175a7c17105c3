// A change is seen by the next read (after Settle() in watch mode), a version is parsed once,
// concurrent reads never mix versions, and watch mode makes no system call until a change.
#include <stdlib.h>

#include <atomic>
#include <climits>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "host/host_fixture.h"

namespace {

using namespace host_test;
using namespace strell_host;

constexpr char kFile[] = "/etc/conf.d/config_videoin_c0.xml";
constexpr char kPort[] = "/root/videoin/c0/s0/multicast/port";

std::string PortDoc(int port) {
  return "<root><videoin><c0><s0><multicast><port>" + std::to_string(port) +
         "</port></multicast></s0></c0></videoin></root>";
}

// Each test once per mode; Settle() is what a host does after a change (nothing in strict mode).
class HostFreshness : public HostTest, public testing::WithParamInterface<Freshness> {
 protected:
  void SetUp() override { Use(GetParam()); }
};
INSTANTIATE_TEST_SUITE_P(Modes, HostFreshness,
                         testing::Values(Freshness::kStrict, Freshness::kWatch),
                         [](const testing::TestParamInfo<Freshness>& mode) {
                           return mode.param == Freshness::kStrict ? "Strict" : "Watch";
                         });

// Each version is parsed once, and a rewrite with the same bytes not again. Edits in quick
// succession land within one clock tick, where size, inode and timestamps all stay the same.
TEST_P(HostFreshness, EditInPlaceOrRenameOverIsSeenAtTheNextRead) {
  for (int i = 0; i < 102; ++i) {  // the last two rewrite 5198, in place and by rename
    const int port = 5000 + 2 * std::min(i, 99);
    const auto write = i < 50 || i == 100 ? testing_kit::WriteFile : testing_kit::ReplaceFile;
    ASSERT_TRUE(write(Path("config_videoin_c0.xml"), PortDoc(port)));
    Settle();
    ASSERT_EQ(std::to_string(port), ValueOf(kFile, kPort));
    ASSERT_EQ(std::to_string(port), ValueOf(kFile, kPort));
  }
  EXPECT_EQ(100u, GetCounters().parses);
  EXPECT_EQ(204u, GetCounters().xmlReads);
  DropCache();
  EXPECT_EQ("5198", ValueOf(kFile, kPort));
  EXPECT_EQ(101u, GetCounters().parses);
  ResetCounters();
  const Counters counters = GetCounters();
  EXPECT_EQ(0u, counters.parses + counters.xmlReads + counters.paramReads + GetFileChecks());
}

TEST_P(HostFreshness, EachProblemIsReportedOncePerVersionOfItsFile) {
  std::vector<std::string> seen;
  const auto record = [&seen](const Diagnostic& d) {
    seen.push_back(std::to_string(d.kind) + " " + d.file + " " + std::to_string(d.line) + ":" +
                   std::to_string(d.column) + " " + d.keyPath + " " + std::to_string(d.length));
  };
  SetDiagnosticHandler(record);
  struct Reset {
    ~Reset() { SetDiagnosticHandler(nullptr); }
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
  std::vector<std::string> expected = {
      "3 /etc/conf.d/bad.xml 2:9  0", "4 /etc/conf.d/long.xml 0:0 /root/a 300",
      "1 /etc/conf.d/no.xml 0:0  0", "5 /etc/conf.d/../x.xml 0:0  0",
      "4 /etc/conf.d/config_capability.xml 0:0 /root/capability/wide 8"};
  EXPECT_EQ(expected, seen);
  // A new version of a broken file is reported again, a repaired one not.
  Put("bad.xml", "<root><a>1</a></root>");
  Put("long.xml", "<root><a>" + std::string(301, 'x') + "</a></root>");
  Settle();
  readAll();
  expected.push_back("4 /etc/conf.d/long.xml 0:0 /root/a 301");
  EXPECT_EQ(expected, seen);
  // A new handler hears of every problem the files have now.
  SetDiagnosticHandler(record);
  seen.clear();
  readAll();
  EXPECT_EQ((std::vector<std::string>{expected[5], expected[2], expected[3], expected[4]}), seen);
}

TEST_P(HostFreshness, FilesDirectoriesLinksAndTheRootAreSeenAsTheyChange) {
  const std::string doc = PortDoc(5004), c0 = "config_videoin_c0.xml",
                    onvif = "config_onvif/config_onvif_metadata.xml";
  const auto put = [](const std::string& text, const std::string& file) {
    return "printf '%s' '" + text + "' >" + file;
  };
  const struct {
    std::string commands, file, value;  // `file` under /etc/conf.d/
  } steps[] = {
      {"true", c0, Error(kReadNoFile)},
      {put(PortDoc(5000), c0), c0, "5000"},
      {"ln -s " + c0 + " link.xml", "link.xml", "5000"},
      {put(PortDoc(5002), c0), "link.xml", "5002"},  // the link's target edited
      {"rm " + c0, c0, Error(kReadNoFile)},
      {put(doc.substr(0, doc.size() - 1), c0), c0, Error(kReadMalformed)},
      {put(doc, c0), c0, "5004"},
      {"mkdir config_onvif", onvif, Error(kReadNoFile)},
      {put(PortDoc(1), onvif), onvif, "1"},
      {"mkdir new && " + put(PortDoc(2), "new/" + onvif.substr(13)) +
           " && mv config_onvif old && mv new config_onvif",
       onvif, "2"},  // a directory renamed over
      {put(PortDoc(3), onvif) + " && " + put(PortDoc(4), "old/" + onvif.substr(13)), onvif, "3"},
      // The same name under another root is another file ("": the root moves to other/).
      {"mkdir other && mv old other/config_onvif", onvif, "3"},
      {"", onvif, "4"},
  };
  for (const auto& step : steps) {
    if (step.commands.empty()) {
      SetRoot(Path("other"));
    } else {
      Sh(step.commands);
    }
    Settle();
    EXPECT_EQ(step.value, ValueOf("/etc/conf.d/" + step.file, kPort)) << step.commands;
  }
}

// Two versions of different lengths: a read that mixed them could not be well-formed. Threads
// read while both files change, or while the cache is dropped and the mode changes (TSan too).
TEST_P(HostFreshness, ReadsOnThreadsGiveOneVersionOrAFailureWhateverHappensMeanwhile) {
  const auto version = [](char letter, size_t length) {
    return "<root><a><v>" + std::string(length, letter) + "</v></a><pad>" +
           std::string(length * 3, letter) + "</pad></root>";
  };
  const Freshness other = GetParam() == Freshness::kStrict ? Freshness::kWatch : Freshness::kStrict;
  const struct {
    bool mayFail;  // a reader may catch an in-place rewrite half done
    int rounds;
    std::function<bool(const std::string& path, const std::string& text)> change;
  } cases[] = {{false, 100, testing_kit::ReplaceFile},
               {true, 100, testing_kit::WriteFile},
               {false, 10, [&](const std::string&, const std::string&) {
                  DropCache();
                  SetFreshness(other);
                  SetFreshness(GetParam());
                  return true;
                }}};
  for (const auto& c : cases) {
    Put("one.xml", version('a', 40));
    Put("two.xml", version('b', 90));
    Settle();
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (const char* file : {"/etc/conf.d/one.xml", "/etc/conf.d/two.xml", "/etc/conf.d/one.xml"}) {
      threads.emplace_back([&, file] {
        while (!stop.load()) {
          const std::string value = ValueOf(file, "/root/a/v");
          const bool whole = value == std::string(40, 'a') || value == std::string(90, 'b');
          if (!whole && !(c.mayFail && value == Error(kReadMalformed))) bad++;
        }
      });
    }
    for (int round = 0; round < c.rounds; ++round) {
      const std::string text = round % 2 == 0 ? version('b', 90) : version('a', 40);
      c.change(Path("one.xml"), text);
      c.change(Path("two.xml"), text);
    }
    stop.store(true);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, bad.load()) << "case " << &c - cases;
  }
}

class HostWatch : public HostTest {};

// Strict mode makes one stat() per cached read; watch mode none until an event, for present and
// absent files, whatever the root; a root not yet watchable is checked by stat() until it is.
TEST_F(HostWatch, ReadsMakeNoFileCheckUntilAChange) {
  Put("config_videoin_c0.xml", PortDoc(1));
  for (int i = 0; i < 3; ++i) EXPECT_EQ("1", ValueOf(kFile, kPort));
  EXPECT_EQ(2u, GetFileChecks());
  Use(Freshness::kWatch);
  SetRoot(Path("late"));
  EXPECT_EQ(Error(kReadNoFile), ValueOf(kFile, kPort));
  Sh("mkdir late && cp config_videoin_c0.xml late/");
  EXPECT_EQ("1", ValueOf(kFile, kPort));
  char real[PATH_MAX];
  ASSERT_NE(nullptr, realpath(root_.path().c_str(), real));
  for (const std::string& root : {Path("late"), root_.path(), std::string("/")}) {
    if (root != Path("late")) {  // the same watcher watches the late root now
      Use(Freshness::kWatch);
      SetRoot(root);
    }
    const std::string dir = root == "/" ? std::string("/etc/conf.d") + real : "/etc/conf.d";
    for (int i = 0; i < 20; ++i) {
      if (i == 1) ResetCounters();  // after the reads that fill the cache
      EXPECT_EQ("1", ValueOf(dir + "/config_videoin_c0.xml", kPort));
      EXPECT_EQ(Error(kReadNoFile), ValueOf(dir + "/absent.xml", kPort));
    }
    EXPECT_EQ(0u, GetFileChecks() + GetCounters().parses) << root;
  }
  Put("config_videoin_c0.xml", PortDoc(2));
  Put("absent.xml", PortDoc(3));
  Settle();
  EXPECT_EQ("2", ValueOf(std::string("/etc/conf.d") + real + "/config_videoin_c0.xml", kPort));
  EXPECT_EQ("3", ValueOf(std::string("/etc/conf.d") + real + "/absent.xml", kPort));
  // Back in strict mode nothing the watcher vouched for is taken on trust.
  SetFreshness(Freshness::kStrict);
  Put("absent.xml", PortDoc(4));
  EXPECT_EQ("4", ValueOf(std::string("/etc/conf.d") + real + "/absent.xml", kPort));
}

}  // namespace
