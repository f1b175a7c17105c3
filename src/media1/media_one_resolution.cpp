// Media1 resolution and profile lists: the request path, answered from the
// stores url_media_one.cpp loads. It compares against the stored strings in
// place, writes the host's record through writeText and appendProfileKey,
// and allocates nothing; its only costly steps are the trace lines.
#include <cstdio>
#include <cstring>

#include "base/text.h"
#include "base/trace.h"
#include "handler/record_writer.h"
#include "media1/url_media_one.h"
#include "numbering/numbering.h"

const char* ONVIF_MEDIA_ONE_TOKEN = "media/stream.sdp?profile=";

namespace {

// The caller named in the resolution trace line; firmware log parsers key on
// this exact text.
constexpr char kHandleUrlName[] =
    "virtual EStrellErrno CUrlMediaOne::HandleUrl(const char*, TProfileInfo*)";

// The first configuration of `list` whose token is exactly `token`, or null.
COnvifMediaOneEncodeInfo* findConfig(std::vector<COnvifMediaOneEncodeInfo>& list,
                                     const std::string& token) {
  for (COnvifMediaOneEncodeInfo& record : list) {
    if (sameText(record.token, token.data(), token.size())) return &record;
  }
  return nullptr;
}

}  // namespace

const char* getMediaOneToken(const char* url) {
  // An empty profile name is no Media1 URL: the next handler may know it.
  return textAfterMarker(url, ONVIF_MEDIA_ONE_TOKEN);
}

void fillMulticast(COnvifMediaOneEncodeInfo& info, TMediaEncodeConfig& config) {
  writeText(config.ipAddress, info.address);
  config.port = info.port;
}

int parseOnvifTokenToExtractChannelStream(const char* token, int& channel, int& stream) {
  if (token == nullptr) return -1;
  const char* underscore = std::strchr(token, '_');
  if (underscore == nullptr) return -1;
  // Only the one character before the underscore is the channel (the
  // underscore ends the number); a token that starts with the underscore has
  // none, which reads as 0 like any non-digit.
  const char before = underscore != token ? underscore[-1] : '\0';
  channel = (before >= '0' && before <= '9') ? before - '0' : 0;
  stream = parseDecimal(underscore + 1);
  traceLine("token = %s channel = %d, stream = %d\n", token, channel, stream);
  return 0;
}

void getvideoChannelAndStreamByOnvifSource(const std::string& token, int& channel, int& stream) {
  int onvifChannel = 0;
  int onvifStream = 0;
  parseOnvifTokenToExtractChannelStream(token.c_str(), onvifChannel, onvifStream);
  channel = convertChannel(MEDIA_INDEX_ONVIF, MEDIA_INDEX_CONFIG, onvifChannel);
  stream = convertStream(MEDIA_INDEX_ONVIF, MEDIA_INDEX_CONFIG, onvifStream);
}

EStrellErrno CUrlMediaOne::HandleUrl(const char* url, TProfileInfo* info) {
  if (info == nullptr) return STRELL_ERR_NULL_RECORD;
  const char* profileName = getMediaOneToken(url);
  if (profileName == nullptr) return passUrlOn(url, info);
  traceLine("%s profileName = %s\n", kHandleUrlName, profileName);
  // A claimed URL ends here, found or not.
  return fillProfile(profileName, info);
}

EStrellErrno CUrlMediaOne::fillProfile(const char* profileName, TProfileInfo* info) {
  if (profileName == nullptr || info == nullptr) return STRELL_ERR_NOT_FOUND;
  const size_t nameLength = std::strlen(profileName);
  for (const CMediaOneProfile& profile : mediaOneProfiles) {
    if (!sameText(profile.profileToken, profileName, nameLength)) continue;
    info->profileKey = profile.profileKey;
    writeText(info->profileName, profileName, nameLength);
    // A source token that names no configuration leaves that medium as the
    // host set it; the profile itself still resolves.
    if (!profile.videoSouceToken.empty()) fillVideoConfig(profile.videoSouceToken, info);
    if (!profile.audioSouceToken.empty()) fillAudioConfig(profile.audioSouceToken, info);
    if (!profile.metadataSouceToken.empty()) fillMetadataConfig(profile.metadataSouceToken, info);
    return STRELL_OK;
  }
  return STRELL_ERR_NOT_FOUND;
}

