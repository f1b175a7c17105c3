// The Media2 field table and the readers over it: stream-profile slots, and
// the multicast values of the per-medium files.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "handler/record_writer.h"
#include "hostconfig/config_value.h"
#include "hostconfig/config_value.h"
#include "media2/url_media_two.h"

const CMediaTwoConfigRow MediaTwoconfigMap[kMediaTwoConfigRows] = {
    {kStreamProfileName, "profilename"},
    {kStreamProfileToken, "token"},
    {kStreamProfileVideoEnable, "videoconfiguration/enable"},
    {kStreamProfileVideoSource, "videoconfiguration/source"},
    {kStreamProfileAudioEnable, "audioconfiguration/enable"},
    {kStreamProfileAudioSource, "audioconfiguration/source"},
    {kStreamProfileMetadataEnable, "metadataconfiguration/enable"},
    {kStreamProfileMetadataSource, "metadataconfiguration/source"},
    {kStreamProfileMulticastPort, "port"},
    {kStreamProfileMulticastAddress, "ipaddress"},
    {kStreamProfileMulticastTtl, "ttl"},
};

namespace {

constexpr const char* kStreamProfileFile = "/etc/conf.d/config_streamprofile.xml";

// A field outside the table has no name; its key path then ends in "/" and
// simply names nothing in the file.
const char* fieldName(EStreamProfileField field) {
  for (const CMediaTwoConfigRow& row : MediaTwoconfigMap) {
    if (row.id == field) return row.name;
  }
  return "";
}

// Cutting a key path at the buffer's size is the intended bound (a cut path
// simply names nothing), so GCC's truncation warning does not apply here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-truncation"
#endif
void makeStreamProfilePath(char (&key)[kKeyPathSize], int index, EStreamProfileField field) {
  std::snprintf(key, sizeof key, "/root/streamprofile/i%d/%s", index, fieldName(field));
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

void makeMulticastPath(char* buffer, int size, const char* medium, int channel, int stream,
                       EStreamProfileField field) {
  if (buffer == nullptr || size <= 0) return;
  std::snprintf(buffer, static_cast<size_t>(size), "/root/%s/c%d/s%d/multicast/%s", medium, channel,
                stream, fieldName(field));
}

// Where one medium keeps its multicast values: a file name (per channel for
// video and metadata, one file for all audio channels), the medium's word in
// the key path and its key builder.
struct MediumPlace {
  const char* (*file)(int channel, char (&buffer)[kKeyPathSize]);
  const char* word;
  MediaTwoKeyBuilder key;
};

const char* videoFile(int channel, char (&buffer)[kKeyPathSize]) {
  std::snprintf(buffer, sizeof buffer, "/etc/conf.d/config_videoin_c%d.xml", channel);
  return buffer;
}

const char* audioFile(int /*channel*/, char (&/*buffer*/)[kKeyPathSize]) {
  return "/etc/conf.d/config_audioin.xml";
}

const char* metadataFile(int channel, char (&buffer)[kKeyPathSize]) {
  std::snprintf(buffer, sizeof buffer, "/etc/conf.d/config_metadata_c%d.xml", channel);
  return buffer;
}

const MediumPlace kVideoPlace{videoFile, "videoin", makeVideoinfieldPath};
const MediumPlace kAudioPlace{audioFile, "audioin", makeAudioinfieldPath};
const MediumPlace kMetadataPlace{metadataFile, "metadata", makeMetadatainfieldPath};

EStrellErrno getMediumField(const MediumPlace& place, int channel, int stream,
                            EStreamProfileField field, std::string& value) {
  char file[kKeyPathSize];
  return readCtxFromXmlString(place.file(channel, file), place.key, channel, stream, field, value);
}

// Reads one multicast value into `value` under the key path whose first
// `prefixLength` characters `key` already holds. The name is appended with the
// same cut at 255 characters that formatting the whole path would give.
void readMulticastValue(const char* file, char (&key)[kKeyPathSize], size_t prefixLength,
                        EStreamProfileField field, char (&value)[kHostValueSize]) {
  const char* name = fieldName(field);
  const size_t room = kKeyPathSize - 1 - prefixLength;
  const size_t length = strnlen(name, room);
  std::memcpy(key + prefixLength, name, length);
  key[prefixLength + length] = '\0';
  readHostTextInto(file, key, value);
}

// The request path. Only the field names differ between the three key paths
// of a medium, so the file name and the key prefix are formatted once (a third
// of the formatting work of building each path whole) and every value goes
// through a stack buffer. The reader's code is not consulted: a value that is
// not delivered is the empty text, which reads as 0.
EStrellErrno fillFromMedium(const MediumPlace& place, int channel, int stream,
                            TMediaEncodeConfig& config) {
  char fileBuffer[kKeyPathSize];
  const char* file = place.file(channel, fileBuffer);
  char key[kKeyPathSize];
  const int formatted =
      std::snprintf(key, sizeof key, "/root/%s/c%d/s%d/multicast/", place.word, channel, stream);
  const size_t prefixLength =
      formatted < 0 ? 0 : std::min(static_cast<size_t>(formatted), sizeof key - 1);
  char value[kHostValueSize];

  readMulticastValue(file, key, prefixLength, kStreamProfileMulticastPort, value);
  config.port = parseDecimal(value);
  readMulticastValue(file, key, prefixLength, kStreamProfileMulticastAddress, value);
  writeText(config.ipAddress, value);
  readMulticastValue(file, key, prefixLength, kStreamProfileMulticastTtl, value);
  config.ttl = parseDecimal(value);
  return STRELL_OK;
}

}  // namespace

EStrellErrno readCtxFromXmlInt(int index, EStreamProfileField field, int& value) {
  char key[kKeyPathSize];
  makeStreamProfilePath(key, index, field);
  return readHostInt(kStreamProfileFile, key, value);
}

EStrellErrno readCtxFromXmlString(int index, EStreamProfileField field, std::string& value) {
  char key[kKeyPathSize];
  makeStreamProfilePath(key, index, field);
  return readHostText(kStreamProfileFile, key, value);
}

EStrellErrno readCtxFromXmlString(const char* file, MediaTwoKeyBuilder keyBuilder, int channel,
                                  int stream, EStreamProfileField field, std::string& value) {
  char key[kKeyPathSize] = {};
  if (keyBuilder != nullptr) keyBuilder(key, sizeof key, channel, stream, field);
  key[kKeyPathSize - 1] = '\0';  // a caller's builder might not terminate
  return readHostText(file, key, value);
}

void makeVideoinfieldPath(char* buffer, int size, int channel, int stream,
                          EStreamProfileField field) {
  makeMulticastPath(buffer, size, "videoin", channel, stream, field);
}

void makeAudioinfieldPath(char* buffer, int size, int channel, int stream,
                          EStreamProfileField field) {
  makeMulticastPath(buffer, size, "audioin", channel, stream, field);
}

void makeMetadatainfieldPath(char* buffer, int size, int channel, int stream,
                             EStreamProfileField field) {
  makeMulticastPath(buffer, size, "metadata", channel, stream, field);
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
