// Two complete camera configurations, A and B, for the reliability tests and
// the fuzz targets, and the requests every test asks of them. Both have the
// same profiles, tokens, access names and video sources; only addresses,
// ports, TTLs and stream-server tracks differ. So whatever mixture of A and B
// files a reload reads, every field of an answer is that field's value under
// A or under B, never a combination that neither configuration gives.
#ifndef STRELL_TESTS_RELIABILITY_RELIABILITY_CONFIG_H_
#define STRELL_TESTS_RELIABILITY_RELIABILITY_CONFIG_H_

namespace reliability {

struct ConfigFile {
  const char* path;  // as the library names it
};

constexpr ConfigFile kFiles[] = {
    {"/etc/conf.d/config_onvif/config_onvif_media_profile.xml"},
    {"/etc/conf.d/config_onvif/config_onvif_media_videoencoderconf.xml"},
    {"/etc/conf.d/config_onvif/config_onvif_media_audioencoderconf.xml"},
    {"/etc/conf.d/config_onvif/config_onvif_metadata.xml"},
    {"/etc/conf.d/config_streamserver.xml"},
    {"/etc/conf.d/config_streamprofile.xml"},
    {"/etc/conf.d/config_videoin_c0.xml"},
    {"/etc/conf.d/config_videoin_c1.xml"},
    {"/etc/conf.d/config_audioin.xml"},
    {"/etc/conf.d/config_metadata_c0.xml"},
};
constexpr int kFileCount = sizeof kFiles / sizeof kFiles[0];

// One configuration value: file (index into kFiles), key path, text under A
// and under B (null: the same as under A).
struct ConfigValue {
  int file;
  const char* key;
  const char* a;
  const char* b = nullptr;
};
inline const char* ValueOf(const ConfigValue& value, bool b) {
  return b && value.b != nullptr ? value.b : value.a;
}

constexpr ConfigValue kValues[] = {
    // Media1 profiles: Profile_1 (all three media), Profile_2 (video and
    // metadata); slots i2 and i3 are empty.
    {0, "/mediaconf/profile/i0/token", "Profile_1"},
    {0, "/mediaconf/profile/i0/videoencoderconfiguration/token", "VideoEncoder1_1"},
    {0, "/mediaconf/profile/i0/audioencoderconfiguration/token", "AudioEncoder_1"},
    {0, "/mediaconf/profile/i0/metadataconfiguration/token", "metadata1"},
    {0, "/mediaconf/profile/i1/token", "Profile_2"},
    {0, "/mediaconf/profile/i1/videoencoderconfiguration/token", "VideoEncoderToken1_2"},
    {0, "/mediaconf/profile/i1/metadataconfiguration/token", "metadata1"},
    // Media1 video encoders.
    {1, "/mediaconf/videoencoderconfiguration/i0/entity/token", "VideoEncoder1_1"},
    {1, "/mediaconf/videoencoderconfiguration/i0/multicast/address/type", "IPv4"},
    {1, "/mediaconf/videoencoderconfiguration/i0/multicast/address/ipv4", "239.1.0.1",
     "239.101.0.1"},
    {1, "/mediaconf/videoencoderconfiguration/i0/multicast/port", "5000", "15000"},
    {1, "/mediaconf/videoencoderconfiguration/i0/multicast/ttl", "5", "55"},
    {1, "/mediaconf/videoencoderconfiguration/i1/entity/token", "VideoEncoderToken1_2"},
    {1, "/mediaconf/videoencoderconfiguration/i1/multicast/address/type", "IPv6"},
    {1, "/mediaconf/videoencoderconfiguration/i1/multicast/address/ipv6", "ff15:0:0:0:0:0:1:2",
     "ff15:0:0:0:0:0:101:2"},
    {1, "/mediaconf/videoencoderconfiguration/i1/multicast/port", "5002", "15002"},
    {1, "/mediaconf/videoencoderconfiguration/i1/multicast/ttl", "5", "55"},
    // Media1 audio encoder and metadata.
    {2, "/mediaconf/audioencoderconfiguration/i0/entity/token", "AudioEncoder_1"},
    {2, "/mediaconf/audioencoderconfiguration/i0/multicast/address/type", "IPv4"},
    {2, "/mediaconf/audioencoderconfiguration/i0/multicast/address/ipv4", "239.1.0.9",
     "239.101.0.9"},
    {2, "/mediaconf/audioencoderconfiguration/i0/multicast/port", "6000", "16000"},
    {2, "/mediaconf/audioencoderconfiguration/i0/multicast/ttl", "3", "33"},
    {3, "/root/metadataconfiguration/Multicast/Address/Type", "ipv4"},
    {3, "/root/metadataconfiguration/Multicast/Address/IPv4Address", "239.1.0.20", "239.101.0.20"},
    {3, "/root/metadataconfiguration/Multicast/Port", "7000", "17000"},
    {3, "/root/metadataconfiguration/Multicast/TTL", "9", "99"},
    // Stream server: live1.sdp carries everything, live2/main_stream.sdp video
    // only.
    {4, "/root/network/rtsp/s0/accessname", "live1.sdp"},
    {4, "/root/network/rtsp/s0/enable", "1"},
    {4, "/root/network/rtsp/s0/alwaysmulticast", "0"},
    {4, "/root/network/rtsp/s0/multicast/ttl", "15", "25"},
    {4, "/root/network/rtsp/s0/videotrack", "0", "1"},
    {4, "/root/network/rtsp/s0/multicast/videoipaddress", "239.3.0.1", "239.103.0.1"},
    {4, "/root/network/rtsp/s0/multicast/videoport", "8000", "18000"},
    {4, "/root/network/rtsp/s0/audiotrack", "0"},
    {4, "/root/network/rtsp/s0/multicast/audioipaddress", "239.3.0.2", "239.103.0.2"},
    {4, "/root/network/rtsp/s0/multicast/audioport", "8002", "18002"},
    {4, "/root/network/rtsp/s0/metadatatrack", "0"},
    {4, "/root/network/rtsp/s0/multicast/metadataipaddress", "239.3.0.3", "239.103.0.3"},
    {4, "/root/network/rtsp/s0/multicast/metadataport", "8004", "18004"},
    {4, "/root/network/rtsp/s1/accessname", "live2/main_stream.sdp"},
    {4, "/root/network/rtsp/s1/enable", "1"},
    {4, "/root/network/rtsp/s1/multicast/ttl", "16", "26"},
    {4, "/root/network/rtsp/s1/videotrack", "4", "3"},
    {4, "/root/network/rtsp/s1/multicast/videoipaddress", "239.3.1.1", "239.103.1.1"},
    {4, "/root/network/rtsp/s1/multicast/videoport", "8010", "18010"},
    {4, "/root/network/rtsp/s1/audiotrack", "-1"},
    {4, "/root/network/rtsp/s1/metadatatrack", "-1"},
    // Media2 stream profiles: StreamProfile_1 (all three media, video c0s0),
    // StreamProfile_Second (video c1s1 only). Some texts are longer than a
    // short-string buffer, so that a reload allocates.
    {5, "/root/streamprofile/i0/token", "StreamProfile_1"},
    {5, "/root/streamprofile/i0/videoconfiguration/enable", "1"},
    {5, "/root/streamprofile/i0/videoconfiguration/source", "c0s0"},
    {5, "/root/streamprofile/i0/audioconfiguration/enable", "1"},
    {5, "/root/streamprofile/i0/audioconfiguration/source", "c0s0"},
    {5, "/root/streamprofile/i0/metadataconfiguration/enable", "1"},
    {5, "/root/streamprofile/i0/metadataconfiguration/source", "c0s0"},
    {5, "/root/streamprofile/i1/token", "StreamProfile_Second"},
    {5, "/root/streamprofile/i1/videoconfiguration/enable", "1"},
    {5, "/root/streamprofile/i1/videoconfiguration/source", "c1s1"},
    {5, "/root/streamprofile/i1/audioconfiguration/enable", "0"},
    {5, "/root/streamprofile/i1/metadataconfiguration/enable", "0"},
    // Media2 multicast values, read at each resolution.
    {6, "/root/videoin/c0/s0/multicast/port", "9000", "19000"},
    {6, "/root/videoin/c0/s0/multicast/ipaddress", "239.4.0.1", "239.104.0.1"},
    {6, "/root/videoin/c0/s0/multicast/ttl", "4", "44"},
    {7, "/root/videoin/c1/s1/multicast/port", "9011", "19011"},
    {7, "/root/videoin/c1/s1/multicast/ipaddress", "239.4.1.1", "239.104.1.1"},
    {7, "/root/videoin/c1/s1/multicast/ttl", "4", "44"},
    {8, "/root/audioin/c0/s0/multicast/port", "9100", "19100"},
    {8, "/root/audioin/c0/s0/multicast/ipaddress", "239.4.2.1", "239.104.2.1"},
    {8, "/root/audioin/c0/s0/multicast/ttl", "4", "44"},
    {9, "/root/metadata/c0/s0/multicast/port", "9200", "19200"},
    {9, "/root/metadata/c0/s0/multicast/ipaddress", "239.4.3.1", "239.104.3.1"},
    {9, "/root/metadata/c0/s0/multicast/ttl", "4", "44"},
};
constexpr int kValueCount = sizeof kValues / sizeof kValues[0];

// The device parameters, the same under A and B: they are read once per
// process.
struct Parameter {
  const char* name;
  const char* value;
};
constexpr Parameter kParameters[] = {
    {"capability_nvideoin", "2"},
    {"capability_nmediastream", "3"},
    {"capability_naudioin", "1"},
};

// The URLs every test resolves: each kind found and not found, a URL no
// handler claims, and the empty URL (which names the stream-server slot s2,
// whose access name is missing and so empty).
constexpr const char* kUrls[] = {
    "media/stream.sdp?profile=Profile_1",
    "media/stream.sdp?profile=Profile_2",
    "media/stream.sdp?profile=Profile_9",
    "live1.sdp",
    "live2/main_stream.sdp",
    "media2/stream.sdp?profile=StreamProfile_1",
    "media2/stream.sdp?profile=StreamProfile_Second",
    "media2/stream.sdp?profile=StreamProfile_9",
    "rtsp://camera/unknown",
    "",
};
constexpr int kUrlCount = sizeof kUrls / sizeof kUrls[0];
static_assert(kUrls[kUrlCount - 1][0] == '\0', "the empty URL comes last");

// The list queries: video by channel and stream, then audio.
struct ListQuery {
  bool video;
  int channel;
  int stream;
};
constexpr ListQuery kLists[] = {
    {true, 0, 0}, {true, 0, 1}, {true, 1, 1}, {true, 1, 0}, {false, 0, 0}, {false, 1, 0},
};
constexpr int kListCount = sizeof kLists / sizeof kLists[0];

}  // namespace reliability

#endif  // STRELL_TESTS_RELIABILITY_RELIABILITY_CONFIG_H_
