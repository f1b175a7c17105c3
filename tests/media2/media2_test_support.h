// Shared pieces of the Media2 tests: the configuration places, a handler that
// stands in for the rest of the chain, and a log filter.
#ifndef STRELL_TESTS_MEDIA2_MEDIA2_TEST_SUPPORT_H_
#define STRELL_TESTS_MEDIA2_MEDIA2_TEST_SUPPORT_H_

#include <string>
#include <vector>

#include "fake_host/fake_host.h"
#include "handler/url_handler.h"
#include "unit/test_support.h"

namespace media2_test {

constexpr const char* kProfileFile = "/etc/conf.d/config_streamprofile.xml";
constexpr const char* kAudioFile = "/etc/conf.d/config_audioin.xml";

inline std::string VideoFile(int channel) {
  return "/etc/conf.d/config_videoin_c" + std::to_string(channel) + ".xml";
}
inline std::string MetadataFile(int channel) {
  return "/etc/conf.d/config_metadata_c" + std::to_string(channel) + ".xml";
}

inline std::string SlotKey(int slot, const std::string& name) {
  return "/root/streamprofile/i" + std::to_string(slot) + "/" + name;
}
inline void SetSlot(int slot, const std::string& name, const std::string& text) {
  fake_host::Set(kProfileFile, SlotKey(slot, name), text);
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

// The reads the Media2 handler made, leaving out the other handlers' files.
inline std::vector<fake_host::XmlRead> Media2Reads() {
  std::vector<fake_host::XmlRead> reads;
  for (const fake_host::XmlRead& read : fake_host::XmlReads()) {
    const std::string& f = read.file;
    if (f == kProfileFile || f == kAudioFile || f.rfind("/etc/conf.d/config_videoin_c", 0) == 0 ||
        f.rfind("/etc/conf.d/config_metadata_c", 0) == 0) {
      reads.push_back(read);
    }
  }
  return reads;
}

// Stands in for the handlers after Media2: records what reaches it and
// answers 4, a code no Media2 path produces, so passing on is visible.
class RecordingHandler : public IUrlHandler {
 public:
  RecordingHandler() : IUrlHandler(999) {}
  EStrellErrno HandleUrl(const char* url, TProfileInfo*) override {
    urls.push_back(url);
    return STRELL_ERR_CONFIG_READ;
  }
  EStrellErrno Parse() override {
    ++parses;
    return STRELL_ERR_CONFIG_READ;
  }
  EStrellErrno GetProfileListByVideoStream(int, int, TProfileList* list) override {
    list->profileKeys[list->profileCount++] = 999;
    return STRELL_ERR_CONFIG_READ;
  }
  EStrellErrno GetProfileListByAudioStream(int, int, TProfileList* list) override {
    list->profileKeys[list->profileCount++] = 998;
    return STRELL_ERR_CONFIG_READ;
  }
  std::vector<std::string> urls;
  int parses = 0;
};

}  // namespace media2_test

#endif  // STRELL_TESTS_MEDIA2_MEDIA2_TEST_SUPPORT_H_
