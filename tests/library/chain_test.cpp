// The chain: the factory, the rules by which every handler answers or passes
// a request on, the context's life, and where the trace lines go.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "api/stream_url_hndl.h"
#include "api/url_hndl_factory.h"
#include "handler/record_writer.h"
#include "testing/camera.h"
#include "testing/fresh_process.h"
#include "testing/memory_host.h"
#include "testing/records.h"

namespace {

using testing_kit::Keys;
using testing_kit::PatternedInfo;

// Stands in for the handlers after the one under test: records what reaches
// it, answers 4 (no handler's own answer) and appends 999 to every list.
class SpyHandler : public IUrlHandler {
 public:
  SpyHandler() : IUrlHandler(999) {}
  EStrellErrno HandleUrl(const char* url, TProfileInfo*) override {
    urls.push_back(url);
    return STRELL_ERR_CONFIG_READ;
  }
  EStrellErrno Parse() override {
    ++parses;
    return STRELL_ERR_CONFIG_READ;
  }
  EStrellErrno GetProfileListByVideoStream(int, int, TProfileList* list) override {
    appendProfileKey(list, id);
    return STRELL_ERR_CONFIG_READ;
  }
  EStrellErrno GetProfileListByAudioStream(int, int, TProfileList* list) override {
    return GetProfileListByVideoStream(0, 0, list);
  }
  std::vector<std::string> urls;
  int parses = 0;
};

TEST(Factory, CreatesTheThreeHandlersByExactNameOnly) {
  struct Case {
    const char* name;
    int id;  // 0: no handler
  } const cases[] = {{"media1", 222}, {"streamserver", 111}, {"media2", 333},
                     {"", 0},         {"Media1", 0},         {"media2 ", 0}};
  for (const Case& c : cases) {
    std::unique_ptr<IUrlHandler> handler(CUrlHndlFactory().FactoryNew(c.name));
    EXPECT_EQ(c.id, handler != nullptr ? handler->id : 0) << '"' << c.name << '"';
    if (handler != nullptr) {
      EXPECT_EQ(nullptr, handler->next);
    }
  }
}

// Every handler refuses a null record first, passes on a URL it does not
// claim and every reload, and appends its list keys before the next
// handler's. Media1 and Media2 answer a list themselves, the stream server
// with the next handler's answer.
TEST(Delegation, EveryHandlerPassesOnWhatItDoesNotAnswer) {
  memory_host::Clear();
  for (const char* name : {"media1", "streamserver", "media2"}) {
    std::unique_ptr<IUrlHandler> handler(CUrlHndlFactory().FactoryNew(name));
    SpyHandler spy;
    handler->next = &spy;
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, handler->Parse()) << name;
    EXPECT_EQ(1, spy.parses) << name;
    EXPECT_EQ(STRELL_ERR_NULL_RECORD, handler->HandleUrl("media/stream.sdp?profile=P", nullptr));
    EXPECT_EQ(STRELL_ERR_NULL_RECORD, handler->HandleUrl("media2/stream.sdp?profile=P", nullptr));
    TProfileInfo info = PatternedInfo();
    EXPECT_EQ(STRELL_ERR_CONFIG_READ, handler->HandleUrl("other", &info)) << name;
    EXPECT_EQ(std::vector<std::string>{"other"}, spy.urls) << name;
    EXPECT_EQ(testing_kit::Describe(PatternedInfo()), testing_kit::Describe(info)) << name;
    TProfileList list{1, {7}};
    const EStrellErrno listAnswer = handler->id == 111 ? STRELL_ERR_CONFIG_READ : STRELL_OK;
    EXPECT_EQ(listAnswer, handler->GetProfileListByVideoStream(5, 5, &list)) << name;
    EXPECT_EQ(listAnswer, handler->GetProfileListByAudioStream(5, 5, &list)) << name;
    EXPECT_EQ((std::vector<int>{7, 999, 999}), Keys(list)) << name;
    handler->next = nullptr;
    EXPECT_EQ(STRELL_ERR_NOT_FOUND, handler->HandleUrl("other", &info)) << name;
    EXPECT_EQ(STRELL_OK, handler->Parse()) << name;
    EXPECT_EQ(STRELL_OK, handler->GetProfileListByVideoStream(0, 0, &list)) << name;
  }
}

