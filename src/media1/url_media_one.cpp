// Media1 store: the field table, its readers, the loading of the four stores
// and their dumps. Resolution and the profile lists live in
// media_one_resolution.cpp.
#include "media1/url_media_one.h"

#include <cstdio>
#include <utility>

#include "base/field_table.h"
#include "base/key_path.h"
#include "base/trace.h"
#include "handler/store_reload.h"
#include "hostconfig/config_value.h"

const char* ONVIF_MEDIA_PROFILE_XML = STRELL_CONFIG_DIRECTORY "config_onvif/config_onvif_media_profile.xml";
const char* ONVIF_MEDIA_ONE_VIDEOENCODER_XML =
    STRELL_CONFIG_DIRECTORY "config_onvif/config_onvif_media_videoencoderconf.xml";
const char* ONVIF_MEDIA_ONE_AUDIOENCODER_XML =
    STRELL_CONFIG_DIRECTORY "config_onvif/config_onvif_media_audioencoderconf.xml";
const char* ONVIF_MEDIA_ONE_METADATA_XML =
    STRELL_CONFIG_DIRECTORY "config_onvif/config_onvif_metadata.xml";

const COnvifMediaOneConfigItem onvifMediaOneConfigMap[kOnvifMediaOneFieldCount] = {
    {FIELD_PROFILE_TOKEN, "/mediaconf/profile/i%d/token"},
    {FIELD_PROFILE_VIDEOENCODER_TOKEN, "/mediaconf/profile/i%d/videoencoderconfiguration/token"},
    {FIELD_PROFILE_AUDIOENCODER_TOKEN, "/mediaconf/profile/i%d/audioencoderconfiguration/token"},
    {FIELD_PROFILE_METADATA_TOKEN, "/mediaconf/profile/i%d/metadataconfiguration/token"},
    {FIELD_VIDEOENCODER_TOKEN, "/mediaconf/videoencoderconfiguration/i%d/entity/token"},
    {FIELD_VIDEOENCODER_ADDRESS_TYPE,
     "/mediaconf/videoencoderconfiguration/i%d/multicast/address/type"},
    {FIELD_VIDEOENCODER_IPV4, "/mediaconf/videoencoderconfiguration/i%d/multicast/address/ipv4"},
    {FIELD_VIDEOENCODER_IPV6, "/mediaconf/videoencoderconfiguration/i%d/multicast/address/ipv6"},
    {FIELD_VIDEOENCODER_PORT, "/mediaconf/videoencoderconfiguration/i%d/multicast/port"},
    {FIELD_VIDEOENCODER_TTL, "/mediaconf/videoencoderconfiguration/i%d/multicast/ttl"},
    {FIELD_AUDIOENCODER_TOKEN, "/mediaconf/audioencoderconfiguration/i%d/entity/token"},
    {FIELD_AUDIOENCODER_ADDRESS_TYPE,
     "/mediaconf/audioencoderconfiguration/i%d/multicast/address/type"},
    {FIELD_AUDIOENCODER_IPV4, "/mediaconf/audioencoderconfiguration/i%d/multicast/address/ipv4"},
    {FIELD_AUDIOENCODER_IPV6, "/mediaconf/audioencoderconfiguration/i%d/multicast/address/ipv6"},
    {FIELD_AUDIOENCODER_PORT, "/mediaconf/audioencoderconfiguration/i%d/multicast/port"},
    {FIELD_AUDIOENCODER_TTL, "/mediaconf/audioencoderconfiguration/i%d/multicast/ttl"},
    {FIELD_METADATAENCODER_TOKEN, "/mediaconf/metadataencoderconfiguration/i%d/entity/token"},
    {FIELD_METADATA_ADDRESS_TYPE, "/root/metadataconfiguration/Multicast/Address/Type"},
    {FIELD_METADATA_IPV4, "/root/metadataconfiguration/Multicast/Address/IPv4Address"},
    {FIELD_METADATA_IPV6, "/root/metadataconfiguration/Multicast/Address/IPv6Address"},
    {FIELD_METADATA_PORT, "/root/metadataconfiguration/Multicast/Port"},
    {FIELD_METADATA_TTL, "/root/metadataconfiguration/Multicast/TTL"},
};

