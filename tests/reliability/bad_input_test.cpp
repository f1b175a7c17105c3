// The bad-input table: hostile URLs, configuration texts and list records, each
// with its defined result, every record placed between guard zones so that a
// write outside it fails the row.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "fake_host/fake_host.h"
#include "reliability/guarded_record.h"
#include "reliability/reliability_config.h"
#include "unit/test_support.h"

namespace {

using reliability::Guarded;
using reliability::Terminated;

constexpr char kMedia1Marker[] = "media/stream.sdp?profile=";
constexpr char kMedia2Marker[] = "media2/stream.sdp?profile=";
constexpr size_t kMiB = 1024 * 1024;

// Every byte value from 1 to 255, in order: exactly 255 characters.
std::string AllBytes() {
  std::string text;
  for (int c = 1; c <= 255; ++c) text.push_back(static_cast<char>(c));
  return text;
}

std::string Repeat(const std::string& text, size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

const char* FileOf(int index) { return reliability::kFiles[index].path; }

// Loads configuration A into the fake host.
void SetConfigA() {
  for (const reliability::ConfigValue& value : reliability::kValues) {
    fake_host::Set(FileOf(value.file), value.key, value.a);
  }
  for (const reliability::Parameter& parameter : reliability::kParameters) {
    fake_host::SetParam(parameter.name, parameter.value);
  }
}

class BadInput : public strell_test::FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    SetConfigA();
  }
  // The figure docs/reliability.md quotes: requests made with a bad input.
  void TearDown() override {
    std::printf("%s: %d bad inputs tried\n",
                testing::UnitTest::GetInstance()->current_test_info()->name(), tried_);
  }

  // Resolves `url` into a guarded record; the record must stay inside its
  // bounds and every text must be terminated. Standard output (the Media1
  // trace line can hold a whole URL) is swallowed.
  int Resolve(const char* url, Guarded<TProfileInfo>& info) {
    int code = -1;
    ++tried_;
    strell_test::CaptureStdout([&] { code = context_.Resolve(url, info.get()); });
    EXPECT_TRUE(info.Intact()) << "write outside the record";
    EXPECT_TRUE(Terminated(info->profileName));
    EXPECT_TRUE(Terminated(info->videoInfo.ipAddress));
    EXPECT_TRUE(Terminated(info->audioInfo.ipAddress));
    EXPECT_TRUE(Terminated(info->metadataInfo.ipAddress));
    return code;
  }

  void Load() { ASSERT_EQ(STRELL_OK, context_.Parse()); }

  // A list query into a guarded list, with the trace lines swallowed.
  int List(bool video, int channel, int stream, Guarded<TProfileList>& list) {
    int code = -1;
    ++tried_;
    strell_test::CaptureStdout([&] {
      code =
          video
              ? Strell_GetProfileListByVideoStream(context_.handle(), channel, stream, list.get())
              : Strell_GetProfileListByAudioStream(context_.handle(), channel, stream, list.get());
    });
    EXPECT_TRUE(list.Intact()) << "write outside the list";
    return code;
  }

  strell_test::Context context_;
  int tried_ = 0;
};

// A URL and what it gives: the code, and on 0 the profile key; on any other
// code the record must be left exactly as the host filled it.
struct UrlRow {
  std::string label;
  std::string url;
  int code;
  int key;
};

