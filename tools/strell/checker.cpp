#include "strell/checker.h"

#include <arpa/inet.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>

#include "base/text.h"
#include "strell/characters.h"

namespace strell_cli {

namespace {

// ONVIF reference tokens are at most 64 characters; clients may refuse more.
constexpr size_t kMaxTokenLength = 64;

std::vector<std::string> Components(const std::string& keyPath) {
  std::vector<std::string> components;
  size_t start = 0;
  while (start < keyPath.size()) {
    size_t end = keyPath.find('/', start);
    if (end == std::string::npos) end = keyPath.size();
    if (end > start) components.push_back(keyPath.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

// The middle of the kit's "<where>: <what>: <consequence>".
std::string WhatTheKitFound(const strell_host::Diagnostic& diagnostic) {
  const std::string& message = diagnostic.message;
  const size_t start = message.find(": ");
  const size_t end = message.find(": ", start + 2);
  return start == std::string::npos ? message : message.substr(start + 2, end - start - 2);
}

// The kit names a diagnostic's file as the library does.
bool SameFile(const strell_host::Diagnostic& diagnostic, const Document& doc) {
  return diagnostic.file == doc.libraryPath();
}

}  // namespace

Document::Document(const std::string& root, const std::string& libraryPath)
    : libraryPath_(libraryPath), relative_(Relative(libraryPath)) {
  const std::string path = root + "/" + relative_;
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return;
  std::ifstream in(path, std::ios::binary);
  text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  const pugi::xml_parse_result result = doc_.load_buffer(text_.data(), text_.size());
  loaded_ = static_cast<bool>(result);
  parseError_ = result.description();
}

void Document::Position(pugi::xml_node node, int& line, int& column) const {
  line = 0;
  column = 0;
  if (!node || node.type() != pugi::node_element) return;
  ptrdiff_t offset = node.offset_debug();
  if (offset > 0 && static_cast<size_t>(offset) <= text_.size() && text_[offset - 1] == '<') {
    --offset;
  }
  if (offset < 0 || static_cast<size_t>(offset) > text_.size()) return;
  const auto end = text_.begin() + offset;
  line = 1 + static_cast<int>(std::count(text_.begin(), end, '\n'));
  const size_t lineStart = text_.rfind('\n', offset == 0 ? 0 : static_cast<size_t>(offset) - 1);
  column = static_cast<int>(static_cast<size_t>(offset) -
                            (lineStart == std::string::npos || offset == 0 ? 0 : lineStart + 1)) +
           1;
}

Slots SlotsOf(const std::string& slotZero, const std::string& slotOne) {
  size_t differ = 0;
  while (differ < slotZero.size() && differ < slotOne.size() &&
         slotZero[differ] == slotOne[differ]) {
    ++differ;
  }
  const size_t start = slotZero.rfind('/', differ);
  size_t end = slotZero.find('/', differ);
  if (end == std::string::npos) end = slotZero.size();
  Slots slots;
  slots.container = slotZero.substr(0, start);
  slots.prefix = slotZero.substr(start + 1, differ - start - 1);
  slots.rest = slotZero.substr(end);
  return slots;
}

std::string Varying(const std::string& a, const std::string& b) {
  const std::vector<std::string> first = Components(a);
  const std::vector<std::string> second = Components(b);
  std::string varying;
  for (size_t i = 0; i < first.size() && i < second.size(); ++i) {
    if (first[i] != second[i]) varying += (varying.empty() ? "" : "/") + first[i];
  }
  return varying;
}

std::string RootElement(const std::string& keyPath) {
  const std::vector<std::string> components = Components(keyPath);
  return components.empty() ? std::string() : components.front();
}

Checker::Checker(const LibrarySession& session)
    : session_(session), candidates_(ProbeProfiles(session)) {}

const Candidate* Checker::EarlierTwin(const Candidate& candidate) const {
  for (const Candidate& other : candidates_) {
    if (other.profile.handler == candidate.profile.handler &&
        other.profile.key < candidate.profile.key && other.profile.name == candidate.profile.name) {
      return &other;
    }
  }
  return nullptr;
}

const Candidate* Checker::CandidateOf(int key) const {
  for (const Candidate& candidate : candidates_) {
    if (candidate.profile.key == key) return &candidate;
  }
  return nullptr;
}

Document& Checker::Doc(const std::string& libraryPath) {
  std::unique_ptr<Document>& doc = docs_[libraryPath];
  if (doc == nullptr) doc = std::make_unique<Document>(session_.root(), libraryPath);
  return *doc;
}

Value Checker::Read(const Scope& scope, const std::string& keyPath) {
  Value value;
  value.keyPath = keyPath;
  const Document& doc = *scope.doc;
  if (!doc.loaded()) return value;
  pugi::xml_node node = doc.top();
  const std::vector<std::string> names = Components(keyPath);
  if (names.empty() || names.front() != node.name()) return value;
  std::string walked = "/" + names.front();
  for (size_t i = 1; i < names.size(); ++i) {
    walked += "/" + names[i];
    pugi::xml_node child = node.child(names[i].c_str());
    if (!child) {
      value.node = node;
      return value;
    }
    pugi::xml_node twin = child.next_sibling(names[i].c_str());
    if (twin && duplicates_.insert(twin.internal_object()).second) {
      Report(Severity::kWarning, "duplicate-element", scope, twin, walked,
             "a second <" + names[i] + "> in the same place: the library reads only the first");
    }
    node = child;
  }
  value.present = true;
  value.node = node;
  value.text = node.text().get();
  for (const strell_host::Diagnostic& diagnostic : session_.diagnostics()) {
    if (diagnostic.kind == STRELL_HOST_VALUE_TOO_LONG && SameFile(diagnostic, doc) &&
        diagnostic.keyPath == keyPath) {
      // Not delivered: the library reads it as absent.
      value.present = false;
      value.tooLong = true;
      value.text.clear();
      if (reportedTooLong_.insert({doc.libraryPath(), keyPath}).second) {
        Report(Severity::kError, "value-too-long", scope, value,
               "the value has " + std::to_string(diagnostic.length) +
                   " characters, more than the " + std::to_string(kHostValueSize - 1) +
                   " the library reads: the host does not deliver it, and the field keeps its "
                   "start value (0, -1 for a track, or the empty text)");
      }
    }
  }
  return value;
}

Finding& Checker::Report(Severity severity, const char* check, const Scope& scope,
                         pugi::xml_node at, const std::string& keyPath,
                         const std::string& message) {
  Finding finding;
  finding.severity = severity;
  finding.check = check;
  finding.file = scope.doc->relative();
  scope.doc->Position(at, finding.line, finding.column);
  finding.slot = scope.slot;
  finding.keyPath = keyPath;
  finding.message = message;
  finding.handler = scope.handler;
  finding.keys = scope.keys;
  findings_.push_back(std::move(finding));
  return findings_.back();
}

Finding& Checker::Report(Severity severity, const char* check, const Scope& scope, const Value& at,
                         const std::string& message) {
  return Report(severity, check, scope, at.node, at.keyPath, message);
}

bool Checker::Readable(const Scope& scope, const std::string& rootElement,
                       const std::string& consequence, bool everyUrl) {
  const Document& doc = *scope.doc;
  const auto reported = fileFindings_.find(doc.libraryPath());
  if (reported != fileFindings_.end()) {
    std::vector<int>& keys = findings_[reported->second].keys;
    keys.insert(keys.end(), scope.keys.begin(), scope.keys.end());
    return false;
  }
  Scope file = scope;
  file.slot.clear();
  std::string what;
  const char* check = nullptr;
  const strell_host::Diagnostic* found = nullptr;
  for (const strell_host::Diagnostic& diagnostic : session_.diagnostics()) {
    if (diagnostic.kind == STRELL_HOST_VALUE_TOO_LONG || !SameFile(diagnostic, doc)) continue;
    found = &diagnostic;
    switch (diagnostic.kind) {
      case STRELL_HOST_MISSING_FILE:
        check = "missing-file";
        what = "the file is missing";
        break;
      case STRELL_HOST_MALFORMED_FILE:
        check = "malformed-file";
        what = "the file is not well-formed XML (" + doc.parseError() + ")";
        break;
      case STRELL_HOST_UNREADABLE_FILE:
        check = "unreadable-file";
        what = "the file " + WhatTheKitFound(diagnostic);
        break;
      default:
        check = "outside-root";
        what = "the file " + WhatTheKitFound(diagnostic);
        break;
    }
  }
  if (found == nullptr && !doc.loaded()) return false;  // never read by the library
  if (found == nullptr && rootElement == doc.top().name()) return true;
  fileFindings_.emplace(doc.libraryPath(), findings_.size());
  if (found != nullptr) {
    Finding& finding = Report(Severity::kError, check, file, pugi::xml_node(), "",
                              what + ": every read of it fails, so " + consequence);
    // The kit's position: where the parse failed.
    finding.line = found->line;
    finding.column = found->column;
    finding.everyUrl = everyUrl;
    const CHandlerDescription* handler = describeHandler(scope.handler);
    for (int slot = 0; everyUrl && handler != nullptr && slot < handler->profileSlots; ++slot) {
      finding.keys.push_back(handler->keyBase + slot);
    }
  } else {
    Report(Severity::kError, "wrong-root-element", file, doc.top(), "/" + rootElement,
           "the root element is <" + std::string(doc.top().name()) +
               ">, but every key path starts at <" + rootElement +
               ">: nothing in the file is read, so " + consequence)
        .everyUrl = everyUrl;
  }
  return false;
}

const strell_host::Diagnostic* Checker::TooLongParameter(const std::string& name) {
  // The kit reads the parameter "group_name" at the element <name> of the
  // group's file (strell_host.h).
  const std::string element = "/" + name.substr(name.find('_') + 1);
  for (const strell_host::Diagnostic& diagnostic : session_.diagnostics()) {
    const std::string& keyPath = diagnostic.keyPath;
    if (diagnostic.kind == STRELL_HOST_VALUE_TOO_LONG && keyPath.size() >= element.size() &&
        keyPath.compare(keyPath.size() - element.size(), element.size(), element) == 0) {
      if (!reportedTooLong_.insert({diagnostic.file, keyPath}).second) return nullptr;
      return &diagnostic;
    }
  }
  return nullptr;
}

void Checker::CheckName(const Scope& scope, const Value& value, const std::string& what) {
  if (!value.present || value.text.empty()) return;
  const std::string& text = value.text;
  const std::string quoted = "the " + what + " " + Quoted(text);
  if (isBlank(text.front()) || isBlank(text.back())) {
    Report(Severity::kWarning, "blank-padding", scope, value,
           quoted +
               " has leading or trailing blanks: the library compares it as it is, so a "
               "client that sends the name without them is not answered")
        .name = text;
  }
  size_t first = 0;
  size_t end = text.size();
  while (first < end && isBlank(text[first])) ++first;
  while (end > first && isBlank(text[end - 1])) --end;
  std::string controls;
  std::string invisible;
  std::string foreign;
  bool malformed = false;
  for (const Character& c : Decode(text)) {
    if (!c.valid) {
      malformed = true;
    } else if (c.code < 0x20 || c.code == 0x7f) {
      // Blanks at the ends are padding, reported above.
      if (c.offset >= first && c.offset < end && controls.empty()) {
        controls = Quoted(std::string(1, static_cast<char>(c.code)));
      }
    } else if (IsInvisible(c.code)) {
      if (invisible.empty()) invisible = Describe(c.code);
    } else if (c.code >= 0x80 && foreign.empty()) {
      foreign = Describe(c.code);
    }
  }
  if (!controls.empty()) {
    Report(Severity::kError, "control-character", scope, value,
           quoted + " holds the control character " + controls +
               ": no client sends it in a request line, so the name is never answered")
        .name = text;
  }
  if (!invisible.empty()) {
    Report(Severity::kError, "invisible-character", scope, value,
           quoted + " holds the invisible character " + invisible +
               ": a client that types the visible name " + Quoted(VisiblePart(text)) +
               " is never answered")
        .name = text;
  }
  if (!foreign.empty() || malformed) {
    Report(Severity::kWarning, "non-ascii", scope, value,
           quoted +
               (malformed ? " holds bytes that are not UTF-8"
                          : " holds the non-ASCII character " + foreign) +
               ": clients send such characters percent-encoded or in another Unicode form, and "
               "the library compares bytes")
        .name = text;
  }
  if (text.size() > kMaxTokenLength) {
    Report(Severity::kWarning, "long-token", scope, value,
           "the " + what + " has " + std::to_string(text.size()) +
               " characters: ONVIF tokens have at most 64, and clients may refuse longer ones")
        .name = text;
  }
}

int Checker::CheckInteger(const Scope& scope, const Value& value, const std::string& what,
                          int fallback, const std::string& consequence) {
  if (!value.present) return fallback;
  int number = 0;
  const char* end = scanDecimal(value.text.c_str(), number);
  if (end == nullptr) {
    Report(
        Severity::kWarning, "not-a-number", scope, value,
        "the " + what + " " + Quoted(value.text) + " is not a number: it reads as 0" + consequence);
    return 0;
  }
  while (isBlank(*end)) ++end;
  if (*end != '\0') {
    Report(Severity::kWarning, "not-a-number", scope, value,
           "the " + what + " " + Quoted(value.text) + " has text after its number: it reads as " +
               std::to_string(number));
  }
  return number;
}

void Checker::CheckMulticast(const Multicast& medium) {
  const std::string& address = medium.address.text;
  if (!medium.address.present || address.empty()) return;  // unicast only
  const Scope& scope = medium.scope;
  const std::string location = scope.doc->relative() + medium.address.keyPath;
  if (!checkedPlaces_.insert(location).second) return;

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
    Report(Severity::kError, "bad-address", scope, medium.address,
           "the " + medium.label + " has the multicast address " + Quoted(address) +
               ", which is neither an IPv4 nor an IPv6 address");
    return;
  }
  if (!multicast) {
    Report(Severity::kWarning, "not-multicast", scope, medium.address,
           "the " + medium.label + " has the address " + address +
               ", which is not a multicast address (224.0.0.0/4, ff00::/8)");
  }
  const Value& portAt = medium.port.present ? medium.port : medium.address;
  if (medium.portNumber < 0 || medium.portNumber > 65535) {
    Report(Severity::kError, "port-range", scope, portAt,
           "the " + medium.label + " has the port " + std::to_string(medium.portNumber) +
               ", outside 1 to 65535");
  } else if (medium.portNumber == 0) {
    Report(Severity::kWarning, "zero-port", scope, portAt,
           "the " + medium.label + " has a multicast address but port 0");
  } else {
    if (medium.portNumber % 2 != 0) {
      Report(Severity::kWarning, "odd-port", scope, portAt,
             "the " + medium.label + " has the odd port " + std::to_string(medium.portNumber) +
                 ": RTP takes even ports and leaves the next odd one to RTCP");
    }
    const auto key = std::make_pair(group, medium.portNumber);
    const auto found = groups_.find(key);
    if (found == groups_.end()) {
      groups_.emplace(key, medium.label + " (" + scope.doc->relative() + ")");
    } else {
      Report(Severity::kWarning, "shared-group", scope, medium.address,
             "the " + medium.label + " uses group " + address + " port " +
                 std::to_string(medium.portNumber) + ", as does the " + found->second);
    }
  }
  // Media that share one TTL value (an access-name slot's) get one report.
  if (medium.ttl.keyPath.empty() ||
      !checkedPlaces_.insert(scope.doc->relative() + medium.ttl.keyPath).second) {
    return;
  }
  const Value& ttlAt = medium.ttl.present ? medium.ttl : medium.address;
  if (medium.ttlNumber == 0) {
    Report(Severity::kWarning, "zero-ttl", scope, ttlAt,
           "the " + medium.label + " has TTL 0: its multicast packets never leave the camera");
  } else if (medium.ttlNumber < 0 || medium.ttlNumber > 255) {
    Report(Severity::kError, "ttl-range", scope, ttlAt,
           "the " + medium.label + " has TTL " + std::to_string(medium.ttlNumber) +
               ", outside 1 to 255");
  }
}

void Checker::CheckPartialMulticast(const Scope& scope, pugi::xml_node at,
                                    const std::string& keyPath, const std::string& profile,
                                    const std::vector<Multicast>& media) {
  std::string with;
  std::string without;
  for (const Multicast& medium : media) {
    std::string& side = medium.address.present && !medium.address.text.empty() ? with : without;
    side += (side.empty() ? "the " : " and the ") + medium.part;
  }
  if (!with.empty() && !without.empty()) {
    Report(Severity::kWarning, "partial-multicast", scope, at, keyPath,
           profile + " is only partly multicast: a multicast address for " + with + ", none for " +
               without);
  }
}

void Checker::CheckUnreadSlots(const Scope& scope, const Slots& slots, int count,
                               const std::string& what) {
  const Value container = Read(scope, slots.container);
  if (!container.present) return;
  for (pugi::xml_node child : container.node.children()) {
    const std::string name = child.name();
    const size_t digits = slots.prefix.size();
    if (child.type() != pugi::node_element || name.size() <= digits ||
        name.compare(0, digits, slots.prefix) != 0 ||
        name.find_first_not_of("0123456789", digits) != std::string::npos) {
      continue;
    }
    if (name.size() - digits > 9 || std::stoi(name.substr(digits)) >= count) {
      Scope unread = scope;
      unread.slot = name;
      Report(Severity::kWarning, "unread-slot", unread, child, slots.container + "/" + name,
             "slot " + name + " is never read: " + what +
                 (count == 1 ? " slot " + slots.Label(0) + " only"
                             : " slots " + slots.Label(0) + " to " + slots.Label(count - 1)))
          .name = slots.rest.empty()
                      ? std::string()
                      : child.first_element_by_path(slots.rest.c_str() + 1).text().get();
    }
  }
}

Examination Checker::Finish() {
  // A diagnostic of the kit that no checker took up: a file no handler
  // claims as its own, or a value too long on a path no checker reads.
  for (const strell_host::Diagnostic& diagnostic : session_.diagnostics()) {
    const bool tooLong = diagnostic.kind == STRELL_HOST_VALUE_TOO_LONG;
    if (tooLong ? reportedTooLong_.count({diagnostic.file, diagnostic.keyPath}) != 0
                : fileFindings_.count(diagnostic.file) != 0) {
      continue;
    }
    Scope scope;
    scope.doc = &Doc(diagnostic.file);
    if (tooLong) {
      Read(scope, diagnostic.keyPath);
    } else {
      Readable(scope, "", "the library answers without its values", false);
    }
  }
  Examination examination;
  examination.findings = std::move(findings_);
  examination.candidates = std::move(candidates_);
  std::stable_sort(examination.findings.begin(), examination.findings.end(),
                   [](const Finding& a, const Finding& b) {
                     if (a.file != b.file) return a.file < b.file;
                     if (a.line != b.line) return a.line < b.line;
                     return a.column < b.column;
                   });
  return examination;
}

std::string SlotLabel(const CHandlerDescription& handler, int slot) {
  char zero[kKeyPathSize];
  char one[kKeyPathSize];
  handler.nameKeyPath(0, zero);
  handler.nameKeyPath(1, one);
  return SlotsOf(zero, one).Label(slot);
}

const char* SeverityName(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

void PrintFinding(std::ostream& out, const Finding& finding) {
  out << finding.file;
  if (finding.line > 0) out << ':' << finding.line << ':' << finding.column;
  out << ": " << SeverityName(finding.severity) << ": ";
  if (!finding.slot.empty()) out << finding.slot << ' ';
  if (!finding.keyPath.empty()) out << finding.keyPath << ' ';
  out << "[" << finding.check << "] " << finding.message << '\n';
}

Json FindingToJson(const Finding& finding) {
  const CHandlerDescription* handler = describeHandler(finding.handler);
  return {{"severity", SeverityName(finding.severity)},
          {"check", finding.check},
          {"file", OrNull(finding.file)},
          {"line", OrNull(finding.line)},
          {"column", OrNull(finding.column)},
          {"slot", OrNull(finding.slot)},
          {"keyPath", OrNull(finding.keyPath)},
          {"message", finding.message},
          {"handler", handler != nullptr ? Json(handler->name) : Json()},
          {"profileKeys", finding.keys}};
}

Examination Examine(const LibrarySession& session) {
  Checker checker(session);
  CheckMediaOne(checker);
  CheckStreamserver(checker);
  CheckMediaTwo(checker);
  return checker.Finish();
}

}  // namespace strell_cli
