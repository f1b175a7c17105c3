// The stream-server store: what one reload reads and keeps, and its dump.
#include <string>
#include <vector>

#include "streamserver/url_streamserver.h"
#include "unit/camera_fixture.h"

namespace strell_test {
namespace {

class StreamserverStore : public FakeHostTest {};

// One slot as dumpprofile prints it.
std::string Dumped(const std::string& name, int enable, int ttl, int videoTask,
                   const std::string& videoIp, int videoPort, int audioTask,
                   const std::string& audioIp, int audioPort, int metadataTask,
                   const std::string& metadataIp, int metadataPort) {
  return "-----------------\nname: " + name + "\nenable: " + std::to_string(enable) +
         "\nttl: " + std::to_string(ttl) + "\nvideotask: " + std::to_string(videoTask) +
         "\nvideo ip = " + videoIp + "\nvideo port: " + std::to_string(videoPort) +
         "\naudiotask: " + std::to_string(audioTask) + "\naudio ip = " + audioIp +
         "\naudio port = " + std::to_string(audioPort) +
         "\nmetadatatask: " + std::to_string(metadataTask) + "\nmetadata ip = " + metadataIp +
         "\nmetadata port = " + std::to_string(metadataPort) + "\n";
}

TEST_F(StreamserverStore, ReloadReadsFourSlotsAndEndsAMediumAtItsFirstFailedRead) {
  SetRtspSlot(0, "live1.sdp", 4, 0, 7);
  SetRtsp(0, "alwaysmulticast", "1");
  SetRtsp(0, "enable", "0");
  SetRtspSlot(1, "b", 1, 1, 0);
  fake_host::Erase(kStreamServer, RtspKey(1, "videotrack"));
  SetRtspSlot(2, "c", 2, 0, 0);
  fake_host::Erase(kStreamServer, RtspKey(2, "multicast/audioipaddress"));
  // s3 is missing altogether; s4 and s5 lie beyond the four slots.
  SetRtspSlot(4, "e", 0, 0, 0);
  SetRtspSlot(5, "f", 0, 0, 0);

  CUrlStreamserver handler;
  EXPECT_EQ("dumpprofile empty\n", CaptureStdout([&] { handler.dumpprofile(); }));
  EXPECT_EQ(STRELL_OK, handler.Parse());

  std::vector<std::string> expected;
  auto read = [&](int slot, const std::string& key) {
    expected.push_back(kStreamServer + (" " + RtspKey(slot, key)));
  };
  for (int slot = 0; slot < 4; ++slot) {
    for (const char* key : {"alwaysmulticast", "multicast/ttl", "accessname", "enable"}) {
      read(slot, key);
    }
    for (const std::string medium : {"video", "audio", "metadata"}) {
      read(slot, medium + "track");
      if (slot == 3 || (slot == 1 && medium == "video")) continue;  // no track
      read(slot, "multicast/" + medium + "ipaddress");
      if (slot == 2 && medium == "audio") continue;  // no address
      read(slot, "multicast/" + medium + "port");
    }
  }
  EXPECT_EQ(expected, ReadsOf("/"));

  ASSERT_EQ(4u, handler.profiles.size());
  EXPECT_EQ(1, handler.profiles[0].alwaysmulticast);
  for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(111 + slot, handler.profiles[slot].profileKey);
  const std::string empty = Dumped("", 0, 0, -1, "", 0, -1, "", 0, -1, "", 0);
  EXPECT_EQ(
      Dumped("live1.sdp", 0, 15, 4, "239.0.0.0", 5000, 0, "239.0.1.0", 6000, 7, "239.0.2.0", 7000) +
          Dumped("b", 1, 15, -1, "", 0, 1, "239.0.1.1", 6001, 0, "239.0.2.1", 7001) +
          Dumped("c", 1, 15, 2, "239.0.0.2", 5002, 0, "", 0, 0, "239.0.2.2", 7002) + empty,
      CaptureStdout([&] { handler.dumpprofile(); }));

  // A reload replaces the whole store.
  fake_host::FailFile(kStreamServer);
  handler.Parse();
  EXPECT_EQ(empty + empty + empty + empty, CaptureStdout([&] { handler.dumpprofile(); }));
  EXPECT_EQ(114, handler.profiles.at(3).profileKey);
}

}  // namespace
}  // namespace strell_test
