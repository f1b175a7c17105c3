#include "testing/camera.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

namespace testing_kit {
namespace {

// The key path the library's own builder gives for a field.
std::string Key(EFieldProperty field, int slot, bool indexed = true) {
  char key[kKeyPathSize];
  buildMediaOneKeyPath(field, indexed, slot, key);
  return key;
}
std::string Key(int slot, eField field) {
  char key[kKeyPathSize];
  buildStreamserverKeyPath(slot, field, key);
  return key;
}
std::string Key(int slot, EStreamProfileField field) {
  char key[kKeyPathSize];
  buildStreamProfileKeyPath(key, slot, field);
  return key;
}

// One element of a document being written: its name, text and children in
// the order they were first named.
struct Node {
  std::string name;
  std::string text;
  std::vector<Node> children;

  Node& Child(const std::string& childName) {
    for (Node& child : children) {
      if (child.name == childName) return child;
    }
    children.push_back(Node{childName, "", {}});
    return children.back();
  }
};

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  }
  return out;
}

void Print(const Node& node, int depth, std::string& out) {
  const std::string indent(2 * static_cast<size_t>(depth), ' ');
  out += indent + "<" + node.name + ">";
  if (node.children.empty()) {
    out += Escaped(node.text) + "</" + node.name + ">\n";
    return;
  }
  out += "\n";
  for (const Node& child : node.children) Print(child, depth + 1, out);
  out += indent + "</" + node.name + ">\n";
}

void Put(std::vector<Value>& values, const std::string& file, const std::string& key,
         const std::string& text) {
  for (Value& value : values) {
    if (value.file == file && value.key == key) {
      value.text = text;
      return;
    }
  }
  values.push_back(Value{file, key, text});
}

}  // namespace

Camera& Camera::MediaOneProfile(int slot, const char* token, const char* video, const char* audio,
                                const char* metadata) {
  const char* const texts[] = {token, video, audio, metadata};  // FIELD_PROFILE_* 0 to 3
  for (int i = 0; i < 4; ++i) {
    if (texts[i] != nullptr) Set(ONVIF_MEDIA_PROFILE_XML, Key(EFieldProperty(i), slot), texts[i]);
  }
  return *this;
}

Camera& Camera::MediaOneEncoder(Medium medium, int slot, const std::string& token,
                                const std::string& type, const std::string& address, int port,
                                int ttl) {
  const bool video = medium == Medium::kVideo;
  const char* file = video ? ONVIF_MEDIA_ONE_VIDEOENCODER_XML : ONVIF_MEDIA_ONE_AUDIOENCODER_XML;
  // Token, IPv4, IPv6, type, TTL, port: consecutive ids of each encoder.
  const auto field = [video](int offset) {
    return EFieldProperty((video ? FIELD_VIDEOENCODER_TOKEN : FIELD_AUDIOENCODER_TOKEN) + offset);
  };
  Set(file, Key(field(0), slot), token).Set(file, Key(field(3), slot), type);
  if (type != "IPv6") Set(file, Key(field(1), slot), address);
  if (type != "IPv4") Set(file, Key(field(2), slot), address);
  Set(file, Key(field(4), slot), std::to_string(ttl));
  return Set(file, Key(field(5), slot), std::to_string(port));
}

Camera& Camera::MediaOneMetadata(const std::string& type, const std::string& address, int port,
                                 int ttl) {
  const char* file = ONVIF_MEDIA_ONE_METADATA_XML;
  Set(file, Key(FIELD_METADATA_ADDRESS_TYPE, 0, false), type);
  if (type != "IPv6" && type != "ipv6") Set(file, Key(FIELD_METADATA_IPV4, 0, false), address);
  if (type != "IPv4" && type != "ipv4") Set(file, Key(FIELD_METADATA_IPV6, 0, false), address);
  Set(file, Key(FIELD_METADATA_PORT, 0, false), std::to_string(port));
  return Set(file, Key(FIELD_METADATA_TTL, 0, false), std::to_string(ttl));
}

