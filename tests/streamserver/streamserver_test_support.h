// Helpers shared by the stream-server and capability tests.
#ifndef STRELL_TESTS_STREAMSERVER_STREAMSERVER_TEST_SUPPORT_H_
#define STRELL_TESTS_STREAMSERVER_STREAMSERVER_TEST_SUPPORT_H_

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "handler/record_writer.h"
#include "handler/url_handler.h"
#include "unit/test_support.h"

namespace streamserver_test {

constexpr const char* kFile = "/etc/conf.d/config_streamserver.xml";

// Key path of `key` in slot `slot`.
inline std::string SlotKey(int slot, const std::string& key) {
  return "/root/network/rtsp/s" + std::to_string(slot) + "/" + key;
}

inline void SetSlot(int slot, const std::string& key, const std::string& text) {
  fake_host::Set(kFile, SlotKey(slot, key), text);
}

// A complete slot: every medium carried.
inline void SetFullSlot(int slot, const std::string& name, int videoTrack, int audioTrack,
                        int metadataTrack) {
  SetSlot(slot, "accessname", name);
  SetSlot(slot, "enable", "1");
  SetSlot(slot, "alwaysmulticast", "0");
  SetSlot(slot, "multicast/ttl", "15");
  SetSlot(slot, "videotrack", std::to_string(videoTrack));
  SetSlot(slot, "multicast/videoipaddress", "239.0.0." + std::to_string(slot));
  SetSlot(slot, "multicast/videoport", std::to_string(5000 + slot));
  SetSlot(slot, "audiotrack", std::to_string(audioTrack));
  SetSlot(slot, "multicast/audioipaddress", "239.0.1." + std::to_string(slot));
  SetSlot(slot, "multicast/audioport", std::to_string(6000 + slot));
  SetSlot(slot, "metadatatrack", std::to_string(metadataTrack));
  SetSlot(slot, "multicast/metadataipaddress", "239.0.2." + std::to_string(slot));
  SetSlot(slot, "multicast/metadataport", std::to_string(7000 + slot));
}

// The keys this handler asked of its file, in order. Other handlers' reads
// are left out, so the log means the same whatever else the chain holds.
inline std::vector<std::string> StreamserverKeysRead() {
  std::vector<std::string> keys;
  for (const fake_host::XmlRead& read : fake_host::XmlReads()) {
    if (read.file == kFile) keys.push_back(read.key);
  }
  return keys;
}

// The capability counts every in-process test sees: 2 video inputs with 3
// streams each, 1 audio input. The counts are read once per process, so all
// tests that share a process must agree on them; tests that need other counts
// or that count the reads run in a fresh process (InFreshProcess).
class StreamserverTest : public strell_test::FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    fake_host::SetParam("capability_nvideoin", "2");
    fake_host::SetParam("capability_nmediastream", "3");
    fake_host::SetParam("capability_naudioin", "1");
  }
};

// Writes the failures the current test has recorded to standard error.
inline void ReportFailuresToStderr() {
  const testing::TestResult* result =
      testing::UnitTest::GetInstance()->current_test_info()->result();
  for (int i = 0; i < result->total_part_count(); ++i) {
    const testing::TestPartResult& part = result->GetTestPartResult(i);
    if (part.failed()) {
      std::fprintf(stderr, "%s:%d: Failure\n%s\n", part.file_name() ? part.file_name() : "?",
                   part.line_number(), part.message());
    }
  }
}

// Runs `body` in a new run of this test program that executes only the current
// test up to this point, so the capability counts, read once per process, start
// unread. Works the same under ctest (one process per test) and when the test
// program runs all its tests in one process. A failure inside `body` fails the
// test through the exit code; its message is shown with the failure.
inline void InFreshProcess(const std::function<void()>& body) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        body();
        std::fflush(stdout);
        ReportFailuresToStderr();
        std::_Exit(testing::Test::HasFailure() ? 1 : 0);
      },
      testing::ExitedWithCode(0), "");
}

// A neighbour in the chain that records what reached it and answers with a
// code of its own, so a test sees whether and how a request was passed on.
class RecordingHandler : public IUrlHandler {
 public:
  RecordingHandler(int handlerId, EStrellErrno answer) : IUrlHandler(handlerId), answer_(answer) {}
  EStrellErrno HandleUrl(const char* url, TProfileInfo* /*info*/) override {
    urls.push_back(url);
    return answer_;
  }
  EStrellErrno Parse() override {
    ++parses;
    return answer_;
  }
  // Appends its own id, like a handler with one matching profile.
  EStrellErrno GetProfileListByVideoStream(int channel, int stream, TProfileList* list) override {
    appendProfileKey(list, id);
    return next != nullptr ? next->GetProfileListByVideoStream(channel, stream, list) : STRELL_OK;
  }
  EStrellErrno GetProfileListByAudioStream(int channel, int stream, TProfileList* list) override {
    appendProfileKey(list, id);
    return next != nullptr ? next->GetProfileListByAudioStream(channel, stream, list) : STRELL_OK;
  }

  std::vector<std::string> urls;
  int parses = 0;

 private:
  EStrellErrno answer_;
};

}  // namespace streamserver_test

#endif  // STRELL_TESTS_STREAMSERVER_STREAMSERVER_TEST_SUPPORT_H_
