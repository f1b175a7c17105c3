// The engine the three handler checkers share: the files read as the host
// kit reads them (with positions), the library's answers, the kit's
// diagnostics, reporting, and the checks every handler needs (names,
// numbers, multicast settings, slots never read).
#ifndef STRELL_TOOLS_STRELL_CHECKER_H_
#define STRELL_TOOLS_STRELL_CHECKER_H_

#include <map>
#include <memory>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "strell/findings.h"

namespace strell_cli {

// One XML file as the host kit reads it, kept with its text so that a node
// turns into a line and column.
class Document {
 public:
  Document(const std::string& root, const std::string& libraryPath);

  bool loaded() const { return loaded_; }
  const std::string& libraryPath() const { return libraryPath_; }
  const std::string& relative() const { return relative_; }
  pugi::xml_node top() const { return doc_.document_element(); }
  // Why pugixml could not parse it, for a malformed file.
  const std::string& parseError() const { return parseError_; }
  // Line and column (1-based) of an element's opening '<'; 0 and 0 for none.
  void Position(pugi::xml_node node, int& line, int& column) const;

 private:
  std::string libraryPath_;
  std::string relative_;
  std::string text_;
  pugi::xml_document doc_;
  std::string parseError_;
  bool loaded_ = false;
};

// What the host delivers for one key path.
struct Value {
  bool present = false;  // the element exists, so the read succeeds
  bool tooLong = false;  // it exists, but the host does not deliver it
  std::string text;
  pugi::xml_node node;  // the element, or the deepest ancestor that exists
  std::string keyPath;
};

// Where a finding belongs: its file and slot, and the handler and profiles
// whose answers it changes.
struct Scope {
  Document* doc = nullptr;
  std::string slot;
  int handler = 0;
  std::vector<int> keys;
};

// A handler's numbered slots in a file, learnt from the key paths the
// library builds for slots 0 and 1 of one field.
struct Slots {
  std::string container;  // the key path of the element holding them
  std::string prefix;     // their names up to the number, "s"
  std::string rest;       // the field below a slot, "/accessname"
  std::string Label(int slot) const { return prefix + std::to_string(slot); }
  std::string Element(int slot) const { return container + "/" + Label(slot); }
};
Slots SlotsOf(const std::string& slotZero, const std::string& slotOne);

// The components in which two key paths of the same shape differ, joined by
// '/': "c0/s1" for the settings of channel 0, stream 1.
std::string Varying(const std::string& a, const std::string& b);

// The first element of a key path, where every read of its file starts.
std::string RootElement(const std::string& keyPath);

// One medium whose multicast settings the library delivers.
struct Multicast {
  std::string label;  // in a message: "video of access name \"live1.sdp\""
  std::string part;   // within its profile: "video"
  Scope scope;
  Value address;
  Value port;
  Value ttl;  // not present when the handler delivers no TTL
  int portNumber = 0;
  int ttlNumber = 0;
};

class Checker {
 public:
  explicit Checker(const LibrarySession& session);

  const LibrarySession& session() const { return session_; }
  const std::vector<Candidate>& candidates() const { return candidates_; }
  // The library's answer to the URL of profile `key`; null for a profile
  // without a name.
  const Candidate* CandidateOf(int key) const;
  // A profile of the same handler in a lower slot with the same name, which
  // the library finds first; null when there is none.
  const Candidate* EarlierTwin(const Candidate& candidate) const;

  // The file the library names `libraryPath`, read once.
  Document& Doc(const std::string& libraryPath);
  // Follows a key path as the host does (the first element of each name),
  // warns about a later element of a name on the way, which is never read,
  // and reports a value the host did not deliver because it was too long.
  Value Read(const Scope& scope, const std::string& keyPath);

  Finding& Report(Severity severity, const char* check, const Scope& scope, pugi::xml_node at,
                  const std::string& keyPath, const std::string& message);
  Finding& Report(Severity severity, const char* check, const Scope& scope, const Value& at,
                  const std::string& message);

  // Reports what the host kit found wrong with the scope's file (missing,
  // unreadable, not well-formed, outside the root) with `consequence`, or a
  // root element other than the one the key paths start with. True when the
  // library can read values from it.
  bool Readable(const Scope& scope, const std::string& rootElement, const std::string& consequence,
                bool everyUrl);
  // The kit's report of the parameter `name` being too long for the
  // library's buffer, or null.
  const strell_host::Diagnostic* TooLongParameter(const std::string& name);

  // A token or access name a client types: blanks at its ends, control,
  // invisible and non-ASCII characters.
  void CheckName(const Scope& scope, const Value& value, const std::string& what);
  // An integer read with atoi conventions; returns what the library reads,
  // `fallback` when the value is absent. `consequence` completes the
  // message about a text that is not a number.
  int CheckInteger(const Scope& scope, const Value& value, const std::string& what, int fallback,
                   const std::string& consequence = "");
  // Address, port and (when delivered) TTL of one medium.
  void CheckMulticast(const Multicast& medium);
  // A profile some of whose media have a multicast address and some none.
  void CheckPartialMulticast(const Scope& scope, pugi::xml_node at, const std::string& keyPath,
                             const std::string& profile, const std::vector<Multicast>& media);
  // Slots at `count` and beyond, which the library never reads.
  void CheckUnreadSlots(const Scope& scope, const Slots& slots, int count, const std::string& what);

  // The findings, sorted, with every diagnostic of the kit that no checker
  // took up as one of its own.
  Examination Finish();

 private:
  const LibrarySession& session_;
  std::vector<Candidate> candidates_;
  std::map<std::string, std::unique_ptr<Document>> docs_;
  std::vector<Finding> findings_;
  std::set<const void*> duplicates_;
  std::set<std::pair<std::string, std::string>> reportedTooLong_;  // file, key path
  std::map<std::string, size_t> fileFindings_;  // a file's finding, by its library path
  std::set<std::string> checkedPlaces_;         // multicast settings already checked
  std::map<std::pair<std::string, int>, std::string> groups_;  // address and port: first user
};

void CheckMediaOne(Checker& checker);
void CheckStreamserver(Checker& checker);
void CheckMediaTwo(Checker& checker);

}  // namespace strell_cli

#endif  // STRELL_TOOLS_STRELL_CHECKER_H_
