// Real files through the reference host kit: every unreadable form of a file answers as a
// missing one; a file replaced while a reload reads it gives old, new or start values, and the
// next reload the new configuration whole; a host that fills every byte of the buffer is cut.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "reliability/answers.h"
#include "strell_host.h"
#include "testing/temp_dir.h"

namespace {

// Called after each read with its number within the current reload (from 0) and the file.
std::function<void(long, const std::string&)> g_afterRead;
long g_reads = 0;
bool g_overfill = false;  // every read fills all 256 bytes, without a NUL

}  // namespace

// The library's reads come here first (the program precedes the shared kit), then go to the kit.
extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  using Reader = int (*)(const char*, const char*, char*);
  static const Reader next = reinterpret_cast<Reader>(dlsym(RTLD_NEXT, "XMLSParser_ReadContentEx"));
  if (g_overfill) {
    std::memset(value, 'x', 256);
    return 0;
  }
  const int result = next(filePath, keyPath, value);
  if (g_afterRead) g_afterRead(g_reads, filePath);
  ++g_reads;
  return result;
}

namespace {

using reliability::Answers;
using S = const std::string&;

class BadFile : public testing::Test {
 protected:
  void SetUp() override {
    Strell_SetTraceHandler(nullptr, nullptr);
    strell_host::SetRoot(root_.path());
    Write(true);
    b_ = Reload();
    Write(false);
    a_ = Reload();
  }
  void TearDown() override {
    g_afterRead = nullptr;
    g_overfill = false;
  }
  std::string Path(S file) const { return root_.path() + file.substr(sizeof "/etc/conf.d" - 1); }
  void Write(bool b) { ASSERT_TRUE(testing_kit::TwoStateCamera(b).Write(root_.path())); }
  Answers Reload() {
    g_reads = 0;
    EXPECT_EQ(STRELL_OK, context_.Parse());
    Answers answers;
    answers.Take(context_.handle());
    return answers;
  }

  testing_kit::TempDir root_;
  testing_kit::Context context_;
  Answers a_, b_;
};

// Each file a reload reads, missing and then in each form that leaves nothing to read ($F).
TEST_F(BadFile, EveryBadFileAnswersAsAMissingFile) {
  const std::string forms[] = {"rm $F",  // missing: the answers the others must give
                               ": >$F",
                               "head -c 4096 /bin/sh >$F",
                               "echo '<open>' >>$F",
                               "truncate -s $(($(stat -c %s $F) / 2)) $F",
                               "echo port=5000 >$F",
                               "rm $F && mkdir $F",
                               "rm $F && mkfifo $F",
                               "ln -sf nowhere.xml $F",
                               "rm $F && ln -s ${F##*/} $F",
                               "ln -sf /proc/version $F",
                               "chmod 0 $F"};  // root reads it all the same: then it answers as A
  for (S file : testing_kit::TwoStateCamera(false).Files()) {
    if (file.find("capability") != std::string::npos) continue;  // read once per process
    Answers missing;
    for (S form : forms) {
      ASSERT_EQ(0, root_.Sh("F=." + file.substr(sizeof "/etc/conf.d" - 1) + "; " + form));
      const Answers answers = Reload();
      if (&form == forms) missing = answers;
      const bool readable = form == "chmod 0 $F" && geteuid() == 0;
      EXPECT_TRUE((readable ? a_ : missing) == answers) << file << ": " << form;
      std::filesystem::remove_all(Path(file));  // never written through a link
      Write(false);
    }
  }
}

// A file replaced (renamed over, or half written in place) after each read of a reload or answer.
TEST_F(BadFile, FileReplacedDuringAReloadGivesOldNewOrStartValues) {
  const reliability::Judge judge(a_, b_);
  const testing_kit::Camera b = testing_kit::TwoStateCamera(true);
  Reload();
  const long readsPerRound = g_reads;
  ASSERT_GT(readsPerRound, 100);
  for (const bool inPlace : {false, true}) {
    for (long at = 0; at < readsPerRound; ++at) {
      SCOPED_TRACE(std::string(inPlace ? "in place" : "by rename") + " after read " +
                   std::to_string(at));
      Write(false);
      std::string target;
      g_afterRead = [&](long read, S file) {
        if (read == at && inPlace) {  // B, cut in half, completed three reads later
          target = file;
          testing_kit::WriteFile(Path(file), b.Xml(file).substr(0, b.Xml(file).size() / 2));
        } else if (read == at) {
          testing_kit::ReplaceFile(Path(file), b.Xml(file));
        } else if (read == at + 3 && !target.empty()) {
          testing_kit::WriteFile(Path(target), b.Xml(target));
        }
      };
      EXPECT_TRUE(judge.All(Reload()));
      g_afterRead = nullptr;
      Write(true);  // with every file now B, the next reload sees all of it
      EXPECT_TRUE(b_ == Reload());
    }
  }
}

// A host that fills every byte of each buffer: kept texts are cut at 255, records stay in bounds.
TEST_F(BadFile, OverfilledBuffersAreCutAt255Characters) {
  g_overfill = true;
  const std::string name(255, 'x');
  ASSERT_EQ(STRELL_OK, context_.Parse());
  for (const std::string& url : {"media/stream.sdp?profile=" + name, name,
                                 "media2/stream.sdp?profile=" + name, name + "x"}) {
    testing_kit::Guarded<TProfileInfo> info;
    const int code = context_.Resolve(url.c_str(), info.get());
    EXPECT_EQ(url == name + "x" ? STRELL_ERR_NOT_FOUND : STRELL_OK, code);
    EXPECT_EQ(code == STRELL_OK ? name : "-", testing_kit::Describe(info->profileName));
    EXPECT_TRUE(info.Intact());
    for (const reliability::ListQuery& query : reliability::kLists) {
      testing_kit::Guarded<TProfileList> list;
      list->profileCount = 0;
      reliability::List(context_.handle(), query, list.get());
      EXPECT_TRUE(list.Intact());
    }
  }
}

}  // namespace
