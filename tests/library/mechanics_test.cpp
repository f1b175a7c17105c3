// The mechanisms every part of the library shares, each against an oracle
// from the C library where one exists: the decimal scan against sscanf and
// atoi, text equality against memcmp, the marker search against strstr, key
// paths against snprintf, and the bounded writers of host-owned records.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>

#include "base/key_path.h"
#include "base/text.h"
#include "handler/record_writer.h"
#include "handler/url_handler.h"
#include "numbering/numbering.h"
#include "testing/records.h"
#include "testing/temp_dir.h"

namespace {

// GCC warns that a long argument may be cut; the cut is what is compared.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wformat-truncation"
#endif

// Texts where sscanf("%d") and atoi are defined (no overflow): the scan must
// give their answers, and consume exactly what %d%n consumes.
TEST(DecimalScan, AgreesWithScanfAndAtoiAndSaturates) {
  for (const char* text : {"0", "554", "  42", "\t\n\v\f\r-17", "+8", "12abc", "abc", "", "-",
                           "+-3", " - 3", "2147483647", "-2147483648", "007x", "1 2"}) {
    int scanned = 77;
    int consumed = -1;
    const bool found = std::sscanf(text, "%d%n", &scanned, &consumed) == 1;
    int value = 77;
    const char* end = scanDecimal(text, value);
    EXPECT_EQ(found, end != nullptr) << '"' << text << '"';
    EXPECT_EQ(scanned, value) << '"' << text << '"';
    if (found) {
      EXPECT_EQ(consumed, end - text) << '"' << text << '"';
    }
    EXPECT_EQ(std::atoi(text), parseDecimal(text)) << '"' << text << '"';
  }
  EXPECT_EQ(INT_MAX, parseDecimal("99999999999999999999"));
  EXPECT_EQ(INT_MIN, parseDecimal("-2147483649"));
  int value = 0;
  const char* text = "99999999999999999999s";
  EXPECT_EQ(text + 20, scanDecimal(text, value));  // every digit consumed
  EXPECT_EQ(0, parseDecimal(nullptr));
}

TEST(TextEquality, IsSameLengthAndSameBytesForEveryLength) {
  for (size_t length = 0; length < 40; ++length) {
    const std::string a(length, 'x');
    for (size_t at = 0; at < length; ++at) {
      std::string b = a;
      b[at] = 'y';
      EXPECT_FALSE(sameText(a, b.data(), length)) << length << " differing at " << at;
    }
    EXPECT_TRUE(sameText(a, a.c_str(), length)) << length;
    EXPECT_FALSE(sameText(a, a.c_str(), length + 1));
  }
  EXPECT_EQ(1, stringCompareEqual("", ""));
  EXPECT_EQ(1, stringCompareEqual(nullptr, ""));
  EXPECT_EQ(0, stringCompareEqual("live1.sdp", "live1"));
  EXPECT_EQ(0, stringCompareEqual("Media1", "media1"));
}

TEST(MarkerSearch, GivesTheRestAfterTheFirstMarkerWithSomethingAfterIt) {
  const char* marker = "media/stream.sdp?profile=";
  for (const char* url : {"media/stream.sdp?profile=P", "x/media/stream.sdp?profile=P&y=1",
                          "media/stream.sdp?profile=", "mmedia/stream.sdp?profile=Q",
                          "media/stream.sdp?profile=media/stream.sdp?profile=", "media2/stream", "",
                          "media/stream.sdp?profil"}) {
    const char* found = std::strstr(url, marker);
    const char* rest = found != nullptr ? found + std::strlen(marker) : nullptr;
    EXPECT_EQ(rest != nullptr && *rest != '\0' ? rest : nullptr, textAfterMarker(url, marker))
        << url;
  }
  EXPECT_STREQ("url", textAfterMarker("url", ""));
  EXPECT_EQ(nullptr, textAfterMarker(nullptr, marker));
}

std::string Formatted(const std::string& head, int number, const std::string& tail) {
  char expected[kKeyPathSize];
  std::snprintf(expected, sizeof expected, "%s%d%s", head.c_str(), number, tail.c_str());
  return expected;
}

TEST(KeyPath, IsWhatSnprintfWritesInto256BytesForEveryNumberAndCut) {
  for (int number : {0, 7, -10, 123456, INT_MAX, INT_MIN}) {
    for (size_t headLength : {0u, 244u, 250u, 254u, 255u, 300u}) {
      const std::string head(headLength, 'h');
      char buffer[kKeyPathSize];
      KeyPathBuilder path(buffer);
      path.text(head.c_str()).number(number).literal("/multicast/port");
      EXPECT_EQ(Formatted(head, number, "/multicast/port"), buffer) << number << " " << headLength;
      const size_t prefix = path.length();
      path.text("ttl");
      path.truncate(prefix);
      EXPECT_EQ(Formatted(head, number, "/multicast/port"), buffer);
    }
  }
  for (size_t headLength : {0u, 250u, 255u, 260u}) {
    const std::string pattern = std::string(headLength, 'p') + "/i%d/token";
    char key[kKeyPathSize];
    buildIndexedKeyPath(key, pattern.c_str(), -42);
    EXPECT_EQ(Formatted(std::string(headLength, 'p') + "/i", -42, "/token"), key) << headLength;
  }
}

TEST(RecordWriter, TextIsCutTo255CharactersAndAppendStopsAtTheArrayBounds) {
  for (size_t length : {0u, 1u, 255u, 256u, 300u}) {
    char field[STRELL_TEXT_SIZE + 1];
    std::memset(field, 'z', sizeof field);
    writeText(reinterpret_cast<char(&)[STRELL_TEXT_SIZE]>(field), std::string(length, 'a'));
    EXPECT_EQ(std::string(std::min<size_t>(length, 255), 'a'), field) << length;
    EXPECT_EQ('z', field[STRELL_TEXT_SIZE]) << "wrote past the field for length " << length;
  }
  TProfileList list{};
  for (int key = 0; key < STRELL_MAX_PROFILE_KEYS + 2; ++key) {
    EXPECT_EQ(key < STRELL_MAX_PROFILE_KEYS, appendProfileKey(&list, key)) << key;
  }
  EXPECT_EQ(STRELL_MAX_PROFILE_KEYS, list.profileCount);
  list.profileCount = -1;
  EXPECT_FALSE(appendProfileKey(&list, 7));
  EXPECT_EQ(-1, list.profileCount);
}

// Configuration numbering is the standard one; ONVIF counts both from 1, the
// encoder streams from 1. No range check: the ends of int wrap around.
TEST(Numbering, ConvertsBetweenTheThreeSchemesThroughTheStandardOne) {
  const auto kEncoder = MEDIA_INDEX_ENCODER_CMD, kOnvif = MEDIA_INDEX_ONVIF;
  const auto kConfig = MEDIA_INDEX_CONFIG, kOther = static_cast<mediaIndexType>(7);
  struct Case {
    mediaIndexType from, to;
    int value, channel, stream;
  } const cases[] = {{kEncoder, kOnvif, 5, 6, 5},
                     {kOnvif, kEncoder, 5, 4, 5},
                     {kOnvif, kConfig, 1, 0, 0},
                     {kConfig, kEncoder, 0, 0, 1},
                     {kOther, kOnvif, 3, 4, 4},
                     {kOnvif, kOnvif, 5, 5, 5},
                     {kOnvif, kConfig, INT_MIN, INT_MAX, INT_MAX}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.channel, convertChannel(c.from, c.to, c.value)) << c.from << ">" << c.to;
    EXPECT_EQ(c.stream, convertStream(c.from, c.to, c.value)) << c.from << ">" << c.to;
  }
  TChannelStream numbers{3, 7};
  EXPECT_EQ(STRELL_OK, Strell_OnvifToConfig(&numbers, &numbers));  // in place
  EXPECT_EQ(2, numbers.channel);
  EXPECT_EQ(6, numbers.stream);
  EXPECT_EQ(STRELL_OK, Strell_ConfigToOnvif(&numbers, &numbers));
  EXPECT_EQ(3, numbers.channel);
  EXPECT_EQ(7, numbers.stream);
}

