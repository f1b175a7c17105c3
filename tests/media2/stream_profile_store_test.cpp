// Loading the Media2 stream profiles, the per-medium readers and the dump.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "media2/media2_test_support.h"
#include "media2/url_media_two.h"

namespace {

using media2_test::kAudioFile;
using media2_test::kProfileFile;
using media2_test::Media2Reads;
using media2_test::MetadataFile;
using media2_test::RecordingHandler;
using media2_test::SetSlot;
using media2_test::SlotKey;
using media2_test::VideoFile;
using strell_test::CaptureStdout;
using strell_test::FakeHostTest;

class Media2Store : public FakeHostTest {
 protected:
  CUrlMediaTwo handler;
};

TEST_F(Media2Store, ReloadReadsTenSlotsAndSourcesOnlyOfEnabledMedia) {
  SetSlot(0, "token", "P0");
  SetSlot(0, "videoconfiguration/enable", "1");
  SetSlot(0, "videoconfiguration/source", "c0s1");
  SetSlot(0, "audioconfiguration/enable", "0");
  SetSlot(0, "audioconfiguration/source", "c0s0");  // disabled: never read
  SetSlot(0, "metadataconfiguration/enable", "2");  // any nonzero value enables
  SetSlot(0, "metadataconfiguration/source", "m0");
  SetSlot(3, "videoconfiguration/enable", "x");  // no digits: disabled
  SetSlot(3, "videoconfiguration/source", "c1s1");
  SetSlot(3, "audioconfiguration/enable", " -7");
  SetSlot(3, "audioconfiguration/source", "a");

  EXPECT_EQ(STRELL_OK, handler.Parse());

  std::vector<std::string> expected;
  for (int slot = 0; slot < 10; ++slot) {
    expected.push_back(SlotKey(slot, "token"));
    for (const char* medium : {"video", "audio", "metadata"}) {
      const std::string prefix = std::string(medium) + "configuration/";
      expected.push_back(SlotKey(slot, prefix + "enable"));
      const bool enabled = (slot == 0 && std::string(medium) != "audio") ||
                           (slot == 3 && std::string(medium) == "audio");
      if (enabled) expected.push_back(SlotKey(slot, prefix + "source"));
    }
  }
  std::vector<std::string> keys;
  for (const fake_host::XmlRead& read : Media2Reads()) {
    EXPECT_EQ(kProfileFile, read.file);
    EXPECT_TRUE(read.zeroedBuffer) << read.key;
    keys.push_back(read.key);
  }
  EXPECT_EQ(expected, keys);

  ASSERT_EQ(10u, handler.streamProfiles.size());
  const CStreamProfile& first = handler.streamProfiles[0];
  EXPECT_EQ("P0", first.profileToken);
  EXPECT_EQ(1, first.videoEncodeConfig.enable);
  EXPECT_EQ("c0s1", first.videoEncodeConfig.source);
  EXPECT_EQ(0, first.audioEncodeConfig.enable);
  EXPECT_EQ("", first.audioEncodeConfig.source);
  EXPECT_EQ(2, first.metadataEncodeConfig.enable);
  EXPECT_EQ("m0", first.metadataEncodeConfig.source);
  const CStreamProfile& fourth = handler.streamProfiles[3];
  EXPECT_EQ("", fourth.profileToken);  // enabled media without a token: stored all the same
  EXPECT_EQ(0, fourth.videoEncodeConfig.enable);
  EXPECT_EQ("", fourth.videoEncodeConfig.source);
  EXPECT_EQ(-7, fourth.audioEncodeConfig.enable);
  EXPECT_EQ("a", fourth.audioEncodeConfig.source);
}

TEST_F(Media2Store, MissingFileGivesTenEmptyDisabledRecords) {
  fake_host::FailFile(kProfileFile);
  EXPECT_EQ(STRELL_OK, handler.Parse());
  EXPECT_EQ(40u, Media2Reads().size());  // token and three enables per slot
  ASSERT_EQ(10u, handler.streamProfiles.size());
  for (int slot = 0; slot < 10; ++slot) {
    const CStreamProfile& p = handler.streamProfiles[slot];
    EXPECT_EQ(333 + slot, p.profileKey);
    EXPECT_EQ("", p.profileToken);
    for (const CMediaEncodeConfig* c :
         {&p.videoEncodeConfig, &p.audioEncodeConfig, &p.metadataEncodeConfig}) {
      EXPECT_EQ(0, c->enable);
      EXPECT_EQ("", c->source);
    }
  }
}

TEST_F(Media2Store, ReloadReplacesEveryRecord) {
  SetSlot(1, "token", "old");
  SetSlot(2, "token", "gone");
  handler.Parse();
  SetSlot(1, "token", "new");
  fake_host::Erase(kProfileFile, SlotKey(2, "token"));
  handler.Parse();
  ASSERT_EQ(10u, handler.streamProfiles.size());
  EXPECT_EQ("new", handler.streamProfiles[1].profileToken);
  EXPECT_EQ("", handler.streamProfiles[2].profileToken);  // a fresh record, not the old one
  EXPECT_EQ(342, handler.streamProfiles[9].profileKey);
}

TEST_F(Media2Store, ReloadHandsOnToTheNextHandler) {
  RecordingHandler next;
  handler.next = &next;
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, handler.Parse());  // the next handler's answer
  EXPECT_EQ(1, next.parses);
  EXPECT_EQ(10u, handler.streamProfiles.size());
}

