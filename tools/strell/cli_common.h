// What every command of the strell tool shares: the common options, the
// configuration root, exit statuses, the library session with the routing of
// the library's lines and the host kit's diagnostics, the library's answers,
// and the output helpers.
//
// The tool learns the library from src/api/introspection.h only: handlers,
// markers, files, key paths, slots and key bases are the library's own.
#ifndef STRELL_TOOLS_STRELL_CLI_COMMON_H_
#define STRELL_TOOLS_STRELL_CLI_COMMON_H_

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "api/introspection.h"
#include "strell.h"
#include "strell_host.h"

namespace strell_cli {

using Json = nlohmann::ordered_json;

// Exit statuses. A negative answer (a URL that resolves to nothing, a check
// with warnings only) is 1; anything that stops the command from answering
// (bad arguments, no configuration, a check with errors) is 2.
constexpr int kExitOk = 0;
constexpr int kExitNegative = 1;
constexpr int kExitFailure = 2;

struct CommonOptions {
  std::string root;  // empty: the host kit's default ($STRELL_CONF_ROOT, then the library's)
  bool json = false;
  bool verbose = false;
  std::string format = "text";  // check: "text", "json" or "sarif"; --json is "json"
};

// The configuration directory that stands for the library's configuration
// directory, and where the choice came from ("--root", "STRELL_CONF_ROOT" or
// "the default").
struct ConfigRoot {
  std::string path;
  std::string origin;
};
ConfigRoot ResolveRoot(const CommonOptions& options);

// A library file name relative to the configuration directory, as the
// findings and the files under a root name it.
std::string Relative(const std::string& libraryPath);

// True when `root` holds the profile file of at least one handler.
bool HoldsConfiguration(const std::string& root);

// Why `root` cannot be used, naming --root and the bundled example.
std::string MissingConfiguration(const ConfigRoot& root);

// Says MissingConfiguration on standard error, or with --json as the one
// JSON document on standard output; returns kExitFailure.
int ReportMissingConfiguration(const ConfigRoot& root, const CommonOptions& options);

// Where the library's diagnostic lines go.
enum class LibraryLines { kStdout, kStderr, kDropped };

// Text output: standard error, so that standard output holds the tool's
// report only. JSON output: dropped, or standard error with --verbose.
LibraryLines LibraryLinesFor(const CommonOptions& options);

// One library context over one configuration root, loaded with
// Strell_Parse. The library's lines go where the session says; the host
// kit's diagnostics are kept (and, with `verbose`, written to standard error).
class LibrarySession {
 public:
  LibrarySession(const std::string& root, LibraryLines lines, bool verbose);
  ~LibrarySession();
  LibrarySession(const LibrarySession&) = delete;
  LibrarySession& operator=(const LibrarySession&) = delete;

  StrellHandle handle() const { return handle_; }
  int parseCode() const { return parseCode_; }
  bool verbose() const { return verbose_; }
  const std::string& root() const { return root_; }

  // A handler of the chain, or null.
  template <typename Handler>
  Handler* handler() const {
    return findHandler<Handler>(handle_);
  }

  // The host kit's diagnostics so far, in the order they came.
  const std::vector<strell_host::Diagnostic>& diagnostics() const;

 private:
  std::string root_;
  bool verbose_;
  StrellHandle handle_ = nullptr;
  int parseCode_ = 0;
};

// Sends the library's lines to `lines` while it lives, then back.
class LinesTo {
 public:
  explicit LinesTo(LibraryLines lines);
  ~LinesTo();
  LinesTo(const LinesTo&) = delete;
  LinesTo& operator=(const LinesTo&) = delete;

 private:
  LibraryLines previous_;
};

// One profile the stores hold, with the URL a client sends for it.
struct StoredProfile {
  const CHandlerDescription* handler = nullptr;
  int key = 0;
  int slot = 0;
  std::string name;  // the token or the access name
  std::string url;   // the marker and the token, or the access name; "" without a name
};

// Every profile of every store, in chain and slot order.
std::vector<StoredProfile> StoredProfiles(const LibrarySession& session);

// The token or access name the stores hold for `key`.
std::string ProfileNameOfKey(const LibrarySession& session, int key);

// The library's answer to one URL, with who answered or claimed it and why it
// failed.
struct Resolution {
  int code = 0;
  TProfileInfo info{};
  const CHandlerDescription* handler = nullptr;  // null: no handler claims it
  std::string reason;                            // empty on success
};
Resolution ResolveUrl(const LibrarySession& session, const std::string& url);

// A stored profile and what the library answers to its URL.
struct Candidate {
  StoredProfile profile;
  Resolution answer;
  // The host kit's diagnostics the resolution raised: [first, end) of
  // LibrarySession::diagnostics().
  size_t firstDiagnostic = 0;
  size_t endDiagnostic = 0;
  // The library answers the URL with this profile (0, or 9 for a Media2
  // video source that does not parse).
  bool answersItself() const;
};
// Every stored profile with a name, resolved with the library's lines dropped
// (standard error with `verbose`).
std::vector<Candidate> ProbeProfiles(const LibrarySession& session);

// The name of a handler, "(none)" for null.
const char* NameOf(const CHandlerDescription* handler);

// A TProfileInfo with the record's own field names.
Json ProfileInfoToJson(const TProfileInfo& info);

// The readable block of a resolved record (handler, key, name, media).
void PrintProfileInfo(std::ostream& out, const TProfileInfo& info,
                      const CHandlerDescription* handler);

// Text between double quotes with control characters and invisible ones
// escaped (\x0a, \u00a0), so that blanks, empty texts and invisible
// characters show.
std::string Quoted(const std::string& text);

// Writes `value` to standard output, indented, invalid UTF-8 replaced.
void PrintJson(const Json& value);

// null for an empty text or 0.
Json OrNull(const std::string& text);
Json OrNull(int number);

}  // namespace strell_cli

#endif  // STRELL_TOOLS_STRELL_CLI_COMMON_H_
