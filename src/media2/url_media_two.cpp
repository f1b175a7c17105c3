#include "media2/url_media_two.h"

CUrlMediaTwo::~CUrlMediaTwo() = default;

EStrellErrno CUrlMediaTwo::HandleUrl(const char* url, TProfileInfo* info) {
  if (info == nullptr) return STRELL_ERR_NULL_RECORD;
  return passUrlOn(url, info);
}

EStrellErrno CUrlMediaTwo::Parse() {
  streamProfiles.clear();
  return passParseOn(STRELL_OK);
}

EStrellErrno CUrlMediaTwo::GetProfileListByVideoStream(int channel, int stream,
                                                       TProfileList* list) {
  passVideoListOn(channel, stream, list);
  return STRELL_OK;
}

EStrellErrno CUrlMediaTwo::GetProfileListByAudioStream(int channel, int stream,
                                                       TProfileList* list) {
  passAudioListOn(channel, stream, list);
  return STRELL_OK;
}
