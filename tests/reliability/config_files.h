// The configurations of reliability_config.h as the XML files a real host
// reads, for the tests that run over the reference host kit.
#ifndef STRELL_TESTS_RELIABILITY_CONFIG_FILES_H_
#define STRELL_TESTS_RELIABILITY_CONFIG_FILES_H_

#include <cstring>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "reliability/reliability_config.h"

namespace reliability {

// A document holding each (key path, text) as nested elements.
inline std::string XmlDocument(const std::vector<std::pair<std::string, std::string>>& values) {
  pugi::xml_document document;
  for (const auto& value : values) {
    pugi::xml_node node = document;
    std::istringstream names(value.first.substr(1));  // key paths begin with '/'
    for (std::string name; std::getline(names, name, '/');) {
      node = node.child(name.c_str()) ? node.child(name.c_str()) : node.append_child(name.c_str());
    }
    node.text().set(value.second.c_str());
  }
  std::ostringstream out;
  document.save(out);
  return out.str();
}

// The text of file `file` (index into kFiles) under configuration A or B.
inline std::string ConfigXml(int file, bool b) {
  std::vector<std::pair<std::string, std::string>> values;
  for (const ConfigValue& value : kValues) {
    if (value.file == file) values.emplace_back(value.key, ValueOf(value, b));
  }
  return XmlDocument(values);
}

// config_capability.xml: "capability_nvideoin" is "/root/capability/nvideoin".
inline std::string CapabilityXml() {
  std::vector<std::pair<std::string, std::string>> values;
  for (const Parameter& parameter : kParameters) {
    std::string key = std::string("/root/") + parameter.name;
    key[key.find('_')] = '/';
    values.emplace_back(key, parameter.value);
  }
  return XmlDocument(values);
}

// The file's path below the configuration root ("config_onvif/...").
inline std::string RelativePath(int file) {
  return kFiles[file].path + std::strlen("/etc/conf.d/");
}

inline bool WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return !out.fail();
}

}  // namespace reliability

#endif  // STRELL_TESTS_RELIABILITY_CONFIG_FILES_H_
