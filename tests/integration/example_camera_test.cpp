// The example camera end to end: libstrell reading a copy of examples/conf.d
// through the reference host kit in its default, strict freshness (both
// modes are the kit's own tests). Every profile's answer and every list
// query are stated in golden/example_camera.txt, before and after the files
// change: a per-channel file edited is seen by the next resolution, a store
// file only after Strell_Parse.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "strell_host.h"
#include "testing/golden.h"
#include "testing/records.h"
#include "testing/temp_dir.h"

namespace {

class ExampleCamera : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(STRELL_EXAMPLE_CONF, root_.path(),
                          std::filesystem::copy_options::recursive);
    strell_host::SetRoot(root_.path());
    testing_kit::TakeTrace();  // the trace lines go to a string, not the log
  }
  // Replaces the first `from` in the file by `to`, in place.
  void Edit(const std::string& name, const std::string& from, const std::string& to) {
    std::ostringstream text;
    text << std::ifstream(root_ / name).rdbuf();
    std::string edited = text.str();
    ASSERT_NE(std::string::npos, edited.find(from)) << from;
    ASSERT_TRUE(
        testing_kit::WriteFile(root_ / name, edited.replace(edited.find(from), from.size(), to)));
  }
  // Every profile of each kind and one past them, then the list queries.
  std::string Answers(const char* heading) {
    std::string out = std::string("# ") + heading + "\n";
    const struct {
      const char* prefix;
      int profiles;
      const char* suffix;
    } kinds[] = {{"media/stream.sdp?profile=Profile_", 4, ""},
                 {"live", 4, ".sdp"},
                 {"media2/stream.sdp?profile=StreamProfile_", 6, ""}};
    for (const auto& kind : kinds) {
      for (int i = 1; i <= kind.profiles + 1; ++i) {
        const std::string url = kind.prefix + std::to_string(i) + kind.suffix;
        TProfileInfo info = testing_kit::PatternedInfo();
        const int code = context_.Resolve(url.c_str(), &info);
        out += url + ": " + std::to_string(code) + " " + testing_kit::Describe(info) + "\n";
      }
    }
    const struct {
      bool video;
      int channel, stream;
    } queries[] = {{true, 0, 0}, {true, 0, 1}, {true, 0, 2},  {true, 1, 0}, {true, 1, 1},
                   {true, 1, 2}, {true, 2, 0}, {false, 0, 0}, {false, 0, 1}};
    for (const auto& q : queries) {
      TProfileList list = {0, {}};
      (q.video ? Strell_GetProfileListByVideoStream : Strell_GetProfileListByAudioStream)(
          context_.handle(), q.channel, q.stream, &list);
      out += (q.video ? "video " : "audio ") + std::to_string(q.channel) + "/" +
             std::to_string(q.stream) + ":";
      for (int key : testing_kit::Keys(list)) out += " " + std::to_string(key);
      out += "\n";
    }
    return out;
  }

  testing_kit::TempDir root_;
  testing_kit::Context context_;
};

TEST_F(ExampleCamera, AnswersAsTheGoldenFileAndSeesEachFileWhenItShould) {
  ASSERT_EQ(STRELL_OK, context_.Parse());
  std::string out = Answers("as installed");
  // Same sizes, in place: most likely within one tick of the clock.
  Edit("config_videoin_c0.xml", "<port>60000</port>", "<port>60006</port>");
  Edit("config_audioin.xml", "239.3.2.1", "239.3.2.9");
  Edit("config_streamprofile.xml", "<source>c0s0</source>", "<source>c1s2</source>");
  Edit("config_streamprofile.xml", "<token>StreamProfile_2</token>", "<token>Renamed_2</token>");
  Edit("config_streamserver.xml", "<accessname>live1.sdp", "<accessname>cam1.sdp");
  Edit("config_onvif/config_onvif_media_videoencoderconf.xml", "<port>40000", "<port>40008");
  out += Answers("per-channel files and stores edited");
  ASSERT_EQ(STRELL_OK, context_.Parse());
  out += Answers("after Strell_Parse");
  testing_kit::ExpectGolden(STRELL_INTEGRATION_GOLDEN "/example_camera.txt", out);
}

}  // namespace
