// Broken configurations give defined answers: a malformed file, a missing
// file, values of 300 characters and a directory where a file belongs. Each
// case breaks one thing in a copy of the example camera.
#include <stdio.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "integration/integration_support.h"

namespace {

using integration::Answer;
using integration::kNone;
using integration::Medium;
using strell_host::Freshness;

constexpr Medium kLive1Video = {1, 0, 0, "239.2.1.1", 50000, 15};
constexpr Medium kMedia2Audio = {1, 0, 0, "239.3.2.1", 60100, 15};
constexpr Medium kMedia2Metadata = {1, 0, 0, "239.3.3.1", 60200, 15};
const Answer kProfile1 = {"media/stream.sdp?profile=Profile_1",
                          STRELL_OK,
                          222,
                          "Profile_1",
                          {1, 0, 0, "239.1.1.1", 40000, 0},
                          {1, 0, 0, "239.1.2.1", 40100, 0},
                          {1, -1, -1, "239.1.3.1", 40200, 0}};
const Answer kLive1 = {"live1.sdp",
                       STRELL_OK,
                       111,
                       "live1.sdp",
                       kLive1Video,
                       {1, 0, 0, "239.2.2.1", 50002, 15},
                       {1, 0, 0, "239.2.3.1", 50004, 15}};
const Answer kStreamProfile1 = {"media2/stream.sdp?profile=StreamProfile_1",
                                STRELL_OK,
                                333,
                                "StreamProfile_1",
                                {1, 0, 0, "239.3.1.1", 60000, 15},
                                kMedia2Audio,
                                kMedia2Metadata};
Answer NotFound(const char* url) { return {url, STRELL_ERR_NOT_FOUND, 0, "", kNone, kNone, kNone}; }

struct Case {
  const char* name;
  std::function<void(const std::string& root)> breakIt;
  std::vector<Answer> answers;
  std::vector<int> videoListC0S0;
};

const std::string kLongName(300, 'a');

std::vector<Case> Cases() {
  using host_test::CopyTree;
  return {
      {"stream-server file cut off halfway",
       [](const std::string& root) {
         host_test::ReplaceFile(
             root + "/config_streamserver.xml",
             host_test::ReadWholeFile(integration::Fixture("config_streamserver_truncated.xml")));
       },
       {kProfile1, NotFound("live1.sdp"), kStreamProfile1},
       {222, 333}},
      {"stream-profile file missing",
       [](const std::string& root) {
         ASSERT_EQ(0, unlink((root + "/config_streamprofile.xml").c_str()));
       },
       {kProfile1, kLive1, NotFound("media2/stream.sdp?profile=StreamProfile_1")},
       {222, 111}},
      {"whole Media1 directory missing",
       [](const std::string& root) {
         ASSERT_EQ(0, std::system(("rm -r '" + root + "/config_onvif'").c_str()));
       },
       {NotFound("media/stream.sdp?profile=Profile_1"), kLive1, kStreamProfile1},
       {111, 333}},
      {"300-character access name and address",
       [](const std::string& root) {
         host_test::ReplaceFile(
             root + "/config_streamserver.xml",
             host_test::ReadWholeFile(integration::Fixture("config_streamserver_long.xml")));
       },
       // The long name is not delivered, so slot s0 has the empty access
       // name: the empty URL names it, neither the long URL nor its first
       // 255 characters do. Slot s1's address is not delivered either,
       // which ends the reads of that medium.
       {{"", STRELL_OK, 111, "", kLive1Video, kLive1.audio, kLive1.metadata},
        {"live2.sdp",
         STRELL_OK,
         112,
         "live2.sdp",
         {1, 0, 1, "", 0, 15},
         {1, 0, 0, "239.2.2.2", 50012, 15},
         kNone},
        kProfile1},
       {222, 111, 333}},
      {"300-character multicast address in a per-channel file",
       [](const std::string& root) {
         host_test::ReplaceFile(
             root + "/config_videoin_c0.xml",
             host_test::ReadWholeFile(integration::Fixture("config_videoin_c0_long.xml")));
       },
       {{"media2/stream.sdp?profile=StreamProfile_1",
         STRELL_OK,
         333,
         "StreamProfile_1",
         {1, 0, 0, "", 60000, 15},
         kMedia2Audio,
         kMedia2Metadata}},
       {222, 111, 333}},
      {"directory in place of a per-channel file",
       [](const std::string& root) {
         ASSERT_EQ(0, unlink((root + "/config_videoin_c0.xml").c_str()));
         host_test::MakeDir(root + "/config_videoin_c0.xml");
       },
       {{"media2/stream.sdp?profile=StreamProfile_1",
         STRELL_OK,
         333,
         "StreamProfile_1",
         {1, 0, 0, "", 0, 0},
         kMedia2Audio,
         kMedia2Metadata},
        kLive1},
       {222, 111, 333}},
      {"directory in place of the Media1 profile file",
       [](const std::string& root) {
         const std::string file = root + "/config_onvif/config_onvif_media_profile.xml";
         ASSERT_EQ(0, unlink(file.c_str()));
         host_test::MakeDir(file);
       },
       {NotFound("media/stream.sdp?profile=Profile_1"), kLive1},
       {111, 333}},
      {"no configuration at all",
       [](const std::string& root) {
         ASSERT_EQ(0, std::system(("rm -r '" + root + "'/*").c_str()));
       },
       {NotFound("media/stream.sdp?profile=Profile_1"), NotFound("live1.sdp"),
        NotFound("media2/stream.sdp?profile=StreamProfile_1")},
       {}},
  };
}

class BrokenConfig : public testing::TestWithParam<Freshness> {
 protected:
  void TearDown() override { strell_host::SetFreshness(Freshness::kStrict); }
};
INSTANTIATE_TEST_SUITE_P(Modes, BrokenConfig,
                         testing::Values(Freshness::kStrict, Freshness::kWatch),
                         host_test::ModeName);

TEST_P(BrokenConfig, EveryBreakGivesDefinedAnswers) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    host_test::TempDir root;
    host_test::CopyTree(integration::ExampleRoot(), root.path());
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
      EXPECT_EQ(c.videoListC0S0, integration::Keys(list));
    });
    // A long URL is never cut to match a name.
    TProfileInfo info = strell_test::PatternedInfo();
    const TProfileInfo before = info;
    integration::Quietly([&] {
      EXPECT_EQ(STRELL_ERR_NOT_FOUND,
                Strell_GetProfileInfoByStreamUrl(context.handle(), kLongName.c_str(), &info));
      EXPECT_EQ(STRELL_ERR_NOT_FOUND,
                Strell_GetProfileInfoByStreamUrl(context.handle(), kLongName.substr(0, 255).c_str(),
                                                 &info));
    });
    EXPECT_EQ(0, std::memcmp(&before, &info, sizeof info));
  }
}

}  // namespace
