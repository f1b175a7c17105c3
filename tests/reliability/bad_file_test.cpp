// The bad-file rows of the bad-input table, over real files read through the
// reference host kit: a file that is empty, binary, malformed, half written,
// a directory, a FIFO, a dangling or looping link, a link out of the root or
// unreadable answers exactly as a missing file does; and a file replaced
// while a reload reads it gives answers of the old, the new or start values,
// and the next reload gives the new configuration whole.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "reliability/config_files.h"
#include "reliability/reliability_support.h"
#include "strell_host.h"

namespace {

using namespace reliability;

// Called after each read of the host, with its number within the current
// reload (from 0) and the index of the file read.
std::function<void(long, int)> g_afterRead;
long g_reads = 0;

}  // namespace

// The library's reads come here first (the test program precedes the host kit
// in the lookup order), then go on to the host kit.
extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  using Reader = int (*)(const char*, const char*, char*);
  static const Reader next = reinterpret_cast<Reader>(dlsym(RTLD_NEXT, "XMLSParser_ReadContentEx"));
  const int result = next(filePath, keyPath, value);
  int file = 0;
  while (file < kFileCount && std::strcmp(kFiles[file].path, filePath) != 0) ++file;
  if (g_afterRead && file < kFileCount) g_afterRead(g_reads, file);
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
    ASSERT_TRUE(WriteWholeFile(root_ + "/config_capability.xml", CapabilityXml()));
    strell_host::SetRoot(root_);
    strell_host::SetFreshness(strell_host::Freshness::kStrict);
    ASSERT_EQ(STRELL_OK, Strell_Init(&handle_));
    RestoreAll(true);
    Answers(b_);
    RestoreAll(false);
    Answers(a_);
  }

  void TearDown() override {
    g_afterRead = nullptr;
    Strell_Release(&handle_);
    for (int file = 0; file < kFileCount; ++file) Remove(Path(file));
    unlink((root_ + "/config_capability.xml").c_str());
    rmdir((root_ + "/config_onvif").c_str());
    rmdir(root_.c_str());
  }

  std::string Path(int file) const { return root_ + "/" + RelativePath(file); }

  static void Remove(const std::string& path) {
    chmod(path.c_str(), 0644);
    if (unlink(path.c_str()) != 0) rmdir(path.c_str());
  }

  void RestoreAll(bool b) {
    for (int file = 0; file < kFileCount; ++file) {
      Remove(Path(file));
      ASSERT_TRUE(WriteWholeFile(Path(file), ConfigXml(file, b)));
    }
  }

  // Reloads and takes every answer, with the trace lines out of the way.
  Snapshot& Answers(Snapshot& snapshot) {
    testing::internal::CaptureStdout();
    g_reads = 0;
    EXPECT_EQ(STRELL_OK, Strell_Parse(handle_));
    TakeSnapshot(handle_, snapshot);
    testing::internal::GetCapturedStdout();
    return snapshot;
  }

  std::string root_;
  StrellHandle handle_ = nullptr;
  Snapshot a_, b_, answers_;
};

// Ways a file can be there and still give nothing to read: each turns the
// file at `path` (whose good text is `good`) into its kind of bad file.
using S = const std::string&;
const std::pair<const char*, bool (*)(S path, S good)> kBadForms[] = {
    {"empty", [](S path, S) { return WriteWholeFile(path, ""); }},
    {"binary",
     [](S path, S) {
       std::string text;
       for (int c = 0; c < 4 * 256; ++c) text.push_back(static_cast<char>(c));
       return WriteWholeFile(path, text);
     }},
    {"malformed", [](S path, S good) { return WriteWholeFile(path, good + "<unclosed>"); }},
    {"half written",
     [](S path, S good) { return WriteWholeFile(path, good.substr(0, good.size() / 2)); }},
    {"not XML", [](S path, S) { return WriteWholeFile(path, "port=5000\nttl=5\n"); }},
    {"a directory", [](S path, S) { return mkdir(path.c_str(), 0755) == 0; }},
    {"a FIFO", [](S path, S) { return mkfifo(path.c_str(), 0644) == 0; }},
    {"a dangling link", [](S path, S) { return symlink("no_such_file.xml", path.c_str()) == 0; }},
    {"a link to itself",
     [](S path, S) {
       return symlink(path.substr(path.rfind('/') + 1).c_str(), path.c_str()) == 0;
     }},
    {"a link out of the root", [](S path, S) { return symlink("/etc/passwd", path.c_str()) == 0; }},
    // Root reads it all the same; the row then proves nothing and the file
    // stays good, so its answers are those of A.
    {"unreadable",
     [](S path, S good) { return WriteWholeFile(path, good) && chmod(path.c_str(), 0) == 0; }},
};

