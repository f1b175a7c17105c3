// Media2 resolution and profile lists: the request path. A resolution
// matches the token against the stored profiles and reads each carried
// medium's multicast port, address and TTL from the per-medium files at that
// moment, into stack buffers: nothing here allocates.
#include <cstdio>
#include <cstring>

#include "base/field_table.h"
#include "base/key_path.h"
#include "base/text.h"
#include "handler/record_writer.h"
#include "hostconfig/config_value.h"
#include "media2/url_media_two.h"

const char* MEDIA2_STREAMSDP_TOKEN = "media2/stream.sdp?profile=";

namespace {

// Where one medium keeps its multicast values: a file name (per channel for
// video and metadata, one file for all audio channels), the medium's word in
// the key path and its key builder.
struct MediumPlace {
  const char* (*file)(int channel, char (&buffer)[kKeyPathSize]);
  const char* word;
  MediaTwoKeyBuilder key;
};

const MediumPlace kVideoPlace{videoinFile, kVideoinWord, makeVideoinfieldPath};
const MediumPlace kAudioPlace{audioinFile, kAudioinWord, makeAudioinfieldPath};
const MediumPlace kMetadataPlace{metadataFile, kMetadataWord, makeMetadatainfieldPath};

// The key path of one field of a medium, cut to `size` - 1 characters as
// snprintf(buffer, size, "%s", path) would. Not on the request path, and
// kept out of line: the three builders share one copy.
__attribute__((noinline)) void makeMulticastPath(char* buffer, int size, const MediumPlace& place, int channel, int stream,
                       EStreamProfileField field) {
  if (buffer == nullptr || size <= 0) return;
  char path[kKeyPathSize];
  buildMulticastKeyPath(path, place.word, channel, stream, field);
  std::snprintf(buffer, static_cast<size_t>(size), "%s", path);
}

__attribute__((noinline)) EStrellErrno getMediumField(const MediumPlace& place, int channel, int stream,
                            EStreamProfileField field, std::string& value) {
  char file[kKeyPathSize];
  return readCtxFromXmlString(place.file(channel, file), place.key, channel, stream, field, value);
}

// The name of a multicast field with its length. Every request reads all
// three, and the table is constant, so they are looked up once, when the
// library is loaded (the table itself is constant-initialised before).
struct FieldName {
  explicit FieldName(EStreamProfileField field)
      : text(mediaTwoFieldName(field)), length(strnlen(text, kKeyPathSize - 1)) {}
  const char* text;
  size_t length;
};
const FieldName kPortName(MEDIA2_FIELD_MULTICAST_PORT);
const FieldName kAddressName(MEDIA2_FIELD_MULTICAST_ADDRESS);
const FieldName kTtlName(MEDIA2_FIELD_MULTICAST_TTL);

// Reads one multicast value into `value` under the key path `key` holds a
// prefix of: the field's name is appended after the prefix, with the same cut
// at 255 characters that building the whole path would give.
void readMulticastValue(const char* file, KeyPathBuilder& key, size_t prefixLength,
                        const FieldName& name, char (&value)[kHostValueSize]) {
  key.truncate(prefixLength);
  key.text(name.text, name.length);
  readHostTextInto(file, key.c_str(), value);
}

// The three reads of one medium make the same reads, in the same order, as
// the medium's per-field reader (getVideoinfield, ...) would for port,
// address and TTL; only the field names differ between the key paths, so
// the file name and the key prefix are built once. The reader's code is not
// consulted: a value that is not delivered is the empty text, which reads as
// 0.
EStrellErrno fillFromMedium(const MediumPlace& place, int channel, int stream,
                            TMediaEncodeConfig& config) {
  char fileBuffer[kKeyPathSize];
  const char* file = place.file(channel, fileBuffer);
  char keyBuffer[kKeyPathSize];
  KeyPathBuilder key(keyBuffer);
  buildMulticastKeyPrefix(key, place.word, channel, stream);
  const size_t prefixLength = key.length();
  char value[kHostValueSize];

  readMulticastValue(file, key, prefixLength, kPortName, value);
  config.port = parseDecimal(value);
  readMulticastValue(file, key, prefixLength, kAddressName, value);
  writeText(config.ipAddress, value);
  readMulticastValue(file, key, prefixLength, kTtlName, value);
  config.ttl = parseDecimal(value);
  return STRELL_OK;
}

}  // namespace

