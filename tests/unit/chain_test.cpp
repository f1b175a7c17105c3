// The handler chain: factory, delegation rules and the context's lifecycle.
#include <memory>
#include <string>
#include <vector>

#include "api/stream_url_hndl.h"
#include "handler/url_handler.h"
#include "media1/url_media_one.h"
#include "media2/url_media_two.h"
#include "streamserver/url_streamserver.h"
#include "unit/test_support.h"

namespace {

using strell_test::Context;
using strell_test::FakeHostTest;
using strell_test::PatternedInfo;

TEST(StringCompareEqual, EqualOnlyForTheSameText) {
  struct Case {
    const char* a;
    const char* b;
    int equal;
  } const cases[] = {
      {"media1", "media1", 1}, {"", "", 1},          {"media1", "media", 0},
      {"media", "media1", 0},  {"xmedia1", "media1", 0}, {"Media1", "media1", 0},
      {"abc", "", 0},          {"", "abc", 0},           {"a\xff", "a\xff", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.equal, stringCompareEqual(c.a, c.b)) << '"' << c.a << "\" vs \"" << c.b << '"';
  }
}

TEST(Factory, CreatesEachHandlerWithItsId) {
  CUrlHndlFactory factory;
  struct Case {
    const char* name;
    int id;
  } const cases[] = {{"media1", 222}, {"streamserver", 111}, {"media2", 333}};
  for (const Case& c : cases) {
    std::unique_ptr<IUrlHandler> handler(factory.FactoryNew(c.name));
    ASSERT_NE(nullptr, handler) << c.name;
    EXPECT_EQ(c.id, handler->id);
    EXPECT_EQ(nullptr, handler->next);
  }
  std::unique_ptr<IUrlHandler> one(factory.FactoryNew("media1"));
  EXPECT_NE(nullptr, dynamic_cast<CUrlMediaOne*>(one.get()));
  std::unique_ptr<IUrlHandler> two(factory.FactoryNew("media2"));
  EXPECT_NE(nullptr, dynamic_cast<CUrlMediaTwo*>(two.get()));
  std::unique_ptr<IUrlHandler> server(factory.FactoryNew("streamserver"));
  EXPECT_NE(nullptr, dynamic_cast<CUrlStreamserver*>(server.get()));
}

TEST(Factory, RejectsEveryOtherName) {
  CUrlHndlFactory factory;
  for (const char* name : {"", "Media1", "MEDIA2", "media", "stream", "streamserver ", "media3",
                           " media1", "StreamServer"}) {
    EXPECT_EQ(nullptr, factory.FactoryNew(name)) << '"' << name << '"';
  }
}

TEST(Context, InitLinksMediaOneStreamServerMediaTwo) {
  Context context;
  CStreamUrlHndl* inner = context.handle()->context;
  ASSERT_EQ(3u, inner->handlers.size());
  EXPECT_EQ(222, inner->handlers[0]->id);
  EXPECT_EQ(111, inner->handlers[1]->id);
  EXPECT_EQ(333, inner->handlers[2]->id);
  EXPECT_EQ(inner->handlers[1], inner->handlers[0]->next);
  EXPECT_EQ(inner->handlers[2], inner->handlers[1]->next);
  EXPECT_EQ(nullptr, inner->handlers[2]->next);
}

TEST(Context, ReleaseClearsTheHostsHandle) {
  StrellHandle handle = nullptr;
  ASSERT_EQ(STRELL_OK, Strell_Init(&handle));
  ASSERT_NE(nullptr, handle);
  EXPECT_EQ(STRELL_OK, Strell_Release(&handle));
  EXPECT_EQ(nullptr, handle);
  EXPECT_EQ(STRELL_OK, Strell_Release(&handle));  // a second release is harmless
  EXPECT_EQ(STRELL_OK, Strell_Release(nullptr));
}

TEST(Context, ReleaseOfABlockWithoutContextOnlyFreesTheBlock) {
  StrellHandle handle = nullptr;
  ASSERT_EQ(STRELL_OK, Strell_Init(&handle));
  CStreamUrlHndl* inner = handle->context;
  handle->context = nullptr;
  EXPECT_EQ(STRELL_OK, Strell_Release(&handle));
  EXPECT_EQ(nullptr, handle);
  delete inner;
}

class Lifecycle : public FakeHostTest {};

TEST_F(Lifecycle, QueriesBeforeTheFirstReloadFindNothing) {
  Context context;
  for (const char* url : {"", "media/stream.sdp?profile=P1", "media2/stream.sdp?profile=P1",
                          "live.sdp", "rtsp://camera/live"}) {
    TProfileInfo info = PatternedInfo();
    const TProfileInfo before = info;
    EXPECT_EQ(STRELL_ERR_NOT_FOUND, context.Resolve(url, &info)) << url;
    EXPECT_EQ(0, memcmp(&before, &info, sizeof info)) << url;
  }
  TProfileList list = strell_test::EmptyList();
  list.profileCount = 3;
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(context.handle(), 0, 0, &list));
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByAudioStream(context.handle(), 0, 0, &list));
  EXPECT_EQ(3, list.profileCount);
  EXPECT_TRUE(fake_host::XmlReads().empty()) << "queries read no configuration before a reload";
}

