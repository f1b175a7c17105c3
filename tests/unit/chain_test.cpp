// The handler chain: factory, the delegation rules every handler shares and
// the context's lifecycle.
#include <memory>
#include <string>
#include <vector>

#include "api/stream_url_hndl.h"
#include "api/url_hndl_factory.h"
#include "unit/camera_fixture.h"

namespace strell_test {
namespace {

TEST(Factory, CreatesTheThreeHandlersByExactName) {
  struct Case {
    const char* name;
    int id;  // 0: no handler
  } const cases[] = {{"media1", 222}, {"streamserver", 111}, {"media2", 333},
                     {"", 0},         {"Media1", 0},         {"MEDIA2", 0},
                     {"media", 0},    {"streamserver ", 0},  {" media1", 0},
                     {"media3", 0},   {"StreamServer", 0}};
  CUrlHndlFactory factory;
  for (const Case& c : cases) {
    std::unique_ptr<IUrlHandler> handler(factory.FactoryNew(c.name));
    EXPECT_EQ(c.id, handler != nullptr ? handler->id : 0) << '"' << c.name << '"';
    if (handler != nullptr) {
      EXPECT_EQ(nullptr, handler->next) << c.name;
    }
  }
}

// Every handler refuses a null record before anything else, hands URLs it
// does not claim and every reload to the next handler and returns its answer,
// and appends its list keys before the next handler's. Media1 and Media2
// answer a list query themselves; the stream server returns the next answer.
TEST(Delegation, EveryHandlerPassesOnWhatItDoesNotAnswer) {
  struct Case {
    const char* name;
    EStrellErrno listAnswer;
  } const cases[] = {
      {"media1", STRELL_OK}, {"streamserver", STRELL_ERR_CONFIG_READ}, {"media2", STRELL_OK}};
  CUrlHndlFactory factory;
  for (const Case& c : cases) {
    fake_host::Reset();
    std::unique_ptr<IUrlHandler> handler(factory.FactoryNew(c.name));
    SpyHandler spy;
    handler->next = &spy;
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, handler->Parse()) << c.name;
    EXPECT_EQ(1, spy.parses) << c.name;
    for (const char* url : {"media/stream.sdp?profile=P", "media2/stream.sdp?profile=P", "live"}) {
      EXPECT_EQ(STRELL_ERR_NULL_RECORD, handler->HandleUrl(url, nullptr)) << c.name << " " << url;
    }
    EXPECT_TRUE(spy.urls.empty()) << c.name;
    TProfileInfo info = PatternedInfo();
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, handler->HandleUrl("rtsp://camera/other", &info)) << c.name;
    EXPECT_EQ(std::vector<std::string>{"rtsp://camera/other"}, spy.urls) << c.name;
    EXPECT_TRUE(SameBytes(PatternedInfo(), info)) << c.name;
    TProfileList list = EmptyList();
    list.profileCount = 1;
    list.profileKeys[0] = 7;
    CaptureStdout([&] {
      EXPECT_EQ(c.listAnswer, handler->GetProfileListByVideoStream(5, 5, &list)) << c.name;
      EXPECT_EQ(c.listAnswer, handler->GetProfileListByAudioStream(5, 5, &list)) << c.name;
    });
    EXPECT_EQ((std::vector<int>{7, 999, 999}), Keys(list)) << c.name;
    handler->next = nullptr;
    EXPECT_EQ(STRELL_ERR_NOT_FOUND, handler->HandleUrl("rtsp://camera/other", &info)) << c.name;
    EXPECT_EQ(STRELL_OK, handler->GetProfileListByVideoStream(0, 0, nullptr)) << c.name;
    EXPECT_EQ(STRELL_OK, handler->GetProfileListByAudioStream(0, 0, nullptr)) << c.name;
  }
}

TEST(Context, InitLinksMediaOneStreamServerMediaTwoAndReleaseClearsTheHandle) {
  StrellHandle handle = nullptr;
  ASSERT_EQ(STRELL_OK, Strell_Init(&handle));
  ASSERT_NE(nullptr, handle);
  const std::vector<IUrlHandler*>& chain = handle->context->handlers;
  ASSERT_EQ(3u, chain.size());
  EXPECT_EQ((std::vector<int>{222, 111, 333}),
            (std::vector<int>{chain[0]->id, chain[1]->id, chain[2]->id}));
  EXPECT_EQ(chain[1], chain[0]->next);
  EXPECT_EQ(chain[2], chain[1]->next);
  EXPECT_EQ(nullptr, chain[2]->next);
  EXPECT_EQ(STRELL_OK, Strell_Release(&handle));
  EXPECT_EQ(nullptr, handle);
  EXPECT_EQ(STRELL_OK, Strell_Release(&handle));  // a second release is harmless
  EXPECT_EQ(STRELL_OK, Strell_Release(nullptr));

  // A block whose context is gone: only the block is freed.
  ASSERT_EQ(STRELL_OK, Strell_Init(&handle));
  std::unique_ptr<CStreamUrlHndl> inner(handle->context);
  handle->context = nullptr;
  EXPECT_EQ(STRELL_OK, Strell_Release(&handle));
  EXPECT_EQ(nullptr, handle);
}

class Lifecycle : public FakeHostTest {};

TEST_F(Lifecycle, BeforeTheFirstReloadNothingIsReadOrFound) {
  Context context;
  for (const char* url : {"", "media/stream.sdp?profile=P1", "media2/stream.sdp?profile=P1",
                          "live.sdp", "rtsp://camera/live"}) {
    TProfileInfo info = PatternedInfo();
    EXPECT_EQ(STRELL_ERR_NOT_FOUND, context.Resolve(url, &info)) << url;
    EXPECT_TRUE(SameBytes(PatternedInfo(), info)) << url;
  }
  TProfileList list = EmptyList();
  list.profileCount = 3;
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(context.handle(), 0, 0, &list));
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByAudioStream(context.handle(), 0, 0, &list));
  EXPECT_EQ(3, list.profileCount);
  EXPECT_TRUE(fake_host::XmlReads().empty());
  EXPECT_EQ(STRELL_OK, context.Parse());
  EXPECT_EQ(STRELL_OK, context.Parse());
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, context.Resolve("media/stream.sdp?profile=P1", nullptr));
}

TEST_F(Lifecycle, NullHandleBehavesAsAnEmptyContext) {
  TProfileInfo info = PatternedInfo();
  TProfileList list = EmptyList();
  EXPECT_EQ(STRELL_OK, Strell_Parse(nullptr));
  EXPECT_EQ(STRELL_ERR_NOT_FOUND, Strell_GetProfileInfoByStreamUrl(nullptr, "x", &info));
  EXPECT_EQ(STRELL_ERR_NULL_RECORD, Strell_GetProfileInfoByStreamUrl(nullptr, "x", nullptr));
  EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(nullptr, 0, 0, &list));
  EXPECT_EQ(0, list.profileCount);
}

TEST(Placeholders, ReturnZero) {
  EXPECT_EQ(0, Strell_GetByKey() | Strell_GetProperty() |
                   Strell_ConvertVideoConfigSourceToChannelStream() |
                   Strell_ConvertVideoConfigSourceToShmemkey() |
                   Strell_ConvertAudioConfigSourceToChannelStream() |
                   Strell_ConvertAudioConfigSourceToShmemkey());
}

}  // namespace
}  // namespace strell_test