Camera& Camera::AccessName(int slot, const std::string& name, int videoTrack, int audioTrack,
                           int metadataTrack, int ttl) {
  const std::string file = kStreamserverFile;
  Set(file, Key(slot, ZELL_FIELD_ACCESSNAME), name);
  Set(file, Key(slot, ZELL_FIELD_ENABLE), "1");
  Set(file, Key(slot, ZELL_FIELD_ALWAYSMULTICAST), "0");
  Set(file, Key(slot, ZELL_FIELD_TTL), std::to_string(ttl));
  const int tracks[] = {videoTrack, audioTrack, metadataTrack};
  for (int medium = 0; medium < 3; ++medium) {
    // Track, address and port stand in consecutive rows of configMap.
    const auto field = [medium](int offset) {
      return static_cast<eField>(ZELL_FIELD_VIDEOTRACK + 3 * medium + offset);
    };
    Set(file, Key(slot, field(0)), std::to_string(tracks[medium]));
    Set(file, Key(slot, field(1)),
        "239." + std::to_string(slot) + "." + std::to_string(medium) + ".1");
    Set(file, Key(slot, field(2)), std::to_string(8000 + 10 * slot + 2 * medium));
  }
  return *this;
}

Camera& Camera::StreamProfile(int slot, const std::string& token, const std::string& videoSource,
                              bool audio, bool metadata) {
  const std::string file = kStreamProfileFile;
  Set(file, Key(slot, MEDIA2_FIELD_TOKEN), token);
  Set(file, Key(slot, MEDIA2_FIELD_VIDEO_ENABLE), videoSource.empty() ? "0" : "1");
  if (!videoSource.empty()) {
    Set(file, Key(slot, MEDIA2_FIELD_VIDEO_SOURCE), videoSource);
  }
  Set(file, Key(slot, MEDIA2_FIELD_AUDIO_ENABLE), audio ? "1" : "0");
  Set(file, Key(slot, MEDIA2_FIELD_AUDIO_SOURCE), "c0s0");
  Set(file, Key(slot, MEDIA2_FIELD_METADATA_ENABLE), metadata ? "1" : "0");
  return Set(file, Key(slot, MEDIA2_FIELD_METADATA_SOURCE), "c0s0");
}

Camera& Camera::Multicast(Medium medium, int channel, int stream, int port,
                          const std::string& address, int ttl) {
  char buffer[kKeyPathSize];
  const char* file = medium == Medium::kVideo   ? videoinFile(channel, buffer)
                     : medium == Medium::kAudio ? audioinFile(channel, buffer)
                                                : metadataFile(channel, buffer);
  const std::string fileName = file;
  char prefix[kKeyPathSize];
  KeyPathBuilder key(prefix);
  buildMulticastKeyPrefix(key,
                          medium == Medium::kVideo   ? "videoin"
                          : medium == Medium::kAudio ? "audioin"
                                                     : "metadata",
                          channel, stream);
  const std::string base = key.c_str();
  Set(fileName, base + mediaTwoFieldName(MEDIA2_FIELD_MULTICAST_PORT), std::to_string(port));
  Set(fileName, base + mediaTwoFieldName(MEDIA2_FIELD_MULTICAST_ADDRESS), address);
  return Set(fileName, base + mediaTwoFieldName(MEDIA2_FIELD_MULTICAST_TTL), std::to_string(ttl));
}

Camera& Camera::Parameter(const std::string& name, const std::string& text) {
  // "group_name" is /root/group/name in config_group.xml for the reference
  // kit; the in-memory host takes it by name.
  const size_t underscore = name.find('_');
  const std::string group = name.substr(0, underscore);
  Put(params_, "", name, text);
  return Set(kConfigDirectory + ("config_" + group + ".xml"),
             "/root/" + group + "/" + name.substr(underscore + 1), text);
}

Camera& Camera::Set(const std::string& file, const std::string& key, const std::string& text) {
  Put(values_, file, key, text);
  return *this;
}

