// Loading the Media1 configuration: which host reads a reload makes, what
// the stores then hold, and the readers behind them.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "media1/media_one_test_config.h"
#include "media1/url_media_one.h"

namespace {

using media_one_test::kAudioFile;
using media_one_test::kMetadataFile;
using media_one_test::kProfileFile;
using media_one_test::kVideoFile;
using media_one_test::Slot;
using strell_test::CaptureStdout;
using strell_test::Context;

class Media1Loading : public strell_test::FakeHostTest {};
class Media1Readers : public strell_test::FakeHostTest {};

using Read = std::pair<std::string, std::string>;  // file, key path

// The reads of the Media1 files, in order; the other handlers' reads are
// left out. Every buffer must have reached the host zero-filled.
std::vector<Read> MediaOneReads() {
  std::vector<Read> reads;
  for (const fake_host::XmlRead& read : fake_host::XmlReads()) {
    if (read.file.rfind("/etc/conf.d/config_onvif/", 0) != 0) continue;
    EXPECT_TRUE(read.zeroedBuffer) << read.key;
    reads.emplace_back(read.file, read.key);
  }
  return reads;
}

// Everything a reload stored, as the four dumps print it plus the keys.
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

TEST_F(Media1Loading, ReloadReadsEachKeyOnceInFileOrder) {
  media_one_test::SetStandardCamera();
  // No audio slot i0; slot i1 holds one but must never be read.
  for (const char* rest : {"entity/token", "multicast/address/type", "multicast/address/ipv4",
                           "multicast/port", "multicast/ttl"}) {
    const std::string key = Slot("audioencoderconfiguration", 0, rest);
    fake_host::Set(kAudioFile, Slot("audioencoderconfiguration", 1, rest), "1");
    fake_host::Erase(kAudioFile, key);
  }

  std::vector<Read> expected;
  auto profileSlot = [&](int i, bool present) {
    expected.emplace_back(kProfileFile, Slot("profile", i, "token"));
    if (!present) return;
    for (const char* rest : {"videoencoderconfiguration/token", "audioencoderconfiguration/token",
                             "metadataconfiguration/token"}) {
      expected.emplace_back(kProfileFile, Slot("profile", i, rest));
    }
  };
  auto encoderSlot = [&](const char* file, const char* section, int i, const char* address) {
    expected.emplace_back(file, Slot(section, i, "entity/token"));
    expected.emplace_back(file, Slot(section, i, "multicast/address/type"));
    if (address != nullptr) {
      expected.emplace_back(file, Slot(section, i, "multicast/address/") + address);
    }
    expected.emplace_back(file, Slot(section, i, "multicast/ttl"));
    expected.emplace_back(file, Slot(section, i, "multicast/port"));
  };
  profileSlot(0, true);
  profileSlot(1, false);  // no token: the slot is skipped after one read
  profileSlot(2, true);
  profileSlot(3, true);
  encoderSlot(kVideoFile, "videoencoderconfiguration", 0, "ipv4");
  encoderSlot(kVideoFile, "videoencoderconfiguration", 1, "ipv6");
  encoderSlot(kVideoFile, "videoencoderconfiguration", 2, nullptr);  // type "ipx"
  encoderSlot(kVideoFile, "videoencoderconfiguration", 3, nullptr);  // missing slot
  encoderSlot(kAudioFile, "audioencoderconfiguration", 0, nullptr);  // missing slot
  for (const char* key : {"/root/metadataconfiguration/Multicast/Address/Type",
                          "/root/metadataconfiguration/Multicast/Address/IPv4Address",
                          "/root/metadataconfiguration/Multicast/TTL",
                          "/root/metadataconfiguration/Multicast/Port"}) {
    expected.emplace_back(kMetadataFile, key);
  }

  Context context;
  ASSERT_EQ(STRELL_OK, context.Parse());
  EXPECT_EQ(expected, MediaOneReads());
  CUrlMediaOne* handler = media_one_test::HeadOf(context);
  ASSERT_NE(nullptr, handler);
  const std::string first = Stores(*handler);

  fake_host::ClearLog();
  ASSERT_EQ(STRELL_OK, context.Parse());
  EXPECT_EQ(expected, MediaOneReads());
  EXPECT_EQ(first, Stores(*handler)) << "a reload replaces the stores, it does not add to them";
}

TEST_F(Media1Loading, StoresHoldTheFilesContents) {
  media_one_test::SetStandardCamera();
  CUrlMediaOne handler;
  ASSERT_EQ(STRELL_OK, handler.Parse());
  EXPECT_EQ(
      "222 224 225 \n"
      "--------------------------------------------\n"
      "profileToken = Profile_1\n"
      "videoSouceToken = VideoEncoder1_1\n"
      "audioSouceToken = AudioEncoder_1\n"
      "metadataSouceToken = metadata1\n"
      "profileToken = Profile_3\n"
      "videoSouceToken = VideoEncoder1_2\n"
      "audioSouceToken = AudioEncoder_1\n"
      "metadataSouceToken = MetadataToken_9\n"
      "profileToken = Profile_4\n"
      "videoSouceToken = VideoEncoder2_1\n"
      "audioSouceToken = \n"
      "metadataSouceToken = \n"
      "--------------------------------------------\n"
      "token = VideoEncoder1_1\n239.0.0.1:5000\nttl = 5\n"
      "token = VideoEncoder1_2\nff15::2:5002\nttl = 6\n"
      "token = VideoEncoder2_1\n:5004\nttl = 7\n"
      "token = \n:0\nttl = 0\n"
      "--------------------------------------------\n"
      "token = AudioEncoder_1\n239.0.0.9:6000\nttl = 3\n"
      "--------------------------------------------\n"
      "token = metadata1\n239.0.0.20:7000\nttl = 9\n",
      Stores(handler));
}

TEST_F(Media1Loading, EmptyStoresDumpOnlyTheRule) {
  CUrlMediaOne handler;
  EXPECT_EQ(
      "\n"
      "--------------------------------------------\n"
      "--------------------------------------------\n"
      "--------------------------------------------\n"
      "--------------------------------------------\n",
      Stores(handler));
}

TEST_F(Media1Loading, NothingReadableStillGivesTheFixedRecords) {
  CUrlMediaOne handler;
  std::string printed = CaptureStdout([&] { EXPECT_EQ(STRELL_OK, handler.Parse()); });
  EXPECT_EQ("", printed) << "loading prints nothing";
  EXPECT_TRUE(handler.mediaOneProfiles.empty());
  ASSERT_EQ(4u, handler.videoEncodeList.size());
  ASSERT_EQ(1u, handler.audioEncodeList.size());
  ASSERT_EQ(1u, handler.metadataEncodeList.size());
  for (const auto* list : {&handler.videoEncodeList, &handler.audioEncodeList}) {
    for (const COnvifMediaOneEncodeInfo& record : *list) {
      EXPECT_EQ("", record.token);
      EXPECT_EQ("", record.address);
      EXPECT_EQ(0, record.port);
      EXPECT_EQ(0, record.ttl);
    }
  }
  EXPECT_EQ("metadata1", handler.metadataEncodeList[0].token);
  EXPECT_EQ(0, handler.metadataEncodeList[0].port);
}

TEST_F(Media1Loading, ReadsOnlyFourProfileSlotsAndTheFirstAudioSlot) {
  media_one_test::SetStandardCamera();
  media_one_test::SetProfile(1, "", "VideoEncoder1_1", nullptr, nullptr);  // empty token
  media_one_test::SetProfile(4, "Profile_5", "VideoEncoder1_1", nullptr, nullptr);
  fake_host::Set(kAudioFile, Slot("audioencoderconfiguration", 1, "entity/token"), "Audio2");
  CUrlMediaOne handler;
  handler.Parse();
  EXPECT_EQ(3u, handler.mediaOneProfiles.size());
  EXPECT_EQ(1u, handler.audioEncodeList.size());
  for (const fake_host::XmlRead& read : fake_host::XmlReads()) {
    EXPECT_EQ(std::string::npos, read.key.find("/i4/")) << read.key;
    EXPECT_EQ(std::string::npos, read.key.find("audioencoderconfiguration/i1/")) << read.key;
    EXPECT_NE(Slot("profile", 1, "videoencoderconfiguration/token"), read.key)
        << "a slot with an empty token is not read further";
  }
}

TEST_F(Media1Loading, AddressTypeSelectsTheAddressKey) {
  struct Case {
    const char* type;  // null: no type in the file
    const char* videoAddress;
    const char* metadataAddress;
  } const cases[] = {
      {"IPv4", "239.0.0.1", "239.0.0.20"},
      {"IPv6", "ff15::1", "ff15::20"},
      {"ipv4", "", "239.0.0.20"},
      {"ipv6", "", "ff15::20"},
      {"IPV4", "", ""},
      {"v4", "", ""},
      {"", "", ""},
      {nullptr, "", ""},
  };
  for (const Case& c : cases) {
    fake_host::Reset();
    media_one_test::SetEncoder(kVideoFile, "videoencoderconfiguration", 0, "V1_1",
                               c.type != nullptr ? c.type : "", "239.0.0.1", "ff15::1", "1", "2");
    media_one_test::SetMetadata(c.type != nullptr ? c.type : "");
    if (c.type == nullptr) {
      fake_host::Erase(kVideoFile, Slot("videoencoderconfiguration", 0, "multicast/address/type"));
      fake_host::Erase(kMetadataFile, "/root/metadataconfiguration/Multicast/Address/Type");
    }
    CUrlMediaOne handler;
    handler.parseVideoEncoderXml(0);
    handler.parseMetadataEncoderXmltoList();
    const std::string type = c.type != nullptr ? c.type : "(none)";
    ASSERT_EQ(1u, handler.videoEncodeList.size());
    EXPECT_EQ(c.videoAddress, handler.videoEncodeList[0].address) << type;
    EXPECT_EQ(c.metadataAddress, handler.metadataEncodeList.at(0).address) << type;
    EXPECT_EQ(1, handler.videoEncodeList[0].port) << type;
    EXPECT_EQ(2, handler.videoEncodeList[0].ttl) << type;
  }
}

TEST_F(Media1Loading, ParseAnswersForTheRestOfTheChain) {
  media_one_test::SpyHandler spy;
  spy.parseAnswer = STRELL_ERR_CONFIG_READ;
  CUrlMediaOne handler;
  EXPECT_EQ(STRELL_OK, handler.Parse()) << "the last handler answers its own 0";
  handler.next = &spy;
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, handler.Parse());
  EXPECT_EQ(1, spy.parses);
}

