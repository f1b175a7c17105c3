// Camera configuration in the fake host for the handler tests: where each
// handler finds its values, setters for them, and a stand-in for the rest of
// the chain.
#ifndef STRELL_TESTS_UNIT_CAMERA_FIXTURE_H_
#define STRELL_TESTS_UNIT_CAMERA_FIXTURE_H_

#include <string>
#include <vector>

#include "fake_host/fake_host.h"
#include "handler/record_writer.h"
#include "handler/url_handler.h"
#include "unit/test_support.h"

namespace strell_test {

// Media1: four files, slots "/mediaconf/<section>/i<n>/".
constexpr char kOnvifDir[] = "/etc/conf.d/config_onvif/";
constexpr char kOnvifProfiles[] = "/etc/conf.d/config_onvif/config_onvif_media_profile.xml";
constexpr char kOnvifVideo[] = "/etc/conf.d/config_onvif/config_onvif_media_videoencoderconf.xml";
constexpr char kOnvifAudio[] = "/etc/conf.d/config_onvif/config_onvif_media_audioencoderconf.xml";
constexpr char kOnvifMetadata[] = "/etc/conf.d/config_onvif/config_onvif_metadata.xml";
constexpr char kVideoSection[] = "videoencoderconfiguration";
constexpr char kAudioSection[] = "audioencoderconfiguration";
constexpr char kMetadataKey[] = "/root/metadataconfiguration/Multicast/";

inline std::string OnvifKey(const char* section, int slot, const std::string& rest) {
  return std::string("/mediaconf/") + section + "/i" + std::to_string(slot) + "/" + rest;
}

// A null source token leaves that key out of the file.
inline void SetOnvifProfile(int slot, const char* token, const char* video, const char* audio,
                            const char* metadata) {
  fake_host::Set(kOnvifProfiles, OnvifKey("profile", slot, "token"), token);
  const char* const keys[] = {"videoencoderconfiguration/token", "audioencoderconfiguration/token",
                              "metadataconfiguration/token"};
  const char* const sources[] = {video, audio, metadata};
  for (int i = 0; i < 3; ++i) {
    if (sources[i] != nullptr)
      fake_host::Set(kOnvifProfiles, OnvifKey("profile", slot, keys[i]), sources[i]);
  }
}

inline void SetOnvifEncoder(const char* file, const char* section, int slot, const char* token,
                            const char* type, const char* ipv4, const char* ipv6, const char* port,
                            const char* ttl) {
  const char* const keys[] = {"entity/token",           "multicast/address/type",
                              "multicast/address/ipv4", "multicast/address/ipv6",
                              "multicast/port",         "multicast/ttl"};
  const char* const values[] = {token, type, ipv4, ipv6, port, ttl};
  for (int i = 0; i < 6; ++i) {
    if (values[i] != nullptr) fake_host::Set(file, OnvifKey(section, slot, keys[i]), values[i]);
  }
}

inline void SetOnvifMetadata(const char* type) {
  const std::string key = kMetadataKey;
  fake_host::Set(kOnvifMetadata, key + "Address/Type", type);
  fake_host::Set(kOnvifMetadata, key + "Address/IPv4Address", "239.0.0.20");
  fake_host::Set(kOnvifMetadata, key + "Address/IPv6Address", "ff15::20");
  fake_host::Set(kOnvifMetadata, key + "Port", "7000");
  fake_host::Set(kOnvifMetadata, key + "TTL", "9");
}

// Profiles in slots i0, i2 and i3 (i1 empty); video encoders of the address
// types IPv4, IPv6 and an unknown one; one audio encoder; metadata "ipv4".
inline void SetMediaOneCamera() {
  SetOnvifProfile(0, "Profile_1", "VideoEncoder1_1", "AudioEncoder_1", "metadata1");
  SetOnvifProfile(2, "Profile_3", "VideoEncoder1_2", "AudioEncoder_1", "MetadataToken_9");
  SetOnvifProfile(3, "Profile_4", "VideoEncoder2_1", nullptr, nullptr);
  SetOnvifEncoder(kOnvifVideo, kVideoSection, 0, "VideoEncoder1_1", "IPv4", "239.0.0.1", "ff15::1",
                  "5000", "5");
  SetOnvifEncoder(kOnvifVideo, kVideoSection, 1, "VideoEncoder1_2", "IPv6", "239.0.0.2", "ff15::2",
                  "5002", "6");
  SetOnvifEncoder(kOnvifVideo, kVideoSection, 2, "VideoEncoder2_1", "ipx", "239.0.0.3", "ff15::3",
                  "5004", "7");
  SetOnvifEncoder(kOnvifAudio, kAudioSection, 0, "AudioEncoder_1", "IPv4", "239.0.0.9", nullptr,
                  "6000", "3");
  SetOnvifMetadata("ipv4");
}

// Media2: ten stream-profile slots, multicast values in per-medium files.
constexpr char kStreamProfiles[] = "/etc/conf.d/config_streamprofile.xml";
constexpr char kAudioIn[] = "/etc/conf.d/config_audioin.xml";
inline std::string VideoInFile(int c) {
  return "/etc/conf.d/config_videoin_c" + std::to_string(c) + ".xml";
}
inline std::string MetadataFile(int c) {
  return "/etc/conf.d/config_metadata_c" + std::to_string(c) + ".xml";
}
inline std::string StreamProfileKey(int slot, const std::string& name) {
  return "/root/streamprofile/i" + std::to_string(slot) + "/" + name;
}
inline void SetStreamProfile(int slot, const std::string& name, const std::string& text) {
  fake_host::Set(kStreamProfiles, StreamProfileKey(slot, name), text);
}
inline std::string MulticastKey(const std::string& medium, int channel, int stream,
                                const std::string& name) {
  return "/root/" + medium + "/c" + std::to_string(channel) + "/s" + std::to_string(stream) +
         "/multicast/" + name;
}
inline void SetMulticast(const std::string& file, const std::string& medium, int channel,
                         int stream, const std::string& port, const std::string& address,
                         const std::string& ttl) {
  fake_host::Set(file, MulticastKey(medium, channel, stream, "port"), port);
  fake_host::Set(file, MulticastKey(medium, channel, stream, "ipaddress"), address);
  fake_host::Set(file, MulticastKey(medium, channel, stream, "ttl"), ttl);
}

// Stream server: four slots "/root/network/rtsp/s<n>/".
constexpr char kStreamServer[] = "/etc/conf.d/config_streamserver.xml";
inline std::string RtspKey(int slot, const std::string& key) {
  return "/root/network/rtsp/s" + std::to_string(slot) + "/" + key;
}
inline void SetRtsp(int slot, const std::string& key, const std::string& text) {
  fake_host::Set(kStreamServer, RtspKey(slot, key), text);
}
// Every medium carried; addresses 239.0.<medium>.<slot>, ports <medium>000 + slot, ttl 15.
inline void SetRtspSlot(int slot, const std::string& name, int videoTrack, int audioTrack,
                        int metadataTrack) {
  SetRtsp(slot, "accessname", name);
  SetRtsp(slot, "enable", "1");
  SetRtsp(slot, "alwaysmulticast", "0");
  SetRtsp(slot, "multicast/ttl", "15");
  const char* const media[] = {"video", "audio", "metadata"};
  const int tracks[] = {videoTrack, audioTrack, metadataTrack};
  for (int m = 0; m < 3; ++m) {
    SetRtsp(slot, std::string(media[m]) + "track", std::to_string(tracks[m]));
    SetRtsp(slot, std::string("multicast/") + media[m] + "ipaddress",
            "239.0." + std::to_string(m) + "." + std::to_string(slot));
    SetRtsp(slot, std::string("multicast/") + media[m] + "port",
            std::to_string(5000 + 1000 * m + slot));
  }
}
// Two video inputs of three streams, one audio input. Read once per process:
// every test of a process must agree on them.
inline void SetCapabilities() {
  fake_host::SetParam("capability_nvideoin", "2");
  fake_host::SetParam("capability_nmediastream", "3");
  fake_host::SetParam("capability_naudioin", "1");
}

// "file key" of every read of a file under `prefix`, in order; each buffer
// must have reached the host zero-filled.
inline std::vector<std::string> ReadsOf(const std::string& prefix) {
  std::vector<std::string> reads;
  for (const fake_host::XmlRead& read : fake_host::XmlReads()) {
    if (read.file.rfind(prefix, 0) != 0) continue;
    EXPECT_TRUE(read.zeroedBuffer) << read.key;
    reads.push_back(read.file + " " + read.key);
  }
  return reads;
}

// Stands in for the handlers after the one under test: records what reaches
// it, answers 4 (no handler's own answer to a URL or a list), and appends 999
// to every list.
class SpyHandler : public IUrlHandler {
 public:
  SpyHandler() : IUrlHandler(999) {}
  EStrellErrno HandleUrl(const char* url, TProfileInfo*) override {
    urls.push_back(url != nullptr ? url : "(null)");
    return STRELL_ERR_CONFIG_READ;
  }
  EStrellErrno Parse() override {
    ++parses;
    return STRELL_ERR_CONFIG_READ;
  }
  EStrellErrno GetProfileListByVideoStream(int, int, TProfileList* list) override {
    if (list != nullptr) appendProfileKey(list, id);
    return STRELL_ERR_CONFIG_READ;
  }
  EStrellErrno GetProfileListByAudioStream(int, int, TProfileList* list) override {
    return GetProfileListByVideoStream(0, 0, list);
  }
  std::vector<std::string> urls;
  int parses = 0;
};

}  // namespace strell_test

#endif  // STRELL_TESTS_UNIT_CAMERA_FIXTURE_H_
