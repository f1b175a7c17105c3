// The kit's readers: key paths, the 255-character bound, path mapping, broken files, parameters.
#include <stdlib.h>

#include <climits>
#include <string>

#include "host/host_fixture.h"

namespace {

using namespace host_test;
using namespace strell_host;

class HostReader : public HostTest {};

TEST_F(HostReader, KeyPathNamesTheFirstElementOfEachNameAndGivesItsTextAsWritten) {
  // A key path longer than 255 characters is never taken for its first 255.
  const std::string a249(249, 'a'), deepKey = "/root/" + a249 + "/b";
  Put("config_test.xml",
      "<?xml version=\"1.0\"?>\n<root>\n <s0><a>live1.sdp</a></s0><s0><a>2</a>"
      "</s0><s1><a/></s1><Case>upper</Case><b>&lt;a&amp;b&gt;  </b>\n"
      " <p><b>first</b><b><c>only in the second</c></b></p><long><a>" +
          std::string(255, 'x') + "</a><b>" + std::string(256, 'y') + "</b></long><" + a249 +
          ">short<b>deep</b></" + a249 + "></root>\n");
  const struct {
    std::string key, value;
  } cases[] = {
      {"/root/s0/a", "live1.sdp"},
      {"/root/s1/a", ""},                      // present, empty
      {"/root/s1", ""},                        // children only: no text of its own
      {"/root/b", "<a&b>  "},                  // entities decoded, blanks kept
      {"/root/p/b", "first"},                  // the first element of a name,
      {"/root/p/b/c", Error(kReadNoElement)},  // never searched past
      {"/other/s0", Error(kReadNoElement)},    // the first name is the root element's
      {"/root/case", Error(kReadNoElement)},   // case-sensitive
      {"/root/s0/a/deeper", Error(kReadNoElement)},
      {"/root/s", Error(kReadNoElement)},    // no prefix matching
      {"root/s0", Error(kReadBadArgument)},  // the leading slash is required
      {"/root//s0", Error(kReadBadArgument)},
      {"/root/s0/", Error(kReadBadArgument)},
      {"/", Error(kReadBadArgument)},
      {"", Error(kReadBadArgument)},
      {"/root/long/a", std::string(255, 'x')},  // at most 255 characters and a NUL,
      {"/root/long/b", Error(kReadTooLong)},    // and a longer value is never cut
      {deepKey, "deep"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.value, ValueOf("/etc/conf.d/config_test.xml", c.key.c_str())) << c.key;
  }
  char buffer[8] = "keep";
  EXPECT_EQ(kReadBadArgument, XMLSParser_ReadContentEx(nullptr, "/root", buffer));
  EXPECT_EQ(kReadBadArgument, XMLSParser_ReadContentEx("/etc/conf.d/config_test.xml", 0, buffer));
  EXPECT_EQ(kReadBadArgument, XMLSParser_ReadContentEx("/etc/conf.d/config_test.xml", "/", 0));
  EXPECT_STREQ("keep", buffer);
}

TEST_F(HostReader, LibraryPathsMapToCleanPathsUnderTheRootAndNothingElse) {
  char real[PATH_MAX];
  ASSERT_NE(nullptr, realpath(root_.path().c_str(), real));
  const std::string root = real;
  SetRoot(root + "///");
  EXPECT_EQ(root, Root());
  // A path to clean up of PATH_MAX - 1 bytes fits the kit's buffer.
  const std::string longest = "/etc/conf.d/./" + std::string(PATH_MAX - 1, 'x');
  const struct {
    std::string path, mapped;  // under the root; "": refused
  } cases[] = {
      {"/etc/conf.d/config_a.xml", "config_a.xml"},
      {"/etc/conf.d//config_a.xml", "config_a.xml"},
      {"/etc/conf.d/config_onvif/./b.xml", "config_onvif/b.xml"},
      {"/etc/conf.d/a..b.xml", "a..b.xml"},  // dots inside a name are a name
      {longest, longest.substr(14)},
      {longest + "x", ""},
      {"/etc/conf.d/../passwd", ""},
      {"/etc/conf.d/sub/../../passwd", ""},
      {"/etc/conf.d/sub/..", ""},
      {"/etc/conf.d/./", ""},
      {"/etc/conf.d", ""},
      {"/etc/conf.dx/a.xml", ""},
      {"etc/conf.d/a.xml", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.mapped.empty() ? "" : root + "/" + c.mapped, MapPath(c.path)) << c.path.size();
  }
  // A file whose path has PATH_MAX - 1 bytes is read; one more is refused.
  std::string nested(PATH_MAX - 2 - root.size(), 'f');
  for (size_t slash = 200; slash + 1 < nested.size(); slash += 201) nested[slash] = '/';
  Sh("mkdir -p " + nested.substr(0, nested.rfind('/')));
  Put(nested, "<root><v>far</v></root>");
  EXPECT_EQ("far", ValueOf("/etc/conf.d/" + nested, "/root/v"));
  EXPECT_EQ(Error(kReadRefused), ValueOf("/etc/conf.d/" + nested + "x", "/root/v"));

  // Links that stay inside are followed, whatever the root itself is; paths that leave the root
  // are refused, even through a link.
  testing_kit::TempDir holder, outside;
  const std::string conf = holder / "conf.d", out = outside.path(),
                    secret = "'" + out + "/secret.xml'";
  SetRoot(conf);
  Sh("ln -s '" + root + "' '" + conf + "' && echo '<root><v>in</v></root>' >real.xml");
  Sh("mkdir onvif && ln -s real.xml alias.xml && ln -s ../real.xml onvif/up.xml");
  Sh("cp real.xml " + secret + " && ln -s " + secret + " file_link.xml && ln -s '" + out +
     "' dir_link");
  for (const std::string file : {"real.xml", "./real.xml", "alias.xml", "onvif/up.xml"}) {
    EXPECT_EQ("in", ValueOf("/etc/conf.d/" + file, "/root/v")) << file;
  }
  const std::string outsiders[] = {"/etc/conf.d/.." + out.substr(out.rfind('/')) + "/secret.xml",
                                   "/etc/conf.d/file_link.xml", "/etc/conf.d/dir_link/secret.xml",
                                   out + "/secret.xml"};
  for (const std::string& file : outsiders) {
    EXPECT_EQ(Error(kReadRefused), ValueOf(file, "/root/v")) << file;
  }
  StrellHost_SetRoot(nullptr);
  EXPECT_EQ("/etc/conf.d", Root());
  StrellHost_SetRoot("/");
  EXPECT_EQ("/config_a.xml", MapPath("/etc/conf.d/config_a.xml"));
}

TEST_F(HostReader, EveryBrokenFileGivesItsFailureWithoutWriting) {
  Sh("printf '<root><v>in</v>' >cut.xml && : >empty.xml && echo text >text.xml && "
     "echo '<root><v>in</w></root>' >mismatch.xml && mkdir dir.xml && mkfifo fifo.xml && "
     "ln -s nowhere.xml dangling.xml");
  const struct {
    const char* file;
    int result;
  } cases[] = {{"absent.xml", kReadNoFile},      {"sub/absent.xml", kReadNoFile},
               {"dangling.xml", kReadNoFile},    {"cut.xml", kReadMalformed},
               {"empty.xml", kReadMalformed},    {"text.xml", kReadMalformed},
               {"mismatch.xml", kReadMalformed}, {"dir.xml", kReadUnreadable},
               {"fifo.xml", kReadUnreadable}};
  for (int round = 0; round < 2; ++round) {  // the second round answers from the cache
    for (const auto& c : cases) {
      EXPECT_EQ(Error(c.result), ValueOf("/etc/conf.d/" + std::string(c.file), "/root/v"))
          << c.file;
    }
  }
  // A regular file whose read fails: the kernel answers EIO at offset 0.
  SetRoot("/proc/self");
  EXPECT_EQ(Error(kReadUnreadable), ValueOf("/etc/conf.d/mem", "/root/v"));
}

TEST_F(HostReader, ParameterIsTheElementOfTheGroupFileOrTheEmptyText) {
  // The longest group whose file name fits NAME_MAX, the longest name whose key path fits 512.
  const std::string group(244, 'g'), name(494, 'n');
  Put("config_" + group + ".xml", "<root><" + group + "><v>7</v></" + group + "></root>");
  Put("config_capability.xml",
      "<root><capability><nvideoin>2</nvideoin><max_fps>30</max_fps>"
      "<wide>12345678</wide><empty/><" +
          name + ">5</" + name + "></capability></root>");
  const struct {
    std::string name;
    int size, result;
    const char* text;  // "#": nothing written
  } cases[] = {
      {"capability_nvideoin", 8, 0, "2"},
      {"capability_max_fps", 8, 0, "30"},  // split at the first underscore
      {"capability_empty", 8, 0, ""},
      {"capability_nvideoin", 2, 0, "2"},  // exactly size - 1 characters
      {"capability_wide", 9, 0, "12345678"},
      {group + "_v", 8, 0, "7"},
      {"g" + group + "_v", 8, kReadBadArgument, ""},
      {"capability_" + name, 8, 0, "5"},
      {"capability_n" + name, 8, kReadBadArgument, ""},
      {"capability_nothing", 8, kReadNoElement, ""},
      {"network_port", 8, kReadNoFile, ""},          // no config_network.xml
      {"capability_wide", 8, kReadTooLong, ""},      // never cut to another number
      {"capability_nvideoin", 1, kReadTooLong, ""},  // room for the NUL only
      {"capability", 8, kReadBadArgument, ""},       // no underscore: no group and name
      {"_nvideoin", 8, kReadBadArgument, ""},
      {"capability_", 8, kReadBadArgument, ""},
      {"../capability_nvideoin", 8, kReadBadArgument, ""},
      {"capability_a/b", 8, kReadBadArgument, ""},
      {"capability_nvideoin", 0, kReadBadArgument, "#"},
      {"capability_nvideoin", -1, kReadBadArgument, "#"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + ", size " + std::to_string(c.size));
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(c.result, Configer_GetParamValueByXPath(c.name.c_str(), buffer, c.size));
    const size_t room = c.size > 0 ? static_cast<size_t>(c.size) : 0;
    EXPECT_EQ(c.text, std::string(std::memchr(buffer, 0, room) != nullptr ? buffer : "#"));
    EXPECT_EQ(std::string(sizeof buffer - room, '#'), std::string(buffer + room, buffer + 64));
  }
  char buffer[8] = "keep";
  EXPECT_EQ(kReadBadArgument, Configer_GetParamValueByXPath(nullptr, buffer, 8));
  EXPECT_STREQ("", buffer);
  EXPECT_EQ(kReadBadArgument, Configer_GetParamValueByXPath("capability_nvideoin", nullptr, 8));
  EXPECT_EQ(std::size(cases) + 2, GetCounters().paramReads);
  EXPECT_EQ(0u, GetCounters().xmlReads);
}

}  // namespace
