// Media1 resolution and profile lists.
//
// This is the request path: it compares against the stored strings in place,
// writes the host's record through writeText and appendProfileKey, and
// allocates nothing. Its only costly steps are the two trace lines.
//
// The work is done by file-local functions; the exported functions and
// members are thin wrappers over them. Exported functions can be interposed,
// so calls between them go through the PLT and are never inlined; calling the
// local ones keeps one resolution a single inlined pass.
#include <cstdio>
#include <cstring>

#include "handler/record_writer.h"
#include "hostconfig/config_value.h"
#include "media1/url_media_one.h"
#include "numbering/numbering.h"

const char* ONVIF_MEDIA_ONE_TOKEN = "media/stream.sdp?profile=";

namespace {

// The caller named in the resolution trace line; firmware log parsers key on
// this exact text.
constexpr char kHandleUrlName[] =
    "virtual EStrellErrno CUrlMediaOne::HandleUrl(const char*, TProfileInfo*)";

// The whole of `text` (of `length` characters) equals `stored`. The last
// characters are compared first: the tokens of one camera share their prefix
// ("Profile_1", "Profile_2", "VideoEncoder1_1") and differ at the end, so a
// mismatch usually costs one comparison. Stored texts come from C strings and
// hold no NUL, so strncmp compares them whole; unlike memcmp against zero,
// which clang turns into a call to bcmp, it is in every C library.
inline bool sameText(const std::string& stored, const char* text, size_t length) {
  if (stored.size() != length) return false;
  if (length == 0) return true;
  return stored[length - 1] == text[length - 1] &&
         std::strncmp(stored.c_str(), text, length - 1) == 0;
}

// The first configuration of `list` whose token is exactly `token`, or null.
inline COnvifMediaOneEncodeInfo* findConfig(std::vector<COnvifMediaOneEncodeInfo>& list,
                                            const std::string& token) {
  for (COnvifMediaOneEncodeInfo& record : list) {
    if (sameText(record.token, token.data(), token.size())) return &record;
  }
  return nullptr;
}

inline const char* profileNameOf(const char* url) {
  const char* marker = ONVIF_MEDIA_ONE_TOKEN;
  if (url == nullptr || marker == nullptr) return nullptr;
  const size_t markerLength = std::strlen(marker);
  if (markerLength == 0) return *url != '\0' ? url : nullptr;
  // The first occurrence of the marker, found by its first character and
  // then compared in place: cheaper than a general substring search on the
  // short URLs players send, and never reads past the URL's end.
  for (const char* at = std::strchr(url, marker[0]); at != nullptr;
       at = std::strchr(at + 1, marker[0])) {
    if (std::strncmp(at, marker, markerLength) != 0) continue;
    const char* name = at + markerLength;
    // An empty profile name is no Media1 URL: the next handler may know it.
    return *name != '\0' ? name : nullptr;
  }
  return nullptr;
}

inline void copyMulticast(const COnvifMediaOneEncodeInfo& info, TMediaEncodeConfig& config) {
  writeText(config.ipAddress, info.address.c_str());
  config.port = info.port;
}

inline int tokenRule(const char* token, int& channel, int& stream) {
  if (token == nullptr) return -1;
  const char* underscore = std::strchr(token, '_');
  if (underscore == nullptr) return -1;
  // Only the one character before the underscore is the channel (the
  // underscore ends the number); a token that starts with the underscore has
  // none, which reads as 0 like any non-digit.
  const char before = underscore != token ? underscore[-1] : '\0';
  channel = (before >= '0' && before <= '9') ? before - '0' : 0;
  stream = parseDecimal(underscore + 1);
  std::printf("token = %s channel = %d, stream = %d\n", token, channel, stream);
  return 0;
}

inline void channelStreamOf(const std::string& token, int& channel, int& stream) {
  int onvifChannel = 0;
  int onvifStream = 0;
  tokenRule(token.c_str(), onvifChannel, onvifStream);
  channel = convertChannel(MEDIA_INDEX_ONVIF, MEDIA_INDEX_CONFIG, onvifChannel);
  stream = convertStream(MEDIA_INDEX_ONVIF, MEDIA_INDEX_CONFIG, onvifStream);
}

// How a medium gets its channel and stream once its configuration is found.
enum class Numbering {
  kProfileToken,  // video: the token rule on the profile's source token
  kSingleInput,   // audio: the camera has one audio input and stream, 0 and 0
  kConfigToken,   // metadata: the token rule on the configuration's token
};

// Fills one medium of a resolved profile from the configuration of `list`
// that `token` names. False, with nothing written, when there is none.
inline bool fillMedium(std::vector<COnvifMediaOneEncodeInfo>& list, const std::string& token,
                       Numbering numbering, TMediaEncodeConfig& config) {
  COnvifMediaOneEncodeInfo* record = findConfig(list, token);
  if (record == nullptr) return false;
  config.mediaTask = 1;
  copyMulticast(*record, config);
  switch (numbering) {
    case Numbering::kProfileToken:
      channelStreamOf(token, config.channel, config.stream);
      break;
    case Numbering::kSingleInput:
      config.channel = 0;
      config.stream = 0;
      break;
    case Numbering::kConfigToken:
      // The stored token is "metadata1", which has no underscore: -1 and -1.
      channelStreamOf(record->token, config.channel, config.stream);
      break;
  }
  return true;
}

EStrellErrno resolveProfile(CUrlMediaOne& handler, const char* profileName, TProfileInfo* info) {
  if (profileName == nullptr || info == nullptr) return STRELL_ERR_NOT_FOUND;
  const size_t nameLength = std::strlen(profileName);
  for (const CMediaOneProfile& profile : handler.mediaOneProfiles) {
    if (!sameText(profile.profileToken, profileName, nameLength)) continue;
    info->profileKey = profile.profileKey;
    writeText(info->profileName, profileName);
    // A source token that names no configuration leaves that medium as the
    // host set it; the profile itself still resolves.
    if (!profile.videoSouceToken.empty()) {
      fillMedium(handler.videoEncodeList, profile.videoSouceToken, Numbering::kProfileToken,
                 info->videoInfo);
    }
    if (!profile.audioSouceToken.empty()) {
      fillMedium(handler.audioEncodeList, profile.audioSouceToken, Numbering::kSingleInput,
                 info->audioInfo);
    }
    if (!profile.metadataSouceToken.empty()) {
      fillMedium(handler.metadataEncodeList, profile.metadataSouceToken, Numbering::kConfigToken,
                 info->metadataInfo);
    }
    return STRELL_OK;
  }
  return STRELL_ERR_NOT_FOUND;
}

EStrellErrno answerOf(bool found) { return found ? STRELL_OK : STRELL_ERR_NOT_FOUND; }

}  // namespace

