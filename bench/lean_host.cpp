#include "bench/lean_host.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pugixml.hpp>
#include <vector>

namespace lean_host {
namespace {

struct Entry {
  uint32_t hash = 0;
  bool used = false;
  std::string file;
  std::string key;
  std::string value;
};

struct Table {
  std::vector<Entry> slots = std::vector<Entry>(1024);  // a power of two
  size_t used = 0;
};

Table& xmlTable() {
  static Table table;
  return table;
}

Table& paramTable() {
  static Table table;
  return table;
}

// FNV-1a over the key path, then the file name: both are short, and the
// library passes them as plain C strings.
uint32_t hashOf(const char* file, const char* key) {
  uint32_t hash = 2166136261u;
  for (const char* p = key; *p != '\0'; ++p)
    hash = (hash ^ static_cast<unsigned char>(*p)) * 16777619u;
  for (const char* p = file; *p != '\0'; ++p)
    hash = (hash ^ static_cast<unsigned char>(*p)) * 16777619u;
  return hash;
}

const Entry* find(const Table& table, const char* file, const char* key) {
  const uint32_t hash = hashOf(file, key);
  const size_t mask = table.slots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Entry& entry = table.slots[i];
    if (!entry.used) return nullptr;
    if (entry.hash == hash && std::strcmp(entry.key.c_str(), key) == 0 &&
        std::strcmp(entry.file.c_str(), file) == 0) {
      return &entry;
    }
  }
}

void insert(Table& table, const std::string& file, const std::string& key,
            const std::string& text) {
  if ((table.used + 1) * 2 > table.slots.size()) {
    Table bigger;
    bigger.slots.resize(table.slots.size() * 2);
    for (const Entry& entry : table.slots) {
      if (entry.used) insert(bigger, entry.file, entry.key, entry.value);
    }
    table = std::move(bigger);
  }
  const uint32_t hash = hashOf(file.c_str(), key.c_str());
  const size_t mask = table.slots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Entry& entry = table.slots[i];
    if (!entry.used) {
      entry = Entry{hash, true, file, key, text.substr(0, 255)};
      ++table.used;
      return;
    }
    if (entry.hash == hash && entry.key == key && entry.file == file) {
      entry.value = text.substr(0, 255);
      return;
    }
  }
}

void loadElement(const std::string& file, const pugi::xml_node& element, const std::string& path) {
  const std::string key = path + "/" + element.name();
  Set(file, key, element.child_value());
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() == pugi::node_element) loadElement(file, child, key);
  }
}

