// The request path allocates nothing: it compares against the stored
// strings in place and writes straight into the host's records.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "media1/media_one_alloc_counter.h"
#include "media1/media_one_test_config.h"
#include "media1/url_media_one.h"

namespace {

template <typename Body>
int AllocationsOf(Body body) {
  alloc_counter::Start();
  body();
  return alloc_counter::Stop();
}

class Media1Allocation : public strell_test::FakeHostTest {};

TEST_F(Media1Allocation, ResolutionAndListsAllocateNothing) {
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload != nullptr && std::strstr(preload, "vgpreload") != nullptr) {
    GTEST_SKIP() << "under valgrind the allocation functions are valgrind's";
  }
  media_one_test::SetStandardCamera();
  // Tokens longer than a short-string buffer, so that a temporary string
  // copy on the request path would have to allocate.
  const std::string longName = "Profile_" + std::string(40, 'L');
  media_one_test::SetProfile(1, longName.c_str(), "VideoEncoder1_1", "AudioEncoder_1", "metadata1");
  strell_test::Context context;
  EXPECT_GT(AllocationsOf([&] { context.Parse(); }), 0) << "the counter sees the library";

  TProfileInfo info = strell_test::PatternedInfo();
  TProfileList list = strell_test::EmptyList();
  CUrlMediaOne* handler = media_one_test::HeadOf(context);
  ASSERT_NE(nullptr, handler);
  // Standard output is written before counting, so that its buffer exists.
  std::printf("warm-up\n");
  const std::string url = "media/stream.sdp?profile=" + longName;
  const int during = AllocationsOf([&] {
    handler->HandleUrl(url.c_str(), &info);
    handler->HandleUrl("media/stream.sdp?profile=Profile_3", &info);
    handler->HandleUrl("media/stream.sdp?profile=NoSuchProfile", &info);
    handler->fillProfileListByVideoStream(0, 0, &list);
    handler->fillProfileListByAudioStream(0, 0, &list);
  });
  EXPECT_EQ(0, during);
  EXPECT_EQ(224, info.profileKey);
  EXPECT_EQ(5, list.profileCount);
}

}  // namespace
