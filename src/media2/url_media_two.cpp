// Media2 store: the field table, the stream-profile readers, the loading of
// the ten stream-profile slots and the dump. Resolution, the per-medium
// multicast reads it makes and the profile lists live in
// media_two_resolution.cpp.
#include "media2/url_media_two.h"

#include <cstdio>

#include "base/field_table.h"
#include "base/key_path.h"
#include "base/trace.h"
#include "hostconfig/config_value.h"

const CMediaTwoConfigRow MediaTwoconfigMap[kMediaTwoConfigRows] = {
    {MEDIA2_FIELD_PROFILENAME, "profilename"},
    {MEDIA2_FIELD_TOKEN, "token"},
    {MEDIA2_FIELD_VIDEO_ENABLE, "videoconfiguration/enable"},
    {MEDIA2_FIELD_VIDEO_SOURCE, "videoconfiguration/source"},
    {MEDIA2_FIELD_AUDIO_ENABLE, "audioconfiguration/enable"},
    {MEDIA2_FIELD_AUDIO_SOURCE, "audioconfiguration/source"},
    {MEDIA2_FIELD_METADATA_ENABLE, "metadataconfiguration/enable"},
    {MEDIA2_FIELD_METADATA_SOURCE, "metadataconfiguration/source"},
    {MEDIA2_FIELD_MULTICAST_PORT, "port"},
    {MEDIA2_FIELD_MULTICAST_ADDRESS, "ipaddress"},
    {MEDIA2_FIELD_MULTICAST_TTL, "ttl"},
};

namespace {

// Enable first; the source is read only for an enabled medium. Read failures
// leave the start values (0 and the empty text).
void loadMedium(int index, EStreamProfileField enableField, EStreamProfileField sourceField,
                CMediaEncodeConfig& config) {
  readCtxFromXmlInt(index, enableField, config.enable);
  if (config.enable != 0) readCtxFromXmlString(index, sourceField, config.source);
}

}  // namespace

EStrellErrno readCtxFromXmlInt(int index, EStreamProfileField field, int& value) {
  char key[kKeyPathSize];
  buildStreamProfileKeyPath(key, index, field);
  return readHostInt(kStreamProfileFile, key, value);
}

EStrellErrno readCtxFromXmlString(int index, EStreamProfileField field, std::string& value) {
  char key[kKeyPathSize];
  buildStreamProfileKeyPath(key, index, field);
  return readHostText(kStreamProfileFile, key, value);
}

CUrlMediaTwo::~CUrlMediaTwo() = default;

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

EStrellErrno CUrlMediaTwo::parseProfileToken(int index, CStreamProfile& profile) {
  return readCtxFromXmlString(index, MEDIA2_FIELD_TOKEN, profile.profileToken);
}

EStrellErrno CUrlMediaTwo::parseVideoConfigurationEnable(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlInt(index, MEDIA2_FIELD_VIDEO_ENABLE, config.enable);
}

EStrellErrno CUrlMediaTwo::parseVideoConfigurationSource(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlString(index, MEDIA2_FIELD_VIDEO_SOURCE, config.source);
}

EStrellErrno CUrlMediaTwo::parseAudioConfigurationEnable(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlInt(index, MEDIA2_FIELD_AUDIO_ENABLE, config.enable);
}

EStrellErrno CUrlMediaTwo::parseAudioConfigurationSource(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlString(index, MEDIA2_FIELD_AUDIO_SOURCE, config.source);
}

EStrellErrno CUrlMediaTwo::parseMetadataConfigurationEnable(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlInt(index, MEDIA2_FIELD_METADATA_ENABLE, config.enable);
}

EStrellErrno CUrlMediaTwo::parseMetadataConfigurationSource(int index, CMediaEncodeConfig& config) {
  return readCtxFromXmlString(index, MEDIA2_FIELD_METADATA_SOURCE, config.source);
}

EStrellErrno CUrlMediaTwo::parseVideoConfiguration(int index, CMediaEncodeConfig& config) {
  loadMedium(index, MEDIA2_FIELD_VIDEO_ENABLE, MEDIA2_FIELD_VIDEO_SOURCE, config);
  return STRELL_OK;
}

EStrellErrno CUrlMediaTwo::parseAudioConfiguration(int index, CMediaEncodeConfig& config) {
  loadMedium(index, MEDIA2_FIELD_AUDIO_ENABLE, MEDIA2_FIELD_AUDIO_SOURCE, config);
  return STRELL_OK;
}

EStrellErrno CUrlMediaTwo::parseMetadataConfiguration(int index, CMediaEncodeConfig& config) {
  loadMedium(index, MEDIA2_FIELD_METADATA_ENABLE, MEDIA2_FIELD_METADATA_SOURCE, config);
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
    traceLine("---------------------------------------------\n");
    traceLine("streamprofile.profileToken = %s\n", profile.profileToken.c_str());
    traceLine("streamprofile.videoEncodeConfig.enable = %d\n", profile.videoEncodeConfig.enable);
    traceLine("streamprofile.videoEncodeConfig.source = %s\n",
                profile.videoEncodeConfig.source.c_str());
    traceLine("streamprofile.audioEncodeConfig.enable = %d\n", profile.audioEncodeConfig.enable);
    traceLine("streamprofile.audioEncodeConfig.source = %s\n",
                profile.audioEncodeConfig.source.c_str());
    traceLine("streamprofile.metadataEncodeConfig.enable = %d\n",
                profile.metadataEncodeConfig.enable);
    traceLine("streamprofile.metadataEncodeConfig.source = %s\n",
                profile.metadataEncodeConfig.source.c_str());
  }
  return 0;
}