TEST_F(Lifecycle, NullRecordGivesElevenWhateverTheUrl) {
  Context context;
  ASSERT_EQ(STRELL_OK, context.Parse());
  for (const char* url : {"", "media/stream.sdp?profile=P1", "media2/stream.sdp?profile=P1",
                          "anything"}) {
    EXPECT_EQ(STRELL_ERR_NULL_RECORD, context.Resolve(url, nullptr)) << url;
  }
}

TEST_F(Lifecycle, ReloadReturnsZeroEveryTime) {
  Context context;
  EXPECT_EQ(STRELL_OK, context.Parse());
  EXPECT_EQ(STRELL_OK, context.Parse());
}

TEST_F(Lifecycle, NullHandleBehavesAsAnEmptyContext) {
  TProfileInfo info = PatternedInfo();
  TProfileList list = strell_test::EmptyList();
  EXPECT_EQ(STRELL_OK, Strell_Parse(nullptr));
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, Strell_GetProfileInfoByStreamUrl(nullptr, "x", &info));
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, Strell_GetProfileInfoByStreamUrl(nullptr, "x", nullptr));
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(nullptr, 0, 0, &list));
  EXPECT_EQ(0, list.profileCount);
}

TEST(Placeholders, ReturnZero) {
  EXPECT_EQ(0, Strell_GetByKey());
  EXPECT_EQ(0, Strell_GetProperty());
  EXPECT_EQ(0, Strell_ConvertVideoConfigSourceToChannelStream());
  EXPECT_EQ(0, Strell_ConvertVideoConfigSourceToShmemkey());
  EXPECT_EQ(0, Strell_ConvertAudioConfigSourceToChannelStream());
  EXPECT_EQ(0, Strell_ConvertAudioConfigSourceToShmemkey());
}

// A handler that records what reaches it, to check the delegation rules that
// every handler shares.
class RecordingHandler : public IUrlHandler {
 public:
  RecordingHandler(int handlerId, std::vector<int>* log) : IUrlHandler(handlerId), log_(log) {}
  EStrellErrno HandleUrl(const char* url, TProfileInfo* info) override {
    if (info == nullptr) return STRELL_ERR_NULL_RECORD;
    log_->push_back(id);
    if (std::string(url) == claim) return STRELL_OK;
    return passUrlOn(url, info);
  }
  EStrellErrno Parse() override {
    log_->push_back(id);
    return passParseOn(own);
  }
  EStrellErrno GetProfileListByVideoStream(int channel, int stream, TProfileList* list) override {
    list->profileKeys[list->profileCount++] = id;
    return passVideoListOn(channel, stream, list);
  }
  EStrellErrno GetProfileListByAudioStream(int channel, int stream, TProfileList* list) override {
    list->profileKeys[list->profileCount++] = id;
    return passAudioListOn(channel, stream, list);
  }
  std::string claim;
  EStrellErrno own = STRELL_OK;

 private:
  std::vector<int>* log_;
};

TEST(Delegation, UnclaimedUrlWalksToTheEndAndGivesEight) {
  std::vector<int> log;
  RecordingHandler first(1, &log), second(2, &log);
  first.next = &second;
  TProfileInfo info = PatternedInfo();
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, first.HandleUrl("x", &info));
  EXPECT_EQ((std::vector<int>{1, 2}), log);

  log.clear();
  first.claim = "x";
  EXPECT_EQ(STRELL_OK, first.HandleUrl("x", &info));
  EXPECT_EQ((std::vector<int>{1}), log) << "a claimed URL is never passed on";
}

TEST(Delegation, ParseReportsTheLastHandlersOutcome) {
  std::vector<int> log;
  RecordingHandler first(1, &log), second(2, &log);
  first.next = &second;
  first.own = STRELL_ERR_CONFIG_READ;
  EXPECT_EQ(STRELL_OK, first.Parse());
  second.own = STRELL_ERR_CONFIG_READ;
  EXPECT_EQ(STRELL_ERR_CONFIG_READ, first.Parse());
  EXPECT_EQ((std::vector<int>{1, 2, 1, 2}), log);
}

TEST(Delegation, ListsCollectKeysInChainOrderAfterExistingOnes) {
  std::vector<int> log;
  RecordingHandler first(1, &log), second(2, &log), third(3, &log);
  first.next = &second;
  second.next = &third;
  TProfileList list = strell_test::EmptyList();
  list.profileCount = 1;
  list.profileKeys[0] = 99;
  EXPECT_EQ(STRELL_OK, first.GetProfileListByVideoStream(0, 0, &list));
  EXPECT_EQ(STRELL_OK, first.GetProfileListByAudioStream(0, 0, &list));
  ASSERT_EQ(7, list.profileCount);
  EXPECT_EQ((std::vector<int>{99, 1, 2, 3, 1, 2, 3}),
            std::vector<int>(list.profileKeys, list.profileKeys + 7));
}

}  // namespace