std::vector<UrlRow> HostileUrls() {
  const std::string bytes = AllBytes();
  return {
      {"1 MiB of letters", std::string(kMiB, 'a'), STRELL_ERR_NOT_FOUND, 0},
      {"1 MiB Media1 token", kMedia1Marker + std::string(kMiB, 'P'), STRELL_ERR_NOT_FOUND, 0},
      {"1 MiB Media2 token", kMedia2Marker + std::string(kMiB, 'S'), STRELL_ERR_NOT_FOUND, 0},
      {"1 MiB of Media1 markers", Repeat(kMedia1Marker, kMiB / sizeof kMedia1Marker),
       STRELL_ERR_NOT_FOUND, 0},
      {"1 MiB of Media2 markers", Repeat(kMedia2Marker, kMiB / sizeof kMedia2Marker),
       STRELL_ERR_NOT_FOUND, 0},
      {"1 MiB access name prefix", "live1.sdp" + std::string(kMiB, 'x'), STRELL_ERR_NOT_FOUND, 0},
      {"every byte 1..255", bytes, STRELL_ERR_NOT_FOUND, 0},
      {"Media1 marker, every byte", kMedia1Marker + bytes, STRELL_ERR_NOT_FOUND, 0},
      {"Media2 marker, every byte", kMedia2Marker + bytes, STRELL_ERR_NOT_FOUND, 0},
      {"every byte, then a Media1 URL", bytes + kMedia1Marker + "Profile_1", STRELL_OK, 222},
      {"Media1 marker twice", Repeat(kMedia1Marker, 2) + "Profile_1", STRELL_ERR_NOT_FOUND, 0},
      {"Media2 marker twice", Repeat(kMedia2Marker, 2) + "StreamProfile_1", STRELL_ERR_NOT_FOUND,
       0},
      // The first handler that finds its marker claims the URL.
      {"Media2 marker before a Media1 URL",
       kMedia2Marker + std::string(kMedia1Marker) + "Profile_1", STRELL_OK, 222},
      {"Media1 marker before a Media2 URL",
       kMedia1Marker + std::string(kMedia2Marker) + "StreamProfile_1", STRELL_ERR_NOT_FOUND, 0},
      {"Media1 marker alone", kMedia1Marker, STRELL_ERR_NOT_FOUND, 0},
      {"Media2 marker alone", kMedia2Marker, STRELL_ERR_NOT_FOUND, 0},
      {"markers without a token", Repeat(std::string(kMedia1Marker) + kMedia2Marker, 100) + "x",
       STRELL_ERR_NOT_FOUND, 0},
      {"URL cut by a NUL", std::string(kMedia1Marker) + std::string("Profile_1\0garbage", 17),
       STRELL_OK, 222},
      {"access name with a blank", "live1.sdp ", STRELL_ERR_NOT_FOUND, 0},
      {"access name with a leading slash", "/live1.sdp", STRELL_ERR_NOT_FOUND, 0},
  };
}

TEST_F(BadInput, HostileUrlsGiveTheirCodeAndStayInBounds) {
  Load();
  for (const UrlRow& row : HostileUrls()) {
    SCOPED_TRACE(row.label);
    Guarded<TProfileInfo> info;
    EXPECT_EQ(row.code, Resolve(row.url.c_str(), info));
    if (row.code == STRELL_OK) {
      EXPECT_EQ(row.key, info->profileKey);
    } else {
      EXPECT_TRUE(info.Untouched());
    }
  }
}

TEST_F(BadInput, EverySingleByteUrlIsClaimedByNoHandler) {
  Load();
  for (int c = 1; c <= 255; ++c) {
    const char url[2] = {static_cast<char>(c), '\0'};
    Guarded<TProfileInfo> info;
    EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve(url, info)) << "byte " << c;
    EXPECT_TRUE(info.Untouched()) << "byte " << c;
    // The same byte after each kind's name never matches either.
    for (const char* base : {"live1.sdp", "media/stream.sdp?profile=Profile_1",
                             "media2/stream.sdp?profile=StreamProfile_1"}) {
      Guarded<TProfileInfo> longer;
      EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve((base + std::string(url)).c_str(), longer))
          << base << " + byte " << c;
      EXPECT_TRUE(longer.Untouched());
    }
  }
}