namespace {

constexpr char kDumpRule[] = "--------------------------------------------";

// The fields of one encoder file, so video and audio share one loader.
struct EncoderFields {
  EFieldProperty token, type, ipv4, ipv6, ttl, port;
};

constexpr EncoderFields kVideoFields = {FIELD_VIDEOENCODER_TOKEN, FIELD_VIDEOENCODER_ADDRESS_TYPE,
                                        FIELD_VIDEOENCODER_IPV4,  FIELD_VIDEOENCODER_IPV6,
                                        FIELD_VIDEOENCODER_TTL,   FIELD_VIDEOENCODER_PORT};
constexpr EncoderFields kAudioFields = {FIELD_AUDIOENCODER_TOKEN, FIELD_AUDIOENCODER_ADDRESS_TYPE,
                                        FIELD_AUDIOENCODER_IPV4,  FIELD_AUDIOENCODER_IPV6,
                                        FIELD_AUDIOENCODER_TTL,   FIELD_AUDIOENCODER_PORT};

// Reads one encoder slot and appends it, whatever could be read: a missing
// slot gives a record with an empty token, which no profile names.
void loadEncoderSlot(const char* file, int index, const EncoderFields& fields,
                     std::vector<COnvifMediaOneEncodeInfo>& list) {
  COnvifMediaOneEncodeInfo record;
  std::string type;
  readCtxFromXmlString(file, index, fields.token, record.token);
  readCtxFromXmlString(file, index, fields.type, type);
  switch (encoderAddressKind(type)) {
    case MEDIA1_ADDRESS_IPV4:
      readCtxFromXmlString(file, index, fields.ipv4, record.address);
      break;
    case MEDIA1_ADDRESS_IPV6:
      readCtxFromXmlString(file, index, fields.ipv6, record.address);
      break;
    case MEDIA1_ADDRESS_NONE:
      break;
  }
  readCtxFromXmlInt(file, index, fields.ttl, record.ttl);
  readCtxFromXmlInt(file, index, fields.port, record.port);
  list.push_back(std::move(record));
}

void dumpEncodeList(const std::vector<COnvifMediaOneEncodeInfo>& list) {
  traceLine("%s\n", kDumpRule);
  for (const COnvifMediaOneEncodeInfo& record : list) {
    traceLine("token = %s\n", record.token.c_str());
    traceLine("%s:%d\n", record.address.c_str(), record.port);
    traceLine("ttl = %d\n", record.ttl);
  }
}

}  // namespace

EStrellErrno readCtxFromXmlString(const char* file, int index, EFieldProperty field,
                                  std::string& value) {
  char key[kKeyPathSize];
  if (!buildMediaOneKeyPath(field, true, index, key)) return STRELL_ERR_CONFIG_READ;
  return readHostText(file, key, value);
}

EStrellErrno readCtxFromXmlString(const char* file, EFieldProperty field, std::string& value) {
  char key[kKeyPathSize];
  if (!buildMediaOneKeyPath(field, false, 0, key)) return STRELL_ERR_CONFIG_READ;
  return readHostText(file, key, value);
}

EStrellErrno readCtxFromXmlInt(const char* file, int index, EFieldProperty field, int& value) {
  char key[kKeyPathSize];
  if (!buildMediaOneKeyPath(field, true, index, key)) return STRELL_ERR_CONFIG_READ;
  return readHostInt(file, key, value);
}

EStrellErrno readCtxFromXmlInt(const char* file, EFieldProperty field, int& value) {
  char key[kKeyPathSize];
  if (!buildMediaOneKeyPath(field, false, 0, key)) return STRELL_ERR_CONFIG_READ;
  return readHostInt(file, key, value);
}

CUrlMediaOne::~CUrlMediaOne() = default;

EStrellErrno CUrlMediaOne::Parse() {
  // The stores are emptied and reloaded, so a reload never doubles the
  // records and always mirrors the files as they are now. All four are
  // replaced together: a reload that runs out of memory keeps the previous
  // four, never a new profile naming an old encoder configuration.
  reloadStores(
      [this] {
        parseMediaOneProfile();
        parseVideoEncoderXmltoList();
        parseAudioEncoderXmltoList();
        parseMetadataEncoderXmltoList();
      },
      mediaOneProfiles, videoEncodeList, audioEncodeList, metadataEncodeList);
  return passParseOn(STRELL_OK);
}

