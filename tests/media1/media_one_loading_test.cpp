// Loading the Media1 configuration: the host reads of one reload and the
// stores they fill.
#include <string>
#include <vector>

#include "api/stream_url_hndl.h"
#include "media1/url_media_one.h"
#include "unit/camera_fixture.h"

namespace strell_test {
namespace {

class Media1Loading : public FakeHostTest {};

const std::string kRule = "--------------------------------------------\n";

// Everything a reload stored: the profile keys, then the four dumps.
std::string Stores(CUrlMediaOne& handler) {
  std::string keys;
  for (const CMediaOneProfile& profile : handler.mediaOneProfiles) {
    keys += std::to_string(profile.profileKey) + " ";
  }
  return keys + "\n" + CaptureStdout([&] {
           handler.dumpProfileList();
           handler.dumpVideoEncodeList();
           handler.dumpAudioEncodeList();
           handler.dumpMetadata();
         });
}

TEST_F(Media1Loading, ReloadReadsEachKeyOnceInFileOrderAndReplacesTheStores) {
  SetMediaOneCamera();
  SetOnvifProfile(1, "", "VideoEncoder1_1", nullptr, nullptr);           // empty token: skipped
  SetOnvifProfile(4, "Profile_5", "VideoEncoder1_1", nullptr, nullptr);  // beyond i3
  // No audio slot i0; slot i1 holds one but is never read.
  for (const char* rest : {"entity/token", "multicast/address/type", "multicast/address/ipv4",
                           "multicast/port", "multicast/ttl"}) {
    fake_host::Set(kOnvifAudio, OnvifKey(kAudioSection, 1, rest), "1");
    fake_host::Erase(kOnvifAudio, OnvifKey(kAudioSection, 0, rest));
  }

  std::vector<std::string> expected;
  auto read = [&](const char* file, const std::string& key) {
    expected.push_back(file + (" " + key));
  };
  for (int i : {0, 1, 2, 3}) {
    read(kOnvifProfiles, OnvifKey("profile", i, "token"));
    if (i == 1) continue;
    for (const char* rest : {"videoencoderconfiguration/token", "audioencoderconfiguration/token",
                             "metadataconfiguration/token"}) {
      read(kOnvifProfiles, OnvifKey("profile", i, rest));
    }
  }
  auto encoderSlot = [&](const char* file, const char* section, int i, const char* address) {
    read(file, OnvifKey(section, i, "entity/token"));
    read(file, OnvifKey(section, i, "multicast/address/type"));
    if (address != nullptr) read(file, OnvifKey(section, i, "multicast/address/") + address);
    read(file, OnvifKey(section, i, "multicast/ttl"));
    read(file, OnvifKey(section, i, "multicast/port"));
  };
  encoderSlot(kOnvifVideo, kVideoSection, 0, "ipv4");
  encoderSlot(kOnvifVideo, kVideoSection, 1, "ipv6");
  encoderSlot(kOnvifVideo, kVideoSection, 2, nullptr);  // type "ipx"
  encoderSlot(kOnvifVideo, kVideoSection, 3, nullptr);  // missing slot
  encoderSlot(kOnvifAudio, kAudioSection, 0, nullptr);  // missing slot
  for (const char* key : {"Address/Type", "Address/IPv4Address", "TTL", "Port"}) {
    read(kOnvifMetadata, kMetadataKey + std::string(key));
  }
  const std::string stores =
      "222 224 225 \n" + kRule +
      "profileToken = Profile_1\nvideoSouceToken = VideoEncoder1_1\n"
      "audioSouceToken = AudioEncoder_1\nmetadataSouceToken = metadata1\n"
      "profileToken = Profile_3\nvideoSouceToken = VideoEncoder1_2\n"
      "audioSouceToken = AudioEncoder_1\nmetadataSouceToken = MetadataToken_9\n"
      "profileToken = Profile_4\nvideoSouceToken = VideoEncoder2_1\n"
      "audioSouceToken = \nmetadataSouceToken = \n" +
      kRule +
      "token = VideoEncoder1_1\n239.0.0.1:5000\nttl = 5\n"
      "token = VideoEncoder1_2\nff15::2:5002\nttl = 6\n"
      "token = VideoEncoder2_1\n:5004\nttl = 7\n"
      "token = \n:0\nttl = 0\n" +
      kRule + "token = \n:0\nttl = 0\n" + kRule + "token = metadata1\n239.0.0.20:7000\nttl = 9\n";

  Context context;
  auto* handler = dynamic_cast<CUrlMediaOne*>(context.handle()->context->handlers.at(0));
  ASSERT_NE(nullptr, handler);
  for (int reload = 0; reload < 2; ++reload) {
    fake_host::ClearLog();
    EXPECT_EQ("", CaptureStdout([&] { ASSERT_EQ(STRELL_OK, context.Parse()); }));
    EXPECT_EQ(expected, ReadsOf(kOnvifDir)) << "reload " << reload;
    EXPECT_EQ(stores, Stores(*handler)) << "reload " << reload;
  }
  // Nothing readable still gives the fixed records.
  for (const char* file : {kOnvifProfiles, kOnvifVideo, kOnvifAudio, kOnvifMetadata}) {
    fake_host::FailFile(file);
  }
  context.Parse();
  const std::string empty = "token = \n:0\nttl = 0\n";
  EXPECT_EQ("\n" + kRule + kRule + empty + empty + empty + empty + kRule + empty + kRule +
                "token = metadata1\n:0\nttl = 0\n",
            Stores(*handler));
}

TEST_F(Media1Loading, AddressTypeSelectsTheAddressKey) {
  // Encoder files know "IPv4" and "IPv6"; the metadata file also the lower case.
  // clang-format off
  struct Case {
    const char* type;  // null: no type in the file
    const char *videoAddress, *metadataAddress;
  } const cases[] = {{"IPv4", "239.0.0.1", "239.0.0.20"}, {"IPv6", "ff15::1", "ff15::20"},
                     {"ipv4", "", "239.0.0.20"}, {"ipv6", "", "ff15::20"}, {"IPV4", "", ""},
                     {"v4", "", ""}, {"", "", ""}, {nullptr, "", ""}};
  // clang-format on
  for (const Case& c : cases) {
    fake_host::Reset();
    SetOnvifEncoder(kOnvifVideo, kVideoSection, 0, "V1_1", c.type, "239.0.0.1", "ff15::1", "1",
                    "2");
    SetOnvifMetadata(c.type != nullptr ? c.type : "");
    if (c.type == nullptr)
      fake_host::Erase(kOnvifMetadata, kMetadataKey + std::string("Address/Type"));
    CUrlMediaOne handler;
    handler.Parse();
    const COnvifMediaOneEncodeInfo& video = handler.videoEncodeList.at(0);
    EXPECT_EQ(std::string(c.videoAddress) + " 1 2 " + c.metadataAddress,
              video.address + " " + std::to_string(video.port) + " " + std::to_string(video.ttl) +
                  " " + handler.metadataEncodeList.at(0).address)
        << (c.type != nullptr ? c.type : "(none)");
  }
}

TEST_F(Media1Loading, ReadersAskNothingForAFieldOutsideTheTable) {
  int number = 17;
  std::string text = "kept";
  for (int unknown : {-1, 22, 1000}) {
    const auto field = static_cast<EFieldProperty>(unknown);
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlInt(kOnvifVideo, 0, field, number));
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlInt(kOnvifVideo, field, number));
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlString(kOnvifVideo, 0, field, text));
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlString(kOnvifVideo, field, text));
  }
  EXPECT_TRUE(fake_host::XmlReads().empty());
  EXPECT_EQ(17, number);
  EXPECT_EQ("kept", text);
}

}  // namespace
}  // namespace strell_test