// Configuration texts of 255 characters (the most a host can deliver into the
// 256-byte buffer), of 256 characters (cut by the host to 255) and of every
// byte value: names match URLs of exactly the delivered text, addresses fill
// the record's text field to its last byte and no further.
TEST_F(BadInput, LongestAndBinaryTextsFillFieldsExactly) {
  const std::string bytes = AllBytes();
  const std::string text255(255, 'n');
  const std::string text256 = std::string(255, 'm') + "X";
  struct Row {
    const char* label;
    std::string stored;     // what the configuration holds
    std::string delivered;  // what a 255-character host hands over
  } const rows[] = {
      {"255 characters", text255, text255},
      {"256 characters", text256, text256.substr(0, 255)},
      {"every byte value", bytes, bytes},
  };
  const char* profileFile = FileOf(0);
  const char* videoFile = FileOf(1);
  const char* serverFile = FileOf(4);
  const char* media2File = FileOf(5);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    fake_host::Set(profileFile, "/mediaconf/profile/i0/token", row.stored);
    fake_host::Set(videoFile, "/mediaconf/videoencoderconfiguration/i0/multicast/address/ipv4",
                   row.stored);
    fake_host::Set(serverFile, "/root/network/rtsp/s0/accessname", row.stored);
    fake_host::Set(serverFile, "/root/network/rtsp/s0/multicast/videoipaddress", row.stored);
    fake_host::Set(media2File, "/root/streamprofile/i0/token", row.stored);
    fake_host::Set(FileOf(6), "/root/videoin/c0/s0/multicast/ipaddress", row.stored);
    Load();
    struct Expect {
      std::string url;
      int key;
    } const expects[] = {{kMedia1Marker + row.delivered, 222},
                         {row.delivered, 111},
                         {kMedia2Marker + row.delivered, 333}};
    for (const Expect& expect : expects) {
      Guarded<TProfileInfo> info;
      ASSERT_EQ(STRELL_OK, Resolve(expect.url.c_str(), info)) << expect.key;
      EXPECT_EQ(expect.key, info->profileKey);
      EXPECT_EQ(row.delivered, std::string(info->profileName));
      EXPECT_EQ(row.delivered, std::string(info->videoInfo.ipAddress));
      EXPECT_EQ('\0', info->videoInfo.ipAddress[255]);
    }
    // The full 256-character text is longer than anything stored.
    if (row.stored != row.delivered) {
      Guarded<TProfileInfo> info;
      EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve((kMedia1Marker + row.stored).c_str(), info));
      EXPECT_TRUE(info.Untouched());
    }
  }
}

// Integer texts as the host may deliver them: atoi conventions, with values
// beyond int saturating instead of overflowing.
TEST_F(BadInput, IntegerTextsReadWithAtoiConventionsAndSaturate) {
  struct Row {
    const char* text;
    int value;
  } const rows[] = {
      {"99999999999999999999", INT_MAX},
      {"-99999999999999999999", INT_MIN},
      {"00000000000000000042", 42},
      {"+99999999999999999999", INT_MAX},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-2147483649", INT_MIN},
      {"+42", 42},
      {"  42", 42},
      {"\t\n\v\f\r-7", -7},
      {"42 17", 42},
      {"42abc", 42},
      {"- 7", 0},
      {"+-7", 0},
      {"--7", 0},
      {"", 0},
      {" ", 0},
      {"0x10", 0},
      {"abc", 0},
      {"\xff\xfe", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("text \"") + row.text + "\"");
    // A Media1 encoder port (read at reload), a stream-server port, and a
    // Media2 multicast port and TTL (read at each resolution).
    fake_host::Set(FileOf(1), "/mediaconf/videoencoderconfiguration/i0/multicast/port", row.text);
    fake_host::Set(FileOf(4), "/root/network/rtsp/s0/multicast/videoport", row.text);
    fake_host::Set(FileOf(6), "/root/videoin/c0/s0/multicast/port", row.text);
    fake_host::Set(FileOf(6), "/root/videoin/c0/s0/multicast/ttl", row.text);
    Load();
    Guarded<TProfileInfo> media1;
    ASSERT_EQ(STRELL_OK, Resolve("media/stream.sdp?profile=Profile_1", media1));
    EXPECT_EQ(row.value, media1->videoInfo.port);
    Guarded<TProfileInfo> server;
    ASSERT_EQ(STRELL_OK, Resolve("live1.sdp", server));
    EXPECT_EQ(row.value, server->videoInfo.port);
    Guarded<TProfileInfo> media2;
    ASSERT_EQ(STRELL_OK, Resolve("media2/stream.sdp?profile=StreamProfile_1", media2));
    EXPECT_EQ(row.value, media2->videoInfo.port);
    EXPECT_EQ(row.value, media2->videoInfo.ttl);
  }
}

