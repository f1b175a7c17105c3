// Stream-server profile lists by video and by audio stream.
#include <string>
#include <vector>

#include "streamserver/streamserver_test_support.h"
#include "streamserver/url_streamserver.h"

namespace {

using streamserver_test::RecordingHandler;
using streamserver_test::SetFullSlot;
using streamserver_test::StreamserverTest;
using strell_test::CaptureStdout;
using strell_test::EmptyList;

// Video tracks 4, 4, 0 and none; audio tracks 0, none, 0, 2 (three streams per
// video channel, so track 4 is channel 1, stream 1).
class StreamserverList : public StreamserverTest {
 protected:
  void SetUp() override {
    StreamserverTest::SetUp();
    SetFullSlot(0, "s0", 4, 0, 0);
    SetFullSlot(1, "s1", 4, -1, 0);
    SetFullSlot(2, "s2", 0, 0, 0);
    SetFullSlot(3, "s3", -1, 2, 0);
    handler.Parse();
  }
  CUrlStreamserver handler;
};

TEST_F(StreamserverList, VideoListAppendsMatchesAfterExistingKeysWithOneLineEach) {
  TProfileList list = EmptyList();
  appendProfileKey(&list, 222);
  std::string printed = CaptureStdout(
      [&] { EXPECT_EQ(STRELL_OK, handler.GetProfileListByVideoStream(1, 1, &list)); });
  EXPECT_EQ(
      "profileList->profileCount = 1, profile.profileKey = 111\n"
      "profileList->profileCount = 2, profile.profileKey = 112\n",
      printed);
  ASSERT_EQ(3, list.profileCount);
  EXPECT_EQ(222, list.profileKeys[0]);
  EXPECT_EQ(111, list.profileKeys[1]);
  EXPECT_EQ(112, list.profileKeys[2]);
}

TEST_F(StreamserverList, VideoListWithoutMatchPrintsNothing) {
  TProfileList list = EmptyList();
  struct Case {
    int channel, stream;
  } const misses[] = {{0, 1}, {1, 0}, {2, 1}, {-1, -1}};
  for (const Case& c : misses) {
    EXPECT_EQ("", CaptureStdout(
                      [&] { handler.GetProfileListByVideoStream(c.channel, c.stream, &list); }));
  }
  EXPECT_EQ(0, list.profileCount);
  TProfileList first = EmptyList();
  CaptureStdout([&] { handler.GetProfileListByVideoStream(0, 0, &first); });
  ASSERT_EQ(1, first.profileCount);
  EXPECT_EQ(113, first.profileKeys[0]);
}

TEST_F(StreamserverList, AudioListPrintsEveryRecordAndMatchesStreamZeroOnly) {
  TProfileList list = EmptyList();
  const std::string lines =
      "profile.audioInfo.mediaTask = 0\n"
      "profile.audioInfo.mediaTask = -1\n"
      "profile.audioInfo.mediaTask = 0\n"
      "profile.audioInfo.mediaTask = 2\n";
  EXPECT_EQ(lines, CaptureStdout([&] {
              EXPECT_EQ(STRELL_OK, handler.GetProfileListByAudioStream(0, 0, &list));
            }));
  ASSERT_EQ(2, list.profileCount);
  EXPECT_EQ(111, list.profileKeys[0]);
  EXPECT_EQ(113, list.profileKeys[1]);

  TProfileList none = EmptyList();
  for (int stream : {1, -1, 2}) {
    EXPECT_EQ(lines, CaptureStdout([&] { handler.GetProfileListByAudioStream(0, stream, &none); }));
    EXPECT_EQ(lines, CaptureStdout([&] { handler.GetProfileListByAudioStream(2, stream, &none); }));
  }
  EXPECT_EQ(0, none.profileCount);

  TProfileList second = EmptyList();
  CaptureStdout([&] { handler.GetProfileListByAudioStream(2, 0, &second); });
  ASSERT_EQ(1, second.profileCount);
  EXPECT_EQ(114, second.profileKeys[0]);
}

TEST_F(StreamserverList, KeysComeBetweenThoseOfTheHandlersAroundIt) {
  RecordingHandler before(222, STRELL_OK);
  RecordingHandler after(333, STRELL_OK);
  before.next = &handler;
  handler.next = &after;
  TProfileList video = EmptyList();
  CaptureStdout([&] { EXPECT_EQ(STRELL_OK, before.GetProfileListByVideoStream(1, 1, &video)); });
  ASSERT_EQ(4, video.profileCount);
  EXPECT_EQ((std::vector<int>{222, 111, 112, 333}),
            std::vector<int>(video.profileKeys, video.profileKeys + 4));
  TProfileList audio = EmptyList();
  CaptureStdout([&] { EXPECT_EQ(STRELL_OK, before.GetProfileListByAudioStream(0, 0, &audio)); });
  EXPECT_EQ((std::vector<int>{222, 111, 113, 333}),
            std::vector<int>(audio.profileKeys, audio.profileKeys + 4));
}

TEST_F(StreamserverList, FullListTakesNoMoreKeys) {
  struct Guarded {
    TProfileList list;
    int guard;
  } box;
  box.list = EmptyList();
  box.guard = 0x7eadbeef;
  box.list.profileCount = STRELL_MAX_PROFILE_KEYS - 1;
  CaptureStdout([&] { handler.GetProfileListByVideoStream(1, 1, &box.list); });
  EXPECT_EQ(STRELL_MAX_PROFILE_KEYS, box.list.profileCount);
  EXPECT_EQ(111, box.list.profileKeys[STRELL_MAX_PROFILE_KEYS - 1]);
  CaptureStdout([&] { handler.GetProfileListByAudioStream(0, 0, &box.list); });
  EXPECT_EQ(STRELL_MAX_PROFILE_KEYS, box.list.profileCount);
  EXPECT_EQ(0x7eadbeef, box.guard);
}

TEST_F(StreamserverList, LibraryListsStreamserverKeysBeforeMediaTwoKeys) {
  const char* media2File = "/etc/conf.d/config_streamprofile.xml";
  fake_host::Set(media2File, "/root/streamprofile/i4/videoconfiguration/enable", "1");
  fake_host::Set(media2File, "/root/streamprofile/i4/videoconfiguration/source", "c1s1");
  strell_test::Context context;
  ASSERT_EQ(STRELL_OK, context.Parse());
  TProfileList list = EmptyList();
  CaptureStdout([&] { Strell_GetProfileListByVideoStream(context.handle(), 1, 1, &list); });
  EXPECT_EQ((std::vector<int>{111, 112, 337}),
            std::vector<int>(list.profileKeys, list.profileKeys + list.profileCount));
}

TEST_F(StreamserverList, NullListIsLeftAlone) {
  EXPECT_EQ("", CaptureStdout([&] {
              EXPECT_EQ(STRELL_OK, handler.GetProfileListByVideoStream(1, 1, nullptr));
              EXPECT_EQ(STRELL_OK, handler.GetProfileListByAudioStream(0, 0, nullptr));
            }));
}

}  // namespace
