#include "strell/config_check.h"

#include <arpa/inet.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <set>
#include <utility>

#include "base/text.h"
#include "strell/cli_common.h"

namespace strell_cli {

namespace {

// The library hands the host 256-byte buffers: 255 characters and a NUL.
constexpr size_t kMaxValueLength = 255;
// ONVIF reference tokens are at most 64 characters; clients may refuse more.
constexpr size_t kMaxTokenLength = 64;

const char kMediaOneMarker[] = "media/stream.sdp?profile=";
const char kMediaTwoMarker[] = "media2/stream.sdp?profile=";

const char kProfileFile[] = "config_onvif/config_onvif_media_profile.xml";
const char kVideoEncoderFile[] = "config_onvif/config_onvif_media_videoencoderconf.xml";
const char kAudioEncoderFile[] = "config_onvif/config_onvif_media_audioencoderconf.xml";
const char kMetadataFile[] = "config_onvif/config_onvif_metadata.xml";
const char kStreamserverFile[] = "config_streamserver.xml";
const char kStreamprofileFile[] = "config_streamprofile.xml";
const char kCapabilityFile[] = "config_capability.xml";

// How many slots each handler reads.
constexpr int kMediaOneProfileSlots = 4;
constexpr int kVideoEncoderSlots = 4;
constexpr int kAudioEncoderSlots = 1;
constexpr int kStreamserverSlots = 4;
constexpr int kStreamprofileSlots = 10;

// The metadata configuration's address type is compared with the lower-case
// pair; the ONVIF spelling of the encoder files is accepted as well.
bool MetadataTypeIsIpv4(const std::string& type) { return type == "ipv4" || type == "IPv4"; }
bool MetadataTypeIsIpv6(const std::string& type) { return type == "ipv6" || type == "IPv6"; }

bool IsBlank(char c) { return isBlank(c); }

std::string Slot(char letter, int index) { return letter + std::to_string(index); }

// One XML file of the configuration, loaded once, with what is needed to turn
// a node into a line and column.
class ConfigFile {
 public:
  enum class State { kMissing, kMalformed, kLoaded };

  ConfigFile(const std::string& root, std::string relative) : relative_(std::move(relative)) {
    const std::string path = root + "/" + relative_;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return;
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    parse_ = doc_.load_buffer(text_.data(), text_.size());
    state_ = parse_ ? State::kLoaded : State::kMalformed;
  }

  State state() const { return state_; }
  bool loaded() const { return state_ == State::kLoaded; }
  const std::string& relative() const { return relative_; }
  const pugi::xml_document& doc() const { return doc_; }
  const pugi::xml_parse_result& parseResult() const { return parse_; }

  // Line and column (1-based) of a byte offset into the file.
  void Position(ptrdiff_t offset, int& line, int& column) const {
    line = 0;
    column = 0;
    if (offset < 0 || static_cast<size_t>(offset) > text_.size()) return;
    line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < static_cast<size_t>(offset); ++i) {
      if (text_[i] == '\n') {
        ++line;
        lineStart = i + 1;
      }
    }
    column = static_cast<int>(static_cast<size_t>(offset) - lineStart) + 1;
  }

  // Position of an element's opening '<'.
  void Position(pugi::xml_node node, int& line, int& column) const {
    line = 0;
    column = 0;
    if (!node || node.type() != pugi::node_element) return;
    ptrdiff_t offset = node.offset_debug();
    if (offset > 0 && static_cast<size_t>(offset) <= text_.size() && text_[offset - 1] == '<') {
      --offset;
    }
    Position(offset, line, column);
  }

 private:
  std::string relative_;
  std::string text_;
  pugi::xml_document doc_;
  pugi::xml_parse_result parse_;
  State state_ = State::kMissing;
};

// What the host would deliver for one key path.
struct Value {
  bool present = false;  // the element exists, so the read succeeds
  std::string text;
  pugi::xml_node node;  // the element, or the deepest ancestor that exists
  std::string keyPath;
};

// One medium whose multicast settings the library delivers.
struct Multicast {
  std::string label;  // for messages: "video of access name \"live1.sdp\""
  std::string part;   // the medium within its profile: "video", "audio c0s0"
  const ConfigFile* file = nullptr;
  std::string slot;
  Value address;
  Value port;
  Value ttl;
  int portNumber = 0;
  int ttlNumber = 0;
  bool ttlKnown = false;
};

// Result of reading an integer with atoi conventions.
struct Number {
  bool digits = false;    // at least one digit where atoi looks for it
  long long value = 0;    // saturated to the range of int
  bool trailing = false;  // non-blank text after the number
};

// The library's own decimal scan, so a finding says exactly what it reads.
Number ParseNumber(const std::string& text) {
  Number number;
  int value = 0;
  const char* end = scanDecimal(text.c_str(), value);
  number.digits = end != nullptr;
  number.value = value;
  if (end != nullptr) {
    while (isBlank(*end)) ++end;
    number.trailing = *end != '\0';
  }
  return number;
}

class Checker {
 public:
  explicit Checker(std::string root) : root_(std::move(root)) {}

  std::vector<Problem> Run() {
    CheckMediaOne();
    CheckStreamserver();
    CheckMediaTwo();
    std::stable_sort(problems_.begin(), problems_.end(), [](const Problem& a, const Problem& b) {
      if (a.file != b.file) return a.file < b.file;
      if (a.line != b.line) return a.line < b.line;
      return a.column < b.column;
    });
    return problems_;
  }