EStrellErrno CUrlMediaOne::fillVideoConfig(const std::string& token, TProfileInfo* info) {
  COnvifMediaOneEncodeInfo* record = findConfig(videoEncodeList, token);
  if (record == nullptr || info == nullptr) return STRELL_ERR_NOT_FOUND;
  info->videoInfo.mediaTask = 1;
  fillMulticast(*record, info->videoInfo);
  // The profile's own token names the channel and stream.
  getvideoChannelAndStreamByOnvifSource(token, info->videoInfo.channel, info->videoInfo.stream);
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::fillAudioConfig(const std::string& token, TProfileInfo* info) {
  COnvifMediaOneEncodeInfo* record = findConfig(audioEncodeList, token);
  if (record == nullptr || info == nullptr) return STRELL_ERR_NOT_FOUND;
  info->audioInfo.mediaTask = 1;
  fillMulticast(*record, info->audioInfo);
  // The camera has one audio input and stream.
  info->audioInfo.channel = 0;
  info->audioInfo.stream = 0;
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::fillMetadataConfig(const std::string& token, TProfileInfo* info) {
  COnvifMediaOneEncodeInfo* record = findConfig(metadataEncodeList, token);
  if (record == nullptr || info == nullptr) return STRELL_ERR_NOT_FOUND;
  info->metadataInfo.mediaTask = 1;
  fillMulticast(*record, info->metadataInfo);
  // The token rule on the configuration's own token, "metadata1", which has
  // no underscore: channel -1 and stream -1.
  int channel = 0;
  int stream = 0;
  parseOnvifTokenToExtractChannelStream(record->token.c_str(), channel, stream);
  info->metadataInfo.channel = convertChannel(MEDIA_INDEX_ONVIF, MEDIA_INDEX_CONFIG, channel);
  info->metadataInfo.stream = convertStream(MEDIA_INDEX_ONVIF, MEDIA_INDEX_CONFIG, stream);
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::GetProfileListByVideoStream(int channel, int stream,
                                                       TProfileList* list) {
  const EStrellErrno own = fillProfileListByVideoStream(channel, stream, list);
  passVideoListOn(channel, stream, list);
  return own;
}

EStrellErrno CUrlMediaOne::GetProfileListByAudioStream(int channel, int stream,
                                                       TProfileList* list) {
  const EStrellErrno own = fillProfileListByAudioStream(channel, stream, list);
  passAudioListOn(channel, stream, list);
  return own;
}

EStrellErrno CUrlMediaOne::fillProfileListByVideoStream(int channel, int stream,
                                                        TProfileList* list) {
  if (list == nullptr) return STRELL_OK;
  for (const CMediaOneProfile& profile : mediaOneProfiles) {
    if (profile.videoSouceToken.empty()) continue;
    // Derived from the profile's own token; the encoder list is not asked.
    int profileChannel = 0;
    int profileStream = 0;
    getvideoChannelAndStreamByOnvifSource(profile.videoSouceToken, profileChannel, profileStream);
    if (profileStream != stream || profileChannel != channel) continue;
    const int countBefore = list->profileCount;
    // The line is printed only for a key that was actually stored, so every
    // printed count is the position the key now holds.
    if (appendProfileKey(list, profile.profileKey)) {
      traceLine("[profileList->profileCount = %d, profile.profileKey = %d\n", countBefore,
                  profile.profileKey);
    }
  }
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::fillProfileListByAudioStream(int /*channel*/, int /*stream*/,
                                                        TProfileList* list) {
  if (list == nullptr) return STRELL_OK;
  // The camera has one audio stream, so every profile with audio uses it,
  // whatever channel and stream were asked for.
  for (const CMediaOneProfile& profile : mediaOneProfiles) {
    if (!profile.audioSouceToken.empty()) appendProfileKey(list, profile.profileKey);
  }
  return STRELL_OK;
}