EStrellErrno CUrlMediaOne::parseMediaOneProfile() {
  // A skipped slot does not end the loop: the slots after it keep their keys.
  for (int index = 0; index < kMediaOneProfileSlots; ++index) parseProfile(index);
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::parseProfile(int index) {
  CMediaOneProfile profile;
  profile.profileKey = id + index;
  readCtxFromXmlString(ONVIF_MEDIA_PROFILE_XML, index, FIELD_PROFILE_TOKEN, profile.profileToken);
  if (profile.profileToken.empty()) return STRELL_ERR_CONFIG_READ;
  // A source token that cannot be read stays empty: the profile then simply
  // lacks that medium.
  readCtxFromXmlString(ONVIF_MEDIA_PROFILE_XML, index, FIELD_PROFILE_VIDEOENCODER_TOKEN,
                       profile.videoSouceToken);
  readCtxFromXmlString(ONVIF_MEDIA_PROFILE_XML, index, FIELD_PROFILE_AUDIOENCODER_TOKEN,
                       profile.audioSouceToken);
  readCtxFromXmlString(ONVIF_MEDIA_PROFILE_XML, index, FIELD_PROFILE_METADATA_TOKEN,
                       profile.metadataSouceToken);
  mediaOneProfiles.push_back(std::move(profile));
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::parseVideoEncoderXmltoList() {
  for (int index = 0; index < kMediaOneVideoEncoderSlots; ++index) parseVideoEncoderXml(index);
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::parseVideoEncoderXml(int index) {
  loadEncoderSlot(ONVIF_MEDIA_ONE_VIDEOENCODER_XML, index, kVideoFields, videoEncodeList);
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::parseAudioEncoderXmltoList() {
  // The camera has one audio encoder configuration; later slots are ignored.
  for (int index = 0; index < kMediaOneAudioEncoderSlots; ++index) parseAudioEncoderXml(index);
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::parseAudioEncoderXml(int index) {
  loadEncoderSlot(ONVIF_MEDIA_ONE_AUDIOENCODER_XML, index, kAudioFields, audioEncodeList);
  return STRELL_OK;
}

EStrellErrno CUrlMediaOne::parseMetadataEncoderXmltoList() {
  const char* file = ONVIF_MEDIA_ONE_METADATA_XML;
  COnvifMediaOneEncodeInfo record;
  record.token = kMediaOneMetadataToken;
  std::string type;
  readCtxFromXmlString(file, FIELD_METADATA_ADDRESS_TYPE, type);
  switch (metadataAddressKind(type)) {
    case MEDIA1_ADDRESS_IPV4:
      readCtxFromXmlString(file, FIELD_METADATA_IPV4, record.address);
      break;
    case MEDIA1_ADDRESS_IPV6:
      readCtxFromXmlString(file, FIELD_METADATA_IPV6, record.address);
      break;
    case MEDIA1_ADDRESS_NONE:
      break;
  }
  readCtxFromXmlInt(file, FIELD_METADATA_TTL, record.ttl);
  readCtxFromXmlInt(file, FIELD_METADATA_PORT, record.port);
  metadataEncodeList.push_back(std::move(record));
  return STRELL_OK;
}

void CUrlMediaOne::dumpProfileList() {
  traceLine("%s\n", kDumpRule);
  for (const CMediaOneProfile& profile : mediaOneProfiles) {
    traceLine("profileToken = %s\n", profile.profileToken.c_str());
    traceLine("videoSouceToken = %s\n", profile.videoSouceToken.c_str());
    traceLine("audioSouceToken = %s\n", profile.audioSouceToken.c_str());
    traceLine("metadataSouceToken = %s\n", profile.metadataSouceToken.c_str());
  }
}

void CUrlMediaOne::dumpVideoEncodeList() { dumpEncodeList(videoEncodeList); }
void CUrlMediaOne::dumpAudioEncodeList() { dumpEncodeList(audioEncodeList); }
void CUrlMediaOne::dumpMetadata() { dumpEncodeList(metadataEncodeList); }