TEST_F(BadFile, EveryBadFileAnswersAsAMissingFile) {
  int rows = 0;
  for (int file = 0; file < kFileCount; ++file) {
    SCOPED_TRACE(RelativePath(file));
    Remove(Path(file));
    Snapshot missing;
    Answers(missing);
    for (const auto& form : kBadForms) {
      SCOPED_TRACE(form.first);
      Remove(Path(file));
      ASSERT_TRUE(form.second(Path(file), ConfigXml(file, false)));
      const bool readable = std::strcmp(form.first, "unreadable") == 0 && geteuid() == 0;
      EXPECT_TRUE(SameSnapshot(readable ? a_ : missing, Answers(answers_)));
      ++rows;
    }
    RestoreAll(false);
    EXPECT_TRUE(SameSnapshot(a_, Answers(answers_)));
  }
  std::printf("bad files: %d rows\n", rows);
}

// Without any file every handler's store holds start values only: no URL but
// the empty one resolves, and no list gets a key. The empty URL names the
// first empty access name, whose media are not carried (tracks start at -1).
TEST_F(BadFile, MissingFilesLeaveOnlyStartValues) {
  for (int file = 0; file < kFileCount; ++file) Remove(Path(file));
  Answers(answers_);
  for (int url = 0; url < kUrlCount; ++url) {
    if (AnswerJudge::Judged(url)) {
      EXPECT_EQ(STRELL_ERR_NOT_FOUND, answers_.codes[url]) << kUrls[url];
    }
  }
  for (const TProfileList& list : answers_.lists) EXPECT_EQ(0, list.profileCount);
  const TProfileInfo& empty = answers_.infos[kUrlCount - 1];
  EXPECT_EQ(STRELL_OK, answers_.codes[kUrlCount - 1]);
  EXPECT_EQ(111, empty.profileKey);
  for (const TMediaEncodeConfig& medium : {empty.videoInfo, empty.audioInfo, empty.metadataInfo}) {
    EXPECT_EQ(0, medium.mediaTask);
  }
}

// A file replaced (atomically, or rewritten in place and caught half way)
// after each read of a reload and its answers in turn (Media2 reads at
// resolution too).
TEST_F(BadFile, FileReplacedDuringAReloadGivesOldNewOrStartValues) {
  const AnswerJudge judge(a_, b_);
  Answers(answers_);
  const long readsPerRound = g_reads;
  ASSERT_GT(readsPerRound, 100);
  int replaced = 0;
  for (bool inPlace : {false, true}) {
    for (long at = 0; at < readsPerRound; ++at) {
      SCOPED_TRACE(std::string(inPlace ? "in place" : "by rename") + " after read " +
                   std::to_string(at));
      RestoreAll(false);
      int target = -1;
      g_afterRead = [&](long read, int file) {
        // The file just read becomes B: by rename, or truncated to half of
        // B's text and completed three reads later.
        if (read == at) {
          target = file;
          const std::string text = ConfigXml(file, true);
          if (inPlace) {
            WriteWholeFile(Path(file), text.substr(0, text.size() / 2));
          } else {
            WriteWholeFile(Path(file) + ".new", text);
            std::rename((Path(file) + ".new").c_str(), Path(file).c_str());
          }
          ++replaced;
        } else if (inPlace && read == at + 3 && target >= 0) {
          WriteWholeFile(Path(target), ConfigXml(target, true));
        }
      };
      EXPECT_TRUE(judge.AllowedSnapshot(Answers(answers_)));
      g_afterRead = nullptr;
      // With every file now B, the next reload must see all of it.
      RestoreAll(true);
      EXPECT_TRUE(SameSnapshot(b_, Answers(answers_)));
    }
  }
  std::printf("files replaced during a reload: %d\n", replaced);
}

}  // namespace
