// The stream-server store: what one reload reads, what it keeps, the dump.
#include <string>
#include <vector>

#include "streamserver/streamserver_test_support.h"
#include "streamserver/url_streamserver.h"

namespace {

using streamserver_test::kFile;
using streamserver_test::RecordingHandler;
using streamserver_test::SetFullSlot;
using streamserver_test::SetSlot;
using streamserver_test::SlotKey;
using streamserver_test::StreamserverKeysRead;
using streamserver_test::StreamserverTest;

class StreamserverStore : public StreamserverTest {};

// The keys of one slot in reading order, leaving out the address and port of
// each medium whose track read fails.
std::vector<std::string> SlotReads(int slot, bool videoFails, bool audioFails, bool metadataFails) {
  std::vector<std::string> keys;
  for (const char* key : {"alwaysmulticast", "multicast/ttl", "accessname", "enable"}) {
    keys.push_back(SlotKey(slot, key));
  }
  struct Medium {
    const char* track;
    const char* address;
    const char* port;
    bool fails;
  } const media[] = {
      {"videotrack", "multicast/videoipaddress", "multicast/videoport", videoFails},
      {"audiotrack", "multicast/audioipaddress", "multicast/audioport", audioFails},
      {"metadatatrack", "multicast/metadataipaddress", "multicast/metadataport", metadataFails},
  };
  for (const Medium& m : media) {
    keys.push_back(SlotKey(slot, m.track));
    if (m.fails) continue;
    keys.push_back(SlotKey(slot, m.address));
    keys.push_back(SlotKey(slot, m.port));
  }
  return keys;
}

TEST_F(StreamserverStore, ReloadReadsSlotsZeroToThreeInOrder) {
  SetFullSlot(0, "a", 0, 0, 0);
  SetFullSlot(1, "b", 1, 1, 0);
  fake_host::Erase(kFile, SlotKey(1, "videotrack"));  // video of s1 unreadable
  SetFullSlot(2, "c", 2, 0, 0);
  fake_host::Erase(kFile, SlotKey(2, "multicast/audioipaddress"));  // stops before the port
  // s3 is missing altogether; s4 and s5 exist but lie beyond the four slots.
  SetFullSlot(4, "e", 0, 0, 0);
  SetFullSlot(5, "f", 0, 0, 0);

  CUrlStreamserver handler;
  EXPECT_EQ(STRELL_OK, handler.Parse());

  std::vector<std::string> expected = SlotReads(0, false, false, false);
  for (const std::string& key : SlotReads(1, true, false, false)) expected.push_back(key);
  std::vector<std::string> slot2 = SlotReads(2, false, false, false);
  slot2.erase(slot2.begin() + 9);  // "multicast/audioport" of s2 is not requested
  for (const std::string& key : slot2) expected.push_back(key);
  for (const std::string& key : SlotReads(3, true, true, true)) expected.push_back(key);
  EXPECT_EQ(expected, StreamserverKeysRead());

  for (const fake_host::XmlRead& read : fake_host::XmlReads()) {
    EXPECT_TRUE(read.zeroedBuffer) << read.key;
  }
}

TEST_F(StreamserverStore, KeepsEachSlotsValuesAndStartValuesForUnreadOnes) {
  SetFullSlot(0, "live1.sdp", 4, 0, 7);
  SetSlot(0, "alwaysmulticast", "1");
  SetSlot(1, "accessname", "only-name");

  CUrlStreamserver handler;
  handler.Parse();
  ASSERT_EQ(4u, handler.profiles.size());
  for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(111 + slot, handler.profiles[slot].profileKey);

  const CZellProfile& full = handler.profiles[0];
  EXPECT_EQ("live1.sdp", full.accessname);
  EXPECT_EQ(1, full.alwaysmulticast);
  EXPECT_EQ(15, full.ttl);
  EXPECT_EQ(1, full.enable);
  EXPECT_EQ(4, full.videoInfo.mediaTask);
  EXPECT_EQ("239.0.0.0", full.videoInfo.ipAddress);
  EXPECT_EQ(5000, full.videoInfo.port);
  EXPECT_EQ(0, full.audioInfo.mediaTask);
  EXPECT_EQ("239.0.1.0", full.audioInfo.ipAddress);
  EXPECT_EQ(6000, full.audioInfo.port);
  EXPECT_EQ(7, full.metadataInfo.mediaTask);
  EXPECT_EQ("239.0.2.0", full.metadataInfo.ipAddress);
  EXPECT_EQ(7000, full.metadataInfo.port);

  const CZellProfile& bare = handler.profiles[1];
  EXPECT_EQ("only-name", bare.accessname);
  EXPECT_EQ(0, bare.alwaysmulticast);
  EXPECT_EQ(0, bare.ttl);
  EXPECT_EQ(0, bare.enable);
  for (const CMediaInfo* medium : {&bare.videoInfo, &bare.audioInfo, &bare.metadataInfo}) {
    EXPECT_EQ(-1, medium->mediaTask);  // unreadable track: not carried
    EXPECT_EQ("", medium->ipAddress);
    EXPECT_EQ(0, medium->port);
  }
}

TEST_F(StreamserverStore, TrackTextReadsWithAtoiRules) {
  struct Case {
    const char* text;
    int track;
  } const cases[] = {{"-1", -1}, {"", 0}, {"abc", 0}, {" 7", 7}, {"2x", 2}, {"+3", 3}};
  CUrlStreamserver handler;
  for (const Case& c : cases) {
    SetSlot(0, "videotrack", c.text);
    handler.Parse();
    EXPECT_EQ(c.track, handler.profiles[0].videoInfo.mediaTask) << '"' << c.text << '"';
  }
}

TEST_F(StreamserverStore, ReloadReplacesTheWholeStore) {
  SetFullSlot(0, "first", 0, 0, 0);
  CUrlStreamserver handler;
  handler.Parse();
  SetSlot(0, "accessname", "second");
  handler.Parse();
  ASSERT_EQ(4u, handler.profiles.size());
  EXPECT_EQ("second", handler.profiles[0].accessname);

  fake_host::FailFile(kFile);
  handler.Parse();
  ASSERT_EQ(4u, handler.profiles.size());
  for (const CZellProfile& profile : handler.profiles) {
    EXPECT_EQ("", profile.accessname);
    EXPECT_EQ(-1, profile.videoInfo.mediaTask);
  }
  EXPECT_EQ(114, handler.profiles[3].profileKey);
}

TEST_F(StreamserverStore, ParsePassesOnAndReportsTheNextHandler) {
  CUrlStreamserver handler;
  RecordingHandler next(333, STRELL_ERR_BAD_SOURCE);
  handler.next = &next;
  EXPECT_EQ(STRELL_ERR_BAD_SOURCE, handler.Parse());
  EXPECT_EQ(1, next.parses);
  EXPECT_EQ(4u, handler.profiles.size());
}

TEST_F(StreamserverStore, DumpOfAnEmptyStoreIsOneLine) {
  CUrlStreamserver handler;
  EXPECT_EQ("dumpprofile empty\n", strell_test::CaptureStdout([&] { handler.dumpprofile(); }));
}

TEST_F(StreamserverStore, DumpPrintsTwelveLinesPerSlot) {
  SetFullSlot(0, "live1.sdp", 4, 0, 0);
  SetSlot(0, "enable", "0");
  CUrlStreamserver handler;
  handler.Parse();
  const std::string full =
      "-----------------\n"
      "name: live1.sdp\n"
      "enable: 0\n"
      "ttl: 15\n"
      "videotask: 4\n"
      "video ip = 239.0.0.0\n"
      "video port: 5000\n"
      "audiotask: 0\n"
      "audio ip = 239.0.1.0\n"
      "audio port = 6000\n"
      "metadatatask: 0\n"
      "metadata ip = 239.0.2.0\n"
      "metadata port = 7000\n";
  const std::string empty =
      "-----------------\n"
      "name: \n"
      "enable: 0\n"
      "ttl: 0\n"
      "videotask: -1\n"
      "video ip = \n"
      "video port: 0\n"
      "audiotask: -1\n"
      "audio ip = \n"
      "audio port = 0\n"
      "metadatatask: -1\n"
      "metadata ip = \n"
      "metadata port = 0\n";
  EXPECT_EQ(full + empty + empty + empty,
            strell_test::CaptureStdout([&] { handler.dumpprofile(); }));
}

}  // namespace
