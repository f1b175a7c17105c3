// Key paths and file names built without snprintf must be byte for byte what
// snprintf into a 256-byte buffer gives, cuts included.
#include "base/key_path.h"

#include <climits>
#include <cstdio>
#include <string>

#include "media1/url_media_one.h"
#include "unit/test_support.h"

namespace {

// GCC warns that a long argument may be cut; the cut is what is compared.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wformat-truncation"
#endif
#pragma GCC diagnostic ignored "-Wformat-nonliteral"

std::string Formatted(const std::string& head, int number, const std::string& tail) {
  char expected[kKeyPathSize];
  std::snprintf(expected, sizeof expected, "%s%d%s", head.c_str(), number, tail.c_str());
  return expected;
}

TEST(KeyPathBuilder, MatchesSnprintfForEveryNumberAndCut) {
  const int numbers[] = {0, 7, 10, -1, -10, 123456, INT_MAX, INT_MIN};
  // Heads that leave room for the whole number, for part of it, and for none.
  const size_t headLengths[] = {0, 20, 244, 250, 253, 254, 255, 300};
  for (int number : numbers) {
    for (size_t headLength : headLengths) {
      const std::string head(headLength, 'h');
      const std::string tail = "/multicast/port";
      char buffer[kKeyPathSize];
      std::memset(buffer, 'x', sizeof buffer);
      KeyPathBuilder path(buffer);
      path.text(head.c_str()).number(number).text(tail.c_str());
      const std::string expected = Formatted(head, number, tail);
      EXPECT_EQ(expected, std::string(buffer)) << number << " after " << headLength;
      EXPECT_EQ(expected.size(), path.length());
    }
  }
}

TEST(KeyPathBuilder, TruncateKeepsThePrefixForTheNextName) {
  char buffer[kKeyPathSize];
  KeyPathBuilder path(buffer);
  path.text("/root/videoin/c").number(1).text("/s").number(2).text("/multicast/");
  const size_t prefix = path.length();
  path.text("ipaddress");
  path.truncate(prefix);
  path.text("ttl");
  EXPECT_STREQ("/root/videoin/c1/s2/multicast/ttl", buffer);
  path.truncate(prefix + 10);  // longer than the text: no change
  EXPECT_STREQ("/root/videoin/c1/s2/multicast/ttl", buffer);
}

TEST(KeyPathBuilder, IndexedPathsMatchSnprintfForEveryMediaOneRow) {
  for (const COnvifMediaOneConfigItem& row : onvifMediaOneConfigMap) {
    for (int index : {0, 3, 12, -1}) {
      char expected[kKeyPathSize];
      if (std::strstr(row.key, "%d") != nullptr) {
        std::snprintf(expected, sizeof expected, row.key, index);
      } else {
        std::snprintf(expected, sizeof expected, "%s", row.key);
      }
      char key[kKeyPathSize];
      buildIndexedKeyPath(key, row.key, index);
      EXPECT_STREQ(expected, key) << row.key;
    }
  }
}

TEST(KeyPathBuilder, IndexedPathCutAtTheBufferLikeSnprintf) {
  for (size_t headLength : {250u, 254u, 255u, 260u}) {
    const std::string pattern = std::string(headLength, 'p') + "%d/token";
    char expected[kKeyPathSize];
    std::snprintf(expected, sizeof expected, pattern.c_str(), 42);
    char key[kKeyPathSize];
    buildIndexedKeyPath(key, pattern.c_str(), 42);
    EXPECT_STREQ(expected, key) << headLength;
  }
}

}  // namespace
