// Device parameters: "group_name" is /root/group/name in config_group.xml.
#include <cstring>
#include <string>

#include "host/host_fixture.h"

namespace {

using host_test::HostTest;

class HostParameters : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    Put("config_capability.xml",
        "<root><capability><nvideoin>2</nvideoin><nmediastream>3</nmediastream>"
        "<naudioin>1</naudioin><max_fps>30</max_fps><wide>12345678</wide><empty/>"
        "</capability></root>");
  }

  struct Outcome {
    int result;
    std::string text;
    bool boundKept;  // nothing written at or after value[size]
  };
  static Outcome Param(const char* name, int size) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    Outcome outcome;
    outcome.result = Configer_GetParamValueByXPath(name, buffer, size);
    outcome.boundKept = true;
    for (size_t i = static_cast<size_t>(size > 0 ? size : 0); i < sizeof buffer; ++i) {
      if (buffer[i] != '#') outcome.boundKept = false;
    }
    outcome.text = size > 0 && std::memchr(buffer, '\0', static_cast<size_t>(size)) != nullptr
                       ? buffer
                       : "<unterminated>";
    return outcome;
  }
};

TEST_F(HostParameters, ReadsTheElementOfTheGroupFile) {
  struct Case {
    const char* name;
    int size;
    int result;
    const char* text;
  } const cases[] = {
      {"capability_nvideoin", 8, 0, "2"},
      {"capability_nmediastream", 8, 0, "3"},
      {"capability_naudioin", 8, 0, "1"},
      {"capability_max_fps", 8, 0, "30"},  // split at the first underscore
      {"capability_empty", 8, 0, ""},
      {"capability_nvideoin", 2, 0, "2"},  // exactly size - 1 characters
      {"capability_wide", 9, 0, "12345678"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Param(c.name, c.size);
    EXPECT_EQ(c.result, outcome.result) << c.name;
    EXPECT_EQ(c.text, outcome.text) << c.name;
    EXPECT_TRUE(outcome.boundKept) << c.name;
  }
}

TEST_F(HostParameters, AnUnreadableParameterGivesTheEmptyText) {
  using strell_host::kReadBadArgument;
  using strell_host::kReadNoElement;
  using strell_host::kReadNoFile;
  using strell_host::kReadTooLong;
  struct Case {
    const char* name;
    int size;
    int result;
  } const cases[] = {
      {"capability_nothing", 8, kReadNoElement},
      {"network_port", 8, kReadNoFile},          // no config_network.xml
      {"capability_wide", 8, kReadTooLong},      // never cut to another number
      {"capability_nvideoin", 1, kReadTooLong},  // room for the NUL only
      {"capability", 8, kReadBadArgument},       // no underscore: no group and name
      {"_nvideoin", 8, kReadBadArgument},
      {"capability_", 8, kReadBadArgument},
      {"../capability_nvideoin", 8, kReadBadArgument},
      {"capability_a/b", 8, kReadBadArgument},
      {"", 8, kReadBadArgument},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Param(c.name, c.size);
    EXPECT_EQ(c.result, outcome.result) << c.name;
    EXPECT_EQ("", outcome.text) << c.name;
    EXPECT_TRUE(outcome.boundKept) << c.name;
  }
}

TEST_F(HostParameters, WritesNothingWithoutRoom) {
  for (int size : {0, -1}) {
    const Outcome outcome = Param("capability_nvideoin", size);
    EXPECT_EQ(strell_host::kReadBadArgument, outcome.result);
    EXPECT_TRUE(outcome.boundKept);
  }
  char buffer[4] = "abc";
  EXPECT_EQ(strell_host::kReadBadArgument, Configer_GetParamValueByXPath(nullptr, buffer, 4));
  EXPECT_STREQ("", buffer);
  EXPECT_EQ(strell_host::kReadBadArgument,
            Configer_GetParamValueByXPath("capability_nvideoin", nullptr, 8));
}

TEST_F(HostParameters, CountsParameterReadsApartFromXmlReads) {
  Param("capability_nvideoin", 8);
  Param("capability_naudioin", 8);
  const strell_host::Counters counters = strell_host::GetCounters();
  EXPECT_EQ(2u, counters.paramReads);
  EXPECT_EQ(0u, counters.xmlReads);
  EXPECT_EQ(1u, counters.parses);
}

}  // namespace