// The chain's order and links show in every answer (handlers_test.cpp).
TEST(Context, ReleaseClearsTheHandleWhateverItHolds) {
  StrellHandle handle = nullptr;
  ASSERT_EQ(STRELL_OK, Strell_Init(&handle));
  EXPECT_EQ(STRELL_OK, Strell_Release(&handle));
  EXPECT_EQ(nullptr, handle);
  EXPECT_EQ(STRELL_OK, Strell_Release(&handle));  // harmless
  EXPECT_EQ(STRELL_OK, Strell_Release(nullptr));
  // A block without its context: only the block is freed.
  ASSERT_EQ(STRELL_OK, Strell_Init(&handle));
  std::unique_ptr<CStreamUrlHndl> context(handle->context);
  handle->context = nullptr;
  EXPECT_EQ(STRELL_OK, Strell_Release(&handle));
  EXPECT_EQ(nullptr, handle);
}

// Before the first reload nothing is read and nothing found; a null handle
// answers as such a context.
TEST(Context, AnswersFromEmptyStoresBeforeTheFirstReloadAndForANullHandle) {
  testing_kit::TwoStateCamera(false).Install();
  testing_kit::Context context;
  for (StrellHandle handle : {context.handle(), StrellHandle()}) {
    for (const char* url : {"", "media/stream.sdp?profile=Profile_1", "live1.sdp",
                            "media2/stream.sdp?profile=StreamProfile_1"}) {
      TProfileInfo info = PatternedInfo();
      EXPECT_EQ(STRELL_ERR_NOT_FOUND, Strell_GetProfileInfoByStreamUrl(handle, url, &info)) << url;
      EXPECT_EQ(testing_kit::Describe(PatternedInfo()), testing_kit::Describe(info)) << url;
    }
    EXPECT_EQ(STRELL_ERR_NULL_RECORD, Strell_GetProfileInfoByStreamUrl(handle, "x", nullptr));
    TProfileList list{3, {}};
    EXPECT_EQ(STRELL_OK, Strell_GetProfileListByVideoStream(handle, 0, 0, &list));
    EXPECT_EQ(STRELL_OK, Strell_GetProfileListByAudioStream(handle, 0, 0, &list));
    EXPECT_EQ(3, list.profileCount);
  }
  EXPECT_TRUE(memory_host::Reads().empty());
  EXPECT_EQ(STRELL_OK, Strell_Parse(nullptr));
  EXPECT_EQ(0, Strell_GetByKey() | Strell_GetProperty() |
                   Strell_ConvertVideoConfigSourceToChannelStream() |
                   Strell_ConvertVideoConfigSourceToShmemkey() |
                   Strell_ConvertAudioConfigSourceToChannelStream() |
                   Strell_ConvertAudioConfigSourceToShmemkey());
}

// Until a host directs them, the trace lines go to standard output exactly
// as printed; then a handler gets them without the newline.
TEST(TraceSink, DefaultIsStandardOutputThenTheHandler) {
  testing_kit::InFreshProcess([] {
    testing_kit::TwoStateCamera(false).Install();
    testing_kit::Context context;
    context.Parse();
    TProfileInfo info = PatternedInfo();
    const char* url = "media/stream.sdp?profile=Profile_1";
    testing::internal::CaptureStdout();
    context.Resolve(url, &info);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(
        "virtual EStrellErrno CUrlMediaOne::HandleUrl(const char*, TProfileInfo*) profileName = "
        "Profile_1\ntoken = VideoEncoder1_1 channel = 1, stream = 1\n",
        printed);
    EXPECT_EQ("", testing_kit::TakeTrace());  // directs the lines to a handler from now on
    context.Resolve(url, &info);
    EXPECT_EQ(printed, testing_kit::TakeTrace());  // a null handler: the firmware example host
  });
}

}  // namespace
