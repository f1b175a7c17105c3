#include "media2/url_media_two.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "handler/record_writer.h"

const char* MEDIA2_STREAMSDP_TOKEN = "media2/stream.sdp?profile=";

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One %d of scanf: blanks, an optional sign, at least one digit. Consumes
// every digit, so the scan goes on after the number even when it saturated.
// On failure nothing is stored and `cursor` is not moved.
bool scanDecimal(const char*& cursor, int& out) {
  const char* p = cursor;
  while (isBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (*p < '0' || *p > '9') return false;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (magnitude < limit) magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > limit) magnitude = limit;
  }
  out = static_cast<int>(negative ? -magnitude : magnitude);
  cursor = p;
  return true;
}

// Enable first; the source is read only for an enabled medium. Read failures
// leave the start values (0 and the empty text).
void loadMedium(int index, EStreamProfileField enableField, EStreamProfileField sourceField,
                CMediaEncodeConfig& config) {
  readCtxFromXmlInt(index, enableField, config.enable);
  if (config.enable != 0) readCtxFromXmlString(index, sourceField, config.source);
}

}  // namespace

const char* checkIsMedia2(const char* url) {
  const char* marker = MEDIA2_STREAMSDP_TOKEN;
  if (url == nullptr || marker == nullptr) return nullptr;
  const char* found = std::strstr(url, marker);
  if (found == nullptr) return nullptr;
  // The token is the whole rest of the URL: players append nothing after it
  // that the camera would need, so an "&x=1" is part of the token.
  const char* token = found + std::strlen(marker);
  return *token != '\0' ? token : nullptr;
}

EStrellErrno extractChannelStreamFromStreamProfile(const char* source, int& channel, int& stream) {
  if (source == nullptr || *source != 'c') return STRELL_ERR_BAD_SOURCE;
  const char* p = source + 1;
  if (!scanDecimal(p, channel)) return STRELL_ERR_BAD_SOURCE;
  if (*p != 's') return STRELL_ERR_BAD_SOURCE;
  ++p;
  if (!scanDecimal(p, stream)) return STRELL_ERR_BAD_SOURCE;
  return STRELL_OK;
}

CUrlMediaTwo::~CUrlMediaTwo() = default;

EStrellErrno CUrlMediaTwo::HandleUrl(const char* url, TProfileInfo* info) {
  if (info == nullptr) return STRELL_ERR_NULL_RECORD;
  const char* token = checkIsMedia2(url);
  // A URL with the marker is ours even when no profile matches.
  if (token != nullptr) return handleMedia2Url(token, info);
  return passUrlOn(url, info);
}

EStrellErrno CUrlMediaTwo::handleMedia2Url(const char* token, TProfileInfo* info) {
  if (info == nullptr) return STRELL_ERR_NULL_RECORD;
  if (token == nullptr) token = "";
  const CStreamProfile* match = nullptr;
  for (const CStreamProfile& profile : streamProfiles) {
    if (stringCompareEqual(profile.profileToken.c_str(), token)) {
      match = &profile;  // the lower slot wins
      break;
    }
  }
  if (match == nullptr) return STRELL_ERR_NOT_FOUND;

  info->profileKey = match->profileKey;
  writeText(info->profileName, match->profileToken.c_str());

  if (match->videoEncodeConfig.enable != 0) {
    int channel = 0;
    int stream = 0;
    if (extractChannelStreamFromStreamProfile(match->videoEncodeConfig.source.c_str(), channel,
                                              stream) != STRELL_OK) {
      return STRELL_ERR_BAD_SOURCE;
    }
    info->videoInfo.channel = channel;
    info->videoInfo.stream = stream;
    info->videoInfo.mediaTask = 1;
    fillVideoEncodeByChannelAndStreeam(channel, stream, info->videoInfo);
  }
  // Audio and metadata sources are loaded but not used: the camera has one
  // audio input and one metadata stream, always channel 0, stream 0.
  if (match->audioEncodeConfig.enable != 0) {
    info->audioInfo.mediaTask = 1;
    info->audioInfo.channel = 0;
    info->audioInfo.stream = 0;
    fillAudioEncodeByChannelAndStreeam(0, 0, info->audioInfo);
  }
  if (match->metadataEncodeConfig.enable != 0) {
    info->metadataInfo.mediaTask = 1;
    info->metadataInfo.channel = 0;
    info->metadataInfo.stream = 0;
    fillMetadataEncodeByChannelAndStreeam(0, 0, info->metadataInfo);
  }
  return STRELL_OK;
}

EStrellErrno CUrlMediaTwo::Parse() {
  // Every slot yields a record, so keys stay 333 + slot whatever the file
  // holds; an absent slot is an empty, disabled profile. The ten fresh
  // records are loaded where they stay, and the store takes them whole: no
  // record is moved, no vector growth code is instantiated for this record
  // type, and a reload that runs out of memory keeps the previous ten.
  std::vector<CStreamProfile> loaded(kStreamProfileSlots);
  for (int index = 0; index < kStreamProfileSlots; ++index) {
    CStreamProfile& profile = loaded[static_cast<size_t>(index)];
    parseProfile(index, profile);
    profile.profileKey = id + index;
  }
  streamProfiles.swap(loaded);
  return passParseOn(STRELL_OK);
}