TEST_F(Media2Store, DumpPrintsEveryRecordInOrder) {
  EXPECT_EQ("", CaptureStdout([&] { EXPECT_EQ(0, handler.dumpall()); }));
  CStreamProfile a;
  a.profileToken = "P1";
  a.profileKey = 333;
  a.videoEncodeConfig = {"c0s1", 1};
  a.audioEncodeConfig = {"", 0};
  a.metadataEncodeConfig = {"m", -3};
  CStreamProfile b;
  handler.streamProfiles = {a, b};
  const std::string rule = "---------------------------------------------\n";
  EXPECT_EQ(rule +
                "streamprofile.profileToken = P1\n"
                "streamprofile.videoEncodeConfig.enable = 1\n"
                "streamprofile.videoEncodeConfig.source = c0s1\n"
                "streamprofile.audioEncodeConfig.enable = 0\n"
                "streamprofile.audioEncodeConfig.source = \n"
                "streamprofile.metadataEncodeConfig.enable = -3\n"
                "streamprofile.metadataEncodeConfig.source = m\n" +
                rule +
                "streamprofile.profileToken = \n"
                "streamprofile.videoEncodeConfig.enable = 0\n"
                "streamprofile.videoEncodeConfig.source = \n"
                "streamprofile.audioEncodeConfig.enable = 0\n"
                "streamprofile.audioEncodeConfig.source = \n"
                "streamprofile.metadataEncodeConfig.enable = 0\n"
                "streamprofile.metadataEncodeConfig.source = \n",
            CaptureStdout([&] { handler.dumpall(); }));
}

class Media2Readers : public FakeHostTest {};

TEST_F(Media2Readers, EachMediumReadsItsFileAndKey) {
  struct Case {
    EStrellErrno (*reader)(int, int, EStreamProfileField, std::string&);
    int channel, stream;
    EStreamProfileField field;
    std::string file, key;
  } const cases[] = {
      {getVideoinfield, 0, 1, kStreamProfileMulticastPort, VideoFile(0),
       "/root/videoin/c0/s1/multicast/port"},
      {getVideoinfield, 12, 3, kStreamProfileMulticastTtl, VideoFile(12),
       "/root/videoin/c12/s3/multicast/ttl"},
      // One audio file for every channel; the channel is only in the key.
      {getAudioinfield, 1, 0, kStreamProfileMulticastPort, kAudioFile,
       "/root/audioin/c1/s0/multicast/port"},
      {getMetadatainfield, 2, 0, kStreamProfileMulticastAddress, MetadataFile(2),
       "/root/metadata/c2/s0/multicast/ipaddress"},
      {getMetadatainfield, -1, -2, kStreamProfileMulticastTtl, MetadataFile(-1),
       "/root/metadata/c-1/s-2/multicast/ttl"},
  };
  for (const Case& c : cases) {
    fake_host::Reset();
    fake_host::Set(c.file, c.key, "v");
    std::string value = "before";
    EXPECT_EQ(STRELL_OK, c.reader(c.channel, c.stream, c.field, value)) << c.key;
    EXPECT_EQ("v", value);
    fake_host::FailFile(c.file);
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, c.reader(c.channel, c.stream, c.field, value)) << c.key;
    EXPECT_EQ("v", value);  // unchanged on failure
    const std::vector<fake_host::XmlRead> reads = fake_host::XmlReads();
    ASSERT_EQ(2u, reads.size());
    for (const fake_host::XmlRead& read : reads) {
      EXPECT_EQ(c.file, read.file);
      EXPECT_EQ(c.key, read.key);
      EXPECT_TRUE(read.zeroedBuffer);
    }
  }
}

TEST_F(Media2Readers, GenericReaderUsesTheGivenKeyBuilder) {
  fake_host::Set("f.xml", "/k/3/4/9", "text");
  std::string value;
  const MediaTwoKeyBuilder builder = [](char* buffer, int size, int channel, int stream,
                                        EStreamProfileField field) {
    std::snprintf(buffer, static_cast<size_t>(size), "/k/%d/%d/%d", channel, stream,
                  static_cast<int>(field));
  };
  EXPECT_EQ(STRELL_OK,
            readCtxFromXmlString("f.xml", builder, 3, 4, kStreamProfileMulticastAddress, value));
  EXPECT_EQ("text", value);
}

}  // namespace