// Tracks and video sources at the ends of int: the conversions stay defined
// (two streams per channel here is three: the process reads the counts 2, 3
// and 1 once) and the per-channel file name is still formatted in bounds.
TEST_F(BadInput, ExtremeTracksAndSourcesStayDefined) {
  struct Row {
    const char* track;
    int mediaTask;  // of the resolved video part
    int channel;
    int stream;
  } const tracks[] = {
      {"99999999999999999999", 1, INT_MAX / 3, INT_MAX % 3},
      {"-99999999999999999999", 0, 0x5a5a5a5a, 0x5a5a5a5a},
      {"-1", 0, 0x5a5a5a5a, 0x5a5a5a5a},
      {"+5", 1, 1, 2},
      {" 7", 1, 2, 1},
  };
  for (const Row& row : tracks) {
    SCOPED_TRACE(std::string("track \"") + row.track + "\"");
    fake_host::Set(FileOf(4), "/root/network/rtsp/s0/videotrack", row.track);
    Load();
    Guarded<TProfileInfo> info;
    ASSERT_EQ(STRELL_OK, Resolve("live1.sdp", info));
    EXPECT_EQ(row.mediaTask, info->videoInfo.mediaTask);
    EXPECT_EQ(row.channel, info->videoInfo.channel);
    EXPECT_EQ(row.stream, info->videoInfo.stream);
  }

  struct Source {
    const char* text;
    int code;
    int channel;
    int stream;
  } const sources[] = {
      {"c99999999999999999999s99999999999999999999", STRELL_OK, INT_MAX, INT_MAX},
      {"c-99999999999999999999s-1", STRELL_OK, INT_MIN, -1},
      {"c +1s -2", STRELL_OK, 1, -2},
      {"c1", STRELL_ERR_BAD_SOURCE, 0, 0},
      {"c1s", STRELL_ERR_BAD_SOURCE, 0, 0},
      {"s1c1", STRELL_ERR_BAD_SOURCE, 0, 0},
      {"", STRELL_ERR_BAD_SOURCE, 0, 0},
      {"c1s1\xff", STRELL_OK, 1, 1},
  };
  for (const Source& row : sources) {
    SCOPED_TRACE(std::string("source \"") + row.text + "\"");
    fake_host::Set(FileOf(5), "/root/streamprofile/i0/videoconfiguration/source", row.text);
    Load();
    Guarded<TProfileInfo> info;
    ASSERT_EQ(row.code, Resolve("media2/stream.sdp?profile=StreamProfile_1", info));
    EXPECT_EQ(333, info->profileKey);
    if (row.code == STRELL_OK) {
      EXPECT_EQ(row.channel, info->videoInfo.channel);
      EXPECT_EQ(row.stream, info->videoInfo.stream);
      EXPECT_EQ(1, info->videoInfo.mediaTask);
    } else {
      EXPECT_EQ(0x5a5a5a5a, info->videoInfo.mediaTask);
    }
    // The list compares the parsed numbers; a source that does not parse
    // matches no channel and stream of 0 or more.
    Guarded<TProfileList> list;
    list->profileCount = 0;
    EXPECT_EQ(STRELL_OK, List(true, row.channel, row.stream, list));
  }
}

