// The bad-file rows of the bad-input table, over real files read through the
// reference host kit: a file that is empty, binary, malformed, half written,
// a directory, a FIFO, a dangling or looping link, a link out of the root or
// unreadable answers exactly as a missing file does; and a file replaced
// while a reload reads it gives answers of the old, the new or start values,
// and the next reload gives the new configuration whole.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "reliability/answer_judge.h"
#include "reliability/config_xml.h"
#include "reliability/reliability_config.h"
#include "reliability/snapshot.h"
#include "strell_host.h"

namespace {

using reliability::kFileCount;
using reliability::Snapshot;

// Called after each read of the host, with its number within the current
// reload (from 0) and the file read; empty when no test needs it.
std::function<void(long, const char*)> g_afterRead;
long g_reads = 0;

}  // namespace

// The library's reads come here first (the test program precedes the host kit
// in the lookup order), then go on to the host kit.
extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  using Reader = int (*)(const char*, const char*, char*);
  static const Reader next = reinterpret_cast<Reader>(dlsym(RTLD_NEXT, "XMLSParser_ReadContentEx"));
  const int result = next(filePath, keyPath, value);
  if (g_afterRead) g_afterRead(g_reads, filePath);
  ++g_reads;
  return result;
}

namespace {

class BadFile : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/strell_bad_file_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    root_ = pattern;
    ASSERT_EQ(0, mkdir((root_ + "/config_onvif").c_str(), 0755));
    ASSERT_TRUE(reliability::WriteWholeFile(root_ + "/config_capability.xml",
                                            reliability::CapabilityXml()));
    strell_host::SetRoot(root_);
    strell_host::SetFreshness(strell_host::Freshness::kStrict);
    for (int file = 0; file < kFileCount; ++file) Restore(file, false);
    ASSERT_EQ(STRELL_OK, Strell_Init(&handle_));
    Answers(a_);
    for (int file = 0; file < kFileCount; ++file) Restore(file, true);
    Answers(b_);
    for (int file = 0; file < kFileCount; ++file) Restore(file, false);
  }

  void TearDown() override {
    g_afterRead = nullptr;
    Strell_Release(&handle_);
    for (int file = 0; file < kFileCount; ++file) Remove(Path(file));
    unlink((root_ + "/config_capability.xml").c_str());
    rmdir((root_ + "/config_onvif").c_str());
    rmdir(root_.c_str());
  }

  std::string Path(int file) const { return root_ + "/" + reliability::RelativePath(file); }

  static void Remove(const std::string& path) {
    chmod(path.c_str(), 0644);
    if (unlink(path.c_str()) != 0) rmdir(path.c_str());
  }

  void Restore(int file, bool b) {
    Remove(Path(file));
    ASSERT_TRUE(reliability::WriteWholeFile(Path(file), reliability::ConfigXml(file, b)));
  }

  // Reloads and takes every answer, with the trace lines out of the way.
  void Answers(Snapshot& snapshot) {
    testing::internal::CaptureStdout();
    g_reads = 0;
    EXPECT_EQ(STRELL_OK, Strell_Parse(handle_));
    reliability::TakeSnapshot(handle_, snapshot);
    testing::internal::GetCapturedStdout();
  }

  std::string root_;
  StrellHandle handle_ = nullptr;
  Snapshot a_;
  Snapshot b_;
};

std::string BinaryText() {
  std::string text;
  for (int round = 0; round < 4; ++round) {
    for (int c = 0; c < 256; ++c) text.push_back(static_cast<char>(c));
  }
  return text;
}

// Ways a file can be there and still give nothing to read. Each turns the
// file at `path` (whose good text is `good`) into its kind of bad file.
struct BadForm {
  const char* name;
  std::function<bool(const std::string& path, const std::string& good)> make;
};

std::vector<BadForm> BadForms() {
  using reliability::WriteWholeFile;
  return {
      {"empty",
       [](const std::string& path, const std::string&) { return WriteWholeFile(path, ""); }},
      {"binary", [](const std::string& path,
                    const std::string&) { return WriteWholeFile(path, BinaryText()); }},
      {"malformed",
       [](const std::string& path, const std::string& good) {
         return WriteWholeFile(path, good + "<unclosed>");
       }},
      {"half written",
       [](const std::string& path, const std::string& good) {
         return WriteWholeFile(path, good.substr(0, good.size() / 2));
       }},
      {"not XML", [](const std::string& path,
                     const std::string&) { return WriteWholeFile(path, "port=5000\nttl=5\n"); }},
      {"a directory",
       [](const std::string& path, const std::string&) { return mkdir(path.c_str(), 0755) == 0; }},
      {"a FIFO",
       [](const std::string& path, const std::string&) { return mkfifo(path.c_str(), 0644) == 0; }},
      {"a dangling link",
       [](const std::string& path, const std::string&) {
         return symlink("no_such_file.xml", path.c_str()) == 0;
       }},
      {"a link to itself",
       [](const std::string& path, const std::string&) {
         const std::string name = path.substr(path.rfind('/') + 1);
         return symlink(name.c_str(), path.c_str()) == 0;
       }},
      {"a link out of the root",
       [](const std::string& path, const std::string&) {
         return symlink("/etc/passwd", path.c_str()) == 0;
       }},
      {"unreadable",
       [](const std::string& path, const std::string& good) {
         // Root reads it all the same; the row then proves nothing and the
         // file stays good, so its answers are those of A.
         return WriteWholeFile(path, good) && chmod(path.c_str(), 0) == 0;
       }},
  };
}

