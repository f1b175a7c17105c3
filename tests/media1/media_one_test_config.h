// A small camera for the Media1 tests: three profiles in slots i0, i2 and i3
// (i1 is empty), three video encoder configurations of the three address
// kinds, one audio encoder configuration and the metadata configuration.
#ifndef STRELL_TESTS_MEDIA1_MEDIA_ONE_TEST_CONFIG_H_
#define STRELL_TESTS_MEDIA1_MEDIA_ONE_TEST_CONFIG_H_

#include <string>
#include <vector>

#include "api/stream_url_hndl.h"
#include "fake_host/fake_host.h"
#include "handler/url_handler.h"
#include "media1/url_media_one.h"
#include "unit/test_support.h"

namespace media_one_test {

constexpr char kProfileFile[] = "/etc/conf.d/config_onvif/config_onvif_media_profile.xml";
constexpr char kVideoFile[] = "/etc/conf.d/config_onvif/config_onvif_media_videoencoderconf.xml";
constexpr char kAudioFile[] = "/etc/conf.d/config_onvif/config_onvif_media_audioencoderconf.xml";
constexpr char kMetadataFile[] = "/etc/conf.d/config_onvif/config_onvif_metadata.xml";
constexpr char kHandleUrlLine[] =
    "virtual EStrellErrno CUrlMediaOne::HandleUrl(const char*, TProfileInfo*) profileName = ";

inline std::string Slot(const char* section, int index, const char* rest) {
  return std::string("/mediaconf/") + section + "/i" + std::to_string(index) + "/" + rest;
}

inline void SetProfile(int index, const char* token, const char* video, const char* audio,
                       const char* metadata) {
  fake_host::Set(kProfileFile, Slot("profile", index, "token"), token);
  if (video != nullptr) {
    fake_host::Set(kProfileFile, Slot("profile", index, "videoencoderconfiguration/token"), video);
  }
  if (audio != nullptr) {
    fake_host::Set(kProfileFile, Slot("profile", index, "audioencoderconfiguration/token"), audio);
  }
  if (metadata != nullptr) {
    fake_host::Set(kProfileFile, Slot("profile", index, "metadataconfiguration/token"), metadata);
  }
}

// `section` is "videoencoderconfiguration" or "audioencoderconfiguration".
inline void SetEncoder(const char* file, const char* section, int index, const char* token,
                       const char* type, const char* ipv4, const char* ipv6, const char* port,
                       const char* ttl) {
  fake_host::Set(file, Slot(section, index, "entity/token"), token);
  fake_host::Set(file, Slot(section, index, "multicast/address/type"), type);
  if (ipv4 != nullptr) fake_host::Set(file, Slot(section, index, "multicast/address/ipv4"), ipv4);
  if (ipv6 != nullptr) fake_host::Set(file, Slot(section, index, "multicast/address/ipv6"), ipv6);
  fake_host::Set(file, Slot(section, index, "multicast/port"), port);
  fake_host::Set(file, Slot(section, index, "multicast/ttl"), ttl);
}

inline void SetMetadata(const char* type) {
  fake_host::Set(kMetadataFile, "/root/metadataconfiguration/Multicast/Address/Type", type);
  fake_host::Set(kMetadataFile, "/root/metadataconfiguration/Multicast/Address/IPv4Address",
                 "239.0.0.20");
  fake_host::Set(kMetadataFile, "/root/metadataconfiguration/Multicast/Address/IPv6Address",
                 "ff15::20");
  fake_host::Set(kMetadataFile, "/root/metadataconfiguration/Multicast/Port", "7000");
  fake_host::Set(kMetadataFile, "/root/metadataconfiguration/Multicast/TTL", "9");
}

// Profiles:  i0 Profile_1 (VideoEncoder1_1, AudioEncoder_1, metadata1) key 222
//            i1 none
//            i2 Profile_3 (VideoEncoder1_2, AudioEncoder_1, MetadataToken_9) key 224
//            i3 Profile_4 (VideoEncoder2_1 only) key 225
// Video:     i0 VideoEncoder1_1 IPv4 239.0.0.1:5000 ttl 5
//            i1 VideoEncoder1_2 IPv6 ff15::2:5002 ttl 6
//            i2 VideoEncoder2_1 unknown type "ipx", port 5004 ttl 7
//            i3 none
// Audio:     i0 AudioEncoder_1 IPv4 239.0.0.9:6000 ttl 3
// Metadata:  "ipv4" 239.0.0.20:7000 ttl 9
inline void SetStandardCamera() {
  SetProfile(0, "Profile_1", "VideoEncoder1_1", "AudioEncoder_1", "metadata1");
  SetProfile(2, "Profile_3", "VideoEncoder1_2", "AudioEncoder_1", "MetadataToken_9");
  SetProfile(3, "Profile_4", "VideoEncoder2_1", nullptr, nullptr);
  const char* video = "videoencoderconfiguration";
  SetEncoder(kVideoFile, video, 0, "VideoEncoder1_1", "IPv4", "239.0.0.1", "ff15::1", "5000", "5");
  SetEncoder(kVideoFile, video, 1, "VideoEncoder1_2", "IPv6", "239.0.0.2", "ff15::2", "5002", "6");
  SetEncoder(kVideoFile, video, 2, "VideoEncoder2_1", "ipx", "239.0.0.3", "ff15::3", "5004", "7");
  SetEncoder(kAudioFile, "audioencoderconfiguration", 0, "AudioEncoder_1", "IPv4", "239.0.0.9",
             nullptr, "6000", "3");
  SetMetadata("ipv4");
}

// The Media1 handler at the head of a context's chain.
inline CUrlMediaOne* HeadOf(const strell_test::Context& context) {
  return dynamic_cast<CUrlMediaOne*>(context.handle()->context->handlers.at(0));
}

// A next handler that records what reaches it: its own answer for every URL
// (9, so that a passed-on request is recognisable) and its key 999 in every
// list.
class SpyHandler : public IUrlHandler {
 public:
  SpyHandler() : IUrlHandler(999) {}
  EStrellErrno HandleUrl(const char* url, TProfileInfo* /*info*/) override {
    urls.push_back(url);
    return STRELL_ERR_BAD_SOURCE;
  }
  EStrellErrno Parse() override {
    ++parses;
    return parseAnswer;
  }
  EStrellErrno GetProfileListByVideoStream(int /*channel*/, int /*stream*/,
                                           TProfileList* list) override {
    list->profileKeys[list->profileCount++] = id;
    return STRELL_ERR_CONFIG_READ;  // discarded by the handler before it
  }
  EStrellErrno GetProfileListByAudioStream(int /*channel*/, int /*stream*/,
                                           TProfileList* list) override {
    list->profileKeys[list->profileCount++] = id;
    return STRELL_ERR_CONFIG_READ;
  }
  std::vector<std::string> urls;
  int parses = 0;
  EStrellErrno parseAnswer = STRELL_OK;
};

}  // namespace media_one_test

#endif  // STRELL_TESTS_MEDIA1_MEDIA_ONE_TEST_CONFIG_H_