TEST_F(Media1Readers, IndexedKeysTakeTheSlotAndPlainKeysStandAsWritten) {
  fake_host::Set(kVideoFile, "/mediaconf/videoencoderconfiguration/i3/multicast/ttl", "12x");
  fake_host::Set(kVideoFile, "/mediaconf/videoencoderconfiguration/i2/entity/token", "V");
  fake_host::Set(kMetadataFile, "/root/metadataconfiguration/Multicast/Port", " -70");
  fake_host::Set(kMetadataFile, "/root/metadataconfiguration/Multicast/Address/Type", "ipv6");

  int number = -5;
  std::string text = "old";
  EXPECT_EQ(STRELL_OK, readCtxFromXmlInt(kVideoFile, 3, FIELD_VIDEOENCODER_TTL, number));
  EXPECT_EQ(12, number);
  EXPECT_EQ(STRELL_OK, readCtxFromXmlString(kVideoFile, 2, FIELD_VIDEOENCODER_TOKEN, text));
  EXPECT_EQ("V", text);
  EXPECT_EQ(STRELL_OK, readCtxFromXmlInt(kMetadataFile, FIELD_METADATA_PORT, number));
  EXPECT_EQ(-70, number);
  EXPECT_EQ(STRELL_OK, readCtxFromXmlString(kMetadataFile, FIELD_METADATA_ADDRESS_TYPE, text));
  EXPECT_EQ("ipv6", text);
  // A plain reader copies the key path as it stands, "%d" included.
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlString(kProfileFile, FIELD_PROFILE_TOKEN, text));
  EXPECT_EQ("/mediaconf/profile/i%d/token", fake_host::XmlReads().back().key);
  for (const fake_host::XmlRead& read : fake_host::XmlReads()) EXPECT_TRUE(read.zeroedBuffer);
}

