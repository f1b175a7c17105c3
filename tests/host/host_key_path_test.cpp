// Key paths, value texts and the 255-character bound of the XML reader.
#include <string>

#include "conf_path.h"
#include "host/host_fixture.h"

namespace {

using host_test::HostTest;
using host_test::ReadValue;
using host_test::ValueOf;

constexpr char kFile[] = "/etc/conf.d/config_test.xml";

class HostKeyPath : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    Put("config_test.xml",
        "<?xml version=\"1.0\"?>\n"
        "<root>\n"
        "  <network><rtsp>\n"
        "    <s0><accessname>live1.sdp</accessname></s0>\n"
        "    <s0><accessname>second</accessname></s0>\n"
        "    <s1><accessname/></s1>\n"
        "  </rtsp></network>\n"
        "  <text>\n"
        "    <spaced>  a b  </spaced>\n"
        "    <entities>a&amp;b&lt;c&#65;</entities>\n"
        "    <cdata><![CDATA[<not markup>]]></cdata>\n"
        "    <commented><!-- note -->42</commented>\n"
        "    <parent><child>1</child></parent>\n"
        "    <Case>upper</Case>\n"
        "  </text>\n"
        "  <pick><b>first</b><b><c>only in the second</c></b></pick>\n"
        "</root>\n");
  }
};

TEST_F(HostKeyPath, ReadsTheTextOfTheNamedElement) {
  EXPECT_EQ("live1.sdp", ValueOf(kFile, "/root/network/rtsp/s0/accessname"));
}

TEST_F(HostKeyPath, TakesTheFirstOfSiblingsWithTheSameName) {
  EXPECT_EQ("first", ValueOf(kFile, "/root/pick/b"));
  // No search past the first match: the second <b> is never looked into.
  EXPECT_EQ(strell_host::kReadNoElement, ReadValue(kFile, "/root/pick/b/c").result);
}

