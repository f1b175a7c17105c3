// The bad-input table: hostile URLs, configuration texts and list records, each
// with its defined result, every record placed between guard zones so that a
// write outside it fails the row.
#include <climits>
#include <string>
#include <vector>

#include "reliability/reliability_support.h"
#include "unit/camera_fixture.h"

namespace {

using reliability::Guarded;
using reliability::kPatternInt;
using namespace strell_test;

constexpr char kMedia1[] = "media/stream.sdp?profile=";
constexpr char kMedia2[] = "media2/stream.sdp?profile=";
constexpr char kMedia1Url[] = "media/stream.sdp?profile=Profile_1";
constexpr char kMedia2Url[] = "media2/stream.sdp?profile=StreamProfile_1";
constexpr size_t kMiB = 1024 * 1024;

// Every byte value from 1 to 255, in order: exactly 255 characters.
std::string AllBytes() {
  std::string text;
  for (int c = 1; c <= 255; ++c) text.push_back(static_cast<char>(c));
  return text;
}

std::string Repeat(const std::string& text, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

class BadInput : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    reliability::SetFakeHostConfig(false);
  }
  // The figure docs/reliability.md quotes: requests made with a bad input.
  void TearDown() override {
    std::printf("%s: %d bad inputs tried\n",
                testing::UnitTest::GetInstance()->current_test_info()->name(), tried_);
  }

  // Resolves `url` into a guarded record, which must stay inside its bounds
  // with every text terminated. The trace lines (which can hold a whole URL)
  // are swallowed.
  int Resolve(const char* url, Guarded<TProfileInfo>& info) {
    int code = -1;
    ++tried_;
    CaptureStdout([&] { code = context_.Resolve(url, info.get()); });
    EXPECT_TRUE(info.Intact()) << "write outside the record";
    EXPECT_EQ(std::string::npos, Describe(*info.get()).find("<unterminated>"));
    return code;
  }

  int List(bool video, int channel, int stream, Guarded<TProfileList>& list) {
    int code = -1;
    ++tried_;
    CaptureStdout([&] {
      code = reliability::ListQueryOn(context_.handle(), {video, channel, stream}, list.get());
    });
    EXPECT_TRUE(list.Intact()) << "write outside the list";
    return code;
  }

  void Load() { ASSERT_EQ(STRELL_OK, context_.Parse()); }