TEST_F(Media1Readers, FailureOrUnknownFieldGivesFourAndKeepsTheValue) {
  int number = 17;
  std::string text = "kept";
  EXPECT_EQ(STRELL_ERR_CONFIG_READ,
            readCtxFromXmlInt(kVideoFile, 0, FIELD_VIDEOENCODER_PORT, number));
  EXPECT_EQ(STRELL_ERR_CONFIG_READ,
            readCtxFromXmlString(kVideoFile, 0, FIELD_VIDEOENCODER_TOKEN, text));
  EXPECT_EQ(2u, fake_host::XmlReads().size());
  fake_host::ClearLog();
  for (int unknown : {-1, 22, 1000}) {
    const auto field = static_cast<EFieldProperty>(unknown);
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlInt(kVideoFile, 0, field, number));
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlInt(kVideoFile, field, number));
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlString(kVideoFile, 0, field, text));
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, readCtxFromXmlString(kVideoFile, field, text));
  }
  EXPECT_EQ(17, number);
  EXPECT_EQ("kept", text);
  EXPECT_TRUE(fake_host::XmlReads().empty()) << "an unknown field asks the host nothing";
}

// Firmware reads the table directly; its key paths are checked by the read
// sequence above, the row order (ids out of order in the multicast rows) here.
TEST(Media1FieldTable, RowsKeepTheirOrder) {
  const int ids[kOnvifMediaOneFieldCount] = {0,  1,  2,  3,  4,  7,  5,  6,  9,  8,  10,
                                             13, 11, 12, 15, 14, 16, 19, 17, 18, 21, 20};
  for (int row = 0; row < kOnvifMediaOneFieldCount; ++row) {
    EXPECT_EQ(ids[row], onvifMediaOneConfigMap[row].id) << "row " << row;
  }
  EXPECT_STREQ("/mediaconf/metadataencoderconfiguration/i%d/entity/token",
               onvifMediaOneConfigMap[16].key);
  EXPECT_STREQ("media/stream.sdp?profile=", ONVIF_MEDIA_ONE_TOKEN);
}

}  // namespace
