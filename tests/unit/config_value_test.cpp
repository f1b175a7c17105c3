// Reading one value through the host, and the bounded record writers.
#include "hostconfig/config_value.h"

#include <climits>
#include <string>

#include "base/text.h"
#include "handler/record_writer.h"
#include "unit/test_support.h"

namespace strell_test {
namespace {

TEST(ParseDecimal, FollowsAtoiConventionsAndSaturates) {
  // clang-format off
  struct Case {
    const char* text;
    int value;
  } const cases[] = {
      {"0", 0}, {"554", 554}, {"  42", 42}, {"\t\n-17", -17}, {"+8", 8}, {"12abc", 12}, {"abc", 0},
      {"", 0}, {"-", 0}, {"+-3", 0}, {" - 3", 0}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
      {"99999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN},
      {"00000000000000000000000007", 7}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(c.value, parseDecimal(c.text)) << '"' << c.text << '"';
}

class HostValue : public FakeHostTest {};

TEST_F(HostValue, DeliveredTextReplacesTheValueAndAFailedReadKeepsIt) {
  const std::string longest(255, 'x');
  fake_host::Set("/f.xml", "/root/a", longest);
  fake_host::Set("/f.xml", "/root/n", " 1935 ");
  std::string text = "old";
  int number = -5;
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, readHostText("/f.xml", "/root/x", text));
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, readHostInt("/f.xml", "/root/x", number));
  EXPECT_EQ("old", text);
  EXPECT_EQ(-5, number);
  EXPECT_EQ(STRELL_OK, readHostText("/f.xml", "/root/a", text));
  EXPECT_EQ(STRELL_OK, readHostInt("/f.xml", "/root/n", number));
  EXPECT_EQ(longest, text);
  EXPECT_EQ(1935, number);
  for (const auto& read : fake_host::XmlReads()) EXPECT_TRUE(read.zeroedBuffer) << read.key;

  EXPECT_EQ(0, readHostParameter("capability_nvideoin"));  // not delivered
  fake_host::SetParam("capability_nvideoin", "2");
  EXPECT_EQ(2, readHostParameter("capability_nvideoin"));
}

TEST(RecordWriter, TextIsCutTo255CharactersAndTerminated) {
  for (size_t length : {0u, 1u, 254u, 255u, 256u, 300u}) {
    char field[STRELL_TEXT_SIZE + 1];
    std::memset(field, 'z', sizeof field);
    const std::string text(length, 'a');
    writeText(reinterpret_cast<char(&)[STRELL_TEXT_SIZE]>(field), text.c_str());
    EXPECT_EQ(std::string(std::min<size_t>(length, 255), 'a'), std::string(field)) << length;
    EXPECT_EQ('z', field[STRELL_TEXT_SIZE]) << "wrote past the field for length " << length;
  }
}

TEST(RecordWriter, AppendStopsAtCapacityAndAtANegativeCount) {
  TProfileList list = EmptyList();
  for (int key = 0; key < STRELL_MAX_PROFILE_KEYS + 5; ++key) appendProfileKey(&list, key);
  EXPECT_EQ(STRELL_MAX_PROFILE_KEYS, list.profileCount);
  EXPECT_EQ(STRELL_MAX_PROFILE_KEYS - 1, list.profileKeys[STRELL_MAX_PROFILE_KEYS - 1]);
  list = EmptyList();
  list.profileCount = -1;
  EXPECT_FALSE(appendProfileKey(&list, 7));
  EXPECT_EQ(-1, list.profileCount);
}

}  // namespace
}  // namespace strell_test
