// Writes the configurations of reliability_config.h as the XML files a real
// host reads, for the tests that run over the reference host kit.
#ifndef STRELL_TESTS_RELIABILITY_CONFIG_XML_H_
#define STRELL_TESTS_RELIABILITY_CONFIG_XML_H_

#include <string>

namespace reliability {

// The text of file `file` (index into kFiles) under configuration A or B:
// every key path of the table becomes nested elements, values escaped.
std::string ConfigXml(int file, bool b);

// The file's path below the configuration root ("config_onvif/...").
std::string RelativePath(int file);

// config_capability.xml with the device parameters of the table.
std::string CapabilityXml();

// Writes `text` to `path` in one go; false on failure.
bool WriteWholeFile(const std::string& path, const std::string& text);

}  // namespace reliability

#endif  // STRELL_TESTS_RELIABILITY_CONFIG_XML_H_
