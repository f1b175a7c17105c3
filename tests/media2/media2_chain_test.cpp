// A Media2 URL through the library's exports, with the rest of the chain in
// front of the Media2 handler.
#include <string>
#include <vector>

#include "media2/media2_test_support.h"

namespace {

using media2_test::SetMulticast;
using media2_test::SetSlot;
using media2_test::VideoFile;
using strell_test::Context;
using strell_test::EmptyList;
using strell_test::FakeHostTest;

class Media2Chain : public FakeHostTest {};

TEST_F(Media2Chain, ResolvesWithMulticastSettingsReadAtThatMoment) {
  SetSlot(0, "token", "StreamProfile_1");
  SetSlot(0, "videoconfiguration/enable", "1");
  SetSlot(0, "videoconfiguration/source", "c0s0");
  SetMulticast(VideoFile(0), "videoin", 0, 0, "5560", "239.0.0.1", "16");
  Context context;
  ASSERT_EQ(STRELL_OK, context.Parse());

  TProfileInfo info = {};
  EXPECT_EQ(STRELL_OK, context.Resolve("media2/stream.sdp?profile=StreamProfile_1", &info));
  EXPECT_EQ(333, info.profileKey);
  EXPECT_STREQ("StreamProfile_1", info.profileName);
  EXPECT_EQ(1, info.videoInfo.mediaTask);
  EXPECT_EQ(5560, info.videoInfo.port);
  EXPECT_EQ(0, info.audioInfo.mediaTask);

  SetMulticast(VideoFile(0), "videoin", 0, 0, "7000", "239.1.1.1", "3");
  info = {};
  EXPECT_EQ(STRELL_OK, context.Resolve("media2/stream.sdp?profile=StreamProfile_1", &info));
  EXPECT_EQ(7000, info.videoInfo.port);
  EXPECT_STREQ("239.1.1.1", info.videoInfo.ipAddress);
  EXPECT_EQ(3, info.videoInfo.ttl);

  EXPECT_EQ(STRELL_ERR_NOT_FOUND,
            context.Resolve("media2/stream.sdp?profile=StreamProfile_1&x=1", &info));
}

TEST_F(Media2Chain, MediaTwoKeysComeLastInAList) {
  SetSlot(4, "videoconfiguration/enable", "1");
  SetSlot(4, "videoconfiguration/source", "c1s2");
  Context context;
  context.Parse();
  TProfileList list = EmptyList();
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(context.handle(), 1, 2, &list));
  ASSERT_GE(list.profileCount, 1);
  EXPECT_EQ(337, list.profileKeys[list.profileCount - 1]);
}

}  // namespace