// A camera of the example's shape, for a checkout without the example tree.
void loadBuiltIn() {
  const std::string onvif = "/etc/conf.d/config_onvif/";
  const std::string profiles = onvif + "config_onvif_media_profile.xml";
  const std::string video = onvif + "config_onvif_media_videoencoderconf.xml";
  const std::string audio = onvif + "config_onvif_media_audioencoderconf.xml";
  const char* videoTokens[] = {"VideoEncoder1_1", "VideoEncoder1_2", "VideoEncoder2_1",
                               "VideoEncoder2_2"};
  for (int i = 0; i < 4; ++i) {
    const std::string slot = "/mediaconf/profile/i" + std::to_string(i) + "/";
    Set(profiles, slot + "token", "Profile_" + std::to_string(i + 1));
    Set(profiles, slot + "videoencoderconfiguration/token", videoTokens[i]);
    Set(profiles, slot + "audioencoderconfiguration/token", "AudioEncoder1_1");
    Set(profiles, slot + "metadataconfiguration/token", "metadata1");
    const std::string encoder = "/mediaconf/videoencoderconfiguration/i" + std::to_string(i) + "/";
    Set(video, encoder + "entity/token", videoTokens[i]);
    Set(video, encoder + "multicast/address/type", "IPv4");
    Set(video, encoder + "multicast/address/ipv4", "239.0.1." + std::to_string(i + 1));
    Set(video, encoder + "multicast/port", std::to_string(5000 + 2 * i));
    Set(video, encoder + "multicast/ttl", "16");
  }
  const std::string audioSlot = "/mediaconf/audioencoderconfiguration/i0/";
  Set(audio, audioSlot + "entity/token", "AudioEncoder1_1");
  Set(audio, audioSlot + "multicast/address/type", "IPv4");
  Set(audio, audioSlot + "multicast/address/ipv4", "239.0.2.1");
  Set(audio, audioSlot + "multicast/port", "5100");
  Set(audio, audioSlot + "multicast/ttl", "16");
  const std::string metadata = onvif + "config_onvif_metadata.xml";
  const std::string multicast = "/root/metadataconfiguration/Multicast/";
  Set(metadata, multicast + "Address/Type", "ipv4");
  Set(metadata, multicast + "Address/IPv4Address", "239.0.3.1");
  Set(metadata, multicast + "Port", "5200");
  Set(metadata, multicast + "TTL", "16");

  const std::string streamserver = "/etc/conf.d/config_streamserver.xml";
  for (int s = 0; s < 4; ++s) {
    const std::string slot = "/root/network/rtsp/s" + std::to_string(s) + "/";
    Set(streamserver, slot + "accessname", "live" + std::to_string(s + 1) + ".sdp");
    Set(streamserver, slot + "enable", "1");
    Set(streamserver, slot + "alwaysmulticast", "0");
    Set(streamserver, slot + "multicast/ttl", "15");
    Set(streamserver, slot + "videotrack", std::to_string(s));
    Set(streamserver, slot + "multicast/videoipaddress", "239.0.4." + std::to_string(s + 1));
    Set(streamserver, slot + "multicast/videoport", std::to_string(5300 + 2 * s));
    Set(streamserver, slot + "audiotrack", "0");
    Set(streamserver, slot + "multicast/audioipaddress", "239.0.5." + std::to_string(s + 1));
    Set(streamserver, slot + "multicast/audioport", std::to_string(5400 + 2 * s));
    Set(streamserver, slot + "metadatatrack", "0");
    Set(streamserver, slot + "multicast/metadataipaddress", "239.0.6." + std::to_string(s + 1));
    Set(streamserver, slot + "multicast/metadataport", std::to_string(5500 + 2 * s));
  }

  const std::string streamprofile = "/etc/conf.d/config_streamprofile.xml";
  for (int i = 0; i < 6; ++i) {
    const std::string slot = "/root/streamprofile/i" + std::to_string(i) + "/";
    Set(streamprofile, slot + "profilename", "Stream profile " + std::to_string(i + 1));
    Set(streamprofile, slot + "token", "StreamProfile_" + std::to_string(i + 1));
    Set(streamprofile, slot + "videoconfiguration/enable", "1");
    Set(streamprofile, slot + "videoconfiguration/source",
        "c" + std::to_string(i / 3) + "s" + std::to_string(i % 3));
    Set(streamprofile, slot + "audioconfiguration/enable", "1");
    Set(streamprofile, slot + "audioconfiguration/source", "c0s0");
    Set(streamprofile, slot + "metadataconfiguration/enable", "1");
    Set(streamprofile, slot + "metadataconfiguration/source", "c0s0");
  }
  for (int c = 0; c < 2; ++c) {
    const std::string file = "/etc/conf.d/config_videoin_c" + std::to_string(c) + ".xml";
    for (int s = 0; s < 3; ++s) {
      const std::string slot =
          "/root/videoin/c" + std::to_string(c) + "/s" + std::to_string(s) + "/multicast/";
      Set(file, slot + "port", std::to_string(6000 + 10 * c + 2 * s));
      Set(file, slot + "ipaddress", "239.1." + std::to_string(c) + "." + std::to_string(s));
      Set(file, slot + "ttl", "16");
    }
  }
  Set("/etc/conf.d/config_audioin.xml", "/root/audioin/c0/s0/multicast/port", "6100");
  Set("/etc/conf.d/config_audioin.xml", "/root/audioin/c0/s0/multicast/ipaddress", "239.2.0.0");
  Set("/etc/conf.d/config_audioin.xml", "/root/audioin/c0/s0/multicast/ttl", "16");
  Set("/etc/conf.d/config_metadata_c0.xml", "/root/metadata/c0/s0/multicast/port", "6200");
  Set("/etc/conf.d/config_metadata_c0.xml", "/root/metadata/c0/s0/multicast/ipaddress",
      "239.3.0.0");
  Set("/etc/conf.d/config_metadata_c0.xml", "/root/metadata/c0/s0/multicast/ttl", "16");
}

}  // namespace

void Clear() {
  xmlTable() = Table();
  paramTable() = Table();
}

void Set(const std::string& file, const std::string& key, const std::string& text) {
  insert(xmlTable(), file, key, text);
}

void SetParam(const std::string& name, const std::string& text) {
  insert(paramTable(), "", name, text);
}

int LoadTree(const std::string& root) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(root, error)) return 0;
  int files = 0;
  for (const fs::directory_entry& item : fs::recursive_directory_iterator(root, error)) {
    if (!item.is_regular_file() || item.path().extension() != ".xml") continue;
    pugi::xml_document document;
    if (!document.load_file(item.path().c_str())) continue;
    const std::string file =
        "/etc/conf.d/" + fs::relative(item.path(), root, error).generic_string();
    const pugi::xml_node top = document.document_element();
    if (top) loadElement(file, top, "");
    ++files;
  }
  return files;
}

std::string LoadBenchConfiguration() {
  Clear();
  SetParam("capability_nvideoin", "2");
  SetParam("capability_nmediastream", "3");
  SetParam("capability_naudioin", "1");
  const char* chosen = std::getenv("STRELL_BENCH_CONF");
#ifdef STRELL_EXAMPLE_CONF_DIR
  if (chosen == nullptr) chosen = STRELL_EXAMPLE_CONF_DIR;
#endif
  if (chosen != nullptr && LoadTree(chosen) > 0) return chosen;
  loadBuiltIn();
  return "built-in camera";
}

}  // namespace lean_host

extern "C" {

int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  if (filePath == nullptr || keyPath == nullptr || value == nullptr) return -1;
  const lean_host::Entry* entry = lean_host::find(lean_host::xmlTable(), filePath, keyPath);
  if (entry == nullptr) return -1;
  std::memcpy(value, entry->value.c_str(), entry->value.size() + 1);
  return 0;
}

int Configer_GetParamValueByXPath(const char* name, char* value, int size) {
  if (name == nullptr || value == nullptr || size <= 0) return -1;
  const lean_host::Entry* entry = lean_host::find(lean_host::paramTable(), "", name);
  if (entry == nullptr) return -1;
  const size_t length = std::min(entry->value.size(), static_cast<size_t>(size - 1));
  std::memcpy(value, entry->value.c_str(), length);
  value[length] = '\0';
  return 0;
}

}  // extern "C"