 private:
  // ---- files, values, reports ----

  ConfigFile& File(const std::string& relative) {
    auto found = files_.find(relative);
    if (found == files_.end()) {
      found = files_.emplace(relative, std::make_unique<ConfigFile>(root_, relative)).first;
    }
    return *found->second;
  }

  void Report(Severity severity, const char* check, const ConfigFile& file, pugi::xml_node at,
              const std::string& slot, const std::string& keyPath, const std::string& message) {
    Problem problem;
    problem.severity = severity;
    problem.check = check;
    problem.file = file.relative();
    file.Position(at, problem.line, problem.column);
    problem.slot = slot;
    problem.keyPath = keyPath;
    problem.message = message;
    problems_.push_back(std::move(problem));
  }

  void Report(Severity severity, const char* check, const ConfigFile& file, const Value& value,
              const std::string& slot, const std::string& message) {
    Report(severity, check, file, value.node, slot, value.keyPath, message);
  }

  // Reports a missing or malformed fixed file and a root element the key
  // paths cannot pass; returns true when the file can be read.
  bool Require(ConfigFile& file, const char* rootElement, const std::string& consequence) {
    if (file.state() == ConfigFile::State::kMissing) {
      Report(Severity::kError, "missing-file", file, pugi::xml_node(), "", "",
             "the file is missing: " + consequence);
      return false;
    }
    return Usable(file, rootElement, consequence);
  }

  bool Usable(ConfigFile& file, const char* rootElement, const std::string& consequence) {
    if (file.state() == ConfigFile::State::kMalformed) {
      Problem problem;
      problem.severity = Severity::kError;
      problem.check = "malformed-file";
      problem.file = file.relative();
      file.Position(file.parseResult().offset, problem.line, problem.column);
      problem.message = std::string("the file is not well-formed XML (") +
                        file.parseResult().description() + "): every read of it fails, so " +
                        consequence;
      problems_.push_back(std::move(problem));
      return false;
    }
    if (file.state() != ConfigFile::State::kLoaded) return false;
    pugi::xml_node top = file.doc().document_element();
    if (std::string(top.name()) != rootElement) {
      Report(Severity::kError, "wrong-root-element", file, top, "", std::string("/") + rootElement,
             "the root element is <" + std::string(top.name()) +
                 ">, but every key path starts at <" + rootElement +
                 ">: nothing in the file is read, so " + consequence);
      return false;
    }
    return true;
  }

  // Follows a key path as the host does (the first element of each name) and
  // warns about later elements of the same name, which are never read.
  Value Read(const ConfigFile& file, const std::string& keyPath, const std::string& slot) {
    Value value;
    value.keyPath = keyPath;
    if (!file.loaded()) return value;
    pugi::xml_node node = file.doc();
    std::string walked;
    size_t start = 0;
    while (start <= keyPath.size()) {
      size_t end = keyPath.find('/', start);
      if (end == std::string::npos) end = keyPath.size();
      const std::string name = keyPath.substr(start, end - start);
      start = end + 1;
      if (name.empty()) continue;
      walked += "/" + name;
      pugi::xml_node child = node.child(name.c_str());
      if (!child) {
        value.node = node.type() == pugi::node_element ? node : pugi::xml_node();
        return value;
      }
      pugi::xml_node twin = child.next_sibling(name.c_str());
      if (twin && duplicates_.insert(twin.internal_object()).second) {
        Report(Severity::kWarning, "duplicate-element", file, twin, slot, walked,
               "a second <" + name + "> in the same place: the library reads only the first");
      }
      node = child;
    }
    value.present = true;
    value.node = node;
    value.text = node.text().get();
    return value;
  }