Camera& Camera::Erase(const std::string& file, const std::string& key) {
  values_.erase(std::remove_if(values_.begin(), values_.end(),
                               [&](const Value& v) { return v.file == file && v.key == key; }),
                values_.end());
  return *this;
}

std::vector<std::string> Camera::Files() const {
  std::vector<std::string> files;
  for (const Value& value : values_) {
    if (std::find(files.begin(), files.end(), value.file) == files.end()) {
      files.push_back(value.file);
    }
  }
  return files;
}

std::string Camera::Xml(const std::string& file) const {
  Node document;
  for (const Value& value : values_) {
    if (value.file != file) continue;
    Node* node = &document;
    for (size_t start = 1; start <= value.key.size();) {
      size_t end = value.key.find('/', start);
      if (end == std::string::npos) end = value.key.size();
      node = &node->Child(value.key.substr(start, end - start));
      start = end + 1;
    }
    node->text = value.text;
  }
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  for (const Node& top : document.children) Print(top, 0, out);
  return out;
}

bool Camera::Write(const std::string& root) const {
  bool ok = true;
  for (const std::string& file : Files()) {
    const std::string path = root + "/" + file.substr(sizeof kConfigDirectory - 1);
    for (size_t slash = path.find('/', root.size() + 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      mkdir(path.substr(0, slash).c_str(), 0755);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ok = static_cast<bool>(out << Xml(file)) && ok;
  }
  return ok;
}

Camera TwoStateCamera(bool b) {
  const auto pick = [b](int a, int other) { return b ? other : a; };
  const auto address = [b](const std::string& tail) { return (b ? "239.101." : "239.1.") + tail; };
  Camera camera;
  // Media1: Profile_1 carries all three media, Profile_2 video and metadata;
  // slots i2 and i3 are empty.
  camera
      .MediaOneProfile(0, "Profile_1", "VideoEncoder1_1", "AudioEncoder_1", kMediaOneMetadataToken)
      .MediaOneProfile(1, "Profile_2", "VideoEncoderToken1_2", nullptr, kMediaOneMetadataToken)
      .MediaOneEncoder(Medium::kVideo, 0, "VideoEncoder1_1", "IPv4", address("0.1"),
                       pick(5000, 15000), pick(5, 55))
      .MediaOneEncoder(Medium::kVideo, 1, "VideoEncoderToken1_2", "IPv6",
                       b ? "ff15::101:2" : "ff15::1:2", pick(5002, 15002), pick(5, 55))
      .MediaOneEncoder(Medium::kAudio, 0, "AudioEncoder_1", "IPv4", address("0.9"),
                       pick(6000, 16000), pick(3, 33))
      .MediaOneMetadata("ipv4", address("0.20"), pick(7000, 17000), pick(9, 99));
  // Stream server: live1.sdp carries everything, live2/main_stream.sdp video
  // only; s2 and s3 are missing.
  camera.AccessName(0, "live1.sdp", pick(0, 1), 0, 0, pick(15, 25))
      .AccessName(1, "live2/main_stream.sdp", pick(4, 3), -1, -1, pick(16, 26));
  // Media2: StreamProfile_1 carries all three media (video c0s0), the second
  // video c1s1 only. Some texts are longer than a short-string buffer, so
  // that a reload allocates.
  camera.StreamProfile(0, "StreamProfile_1", "c0s0", true, true)
      .StreamProfile(1, "StreamProfile_Second", "c1s1", false, false)
      .Multicast(Medium::kVideo, 0, 0, pick(9000, 19000), address("4.1"), pick(4, 44))
      .Multicast(Medium::kVideo, 1, 1, pick(9011, 19011), address("5.1"), pick(4, 44))
      .Multicast(Medium::kAudio, 0, 0, pick(9100, 19100), address("6.1"), pick(4, 44))
      .Multicast(Medium::kMetadata, 0, 0, pick(9200, 19200), address("7.1"), pick(4, 44));
  // Read once per process: the same in both.
  return camera.Parameter("capability_nvideoin", "2")
      .Parameter("capability_nmediastream", "3")
      .Parameter("capability_naudioin", "1");
}

}  // namespace testing_kit
