#include "media1/url_media_one.h"

CUrlMediaOne::~CUrlMediaOne() = default;

EStrellErrno CUrlMediaOne::HandleUrl(const char* url, TProfileInfo* info) {
  if (info == nullptr) return STRELL_ERR_NULL_RECORD;
  return passUrlOn(url, info);
}

EStrellErrno CUrlMediaOne::Parse() {
  mediaOneProfiles.clear();
  videoEncodeList.clear();
  audioEncodeList.clear();
  metadataEncodeList.clear();
  return passParseOn(STRELL_OK);
}

EStrellErrno CUrlMediaOne::GetProfileListByVideoStream(int channel, int stream,
                                                       TProfileList* list) {
  passVideoListOn(channel, stream, list);
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::GetProfileListByAudioStream(int channel, int stream,
                                                       TProfileList* list) {
  passAudioListOn(channel, stream, list);
  return STRELL_OK;
}