  // Blanks and length of a text the library uses as it is.
  void CheckText(const ConfigFile& file, const Value& value, const std::string& slot,
                 const std::string& what) {
    if (!value.present) return;
    const std::string& text = value.text;
    if (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back()))) {
      Report(Severity::kWarning, "blank-padding", file, value, slot,
             "the " + what + " " + Quoted(text) +
                 " has leading or trailing blanks: the library uses it as it is");
    }
    if (text.size() > kMaxValueLength) {
      Report(Severity::kError, "value-too-long", file, value, slot,
             "the " + what + " has " + std::to_string(text.size()) +
                 " characters, more than the 255 the library's buffers hold: the reference host "
                 "refuses the read, so the field keeps its start value");
    }
  }

  void CheckTokenLength(const ConfigFile& file, const Value& value, const std::string& slot,
                        const std::string& what) {
    if (value.text.size() > kMaxTokenLength && value.text.size() <= kMaxValueLength) {
      Report(Severity::kWarning, "long-token", file, value, slot,
             "the " + what + " has " + std::to_string(value.text.size()) +
                 " characters: ONVIF tokens have at most 64, and clients may refuse longer ones");
    }
  }

  // An integer value read with atoi conventions. Returns the number the
  // library sees; `fallback` when the element is missing.
  int CheckInteger(const ConfigFile& file, const Value& value, const std::string& slot,
                   const std::string& what, int fallback, const std::string& zeroMeaning = "") {
    if (!value.present) return fallback;
    if (value.text.size() > kMaxValueLength) {
      Report(Severity::kError, "value-too-long", file, value, slot,
             "the " + what + " has " + std::to_string(value.text.size()) +
                 " characters, more than the 255 the library's buffers hold: the reference host "
                 "refuses the read, so the field keeps its start value");
    }
    const Number number = ParseNumber(value.text);
    if (!number.digits) {
      Report(Severity::kWarning, "not-a-number", file, value, slot,
             "the " + what + " " + Quoted(value.text) + " is not a number: it reads as 0" +
                 zeroMeaning);
    } else if (number.trailing) {
      Report(Severity::kWarning, "not-a-number", file, value, slot,
             "the " + what + " " + Quoted(value.text) + " has text after its number: it reads as " +
                 std::to_string(number.value));
    }
    return static_cast<int>(number.value);
  }

  // Warns about slot elements beyond the ones the handler reads.
  void CheckUnreadSlots(const ConfigFile& file, const std::string& containerPath, char letter,
                        int count, const std::string& why) {
    const Value container = Read(file, containerPath, "");
    if (!container.present) return;
    for (pugi::xml_node child : container.node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string name = child.name();
      if (name.size() < 2 || name[0] != letter ||
          name.find_first_not_of("0123456789", 1) != std::string::npos) {
        continue;
      }
      if (std::stoll(name.substr(1, 9)) >= count || name.size() > 10) {
        Report(Severity::kWarning, "unread-slot", file, child, name, containerPath + "/" + name,
               "slot " + name + " is never read: " + why);
      }
    }
  }

  // ---- multicast ----

  void CheckMulticast(const Multicast& medium) {
    const std::string& address = medium.address.text;
    if (!medium.address.present || address.empty()) return;  // no multicast for this medium
    const std::string location = medium.file->relative() + medium.address.keyPath;
    if (!checkedLocations_.insert(location).second) return;
    const ConfigFile& file = *medium.file;

    unsigned char binary[16] = {};
    std::string group;
    bool multicast = false;
    if (inet_pton(AF_INET, address.c_str(), binary) == 1) {
      multicast = (binary[0] & 0xf0) == 0xe0;
      group.assign(reinterpret_cast<const char*>(binary), 4);
    } else if (inet_pton(AF_INET6, address.c_str(), binary) == 1) {
      multicast = binary[0] == 0xff;
      group.assign(reinterpret_cast<const char*>(binary), 16);
    } else {
      Report(Severity::kError, "bad-address", file, medium.address, medium.slot,
             "the " + medium.label + " has the multicast address " + Quoted(address) +
                 ", which is neither an IPv4 nor an IPv6 address");
      return;
    }
    if (!multicast) {
      Report(Severity::kWarning, "not-multicast", file, medium.address, medium.slot,
             "the " + medium.label + " has the address " + address +
                 ", which is not a multicast address (224.0.0.0/4, ff00::/8)");
    }
    const Value& portAt = medium.port.present ? medium.port : medium.address;
    if (medium.portNumber < 0 || medium.portNumber > 65535) {
      Report(Severity::kError, "port-range", file, portAt, medium.slot,
             "the " + medium.label + " has the port " + std::to_string(medium.portNumber) +
                 ", outside 1 to 65535");
    } else if (medium.portNumber == 0) {
      Report(Severity::kWarning, "zero-port", file, portAt, medium.slot,
             "the " + medium.label + " has a multicast address but port 0");
    } else if (medium.portNumber % 2 != 0) {
      Report(Severity::kWarning, "odd-port", file, portAt, medium.slot,
             "the " + medium.label + " has the odd port " + std::to_string(medium.portNumber) +
                 ": RTP takes even ports and leaves the next odd one to RTCP");
    }
    // Media that share one TTL value (an access-name slot's) get one report.
    if (medium.ttlKnown &&
        checkedLocations_.insert(medium.file->relative() + medium.ttl.keyPath).second) {
      const Value& ttlAt = medium.ttl.present ? medium.ttl : medium.address;
      if (medium.ttlNumber == 0) {
        Report(Severity::kWarning, "zero-ttl", file, ttlAt, medium.slot,
               "the " + medium.label + " has TTL 0: its multicast packets never leave the camera");
      } else if (medium.ttlNumber < 0 || medium.ttlNumber > 255) {
        Report(Severity::kError, "ttl-range", file, ttlAt, medium.slot,
               "the " + medium.label + " has TTL " + std::to_string(medium.ttlNumber) +
                   ", outside 1 to 255");
      }
    }
    if (medium.portNumber > 0 && medium.portNumber <= 65535) {
      const auto key = std::make_pair(group, medium.portNumber);
      const auto found = groups_.find(key);
      if (found == groups_.end()) {
        groups_.emplace(key, medium.label + " (" + medium.file->relative() + ")");
      } else {
        Report(Severity::kWarning, "shared-group", file, medium.address, medium.slot,
               "the " + medium.label + " uses group " + address + " port " +
                   std::to_string(medium.portNumber) + ", as does the " + found->second);
      }
    }
  }

  // A profile whose media are partly multicast: some carry an address and
  // some do not.
  void CheckPartialMulticast(const ConfigFile& file, pugi::xml_node at, const std::string& slot,
                             const std::string& keyPath, const std::string& profile,
                             const std::vector<Multicast>& media) {
    std::string with;
    std::string without;
    for (const Multicast& medium : media) {
      std::string& side = medium.address.present && !medium.address.text.empty() ? with : without;
      side += (side.empty() ? "the " : " and the ") + medium.part;
    }
    if (!with.empty() && !without.empty()) {
      Report(Severity::kWarning, "partial-multicast", file, at, slot, keyPath,
             profile + " is only partly multicast: a multicast address for " + with +
                 ", none for " + without);
    }
  }

  // ---- Media1 ----

  struct EncoderConfig {
    std::string slot;
    Value token;
    Multicast multicast;
  };

  // The encoder configurations of one file, as the Media1 handler loads them.
  std::vector<EncoderConfig> LoadEncoders(const ConfigFile& file, const std::string& section,
                                          int slots, const std::string& medium) {
    std::vector<EncoderConfig> configs;
    std::map<std::string, std::string> tokens;
    for (int i = 0; i < slots; ++i) {
      EncoderConfig config;
      config.slot = Slot('i', i);
      const std::string base = "/mediaconf/" + section + "/" + config.slot;
      config.token = Read(file, base + "/entity/token", config.slot);
      if (!Read(file, base, config.slot).present) {
        configs.push_back(config);
        continue;
      }
      const std::string what = medium + " encoder token";
      CheckText(file, config.token, config.slot, what);
      CheckTokenLength(file, config.token, config.slot, what);
      if (!config.token.present || config.token.text.empty()) {
        Report(Severity::kWarning, "missing-token", file, config.token, config.slot,
               "the " + medium + " encoder configuration has no token: no profile can name it");
      } else if (!tokens.emplace(config.token.text, config.slot).second) {
        Report(Severity::kWarning, "duplicate-token", file, config.token, config.slot,
               "the " + what + " " + Quoted(config.token.text) + " is also that of slot " +
                   tokens[config.token.text] + ", which the library finds first");
      }
      const Value type = Read(file, base + "/multicast/address/type", config.slot);
      CheckText(file, type, config.slot, "address type");
      Multicast& multicast = config.multicast;
      multicast.label = medium + " encoder configuration " + Quoted(config.token.text);
      multicast.part = multicast.label;
      multicast.file = &file;
      multicast.slot = config.slot;
      if (type.text == "IPv4") {
        multicast.address = Read(file, base + "/multicast/address/ipv4", config.slot);
      } else if (type.text == "IPv6") {
        multicast.address = Read(file, base + "/multicast/address/ipv6", config.slot);
      } else {
        const Value ipv4 = Read(file, base + "/multicast/address/ipv4", config.slot);
        const Value ipv6 = Read(file, base + "/multicast/address/ipv6", config.slot);
        if (type.present && !type.text.empty()) {
          Report(Severity::kWarning, "unknown-address-type", file, type, config.slot,
                 "the address type " + Quoted(type.text) +
                     " is neither \"IPv4\" nor \"IPv6\" (letter case included): the multicast "
                     "address is not read");
        } else if (!ipv4.text.empty() || !ipv6.text.empty()) {
          Report(Severity::kWarning, "unknown-address-type", file, type, config.slot,
                 "there is a multicast address but no address type: the address is not read");
        }
      }
      CheckText(file, multicast.address, config.slot, "multicast address");
      multicast.ttl = Read(file, base + "/multicast/ttl", config.slot);
      multicast.ttlNumber = CheckInteger(file, multicast.ttl, config.slot, "TTL", 0);
      multicast.ttlKnown = true;
      multicast.port = Read(file, base + "/multicast/port", config.slot);
      multicast.portNumber = CheckInteger(file, multicast.port, config.slot, "port", 0);
      // Every loaded configuration is checked, named by a profile or not:
      // the next profile edit may name it.
      CheckMulticast(multicast);
      configs.push_back(config);
    }
    return configs;
  }

  // The channel and stream a Media1 video token gives: the digit right before
  // the first underscore and the number after it, both counted from 1.
  void CheckTokenRule(const ConfigFile& file, const Value& token, const std::string& slot) {
    const std::string& text = token.text;
    const size_t underscore = text.find('_');
    std::string problem;
    Severity severity = Severity::kError;
    if (underscore == std::string::npos) {
      problem = "has no underscore: its video channel and stream read as -1 and -1";
    } else {
      const bool digitBefore =
          underscore > 0 && std::isdigit(static_cast<unsigned char>(text[underscore - 1]));
      const Number stream = ParseNumber(text.substr(underscore + 1));
      const bool streamStartsWithDigit =
          underscore + 1 < text.size() &&
          std::isdigit(static_cast<unsigned char>(text[underscore + 1]));
      if (!digitBefore || text[underscore - 1] == '0') {
        problem =
            "has no channel digit from 1 to 9 right before its first underscore: its video "
            "channel reads as -1";
      } else if (!streamStartsWithDigit || stream.value <= 0) {
        problem =
            "has no stream number from 1 after its first underscore: its video stream "
            "reads as -1 or less";
      } else if (underscore > 1 && std::isdigit(static_cast<unsigned char>(text[underscore - 2]))) {
        severity = Severity::kWarning;
        problem =
            "has more than one digit before its first underscore: only the last one counts, "
            "so its video channel reads as " +
            std::to_string(text[underscore - 1] - '0' - 1);
      }
    }
    if (!problem.empty()) {
      Report(severity, "token-numbering", file, token, slot,
             "the video encoder token " + Quoted(text) + " " + problem);
    }
  }

  // Reads a profile slot's token and reports what the tokens of both ONVIF
  // handlers share: blanks, length, absence, and a duplicate that a lower slot
  // shadows (`tokens` maps each token seen to its slot).
  Value CheckSlotToken(ConfigFile& file, const std::string& base, const std::string& slot,
                       const std::string& what, const std::string& whenMissing,
                       std::map<std::string, std::string>& tokens) {
    const Value token = Read(file, base + "/token", slot);
    CheckText(file, token, slot, what);
    CheckTokenLength(file, token, slot, what);
    if (!token.present || token.text.empty()) {
      Report(Severity::kWarning, "missing-token", file, token, slot, whenMissing);
    } else if (!tokens.emplace(token.text, slot).second) {
      Report(Severity::kError, "duplicate-token", file, token, slot,
             "the " + what + " " + Quoted(token.text) + " is also that of slot " +
                 tokens[token.text] +
                 ", which the library finds first: this profile is never resolved");
    }
    return token;
  }

  void CheckMediaOne() {
    ConfigFile& profiles = File(kProfileFile);
    ConfigFile& videoFile = File(kVideoEncoderFile);
    ConfigFile& audioFile = File(kAudioEncoderFile);
    ConfigFile& metadataFile = File(kMetadataFile);
    const bool haveProfiles = Require(profiles, "mediaconf",
                                      "the Media1 handler loads no profile and every Media1 URL "
                                      "gives 8 (profile not found)");
    Require(videoFile, "mediaconf", "no Media1 profile resolves with video");
    Require(audioFile, "mediaconf", "no Media1 profile resolves with audio");
    Require(metadataFile, "root", "no Media1 profile resolves with metadata");

    const std::vector<EncoderConfig> video =
        LoadEncoders(videoFile, "videoencoderconfiguration", kVideoEncoderSlots, "video");
    CheckUnreadSlots(videoFile, "/mediaconf/videoencoderconfiguration", 'i', kVideoEncoderSlots,
                     "the Media1 handler reads video encoder slots i0 to i3");
    const std::vector<EncoderConfig> audio =
        LoadEncoders(audioFile, "audioencoderconfiguration", kAudioEncoderSlots, "audio");
    CheckUnreadSlots(audioFile, "/mediaconf/audioencoderconfiguration", 'i', kAudioEncoderSlots,
                     "the Media1 handler reads audio encoder slot i0 only");
    const Multicast metadata = LoadMetadata(metadataFile);
    if (!haveProfiles) return;

    std::map<std::string, std::string> tokens;
    for (int i = 0; i < kMediaOneProfileSlots; ++i) {
      const std::string slot = Slot('i', i);
      const std::string base = "/mediaconf/profile/" + slot;
      const Value slotValue = Read(profiles, base, slot);
      if (!slotValue.present) continue;
      const Value token = CheckSlotToken(profiles, base, slot, "profile token",
                                         "the profile slot has no token: the Media1 handler "
                                         "skips it",
                                         tokens);
      if (!token.present || token.text.empty()) continue;
      const std::string name = "the Media1 profile " + Quoted(token.text);
      std::vector<Multicast> media;

      const Value videoToken = Read(profiles, base + "/videoencoderconfiguration/token", slot);
      CheckText(profiles, videoToken, slot, "video encoder token");
      if (!videoToken.text.empty()) {
        CheckTokenRule(profiles, videoToken, slot);
        if (const EncoderConfig* config =
                FindConfig(profiles, videoToken, slot, video, videoFile,
                           "/mediaconf/videoencoderconfiguration", "video")) {
          media.push_back(config->multicast);
        }
      }
      const Value audioToken = Read(profiles, base + "/audioencoderconfiguration/token", slot);
      CheckText(profiles, audioToken, slot, "audio encoder token");
      if (!audioToken.text.empty()) {
        if (const EncoderConfig* config =
                FindConfig(profiles, audioToken, slot, audio, audioFile,
                           "/mediaconf/audioencoderconfiguration", "audio")) {
          media.push_back(config->multicast);
        }
      }
      const Value metadataToken = Read(profiles, base + "/metadataconfiguration/token", slot);
      CheckText(profiles, metadataToken, slot, "metadata token");
      if (!metadataToken.text.empty()) {
        if (metadataToken.text != "metadata1") {
          Report(Severity::kError, "unknown-configuration", profiles, metadataToken, slot,
                 "the metadata token " + Quoted(metadataToken.text) +
                     " names no configuration: the one metadata configuration is always "
                     "\"metadata1\", so the profile resolves without metadata");
        } else if (metadataFile.loaded()) {
          media.push_back(metadata);
        }
      }
      CheckPartialMulticast(profiles, slotValue.node, slot, base, name, media);
    }
    CheckUnreadSlots(profiles, "/mediaconf/profile", 'i', kMediaOneProfileSlots,
                     "the Media1 handler reads profile slots i0 to i3");
  }

  // The configuration a profile's token names, or null after reporting why
  // there is none.
  const EncoderConfig* FindConfig(const ConfigFile& profiles, const Value& token,
                                  const std::string& slot,
                                  const std::vector<EncoderConfig>& configs,
                                  const ConfigFile& configFile, const std::string& section,
                                  const std::string& medium) {
    for (const EncoderConfig& config : configs) {
      if (config.token.present && config.token.text == token.text) return &config;
    }
    if (!configFile.loaded()) return nullptr;  // the missing file is reported already
    std::string where;
    const Value container = Read(configFile, section, "");
    for (pugi::xml_node child : container.node.children()) {
      if (child.type() == pugi::node_element &&
          child.first_element_by_path("entity/token").text().get() == token.text) {
        where = child.name();
        break;
      }
    }
    Report(Severity::kError, "unknown-configuration", profiles, token, slot,
           "the " + medium + " encoder token " + Quoted(token.text) +
               (where.empty() ? " names no configuration of " + configFile.relative()
                              : " names the configuration in slot " + where +
                                    ", which the Media1 handler never reads") +
               ": the profile resolves without " + medium);
    return nullptr;
  }

  Multicast LoadMetadata(const ConfigFile& file) {
    Multicast metadata;
    metadata.label = "metadata configuration \"metadata1\"";
    metadata.part = metadata.label;
    metadata.file = &file;
    const std::string base = "/root/metadataconfiguration/Multicast";
    const Value type = Read(file, base + "/Address/Type", "");
    CheckText(file, type, "", "address type");
    if (MetadataTypeIsIpv4(type.text)) {
      metadata.address = Read(file, base + "/Address/IPv4Address", "");
    } else if (MetadataTypeIsIpv6(type.text)) {
      metadata.address = Read(file, base + "/Address/IPv6Address", "");
    } else if (type.present && !type.text.empty()) {
      Report(Severity::kWarning, "unknown-address-type", file, type, "",
             "the metadata address type " + Quoted(type.text) +
                 " is neither \"ipv4\" nor \"ipv6\": the multicast address is not read");
    } else if (!Read(file, base + "/Address/IPv4Address", "").text.empty() ||
               !Read(file, base + "/Address/IPv6Address", "").text.empty()) {
      Report(Severity::kWarning, "unknown-address-type", file, type, "",
             "there is a metadata multicast address but no address type: it is not read");
    }
    CheckText(file, metadata.address, "", "multicast address");
    metadata.ttl = Read(file, base + "/TTL", "");
    metadata.ttlNumber = CheckInteger(file, metadata.ttl, "", "TTL", 0);
    metadata.ttlKnown = true;
    metadata.port = Read(file, base + "/Port", "");
    metadata.portNumber = CheckInteger(file, metadata.port, "", "port", 0);
    CheckMulticast(metadata);
    return metadata;
  }

  // ---- stream server ----

  void CheckStreamserver() {
    ConfigFile& file = File(kStreamserverFile);
    if (!Require(file, "root", "the stream-server handler loads four empty access names")) return;
    std::map<std::string, std::string> names;
    for (int s = 0; s < kStreamserverSlots; ++s) {
      const std::string slot = Slot('s', s);
      const std::string base = "/root/network/rtsp/" + slot;
      const Value slotValue = Read(file, base, slot);
      if (!slotValue.present) continue;
      CheckInteger(file, Read(file, base + "/alwaysmulticast", slot), slot, "alwaysmulticast", 0);
      const Value ttl = Read(file, base + "/multicast/ttl", slot);
      const int ttlNumber = CheckInteger(file, ttl, slot, "TTL", 0);
      const Value name = Read(file, base + "/accessname", slot);
      CheckInteger(file, Read(file, base + "/enable", slot), slot, "enable flag", 0);
      CheckText(file, name, slot, "access name");
      if (!name.present || name.text.empty()) {
        Report(Severity::kWarning, "missing-access-name", file, name, slot,
               "the slot has no access name: only an empty URL would resolve to it");
      } else {
        CheckAccessName(file, name, slot, names);
      }

      static const struct {
        const char* medium;
        const char* track;
      } kMedia[] = {
          {"video", "videotrack"}, {"audio", "audiotrack"}, {"metadata", "metadatatrack"}};
      std::vector<Multicast> media;
      for (const auto& entry : kMedia) {
        const Value track = Read(file, base + "/" + entry.track, slot);
        if (!track.present) continue;  // the medium is not carried
        const int trackNumber =
            CheckInteger(file, track, slot, std::string(entry.medium) + " track", -1,
                         ", so the medium is carried on track 0");
        if (trackNumber < 0) continue;
        CheckTrack(file, track, slot, entry.medium, trackNumber);
        Multicast medium;
        medium.label = std::string(entry.medium) + " of access name " + Quoted(name.text);
        medium.part = entry.medium;
        medium.file = &file;
        medium.slot = slot;
        medium.address = Read(file, base + "/multicast/" + entry.medium + "ipaddress", slot);
        CheckText(file, medium.address, slot, std::string(entry.medium) + " multicast address");
        // The library stops reading a medium at its first missing value.
        if (medium.address.present) {
          medium.port = Read(file, base + "/multicast/" + entry.medium + "port", slot);
          medium.portNumber =
              CheckInteger(file, medium.port, slot, std::string(entry.medium) + " port", 0);
        }
        medium.ttl = ttl;
        medium.ttlNumber = ttlNumber;
        medium.ttlKnown = true;
        media.push_back(medium);
      }
      for (const Multicast& medium : media) CheckMulticast(medium);
      CheckPartialMulticast(file, slotValue.node, slot, base,
                            "the access name " + Quoted(name.text), media);
    }
    CheckUnreadSlots(file, "/root/network/rtsp", 's', kStreamserverSlots,
                     "the stream-server handler reads slots s0 to s3");
  }

  // The capability counts a track is mapped with. The reference host reads
  // the parameter capability_<name> from config_capability.xml under
  // /root/capability/<name>.
  int Capability(const char* name) {
    ConfigFile& file = File(kCapabilityFile);
    const Value value = Read(file, std::string("/root/capability/") + name, "");
    return value.present ? static_cast<int>(ParseNumber(value.text).value) : 0;
  }

  void CheckTrack(const ConfigFile& file, const Value& track, const std::string& slot,
                  const std::string& medium, int trackNumber) {
    if (medium == "video") {
      const int streams = Capability("nmediastream");
      const int inputs = Capability("nvideoin");
      if (streams <= 0) {
        if (!warnedCapability_) {
          warnedCapability_ = true;
          Report(Severity::kWarning, "capability", file, track, slot,
                 std::string("the streams per video channel (capability_nmediastream, /root/"
                             "capability/nmediastream of ") +
                     kCapabilityFile +
                     ") is missing or 0: every video track maps to channel 0 "
                     "with the track as its stream");
        }
        return;
      }
      const int channel = trackNumber / streams;
      if (inputs > 0 && channel >= inputs) {
        Report(Severity::kWarning, "track-range", file, track, slot,
               "the video track " + std::to_string(trackNumber) + " maps to channel " +
                   std::to_string(channel) + ", stream " +
                   std::to_string(trackNumber - channel * streams) + ", but the camera has " +
                   std::to_string(inputs) + (inputs == 1 ? " video input" : " video inputs"));
      }
    } else if (medium == "audio") {
      const int inputs = Capability("naudioin");
      if (inputs > 0 && trackNumber >= inputs) {
        Report(Severity::kWarning, "track-range", file, track, slot,
               "the audio track " + std::to_string(trackNumber) + " maps to channel " +
                   std::to_string(trackNumber) + ", but the camera has " + std::to_string(inputs) +
                   (inputs == 1 ? " audio input" : " audio inputs"));
      }
    }
  }

  void CheckAccessName(const ConfigFile& file, const Value& name, const std::string& slot,
                       std::map<std::string, std::string>& names) {
    const std::string& text = name.text;
    if (!names.emplace(text, slot).second) {
      Report(Severity::kError, "duplicate-access-name", file, name, slot,
             "the access name " + Quoted(text) + " is also that of slot " + names[text] +
                 ", which the library finds first: this slot is never resolved");
    }
    const size_t media1 = text.find(kMediaOneMarker);
    if (media1 != std::string::npos && media1 + sizeof kMediaOneMarker - 1 < text.size()) {
      Report(Severity::kError, "shadowed-access-name", file, name, slot,
             "the access name " + Quoted(text) + " holds \"" + kMediaOneMarker +
                 "\" and a token: the Media1 handler, asked first, claims that URL, so this slot "
                 "is never resolved");
    }
    const size_t media2 = text.find(kMediaTwoMarker);
    if (media2 != std::string::npos && media2 + sizeof kMediaTwoMarker - 1 < text.size()) {
      Report(Severity::kWarning, "shadowing-access-name", file, name, slot,
             "the access name " + Quoted(text) +
                 " is a Media2 URL: the stream-server handler, asked before the Media2 handler, "
                 "answers it with this slot, so the Media2 profile " +
                 Quoted(text.substr(media2 + sizeof kMediaTwoMarker - 1)) + " is never resolved");
    }
    if (text.front() == '/') {
      Report(Severity::kWarning, "leading-slash", file, name, slot,
             "the access name " + Quoted(text) +
                 " starts with a slash: hosts pass the path without it, so no URL matches");
    } else if (text.find("://") != std::string::npos) {
      Report(Severity::kWarning, "scheme-in-access-name", file, name, slot,
             "the access name " + Quoted(text) +
                 " holds a scheme: hosts pass only the path and query, so no URL matches");
    }
  }

  // ---- Media2 ----

  // The multicast settings of one medium of a Media2 profile, read from the
  // per-channel file at resolution time.
  bool LoadMediumFile(const ConfigFile& profiles, const Value& at, const std::string& slot,
                      const std::string& fileName, const char* section, int channel, int stream,
                      const std::string& label, Multicast& medium) {
    ConfigFile& file = File(fileName);
    if (file.state() == ConfigFile::State::kMissing) {
      if (reportedFiles_.insert(fileName).second) {
        Report(Severity::kError, "missing-file", profiles, at, slot,
               "the " + label + " is read from " + fileName +
                   ", which is missing: it resolves without address, with port 0 and TTL 0");
      }
      return false;
    }
    if (reportedFiles_.insert(fileName).second &&
        !Usable(file, "root",
                "the " + label + " resolves without address, with port 0 and TTL 0")) {
      return false;
    }
    if (!file.loaded() || file.doc().document_element().name() != std::string("root")) return false;
    const std::string cs = Slot('c', channel) + "/" + Slot('s', stream);
    const std::string base = std::string("/root/") + section + "/" + cs + "/multicast";
    const Value settings = Read(file, base, cs);
    if (!settings.present) {
      Report(Severity::kWarning, "missing-key", file, settings, cs,
             "no multicast settings for the " + label +
                 ": it resolves without address, with "
                 "port 0 and TTL 0");
      return false;
    }
    medium.label = label;
    medium.part = label;
    medium.file = &file;
    medium.slot = cs;
    medium.port = Read(file, base + "/port", cs);
    medium.portNumber = CheckInteger(file, medium.port, cs, "port", 0);
    medium.address = Read(file, base + "/ipaddress", cs);
    CheckText(file, medium.address, cs, "multicast address");
    medium.ttl = Read(file, base + "/ttl", cs);
    medium.ttlNumber = CheckInteger(file, medium.ttl, cs, "TTL", 0);
    medium.ttlKnown = true;
    return true;
  }

  void CheckMediaTwo() {
    ConfigFile& file = File(kStreamprofileFile);
    if (!Require(file, "root",
                 "the Media2 handler loads ten empty stream profiles and every "
                 "Media2 URL gives 8 (profile not found)")) {
      return;
    }
    std::map<std::string, std::string> tokens;
    for (int i = 0; i < kStreamprofileSlots; ++i) {
      const std::string slot = Slot('i', i);
      const std::string base = "/root/streamprofile/" + slot;
      const Value slotValue = Read(file, base, slot);
      if (!slotValue.present) continue;
      const Value token =
          CheckSlotToken(file, base, slot, "stream profile token",
                         "the stream profile has no token: no Media2 URL names it", tokens);
      const std::string name = "the Media2 profile " + Quoted(token.text);
      std::vector<Multicast> media;

      const Value videoEnable = Read(file, base + "/videoconfiguration/enable", slot);
      if (CheckInteger(file, videoEnable, slot, "video enable flag", 0) != 0) {
        const Value source = Read(file, base + "/videoconfiguration/source", slot);
        CheckText(file, source, slot, "video source");
        int channel = 0;
        int stream = 0;
        int used = 0;
        if (std::sscanf(source.text.c_str(), "c%ds%d%n", &channel, &stream, &used) != 2) {
          Report(Severity::kError, "bad-video-source", file, source.present ? source : videoEnable,
                 slot,
                 source.present
                     ? "the video source " + Quoted(source.text) +
                           " does not read as c<channel>s<stream>: its URL gives 9 (bad video "
                           "source)"
                     : "video is enabled but there is no video source: its URL gives 9 (bad "
                       "video source)");
        } else {
          if (static_cast<size_t>(used) < source.text.size() &&
              !IsBlank(source.text[static_cast<size_t>(used)])) {
            Report(Severity::kWarning, "trailing-text", file, source, slot,
                   "the video source " + Quoted(source.text) + " has text after c" +
                       std::to_string(channel) + "s" + std::to_string(stream) +
                       ", which the library ignores");
          }
          Multicast medium;
          const std::string label =
              "video c" + std::to_string(channel) + "s" + std::to_string(stream);
          if (LoadMediumFile(file, source, slot,
                             "config_videoin_c" + std::to_string(channel) + ".xml", "videoin",
                             channel, stream, label, medium)) {
            media.push_back(medium);
          }
        }
      }
      const Value audioEnable = Read(file, base + "/audioconfiguration/enable", slot);
      if (CheckInteger(file, audioEnable, slot, "audio enable flag", 0) != 0) {
        CheckText(file, Read(file, base + "/audioconfiguration/source", slot), slot,
                  "audio source");
        Multicast medium;
        if (LoadMediumFile(file, audioEnable, slot, "config_audioin.xml", "audioin", 0, 0,
                           "audio c0s0", medium)) {
          media.push_back(medium);
        }
      }
      const Value metadataEnable = Read(file, base + "/metadataconfiguration/enable", slot);
      if (CheckInteger(file, metadataEnable, slot, "metadata enable flag", 0) != 0) {
        CheckText(file, Read(file, base + "/metadataconfiguration/source", slot), slot,
                  "metadata source");
        Multicast medium;
        if (LoadMediumFile(file, metadataEnable, slot, "config_metadata_c0.xml", "metadata", 0, 0,
                           "metadata c0s0", medium)) {
          media.push_back(medium);
        }
      }
      for (const Multicast& medium : media) CheckMulticast(medium);
      CheckPartialMulticast(file, slotValue.node, slot, base, name, media);
    }
    CheckUnreadSlots(file, "/root/streamprofile", 'i', kStreamprofileSlots,
                     "the Media2 handler reads stream profile slots i0 to i9");
  }

  std::string root_;
  std::map<std::string, std::unique_ptr<ConfigFile>> files_;
  std::vector<Problem> problems_;
  std::set<const void*> duplicates_;
  std::set<std::string> checkedLocations_;
  std::set<std::string> reportedFiles_;
  std::map<std::pair<std::string, int>, std::string> groups_;
  bool warnedCapability_ = false;
};

}  // namespace

std::vector<Problem> CheckConfiguration(const std::string& root) { return Checker(root).Run(); }

}  // namespace strell_cli
