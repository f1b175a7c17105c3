// Broken configurations give defined answers: a malformed file, a missing
// file, values of 300 characters and a directory where a file belongs. Each
// case breaks one thing in a copy of the example camera after a first load.
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "integration/integration_support.h"

namespace {

using integration::Answer;
using integration::EditFile;
using integration::NotFound;

const std::string kLive1Media =
    "1 0/0 239.2.1.1:50000 ttl 15 | 1 0/0 239.2.2.1:50002 ttl 15 | 1 0/0 239.2.3.1:50004 ttl 15";
const std::string kMedia2AudioAndMetadata =
    "1 0/0 239.3.2.1:60100 ttl 15 | 1 0/0 239.3.3.1:60200 ttl 15";
const Answer kProfile1 = {"media/stream.sdp?profile=Profile_1", 0,
                          "222 Profile_1 | 1 0/0 239.1.1.1:40000 ttl 0 | "
                          "1 0/0 239.1.2.1:40100 ttl 0 | 1 -1/-1 239.1.3.1:40200 ttl 0"};
const Answer kLive1 = {"live1.sdp", 0, "111 live1.sdp | " + kLive1Media};
const Answer kStreamProfile1 = {
    "media2/stream.sdp?profile=StreamProfile_1", 0,
    "333 StreamProfile_1 | 1 0/0 239.3.1.1:60000 ttl 15 | " + kMedia2AudioAndMetadata};
const std::string kLong(300, 'a');

void Run(const std::string& command) { ASSERT_EQ(0, std::system(command.c_str())) << command; }

struct Case {
  const char* name;
  std::function<void(const std::string& root)> breakIt;
  std::vector<Answer> answers;
  std::vector<int> videoListC0S0;
};

// clang-format off
const Case kCases[] = {
    {"stream-server file cut off halfway",
     [](const std::string& root) {
       const std::string text = host_test::ReadWholeFile(root + "/config_streamserver.xml");
       host_test::ReplaceFile(root + "/config_streamserver.xml", text.substr(0, text.size() / 2));
     },
     {kProfile1, NotFound("live1.sdp"), kStreamProfile1}, {222, 333}},
    {"stream-profile file missing",
     [](const std::string& root) { Run("rm '" + root + "/config_streamprofile.xml'"); },
     {kProfile1, kLive1, NotFound("media2/stream.sdp?profile=StreamProfile_1")}, {222, 111}},
    {"whole Media1 directory missing",
     [](const std::string& root) { Run("rm -r '" + root + "/config_onvif'"); },
     {NotFound("media/stream.sdp?profile=Profile_1"), kLive1, kStreamProfile1}, {111, 333}},
    // A long value is not delivered: slot s0 then has the empty access name,
    // which the empty URL names (neither the long URL nor its first 255
    // characters do), and the failed address of s1 ends that medium's reads.
    {"300-character access name and address",
     [](const std::string& root) {
       EditFile(root + "/config_streamserver.xml", "live1.sdp", kLong, false);
       EditFile(root + "/config_streamserver.xml", "239.2.1.2", "239." + kLong, false);
     },
     {{"", 0, "111  | " + kLive1Media},
      {"live2.sdp", 0, "112 live2.sdp | 1 0/1 :0 ttl 15 | 1 0/0 239.2.2.2:50012 ttl 15 | 0 0/0 :0 ttl 0"},
      kProfile1}, {222, 111, 333}},
    {"300-character multicast address in a per-channel file",
     [](const std::string& root) {
       EditFile(root + "/config_videoin_c0.xml", "239.3.1.1", kLong, false);
     },
     {{"media2/stream.sdp?profile=StreamProfile_1", 0,
       "333 StreamProfile_1 | 1 0/0 :60000 ttl 15 | " + kMedia2AudioAndMetadata}}, {222, 111, 333}},
    {"directory in place of a per-channel file",
     [](const std::string& root) {
       Run("rm '" + root + "/config_videoin_c0.xml'");
       host_test::MakeDir(root + "/config_videoin_c0.xml");
     },
     {{"media2/stream.sdp?profile=StreamProfile_1", 0,
       "333 StreamProfile_1 | 1 0/0 :0 ttl 0 | " + kMedia2AudioAndMetadata}, kLive1}, {222, 111, 333}},
    {"directory in place of the Media1 profile file",
     [](const std::string& root) {
       const std::string file = root + "/config_onvif/config_onvif_media_profile.xml";
       Run("rm '" + file + "'");
       host_test::MakeDir(file);
     },
     {NotFound("media/stream.sdp?profile=Profile_1"), kLive1}, {111, 333}},
    {"no configuration at all",
     [](const std::string& root) { Run("rm -r '" + root + "'/*"); },
     {NotFound("media/stream.sdp?profile=Profile_1"), NotFound("live1.sdp"),
      NotFound("media2/stream.sdp?profile=StreamProfile_1")}, {}},
};
// clang-format on

class BrokenConfig : public testing::TestWithParam<strell_host::Freshness> {
 protected:
  void TearDown() override { strell_host::SetFreshness(strell_host::Freshness::kStrict); }
};
INSTANTIATE_TEST_SUITE_P(Modes, BrokenConfig,
                         testing::Values(strell_host::Freshness::kStrict,
                                         strell_host::Freshness::kWatch),
                         host_test::ModeName);

TEST_P(BrokenConfig, EveryBreakGivesDefinedAnswers) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    host_test::TempDir root;
    host_test::CopyTree(STRELL_EXAMPLE_CONF, root.path());
    strell_host::SetFreshness(GetParam());
    strell_host::SetRoot(root.path());
    // Seen broken whether the break comes before the first load or after.
    strell_test::Context context;
    integration::Quietly([&] { ASSERT_EQ(STRELL_OK, context.Parse()); });
    c.breakIt(root.path());
    strell_host::Settle();
    integration::Quietly([&] {
      ASSERT_EQ(STRELL_OK, context.Parse());
      for (const Answer& answer : c.answers) integration::ExpectAnswer(context.handle(), answer);
      TProfileList list = strell_test::EmptyList();
      EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(context.handle(), 0, 0, &list));
      EXPECT_EQ(c.videoListC0S0, strell_test::Keys(list));
      // A long URL is never cut to match a name.
      TProfileInfo info = strell_test::PatternedInfo();
      EXPECT_EQ(STRELL_ERR_NOT_FOUND, context.Resolve(kLong.c_str(), &info));
      EXPECT_EQ(STRELL_ERR_NOT_FOUND, context.Resolve(kLong.substr(0, 255).c_str(), &info));
      EXPECT_TRUE(strell_test::SameBytes(strell_test::PatternedInfo(), info));
    });
  }
}

}  // namespace