TEST_F(BadFile, EveryBadFileAnswersAsAMissingFile) {
  int rows = 0;
  for (int file = 0; file < kFileCount; ++file) {
    SCOPED_TRACE(reliability::RelativePath(file));
    Remove(Path(file));
    Snapshot missing;
    Answers(missing);
    const std::string good = reliability::ConfigXml(file, false);
    for (const BadForm& form : BadForms()) {
      SCOPED_TRACE(form.name);
      Remove(Path(file));
      ASSERT_TRUE(form.make(Path(file), good));
      Snapshot answers;
      Answers(answers);
      const bool readable = std::strcmp(form.name, "unreadable") == 0 && geteuid() == 0;
      EXPECT_TRUE(reliability::SameSnapshot(readable ? a_ : missing, answers));
      ++rows;
    }
    Restore(file, false);
    Snapshot restored;
    Answers(restored);
    EXPECT_TRUE(reliability::SameSnapshot(a_, restored));
  }
  std::printf("bad files: %d rows\n", rows);
}

// Without any file every handler's store holds start values only: no URL but
// the empty one resolves, and no list gets a key.
TEST_F(BadFile, MissingFilesLeaveOnlyStartValues) {
  for (int file = 0; file < kFileCount; ++file) Remove(Path(file));
  Snapshot answers;
  Answers(answers);
  for (int url = 0; url < reliability::kUrlCount; ++url) {
    if (reliability::kUrls[url][0] == '\0') continue;
    EXPECT_EQ(STRELL_ERR_NOT_FOUND, answers.codes[url]) << reliability::kUrls[url];
  }
  for (int query = 0; query < reliability::kListCount; ++query) {
    EXPECT_EQ(0, answers.lists[query].profileCount);
  }
}

// A file replaced (atomically, or rewritten in place and caught half way)
// after each read of a reload in turn.
TEST_F(BadFile, FileReplacedDuringAReloadGivesOldNewOrStartValues) {
  const reliability::AnswerJudge judge(a_, b_);
  // The reads of one reload and its answers (Media2 reads at resolution
  // too), to know where a replacement can fall.
  Snapshot answers;
  Answers(answers);
  const long readsPerRound = g_reads;
  ASSERT_GT(readsPerRound, 100);
  int replaced = 0;
  for (bool inPlace : {false, true}) {
    for (long at = 0; at < readsPerRound; ++at) {
      SCOPED_TRACE(std::string(inPlace ? "in place" : "by rename") + " after read " +
                   std::to_string(at));
      for (int file = 0; file < kFileCount; ++file) Restore(file, false);
      std::string target;
      g_afterRead = [&](long read, const char* libraryPath) {
        const char* relative = libraryPath + std::strlen("/etc/conf.d/");
        if (read == at) {
          // The file just read becomes B: by rename, or truncated to half of
          // B's text, to be completed three reads later.
          target = root_ + "/" + relative;
          int file = 0;
          while (file < kFileCount && Path(file) != target) ++file;
          if (file == kFileCount) return;
          const std::string text = reliability::ConfigXml(file, true);
          if (inPlace) {
            reliability::WriteWholeFile(target, text.substr(0, text.size() / 2));
          } else {
            reliability::WriteWholeFile(target + ".new", text);
            std::rename((target + ".new").c_str(), target.c_str());
          }
          ++replaced;
        } else if (inPlace && read == at + 3 && !target.empty()) {
          int file = 0;
          while (file < kFileCount && Path(file) != target) ++file;
          reliability::WriteWholeFile(target, reliability::ConfigXml(file, true));
        }
      };
      Answers(answers);
      g_afterRead = nullptr;
      EXPECT_TRUE(judge.AllowedSnapshot(answers));
      // Every file now holds B (the one replaced and the others made B now),
      // and the next reload must see all of it.
      for (int file = 0; file < kFileCount; ++file) Restore(file, true);
      Answers(answers);
      EXPECT_TRUE(reliability::SameSnapshot(b_, answers));
    }
  }
  std::printf("files replaced during a reload: %d\n", replaced);
}

}  // namespace
