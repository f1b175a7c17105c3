// The Media2 field table and the readers over it: stream-profile slots, and
// the multicast values of the per-medium files.
#include <cstdio>
#include <cstring>

#include "handler/record_writer.h"
#include "hostconfig/config_value.h"
#include "hostconfig/key_path.h"
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

// "/root/streamprofile/i%d/%s" with the slot index and the field's name.
void makeStreamProfilePath(char (&key)[kKeyPathSize], int index, EStreamProfileField field) {
  KeyPathBuilder(key)
      .literal("/root/streamprofile/i")
      .number(index)
      .literal("/")
      .text(fieldName(field));
}

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
  KeyPathBuilder(buffer).literal("/etc/conf.d/config_videoin_c").number(channel).literal(".xml");
  return buffer;
}

const char* audioFile(int /*channel*/, char (&/*buffer*/)[kKeyPathSize]) {
  return "/etc/conf.d/config_audioin.xml";
}

const char* metadataFile(int channel, char (&buffer)[kKeyPathSize]) {
  KeyPathBuilder(buffer).literal("/etc/conf.d/config_metadata_c").number(channel).literal(".xml");
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

// The name of a multicast field with its length. Every request reads all
// three, and the table is constant, so they are looked up once, when the
// library is loaded (the table itself is constant-initialised before).
struct FieldName {
  explicit FieldName(EStreamProfileField field)
      : text(fieldName(field)), length(strnlen(text, kKeyPathSize - 1)) {}
  const char* text;
  size_t length;
};
const FieldName kPortName(kStreamProfileMulticastPort);
const FieldName kAddressName(kStreamProfileMulticastAddress);
const FieldName kTtlName(kStreamProfileMulticastTtl);

// Reads one multicast value into `value` under the key path `key` holds a
// prefix of: the field's name is appended after the prefix, with the same cut
// at 255 characters that building the whole path would give.
void readMulticastValue(const char* file, KeyPathBuilder& key, size_t prefixLength,
                        const FieldName& name, char (&value)[kHostValueSize]) {
  key.truncate(prefixLength);
  key.text(name.text, name.length);
  readHostTextInto(file, key.c_str(), value);
}

// The request path. Only the field names differ between the three key paths
// of a medium, so the file name and the key prefix are built once and every
// value goes through a stack buffer. The reader's code is not consulted: a
// value that is not delivered is the empty text, which reads as 0.
EStrellErrno fillFromMedium(const MediumPlace& place, int channel, int stream,
                            TMediaEncodeConfig& config) {
  char fileBuffer[kKeyPathSize];
  const char* file = place.file(channel, fileBuffer);
  char keyBuffer[kKeyPathSize];
  KeyPathBuilder key(keyBuffer);
  key.literal("/root/").text(place.word).literal("/c").number(channel).literal("/s").number(stream);
  key.literal("/multicast/");
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