TEST_F(HostKeyPath, DeliversTheTextAsWritten) {
  struct Case {
    const char* key;
    const char* text;
  } const cases[] = {
      {"/root/network/rtsp/s1/accessname", ""},  // empty element: present, empty text
      {"/root/text/spaced", "  a b  "},
      {"/root/text/entities", "a&b<cA"},
      {"/root/text/cdata", "<not markup>"},
      {"/root/text/commented", "42"},
      {"/root/text/parent", ""},  // children only: no text of its own
      {"/root/text/Case", "upper"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, ValueOf(kFile, c.key)) << c.key;
}

TEST_F(HostKeyPath, FailsWithoutWritingForKeysThatNameNoElement) {
  using strell_host::kReadBadArgument;
  using strell_host::kReadNoElement;
  struct Case {
    const char* key;
    int result;
  } const cases[] = {
      {"/root/network/rtsp/s2/accessname", kReadNoElement},
      {"/other/network", kReadNoElement},  // the first name is the root element's
      {"/Root/network", kReadNoElement},   // names are case-sensitive
      {"/root/text/case", kReadNoElement},
      {"/root/network/rtsp/s0/accessname/deeper", kReadNoElement},
      {"/root/network/rtsp/s", kReadNoElement},  // no prefix matching
      {"root/network", kReadBadArgument},        // the leading slash is required
      {"/root//network", kReadBadArgument},
      {"/root/network/", kReadBadArgument},
      {"/", kReadBadArgument},
      {"", kReadBadArgument},
  };
  for (const Case& c : cases) {
    const host_test::ReadOutcome outcome = ReadValue(kFile, c.key);
    EXPECT_EQ(c.result, outcome.result) << '"' << c.key << '"';
    EXPECT_TRUE(outcome.untouched) << c.key;
  }
}

TEST_F(HostKeyPath, DeliversAtMost255CharactersAndANul) {
  const std::string longest(255, 'x');
  const std::string tooLong(256, 'y');
  std::string twoByteChars;
  for (int i = 0; i < 128; ++i) twoByteChars += "\xc3\xa9";  // 256 bytes of UTF-8
  Put("config_long.xml", "<root><a>" + longest + "</a><b>" + tooLong + "</b><c>" + twoByteChars +
                             "</c><d>" + std::string(300, 'z') + "</d></root>");
  const char* file = "/etc/conf.d/config_long.xml";

  const host_test::ReadOutcome fits = ReadValue(file, "/root/a");
  EXPECT_EQ(0, fits.result);
  EXPECT_EQ(longest, fits.text);
  EXPECT_TRUE(fits.beyondUntouched);

  for (const char* key : {"/root/b", "/root/c", "/root/d"}) {
    const host_test::ReadOutcome outcome = ReadValue(file, key);
    EXPECT_EQ(strell_host::kReadTooLong, outcome.result) << key;
    EXPECT_TRUE(outcome.untouched) << key;
    EXPECT_TRUE(outcome.beyondUntouched) << key;
  }
}

// Reads are answered from an index of the document's key paths, which stops
// at 4,096 elements and at 255 characters of path; whatever lies beyond is
// found by walking the document, with the same results.
TEST_F(HostKeyPath, ElementsPastTheIndexLimitsReadTheSame) {
  std::string many = "<root>";
  for (int i = 0; i < 5000; ++i)
    many += "<e" + std::to_string(i) + ">" + std::to_string(i) + "</e" + std::to_string(i) + ">";
  many += "<e4999>second</e4999></root>";
  Put("config_many.xml", many);
  const char* file = "/etc/conf.d/config_many.xml";
  EXPECT_EQ("0", ValueOf(file, "/root/e0"));
  EXPECT_EQ("4999", ValueOf(file, "/root/e4999"));  // the first of the name, past the index
  EXPECT_EQ(strell_host::kReadNoElement, ReadValue(file, "/root/e5000").result);

  const std::string name(60, 'n');
  std::string deep = "<root>";
  std::string key = "/root";
  for (int level = 0; level < 6; ++level) {
    deep += "<" + name + std::to_string(level) + ">";
    key += "/" + name + std::to_string(level);
  }
  deep += "leaf";
  for (int level = 5; level >= 0; --level) deep += "</" + name + std::to_string(level) + ">";
  deep += "</root>";
  Put("config_deep.xml", deep);
  ASSERT_GT(key.size(), 255u);
  EXPECT_EQ("leaf", ValueOf("/etc/conf.d/config_deep.xml", key.c_str()));
}

TEST_F(HostKeyPath, NullArgumentsFailWithoutWriting) {
  char buffer[8] = "keep";
  EXPECT_EQ(strell_host::kReadBadArgument, XMLSParser_ReadContentEx(nullptr, "/root", buffer));
  EXPECT_EQ(strell_host::kReadBadArgument, XMLSParser_ReadContentEx(kFile, nullptr, buffer));
  EXPECT_EQ(strell_host::kReadBadArgument, XMLSParser_ReadContentEx(kFile, "/root", nullptr));
  EXPECT_STREQ("keep", buffer);
}

TEST(HostConfPath, MapsLibraryPathsToCleanRelativePaths) {
  struct Case {
    const char* path;
    const char* relative;  // null: refused
  } const cases[] = {
      {"/etc/conf.d/config_a.xml", "config_a.xml"},
      {"/etc/conf.d/config_onvif/config_b.xml", "config_onvif/config_b.xml"},
      {"/etc/conf.d//config_a.xml", "config_a.xml"},
      {"/etc/conf.d/./config_onvif/./b.xml", "config_onvif/b.xml"},
      {"/etc/conf.d/sub//b.xml", "sub/b.xml"},
      {"/etc/conf.d/a..b.xml", "a..b.xml"},  // dots inside a name are a name
      {"/etc/conf.d/...", "..."},
      {"/etc/conf.d/../passwd", nullptr},
      {"/etc/conf.d/sub/../../passwd", nullptr},
      {"/etc/conf.d/sub/..", nullptr},
      {"/etc/conf.d/", nullptr},
      {"/etc/conf.d/./", nullptr},
      {"/etc/conf.d", nullptr},
      {"/etc/conf.dx/a.xml", nullptr},
      {"etc/conf.d/a.xml", nullptr},
      {"/tmp/a.xml", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    char scratch[64];
    std::string_view relative;
    const bool mapped =
        strell_host::internal::RelativeConfPath(c.path, scratch, sizeof scratch, &relative);
    if (c.relative == nullptr) {
      EXPECT_FALSE(mapped) << c.path;
    } else {
      EXPECT_TRUE(mapped) << c.path;
      EXPECT_EQ(c.relative, relative) << c.path;
    }
  }
}

TEST(HostConfPath, CleanPathIsNotCopiedAndLongPathIsRefused) {
  const char* path = "/etc/conf.d/config_a.xml";
  char scratch[4];
  std::string_view relative;
  ASSERT_TRUE(strell_host::internal::RelativeConfPath(path, scratch, sizeof scratch, &relative));
  EXPECT_EQ(path + 12, relative.data());
  EXPECT_FALSE(strell_host::internal::RelativeConfPath("/etc/conf.d//config_a.xml", scratch,
                                                       sizeof scratch, &relative));
}

}  // namespace