  Context context_;
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
  const int kNotFound = STRELL_ERR_NOT_FOUND;
  std::vector<UrlRow> rows = {
      {"1 MiB of letters", std::string(kMiB, 'a'), kNotFound, 0},
      {"1 MiB Media1 token", kMedia1 + std::string(kMiB, 'P'), kNotFound, 0},
      {"1 MiB Media2 token", kMedia2 + std::string(kMiB, 'S'), kNotFound, 0},
      {"1 MiB of Media1 markers", Repeat(kMedia1, kMiB / sizeof kMedia1), kNotFound, 0},
      {"1 MiB of Media2 markers", Repeat(kMedia2, kMiB / sizeof kMedia2), kNotFound, 0},
      {"1 MiB access name prefix", "live1.sdp" + std::string(kMiB, 'x'), kNotFound, 0},
      {"every byte 1..255", bytes, kNotFound, 0},
      {"Media1 marker, every byte", kMedia1 + bytes, kNotFound, 0},
      {"Media2 marker, every byte", kMedia2 + bytes, kNotFound, 0},
      {"every byte, then a Media1 URL", bytes + kMedia1Url, STRELL_OK, 222},
      {"Media1 marker twice", kMedia1 + std::string(kMedia1Url), kNotFound, 0},
      {"Media2 marker twice", kMedia2 + std::string(kMedia2Url), kNotFound, 0},
      // The first handler that finds its marker claims the URL.
      {"Media2 marker before a Media1 URL", kMedia2 + std::string(kMedia1Url), STRELL_OK, 222},
      {"Media1 marker before a Media2 URL", kMedia1 + std::string(kMedia2Url), kNotFound, 0},
      {"Media1 marker alone", kMedia1, kNotFound, 0},
      {"Media2 marker alone", kMedia2, kNotFound, 0},
      {"markers without a token", Repeat(std::string(kMedia1) + kMedia2, 100) + "x", kNotFound, 0},
      {"URL cut by a NUL", kMedia1Url + std::string("\0garbage", 8), STRELL_OK, 222},
      {"access name with a blank", "live1.sdp ", kNotFound, 0},
      {"access name with a leading slash", "/live1.sdp", kNotFound, 0},
  };
  // Every single byte, alone and after each kind's name, matches nothing.
  for (int c = 1; c <= 255; ++c) {
    const std::string byte(1, static_cast<char>(c));
    for (const char* base : {"", "live1.sdp", kMedia1Url, kMedia2Url}) {
      rows.push_back(
          {base + std::string(" + byte ") + std::to_string(c), base + byte, kNotFound, 0});
    }
  }
  return rows;
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

// Configuration texts of 255 characters (the most a host can deliver into the
// 256-byte buffer), of 256 characters (cut by the host to 255) and of every
// byte value: names match URLs of exactly the delivered text, addresses fill
// the record's text field to its last byte and no further.
TEST_F(BadInput, LongestAndBinaryTextsFillFieldsExactly) {
  const std::string text256 = std::string(255, 'm') + "X";
  const struct Row {
    const char* label;
    std::string stored;     // what the configuration holds
    std::string delivered;  // what a 255-character host hands over
  } rows[] = {{"255 characters", std::string(255, 'n'), std::string(255, 'n')},
              {"256 characters", text256, text256.substr(0, 255)},
              {"every byte value", AllBytes(), AllBytes()}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    fake_host::Set(kOnvifProfiles, OnvifKey("profile", 0, "token"), row.stored);
    fake_host::Set(kOnvifVideo, OnvifKey(kVideoSection, 0, "multicast/address/ipv4"), row.stored);
    SetRtsp(0, "accessname", row.stored);
    SetRtsp(0, "multicast/videoipaddress", row.stored);
    SetStreamProfile(0, "token", row.stored);
    fake_host::Set(VideoInFile(0), MulticastKey("videoin", 0, 0, "ipaddress"), row.stored);
    Load();
    const std::pair<std::string, int> expects[] = {
        {kMedia1 + row.delivered, 222}, {row.delivered, 111}, {kMedia2 + row.delivered, 333}};
    for (const auto& expect : expects) {
      Guarded<TProfileInfo> info;
      ASSERT_EQ(STRELL_OK, Resolve(expect.first.c_str(), info)) << expect.second;
      EXPECT_EQ(expect.second, info->profileKey);
      EXPECT_EQ(row.delivered, std::string(info->profileName));
      EXPECT_EQ(row.delivered, std::string(info->videoInfo.ipAddress));
    }
    // The full 256-character text is longer than anything stored.
    if (row.stored != row.delivered) {
      Guarded<TProfileInfo> info;
      EXPECT_EQ(STRELL_ERR_NOT_FOUND, Resolve((kMedia1 + row.stored).c_str(), info));
      EXPECT_TRUE(info.Untouched());
    }
  }
}

// Integer texts as the host may deliver them: atoi conventions, with values
// beyond int saturating instead of overflowing. They are a Media1 encoder
// port (read at reload), a stream-server port, and a Media2 multicast port
// and TTL (read at each resolution).
TEST_F(BadInput, IntegerTextsReadWithAtoiConventionsAndSaturate) {
  // clang-format off
  const std::pair<const char*, int> rows[] = {
      {"99999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN},
      {"+99999999999999999999", INT_MAX}, {"00000000000000000042", 42}, {"2147483647", INT_MAX},
      {"2147483648", INT_MAX}, {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN}, {"+42", 42},
      {"  42", 42}, {"\t\n\v\f\r-7", -7}, {"42 17", 42}, {"42abc", 42}, {"- 7", 0}, {"+-7", 0},
      {"--7", 0}, {"", 0}, {" ", 0}, {"0x10", 0}, {"abc", 0}, {"\xff\xfe", 0}};
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string("text \"") + row.first + "\"");
    fake_host::Set(kOnvifVideo, OnvifKey(kVideoSection, 0, "multicast/port"), row.first);
    SetRtsp(0, "multicast/videoport", row.first);
    fake_host::Set(VideoInFile(0), MulticastKey("videoin", 0, 0, "port"), row.first);
    fake_host::Set(VideoInFile(0), MulticastKey("videoin", 0, 0, "ttl"), row.first);
    Load();
    for (const char* url : {kMedia1Url, "live1.sdp", kMedia2Url}) {
      Guarded<TProfileInfo> info;
      ASSERT_EQ(STRELL_OK, Resolve(url, info)) << url;
      EXPECT_EQ(row.second, info->videoInfo.port) << url;
      if (url == kMedia2Url) {
        EXPECT_EQ(row.second, info->videoInfo.ttl);
      }
    }
  }
}

