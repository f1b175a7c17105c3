#include "streamserver/url_streamserver.h"

CUrlStreamserver::~CUrlStreamserver() = default;

EStrellErrno CUrlStreamserver::HandleUrl(const char* url, TProfileInfo* info) {
  if (info == nullptr) return STRELL_ERR_NULL_RECORD;
  return passUrlOn(url, info);
}

EStrellErrno CUrlStreamserver::Parse() {
  profiles.clear();
  return passParseOn(STRELL_OK);
}

EStrellErrno CUrlStreamserver::GetProfileListByVideoStream(int channel, int stream,
                                                           TProfileList* list) {
  return passVideoListOn(channel, stream, list);
}

EStrellErrno CUrlStreamserver::GetProfileListByAudioStream(int channel, int stream,
                                                           TProfileList* list) {
  return passAudioListOn(channel, stream, list);
}