EStrellErrno readCtxFromXmlString(const char* file, MediaTwoKeyBuilder keyBuilder, int channel,
                                  int stream, EStreamProfileField field, std::string& value) {
  char key[kKeyPathSize] = {};
  if (keyBuilder != nullptr) keyBuilder(key, sizeof key, channel, stream, field);
  key[kKeyPathSize - 1] = '\0';  // a caller's builder might not terminate
  return readHostText(file, key, value);
}

void makeVideoinfieldPath(char* buffer, int size, int channel, int stream,
                          EStreamProfileField field) {
  makeMulticastPath(buffer, size, kVideoPlace, channel, stream, field);
}

void makeAudioinfieldPath(char* buffer, int size, int channel, int stream,
                          EStreamProfileField field) {
  makeMulticastPath(buffer, size, kAudioPlace, channel, stream, field);
}

void makeMetadatainfieldPath(char* buffer, int size, int channel, int stream,
                             EStreamProfileField field) {
  makeMulticastPath(buffer, size, kMetadataPlace, channel, stream, field);
}

EStrellErrno getVideoinfield(int channel, int stream, EStreamProfileField field,
                             std::string& value) {
  return getMediumField(kVideoPlace, channel, stream, field, value);
}

EStrellErrno getAudioinfield(int channel, int stream, EStreamProfileField field,
                             std::string& value) {
  return getMediumField(kAudioPlace, channel, stream, field, value);
}

EStrellErrno getMetadatainfield(int channel, int stream, EStreamProfileField field,
                                std::string& value) {
  return getMediumField(kMetadataPlace, channel, stream, field, value);
}

EStrellErrno fillVideoEncodeByChannelAndStreeam(int channel, int stream,
                                                TMediaEncodeConfig& config) {
  return fillFromMedium(kVideoPlace, channel, stream, config);
}

EStrellErrno fillAudioEncodeByChannelAndStreeam(int channel, int stream,
                                                TMediaEncodeConfig& config) {
  return fillFromMedium(kAudioPlace, channel, stream, config);
}

EStrellErrno fillMetadataEncodeByChannelAndStreeam(int channel, int stream,
                                                   TMediaEncodeConfig& config) {
  return fillFromMedium(kMetadataPlace, channel, stream, config);
}

const char* checkIsMedia2(const char* url) {
  // The token is the whole rest of the URL: players append nothing after it
  // that the camera would need, so an "&x=1" is part of the token.
  return textAfterMarker(url, MEDIA2_STREAMSDP_TOKEN);
}

EStrellErrno extractChannelStreamFromStreamProfile(const char* source, int& channel, int& stream) {
  if (source == nullptr || *source != 'c') return STRELL_ERR_BAD_SOURCE;
  const char* p = scanDecimal(source + 1, channel);
  if (p == nullptr || *p != 's') return STRELL_ERR_BAD_SOURCE;
  return scanDecimal(p + 1, stream) != nullptr ? STRELL_OK : STRELL_ERR_BAD_SOURCE;
}

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
  const size_t tokenLength = std::strlen(token);
  const CStreamProfile* match = nullptr;
  for (const CStreamProfile& profile : streamProfiles) {
    if (sameText(profile.profileToken, token, tokenLength)) {
      match = &profile;  // the lower slot wins
      break;
    }
  }
  if (match == nullptr) return STRELL_ERR_NOT_FOUND;

  info->profileKey = match->profileKey;
  writeText(info->profileName, match->profileToken);

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