// Tracks and video sources at the ends of int: the conversions stay defined
// (the process reads three streams per channel) and the per-channel file name
// is still formatted in bounds.
TEST_F(BadInput, ExtremeTracksAndSourcesStayDefined) {
  // clang-format off
  const struct Track {
    const char* text;
    int mediaTask, channel, stream;  // of the resolved video part
  } tracks[] = {{"99999999999999999999", 1, INT_MAX / 3, INT_MAX % 3},
                {"-99999999999999999999", 0, kPatternInt, kPatternInt},
                {"-1", 0, kPatternInt, kPatternInt}, {"+5", 1, 1, 2}, {" 7", 1, 2, 1}};
  // clang-format on
  for (const Track& row : tracks) {
    SCOPED_TRACE(std::string("track \"") + row.text + "\"");
    SetRtsp(0, "videotrack", row.text);
    Load();
    Guarded<TProfileInfo> info;
    ASSERT_EQ(STRELL_OK, Resolve("live1.sdp", info));
    EXPECT_EQ(row.mediaTask, info->videoInfo.mediaTask);
    EXPECT_EQ(row.channel, info->videoInfo.channel);
    EXPECT_EQ(row.stream, info->videoInfo.stream);
  }

  // clang-format off
  const struct Source {
    const char* text;
    int code, channel, stream;
  } sources[] = {{"c99999999999999999999s99999999999999999999", STRELL_OK, INT_MAX, INT_MAX},
                 {"c-99999999999999999999s-1", STRELL_OK, INT_MIN, -1},
                 {"c +1s -2", STRELL_OK, 1, -2}, {"c1s1\xff", STRELL_OK, 1, 1},
                 {"c1", STRELL_ERR_BAD_SOURCE, 0, 0}, {"c1s", STRELL_ERR_BAD_SOURCE, 0, 0},
                 {"s1c1", STRELL_ERR_BAD_SOURCE, 0, 0}, {"", STRELL_ERR_BAD_SOURCE, 0, 0}};
  // clang-format on
  for (const Source& row : sources) {
    SCOPED_TRACE(std::string("source \"") + row.text + "\"");
    SetStreamProfile(0, "videoconfiguration/source", row.text);
    Load();
    Guarded<TProfileInfo> info;
    ASSERT_EQ(row.code, Resolve(kMedia2Url, info));
    EXPECT_EQ(333, info->profileKey);
    const bool ok = row.code == STRELL_OK;
    EXPECT_EQ(ok ? 1 : kPatternInt, info->videoInfo.mediaTask);
    if (ok) {
      EXPECT_EQ(row.channel, info->videoInfo.channel);
      EXPECT_EQ(row.stream, info->videoInfo.stream);
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
  const int kMax = STRELL_MAX_PROFILE_KEYS;
  // clang-format off
  const struct Row {
    int count, after;
    int appended;  // keys written, from profileKeys[count] on
  } rows[] = {
      {0, 3, 3}, {kMax - 3, kMax, 3}, {kMax - 2, kMax, 2}, {kMax - 1, kMax, 1}, {kMax, kMax, 0},
      {kMax + 1, kMax + 1, 0}, {INT_MAX, INT_MAX, 0}, {-1, -1, 0}, {INT_MIN, INT_MIN, 0}};
  // clang-format on
  for (bool video : {true, false}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(video ? "video" : "audio") + " count " + std::to_string(row.count));
      Guarded<TProfileList> list;
      list->profileCount = row.count;
      EXPECT_EQ(STRELL_OK, List(video, 0, 0, list));
      EXPECT_EQ(row.after, list->profileCount);
      for (int i = 0; i < kMax; ++i) {
        const bool written = row.count >= 0 && i >= row.count && i < row.count + row.appended;
        EXPECT_EQ(written ? expected[i - row.count] : kPatternInt, list->profileKeys[i]) << i;
      }
    }
  }
}

// Null pointers where the host should not pass them: a defined answer, no
// crash. (A null handle is an empty context: Lifecycle.NullHandleBehavesAsAnEmptyContext.)
TEST_F(BadInput, NullArgumentsGiveDefinedAnswers) {
  Load();
  // A null URL is the empty URL: stream-server slot s2 has no access name, so
  // its empty name matches.
  Guarded<TProfileInfo> info;
  EXPECT_EQ(STRELL_OK, Resolve(nullptr, info));
  EXPECT_EQ(113, info->profileKey);
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, context_.Resolve("live1.sdp", nullptr));
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(context_.handle(), 0, 0, nullptr));
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByAudioStream(context_.handle(), 0, 0, nullptr));
  EXPECT_EQ(STRELL_OK, Strell_Init(nullptr));
  EXPECT_EQ(STRELL_OK, Strell_Release(nullptr));
  tried_ += 5;  // the calls above that bypass Resolve
}

}  // namespace
