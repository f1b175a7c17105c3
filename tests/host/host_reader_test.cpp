// The host kit's readers: key paths, the 255-character bound, how library
// paths map into the root and which are refused, broken files, parameters.
#include <sys/stat.h>
#include <unistd.h>

#include <iterator>
#include <string>

#include "host/host_fixture.h"

namespace {

using host_test::Error;
using host_test::ValueOf;
using strell_host::kReadBadArgument;
using strell_host::kReadMalformed;
using strell_host::kReadNoElement;
using strell_host::kReadNoFile;
using strell_host::kReadRefused;
using strell_host::kReadTooLong;
using strell_host::kReadUnreadable;

constexpr char kDoc[] = "<root><v>inside</v></root>";

class HostReader : public host_test::HostTest {};

TEST_F(HostReader, KeyPathNamesTheFirstElementOfEachNameAndGivesItsTextAsWritten) {
  std::string twoByteChars;
  for (int i = 0; i < 128; ++i) twoByteChars += "\xc3\xa9";  // 256 bytes of UTF-8
  Put("config_test.xml",
      "<?xml version=\"1.0\"?>\n<root>\n"
      "  <network><rtsp><s0><accessname>live1.sdp</accessname></s0>\n"
      "    <s0><accessname>second</accessname></s0><s1><accessname/></s1></rtsp></network>\n"
      "  <text><spaced>  a b  </spaced><entities>a&amp;b&lt;c&#65;</entities>\n"
      "    <cdata><![CDATA[<not markup>]]></cdata><commented><!-- note -->42</commented>\n"
      "    <parent><child>1</child></parent><Case>upper</Case></text>\n"
      "  <pick><b>first</b><b><c>only in the second</c></b></pick>\n"
      "  <long><a>" +
          std::string(255, 'x') + "</a><b>" + std::string(256, 'y') + "</b><c>" + twoByteChars +
          "</c><d>" + std::string(300, 'z') + "</d></long>\n</root>\n");
  struct Case {
    const char* key;
    std::string value;
  } const cases[] = {
      {"/root/network/rtsp/s0/accessname", "live1.sdp"},
      {"/root/network/rtsp/s1/accessname", ""},  // empty element: present, empty text
      {"/root/text/spaced", "  a b  "},
      {"/root/text/entities", "a&b<cA"},
      {"/root/text/cdata", "<not markup>"},
      {"/root/text/commented", "42"},
      {"/root/text/parent", ""},  // children only: no text of its own
      {"/root/text/Case", "upper"},
      {"/root/pick/b", "first"},
      {"/root/pick/b/c", Error(kReadNoElement)},  // never searched past the first <b>
      {"/root/network/rtsp/s2/accessname", Error(kReadNoElement)},
      {"/other/network", Error(kReadNoElement)},  // the first name is the root element's
      {"/Root/network", Error(kReadNoElement)},   // names are case-sensitive
      {"/root/text/case", Error(kReadNoElement)},
      {"/root/network/rtsp/s0/accessname/deeper", Error(kReadNoElement)},
      {"/root/network/rtsp/s", Error(kReadNoElement)},  // no prefix matching
      {"root/network", Error(kReadBadArgument)},        // the leading slash is required
      {"/root//network", Error(kReadBadArgument)},
      {"/root/network/", Error(kReadBadArgument)},
      {"/", Error(kReadBadArgument)},
      {"", Error(kReadBadArgument)},
      // At most 255 characters and a NUL; a longer value is never cut.
      {"/root/long/a", std::string(255, 'x')},
      {"/root/long/b", Error(kReadTooLong)},
      {"/root/long/c", Error(kReadTooLong)},
      {"/root/long/d", Error(kReadTooLong)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value, ValueOf("/etc/conf.d/config_test.xml", c.key)) << '"' << c.key << '"';
  }
  char buffer[8] = "keep";
  EXPECT_EQ(kReadBadArgument, XMLSParser_ReadContentEx(nullptr, "/root", buffer));
  EXPECT_EQ(kReadBadArgument,
            XMLSParser_ReadContentEx("/etc/conf.d/config_test.xml", nullptr, buffer));
  EXPECT_EQ(kReadBadArgument,
            XMLSParser_ReadContentEx("/etc/conf.d/config_test.xml", "/root", nullptr));
  EXPECT_STREQ("keep", buffer);
}

// Reads are answered from an index of the document's key paths, which stops
// at 4,096 elements and at 255 characters of path; whatever lies beyond is
// found by walking the document, with the same results.
TEST_F(HostReader, ElementsPastTheIndexLimitsReadTheSame) {
  std::string many = "<root>";
  for (int i = 0; i < 5000; ++i) {
    many += "<e" + std::to_string(i) + ">" + std::to_string(i) + "</e" + std::to_string(i) + ">";
  }
  Put("config_many.xml", many + "<e4999>second</e4999></root>");
  EXPECT_EQ("0", ValueOf("/etc/conf.d/config_many.xml", "/root/e0"));
  EXPECT_EQ("4999",
            ValueOf("/etc/conf.d/config_many.xml", "/root/e4999"));  // the first of the name
  EXPECT_EQ(Error(kReadNoElement), ValueOf("/etc/conf.d/config_many.xml", "/root/e5000"));
  std::string deep = "leaf", key = "/root";
  for (int level = 5; level >= 0; --level) {
    const std::string name = std::string(60, 'n') + std::to_string(level);
    deep = "<" + name + ">" + deep + "</" + name + ">";
    key.insert(5, "/" + name);
  }
  Put("config_deep.xml", "<root>" + deep + "</root>");
  ASSERT_GT(key.size(), 255u);
  EXPECT_EQ("leaf", ValueOf("/etc/conf.d/config_deep.xml", key.c_str()));
}

TEST_F(HostReader, LibraryPathsMapToCleanPathsUnderTheRootAndNothingElse) {
  strell_host::SetRoot(root_.path() + "///");
  EXPECT_EQ(root_.path(), strell_host::Root());
  struct Case {
    const char* path;
    const char* mapped;  // under the root; null: refused
  } const cases[] = {
      {"/etc/conf.d/config_a.xml", "config_a.xml"},
      {"/etc/conf.d//config_onvif/./b.xml", "config_onvif/b.xml"},
      {"/etc/conf.d/a..b.xml", "a..b.xml"},  // dots inside a name are a name
      {"/etc/conf.d/...", "..."},
      {"/etc/conf.d/../passwd", nullptr},
      {"/etc/conf.d/sub/../../passwd", nullptr},
      {"/etc/conf.d/sub/..", nullptr},
      {"/etc/conf.d/./", nullptr},
      {"/etc/conf.d", nullptr},
      {"/etc/conf.dx/a.xml", nullptr},
      {"etc/conf.d/a.xml", nullptr},
      {"/tmp/a.xml", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.mapped != nullptr ? root_ / c.mapped : "", strell_host::MapPath(c.path)) << c.path;
  }
  // Links that stay inside are followed, whatever the root itself is.
  host_test::TempDir holder, outside;
  ASSERT_EQ(0, symlink(root_.path().c_str(), (holder / "conf.d").c_str()));
  strell_host::SetRoot(holder / "conf.d");
  Put("config_real.xml", kDoc);
  host_test::MakeDir(Path("config_onvif"));
  ASSERT_EQ(0, symlink("config_real.xml", Path("config_alias.xml").c_str()));
  ASSERT_EQ(0, symlink("../config_real.xml", Path("config_onvif/up.xml").c_str()));
  for (const char* file : {"/etc/conf.d/config_real.xml", "/etc/conf.d/./config_real.xml",
                           "/etc/conf.d/config_alias.xml", "/etc/conf.d/config_onvif/up.xml"}) {
    EXPECT_EQ("inside", ValueOf(file, "/root/v")) << file;
  }
  // Paths that leave the root are refused, even through a link.
  host_test::WriteInPlace(outside / "secret.xml", kDoc);
  host_test::MakeDir(outside / "dir");
  host_test::WriteInPlace(outside / "dir/secret.xml", kDoc);
  ASSERT_EQ(0, symlink((outside / "secret.xml").c_str(), Path("file_link.xml").c_str()));
  ASSERT_EQ(0, symlink((outside / "dir").c_str(), Path("dir_link").c_str()));
  const std::string dotted =
      "/etc/conf.d/../" + outside.path().substr(outside.path().rfind('/') + 1) + "/secret.xml";
  for (const std::string& file : {dotted, std::string("/etc/conf.d/file_link.xml"),
                                  std::string("/etc/conf.d/dir_link/secret.xml"),
                                  outside / "secret.xml", std::string("/etc/conf.d")}) {
    EXPECT_EQ(Error(kReadRefused), ValueOf(file.c_str(), "/root/v")) << file;
  }
  // A new root forgets the old root's documents; a missing root has no file.
  host_test::WriteInPlace(outside / "config_real.xml", "<root><v>other</v></root>");
  strell_host::SetRoot(outside.path());
  EXPECT_EQ("other", ValueOf("/etc/conf.d/config_real.xml", "/root/v"));
  strell_host::SetRoot(root_ / "absent");
  EXPECT_EQ(Error(kReadNoFile), ValueOf("/etc/conf.d/config_real.xml", "/root/v"));
  strell_host::SetRoot("");
  EXPECT_EQ("/etc/conf.d", strell_host::Root());
  strell_host::SetRoot("/");
  EXPECT_EQ("/config_a.xml", strell_host::MapPath("/etc/conf.d/config_a.xml"));
}

TEST_F(HostReader, EveryBrokenFileGivesItsFailureWithoutWriting) {
  Put("config_truncated.xml", "<root><v>inside</v>");
  Put("config_cut.xml", "<root><v>ins");
  Put("config_empty.xml", "");
  Put("config_text.xml", "not xml at all");
  Put("config_mismatch.xml", "<root><v>inside</w></root>");
  host_test::MakeDir(Path("config_dir.xml"));
  ASSERT_EQ(0, mkfifo(Path("config_fifo.xml").c_str(), 0644));
  ASSERT_EQ(0, symlink("config_nowhere.xml", Path("config_dangling.xml").c_str()));
  struct Case {
    const char* file;
    int result;
  } const cases[] = {{"config_absent.xml", kReadNoFile},   {"sub/config_absent.xml", kReadNoFile},
                     {"config_dangling.xml", kReadNoFile}, {"config_truncated.xml", kReadMalformed},
                     {"config_cut.xml", kReadMalformed},   {"config_empty.xml", kReadMalformed},
                     {"config_text.xml", kReadMalformed},  {"config_mismatch.xml", kReadMalformed},
                     {"config_dir.xml", kReadUnreadable},  {"config_fifo.xml", kReadUnreadable}};
  for (int round = 0; round < 2; ++round) {  // the second round answers from the cache
    for (const Case& c : cases) {
      const std::string file = "/etc/conf.d/" + std::string(c.file);
      EXPECT_EQ(Error(c.result), ValueOf(file.c_str(), "/root/v")) << c.file;
    }
  }
}

TEST_F(HostReader, ParameterIsTheElementOfTheGroupFileOrTheEmptyText) {
  Put("config_capability.xml",
      "<root><capability><nvideoin>2</nvideoin><max_fps>30</max_fps><wide>12345678</wide>"
      "<empty/></capability></root>");
  struct Case {
    const char* name;
    int size, result;
    const char* text;  // "#": nothing written
  } const cases[] = {
      {"capability_nvideoin", 8, 0, "2"},
      {"capability_max_fps", 8, 0, "30"},  // split at the first underscore
      {"capability_empty", 8, 0, ""},
      {"capability_nvideoin", 2, 0, "2"},  // exactly size - 1 characters
      {"capability_wide", 9, 0, "12345678"},
      {"capability_nothing", 8, kReadNoElement, ""},
      {"network_port", 8, kReadNoFile, ""},          // no config_network.xml
      {"capability_wide", 8, kReadTooLong, ""},      // never cut to another number
      {"capability_nvideoin", 1, kReadTooLong, ""},  // room for the NUL only
      {"capability", 8, kReadBadArgument, ""},       // no underscore: no group and name
      {"_nvideoin", 8, kReadBadArgument, ""},
      {"capability_", 8, kReadBadArgument, ""},
      {"../capability_nvideoin", 8, kReadBadArgument, ""},
      {"capability_a/b", 8, kReadBadArgument, ""},
      {"", 8, kReadBadArgument, ""},
      {nullptr, 8, kReadBadArgument, ""},
      {"capability_nvideoin", 0, kReadBadArgument, "#"},
      {"capability_nvideoin", -1, kReadBadArgument, "#"},
  };
  for (const Case& c : cases) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(c.result, Configer_GetParamValueByXPath(c.name, buffer, c.size)) << c.name;
    const size_t room = c.size > 0 ? static_cast<size_t>(c.size) : 0;
    EXPECT_EQ(c.text, std::string(std::memchr(buffer, 0, room) != nullptr ? buffer : "#"))
        << c.name;
    EXPECT_EQ(std::string(sizeof buffer - room, '#'), std::string(buffer + room, buffer + 64))
        << "wrote past size " << c.size << " for " << c.name;
  }
  EXPECT_EQ(kReadBadArgument, Configer_GetParamValueByXPath("capability_nvideoin", nullptr, 8));
  const strell_host::Counters counters = strell_host::GetCounters();
  EXPECT_EQ(std::size(cases) + 1, counters.paramReads);
  EXPECT_EQ(0u, counters.xmlReads);
}

}  // namespace