const char* getMediaOneToken(const char* url) { return profileNameOf(url); }

void fillMulticast(COnvifMediaOneEncodeInfo& info, TMediaEncodeConfig& config) {
  copyMulticast(info, config);
}

int parseOnvifTokenToExtractChannelStream(const char* token, int& channel, int& stream) {
  return tokenRule(token, channel, stream);
}

void getvideoChannelAndStreamByOnvifSource(const std::string& token, int& channel, int& stream) {
  channelStreamOf(token, channel, stream);
}

EStrellErrno CUrlMediaOne::HandleUrl(const char* url, TProfileInfo* info) {
  if (info == nullptr) return STRELL_ERR_NULL_RECORD;
  const char* profileName = profileNameOf(url);
  if (profileName == nullptr) return passUrlOn(url, info);
  std::printf("%s profileName = %s\n", kHandleUrlName, profileName);
  // A claimed URL ends here, found or not.
  return resolveProfile(*this, profileName, info);
}

EStrellErrno CUrlMediaOne::fillProfile(const char* profileName, TProfileInfo* info) {
  return resolveProfile(*this, profileName, info);
}

EStrellErrno CUrlMediaOne::fillVideoConfig(const std::string& token, TProfileInfo* info) {
  return answerOf(info != nullptr &&
                  fillMedium(videoEncodeList, token, Numbering::kProfileToken, info->videoInfo));
}

EStrellErrno CUrlMediaOne::fillAudioConfig(const std::string& token, TProfileInfo* info) {
  return answerOf(info != nullptr &&
                  fillMedium(audioEncodeList, token, Numbering::kSingleInput, info->audioInfo));
}

EStrellErrno CUrlMediaOne::fillMetadataConfig(const std::string& token, TProfileInfo* info) {
  return answerOf(info != nullptr && fillMedium(metadataEncodeList, token, Numbering::kConfigToken,
                                                info->metadataInfo));
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
    channelStreamOf(profile.videoSouceToken, profileChannel, profileStream);
    if (profileStream != stream || profileChannel != channel) continue;
    const int countBefore = list->profileCount;
    // The line is printed only for a key that was actually stored, so every
    // printed count is the position the key now holds.
    if (appendProfileKey(list, profile.profileKey)) {
      std::printf("[profileList->profileCount = %d, profile.profileKey = %d\n", countBefore,
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
