// Loading the Media2 stream profiles, the dump and the source rule.
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "media2/url_media_two.h"
#include "unit/camera_fixture.h"

namespace strell_test {
namespace {

class Media2Store : public FakeHostTest {
 protected:
  CUrlMediaTwo handler;
};

TEST_F(Media2Store, ReloadReadsTenSlotsAndSourcesOnlyOfEnabledMedia) {
  SetStreamProfile(0, "token", "P0");
  SetStreamProfile(0, "videoconfiguration/enable", "1");
  SetStreamProfile(0, "videoconfiguration/source", "c0s1");
  SetStreamProfile(0, "audioconfiguration/enable", "0");
  SetStreamProfile(0, "audioconfiguration/source", "c0s0");  // disabled: never read
  SetStreamProfile(0, "metadataconfiguration/enable", "2");  // any nonzero value enables
  SetStreamProfile(0, "metadataconfiguration/source", "m0");
  SetStreamProfile(3, "videoconfiguration/enable", "x");  // no digits: disabled
  SetStreamProfile(3, "videoconfiguration/source", "c1s1");
  SetStreamProfile(3, "audioconfiguration/enable", " -7");
  SetStreamProfile(3, "audioconfiguration/source", "a");
  SetStreamProfile(10, "token", "beyond");

  EXPECT_EQ(STRELL_OK, handler.Parse());
  std::vector<std::string> expected;
  for (int slot = 0; slot < 10; ++slot) {
    expected.push_back(kStreamProfiles + (" " + StreamProfileKey(slot, "token")));
    for (const std::string medium : {"video", "audio", "metadata"}) {
      const std::string prefix = kStreamProfiles + (" " + StreamProfileKey(slot, medium));
      expected.push_back(prefix + "configuration/enable");
      if ((slot == 0 && medium != "audio") || (slot == 3 && medium == "audio")) {
        expected.push_back(prefix + "configuration/source");
      }
    }
  }
  EXPECT_EQ(expected, ReadsOf("/"));

  // An enabled medium without a token is stored all the same.
  const std::string rule = "---------------------------------------------\n";
  auto record = [&](const std::string& token, int video, const std::string& videoSource, int audio,
                    const std::string& audioSource, int metadata,
                    const std::string& metadataSource) {
    return rule + "streamprofile.profileToken = " + token +
           "\nstreamprofile.videoEncodeConfig.enable = " + std::to_string(video) +
           "\nstreamprofile.videoEncodeConfig.source = " + videoSource +
           "\nstreamprofile.audioEncodeConfig.enable = " + std::to_string(audio) +
           "\nstreamprofile.audioEncodeConfig.source = " + audioSource +
           "\nstreamprofile.metadataEncodeConfig.enable = " + std::to_string(metadata) +
           "\nstreamprofile.metadataEncodeConfig.source = " + metadataSource + "\n";
  };
  const std::string empty = record("", 0, "", 0, "", 0, "");
  const std::string dump = record("P0", 1, "c0s1", 0, "", 2, "m0") + empty + empty +
                           record("", 0, "", -7, "a", 0, "") + empty + empty + empty + empty +
                           empty + empty;
  EXPECT_EQ(dump, CaptureStdout([&] { EXPECT_EQ(0, handler.dumpall()); }));

  // A file that fails gives ten empty, disabled records, keys 333 to 342.
  fake_host::FailFile(kStreamProfiles);
  fake_host::ClearLog();
  EXPECT_EQ(STRELL_OK, handler.Parse());
  EXPECT_EQ(40u, ReadsOf("/").size());  // token and three enables per slot
  std::string emptyDump;
  for (int slot = 0; slot < 10; ++slot) {
    emptyDump += empty;
    EXPECT_EQ(333 + slot, handler.streamProfiles.at(slot).profileKey);
  }
  EXPECT_EQ(emptyDump, CaptureStdout([&] { handler.dumpall(); }));
}

// The source is read as sscanf(source, "c%ds%d") reads it: where that is
// defined it is the oracle; where a number overflows, it saturates.
TEST(Media2Source, ParsesWithTheRulesOfScanfCdSd) {
  for (const char* source : {"c1s0",     "c1s0x", "c12s34", "c 3s\t4", "c+3s-4",
                             "c007s010", "c1",    "c1s",    "c1sx",    "c1s-",
                             "c1 s0",    "c1S0",  "c0x1s0", "c-s0",    "c+-1s0",
                             "video0",   " c1s0", "C1s0",   "",        "c2147483647s-2147483648"}) {
    int channel = 77, stream = 77, scanChannel = 77, scanStream = 77;
    const bool scanned = std::sscanf(source, "c%ds%d", &scanChannel, &scanStream) == 2;
    EXPECT_EQ(scanned ? STRELL_OK : STRELL_ERR_BAD_SOURCE,
              extractChannelStreamFromStreamProfile(source, channel, stream))
        << '"' << source << '"';
    EXPECT_EQ(scanChannel, channel) << '"' << source << '"';
    EXPECT_EQ(scanStream, stream) << '"' << source << '"';
  }
  struct Case {
    const char* source;
    EStrellErrno code;
    int channel, stream;
  } const overflows[] = {
      {"c2147483648s-2147483649", STRELL_OK, INT_MAX, INT_MIN},
      {"c99999999999999999999s-99999999999999999999x", STRELL_OK, INT_MAX, INT_MIN},
      {"c99999999999999999999", STRELL_ERR_BAD_SOURCE, INT_MAX, 77},
  };
  for (const Case& c : overflows) {
    int channel = 77, stream = 77;
    EXPECT_EQ(c.code, extractChannelStreamFromStreamProfile(c.source, channel, stream)) << c.source;
    EXPECT_EQ(c.channel, channel) << c.source;
    EXPECT_EQ(c.stream, stream) << c.source;
  }
  int channel = 5, stream = 6;
  EXPECT_EQ(STRELL_ERR_BAD_SOURCE, extractChannelStreamFromStreamProfile(nullptr, channel, stream));
}

}  // namespace
}  // namespace strell_test
