// A camera configuration for the tests and the fuzz targets, written in the
// library's own terms: every value goes to the file and key path the
// library's own tables and builders give for its field, so a fixture cannot
// disagree with what the library reads. A camera goes into the in-memory
// host (Install), or into XML files under a directory that stands for
// /etc/conf.d/ (Write), read through the reference host kit.
#ifndef STRELL_TESTING_CAMERA_H_
#define STRELL_TESTING_CAMERA_H_

#include <string>
#include <vector>

#include "media1/url_media_one.h"
#include "media2/url_media_two.h"
#include "streamserver/url_streamserver.h"

namespace testing_kit {

// One configuration value as the library reads it.
struct Value {
  std::string file;  // "/etc/conf.d/..."
  std::string key;   // "/root/..."
  std::string text;
};

enum class Medium { kVideo, kAudio, kMetadata };

class Camera {
 public:
  // Media1: a profile slot (a null token leaves that key out), an encoder
  // slot (the address goes under "ipv4" or "ipv6" as `type` says, anything
  // else under both), the metadata configuration (the same, the lower-case
  // pair included).
  Camera& MediaOneProfile(int slot, const char* token, const char* video, const char* audio,
                          const char* metadata);
  Camera& MediaOneEncoder(Medium medium, int slot, const std::string& token,
                          const std::string& type, const std::string& address, int port, int ttl);
  Camera& MediaOneMetadata(const std::string& type, const std::string& address, int port, int ttl);
  // Stream server: an access-name slot, each medium on its track (-1: not
  // carried) with address "239.<slot>.<medium>.1" and port 8000 + 10 * slot
  // + 2 * medium.
  Camera& AccessName(int slot, const std::string& name, int videoTrack, int audioTrack,
                     int metadataTrack, int ttl);
  // Media2: a stream profile (an empty video source leaves video disabled),
  // and the multicast values of a medium's channel and stream.
  Camera& StreamProfile(int slot, const std::string& token, const std::string& videoSource,
                        bool audio, bool metadata);
  Camera& Multicast(Medium medium, int channel, int stream, int port, const std::string& address,
                    int ttl);
  // A device parameter ("capability_nvideoin"); Write() puts "group_name"
  // into config_group.xml under /root/group/name, as the reference kit reads it.
  Camera& Parameter(const std::string& name, const std::string& text);
  // Any value, and taking one out again.
  Camera& Set(const std::string& file, const std::string& key, const std::string& text);
  Camera& Erase(const std::string& file, const std::string& key);

  const std::vector<Value>& values() const { return values_; }

  // Clears the in-memory host and puts this camera into it.
  void Install() const;
  // Writes one XML document per file under `root`, creating directories;
  // false when a file could not be written.
  bool Write(const std::string& root) const;
  // The XML document of one file ("/etc/conf.d/..."), as Write() writes it.
  std::string Xml(const std::string& file) const;
  // The files the camera has values in.
  std::vector<std::string> Files() const;

 private:
  std::vector<Value> values_;  // one per file and key, in the order first set
  std::vector<Value> params_;  // key: the parameter's name
};

// Two whole cameras, A and B: the same profiles, tokens, access names and
// video sources, other addresses, ports, TTLs and stream-server tracks. Any
// mixture of their files answers every field as A or as B would.
Camera TwoStateCamera(bool b);

// The requests asked of TwoStateCamera: each kind found and not found, a URL
// no handler claims, and last the empty URL (the access name of the missing
// slot s2).
inline constexpr const char* kCameraUrls[] = {
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
inline constexpr int kCameraUrlCount = sizeof kCameraUrls / sizeof kCameraUrls[0];

}  // namespace testing_kit

#endif  // STRELL_TESTING_CAMERA_H_