TEST(ReadFileUtility, CreatesAMissingFileAndReadsEveryLineCutToSize) {
  testing_kit::TempDir dir;
  char buffer[16];
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_EQ(0, ReadFile((dir / "new.txt").c_str(), buffer, sizeof buffer));
  EXPECT_EQ(std::string(sizeof buffer, '\0'), std::string(buffer, sizeof buffer));
  // A line longer than the utility's 256-byte line buffer, one that leaves
  // only its newline for a second piece, and a last line without one.
  const std::string text = std::string(300, 'a') + "\n" + std::string(255, 'b') + "\nz";
  ASSERT_TRUE(testing_kit::WriteFile(dir / "lines.txt", text));
  const auto openFiles = [] {
    namespace fs = std::filesystem;
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  const auto filesBefore = openFiles();
  for (size_t size : {1u, 2u, 301u, 302u, 557u, 558u, 559u}) {
    std::string read(text.size() + 2, 'z');
    EXPECT_EQ(0, ReadFile((dir / "lines.txt").c_str(), &read[0], static_cast<int>(size)));
    EXPECT_EQ(text.substr(0, size - 1), read.c_str()) << size;
    EXPECT_EQ('z', read[size]) << "wrote past size " << size;
  }
  EXPECT_EQ(filesBefore, openFiles()) << "a file was left open";
  // A socket exists, so nothing is created, and cannot be opened as a file,
  // not even by root.
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (dir / "socket").c_str());
  ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
  testing_kit::TakeTrace();
  EXPECT_EQ(-1, ReadFile((dir / "no/such/dir/file").c_str(), buffer, sizeof buffer));
  EXPECT_EQ(-1, ReadFile((dir / "socket").c_str(), buffer, sizeof buffer));
  EXPECT_EQ("ReadFile 31 : ReadFile : Create file fail!\nReadFile, 43 : file open fail : " +
                (dir / "socket") + "****\n",
            testing_kit::TakeTrace());
  close(fd);
}

}  // namespace