EStrellErrno CUrlMediaTwo::GetProfileListByVideoStream(int channel, int stream,
                                                       TProfileList* list) {
  const EStrellErrno own = fillprofileListByVideoStream(channel, stream, list);
  passVideoListOn(channel, stream, list);
  return own;
}

EStrellErrno CUrlMediaTwo::GetProfileListByAudioStream(int channel, int stream,
                                                       TProfileList* list) {
  const EStrellErrno own = fillprofileListByAudioStream(channel, stream, list);
  passAudioListOn(channel, stream, list);
  return own;
}

EStrellErrno CUrlMediaTwo::fillprofileListByVideoStream(int channel, int stream,
                                                        TProfileList* list) {
  if (list == nullptr) return STRELL_OK;
  for (const CStreamProfile& profile : streamProfiles) {
    if (profile.videoEncodeConfig.enable == 0) continue;
    // A number that does not parse stays -1, so a bad source never matches a
    // real channel and stream.
    int sourceChannel = -1;
    int sourceStream = -1;
    extractChannelStreamFromStreamProfile(profile.videoEncodeConfig.source.c_str(), sourceChannel,
                                          sourceStream);
    if (sourceStream == stream && sourceChannel == channel) {
      appendProfileKey(list, profile.profileKey);
    }
  }
  return STRELL_OK;
}

EStrellErrno CUrlMediaTwo::fillprofileListByAudioStream(int /*channel*/, int /*stream*/,
                                                        TProfileList* list) {
  if (list == nullptr) return STRELL_OK;
  for (const CStreamProfile& profile : streamProfiles) {
    if (profile.audioEncodeConfig.enable != 0) appendProfileKey(list, profile.profileKey);
  }
  return STRELL_OK;
}

EStrellErrno CUrlMediaTwo::parseProfileToken(int index, CStreamProfile& profile) {
  return readCtxFromXmlString(index, kStreamProfileToken, profile.profileToken);
}

EStrellErrno CUrlMediaTwo::parseVideoConfigurationEnable(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlInt(index, kStreamProfileVideoEnable, config.enable);
}

EStrellErrno CUrlMediaTwo::parseVideoConfigurationSource(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlString(index, kStreamProfileVideoSource, config.source);
}

EStrellErrno CUrlMediaTwo::parseAudioConfigurationEnable(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlInt(index, kStreamProfileAudioEnable, config.enable);
}

EStrellErrno CUrlMediaTwo::parseAudioConfigurationSource(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlString(index, kStreamProfileAudioSource, config.source);
}

EStrellErrno CUrlMediaTwo::parseMetadataConfigurationEnable(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlInt(index, kStreamProfileMetadataEnable, config.enable);
}

EStrellErrno CUrlMediaTwo::parseMetadataConfigurationSource(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlString(index, kStreamProfileMetadataSource, config.source);
}

EStrellErrno CUrlMediaTwo::parseVideoConfiguration(int index, CMediaEncodeConfig& config) {
  loadMedium(index, kStreamProfileVideoEnable, kStreamProfileVideoSource, config);
  return STRELL_OK;
}

EStrellErrno CUrlMediaTwo::parseAudioConfiguration(int index, CMediaEncodeConfig& config) {
  loadMedium(index, kStreamProfileAudioEnable, kStreamProfileAudioSource, config);
  return STRELL_OK;
}

EStrellErrno CUrlMediaTwo::parseMetadataConfiguration(int index, CMediaEncodeConfig& config) {
  loadMedium(index, kStreamProfileMetadataEnable, kStreamProfileMetadataSource, config);
  return STRELL_OK;
}

EStrellErrno CUrlMediaTwo::parseProfile(int index, CStreamProfile& profile) {
  parseProfileToken(index, profile);
  parseVideoConfiguration(index, profile.videoEncodeConfig);
  parseAudioConfiguration(index, profile.audioEncodeConfig);
  parseMetadataConfiguration(index, profile.metadataEncodeConfig);
  return STRELL_OK;
}

int CUrlMediaTwo::dumpall() {
  for (const CStreamProfile& profile : streamProfiles) {
    std::puts("---------------------------------------------");
    std::printf("streamprofile.profileToken = %s\n", profile.profileToken.c_str());
    std::printf("streamprofile.videoEncodeConfig.enable = %d\n", profile.videoEncodeConfig.enable);
    std::printf("streamprofile.videoEncodeConfig.source = %s\n",
                profile.videoEncodeConfig.source.c_str());
    std::printf("streamprofile.audioEncodeConfig.enable = %d\n", profile.audioEncodeConfig.enable);
    std::printf("streamprofile.audioEncodeConfig.source = %s\n",
                profile.audioEncodeConfig.source.c_str());
    std::printf("streamprofile.metadataEncodeConfig.enable = %d\n",
                profile.metadataEncodeConfig.enable);
    std::printf("streamprofile.metadataEncodeConfig.source = %s\n",
                profile.metadataEncodeConfig.source.c_str());
  }
  return 0;
}