// profileCount as the host may leave it: at, near and beyond the capacity of
// profileKeys, and negative. Nothing is ever written outside the array, and
// a count that leaves no room is not changed.
TEST_F(BadInput, ProfileCountAtCapacityOrNegativeWritesInBounds) {
  Load();
  // Under configuration A video 0/0 and audio 0/0 each match three profiles.
  const int expected[] = {222, 111, 333};
  struct Row {
    int count;
    int after;
    int appended;  // keys written, from profileKeys[count] on
  } const rows[] = {
      {0, 3, 3},
      {STRELL_MAX_PROFILE_KEYS - 3, STRELL_MAX_PROFILE_KEYS, 3},
      {STRELL_MAX_PROFILE_KEYS - 2, STRELL_MAX_PROFILE_KEYS, 2},
      {STRELL_MAX_PROFILE_KEYS - 1, STRELL_MAX_PROFILE_KEYS, 1},
      {STRELL_MAX_PROFILE_KEYS, STRELL_MAX_PROFILE_KEYS, 0},
      {STRELL_MAX_PROFILE_KEYS + 1, STRELL_MAX_PROFILE_KEYS + 1, 0},
      {INT_MAX, INT_MAX, 0},
      {-1, -1, 0},
      {INT_MIN, INT_MIN, 0},
  };
  for (bool video : {true, false}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(video ? "video" : "audio") + " count " + std::to_string(row.count));
      Guarded<TProfileList> list;
      list->profileCount = row.count;
      EXPECT_EQ(STRELL_OK, List(video, 0, 0, list));
      EXPECT_EQ(row.after, list->profileCount);
      for (int i = 0; i < STRELL_MAX_PROFILE_KEYS; ++i) {
        const bool written = row.count >= 0 && i >= row.count && i < row.count + row.appended;
        const int want = written ? expected[i - row.count] : 0x5a5a5a5a;
        EXPECT_EQ(want, list->profileKeys[i]) << "profileKeys[" << i << "]";
      }
    }
  }
}

// Null pointers where the host should not pass them: a defined answer, no
// crash.
TEST_F(BadInput, NullArgumentsGiveDefinedAnswers) {
  Load();
  Guarded<TProfileInfo> info;
  // A null URL is the empty URL: stream-server slot s2 has no access name, so
  // its empty name matches.
  EXPECT_EQ(STRELL_OK, Resolve(nullptr, info));
  EXPECT_EQ(113, info->profileKey);
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, context_.Resolve("live1.sdp", nullptr));
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(context_.handle(), 0, 0, nullptr));
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByAudioStream(context_.handle(), 0, 0, nullptr));
  // A null handle answers as an empty context.
  Guarded<TProfileInfo> untouched;
  EXPECT_EQ(STRELL_ERR_NOT_FOUND,
            Strell_GetProfileInfoByStreamUrl(nullptr, "live1.sdp", untouched.get()));
  EXPECT_TRUE(untouched.Untouched());
  EXPECT_EQ(STRELL_OK, Strell_Parse(nullptr));
  Guarded<TProfileList> list;
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(nullptr, 0, 0, list.get()));
  EXPECT_TRUE(list.Untouched());
  EXPECT_EQ(STRELL_OK, Strell_Init(nullptr));
  EXPECT_EQ(STRELL_OK, Strell_Release(nullptr));
  tried_ += 8;  // the calls above that bypass Resolve and List
}

// Reads that fail: a file the host cannot read at all (missing, malformed,
// unreadable: the fake host fails every read of it) leaves each value of it at
// its start value, and the reload still succeeds.
TEST_F(BadInput, UnreadableFilesLeaveStartValues) {
  for (const reliability::ConfigFile& file : reliability::kFiles) {
    fake_host::FailFile(file.path);
  }
  Load();
  Guarded<TProfileInfo> info;
  // Media1 profiles without a token are skipped; Media2 slots exist but hold
  // empty tokens; stream-server slots hold empty access names.
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve("media/stream.sdp?profile=Profile_1", info));
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve("live1.sdp", info));
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve("media2/stream.sdp?profile=StreamProfile_1", info));
  EXPECT_TRUE(info.Untouched());
  // The empty URL names the first empty access name, whose media are not
  // carried (tracks start at -1).
  EXPECT_EQ(STRELL_OK, Resolve("", info));
  EXPECT_EQ(111, info->profileKey);
  EXPECT_EQ(0, info->videoInfo.mediaTask);
  EXPECT_EQ(0, info->audioInfo.mediaTask);
  EXPECT_EQ(0, info->metadataInfo.mediaTask);
  Guarded<TProfileList> list;
  list->profileCount = 0;
  EXPECT_EQ(STRELL_OK, List(false, 0, 0, list));
  EXPECT_EQ(0, list->profileCount);
}

}  // namespace
