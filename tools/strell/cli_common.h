// What every command of the strell tool shares: the common options, the
// configuration root, exit statuses, the library session and the way the
// library's own printf lines are kept off the tool's standard output.
#ifndef STRELL_TOOLS_STRELL_CLI_COMMON_H_
#define STRELL_TOOLS_STRELL_CLI_COMMON_H_

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

#include "strell.h"

class CUrlMediaOne;
class CUrlStreamserver;
class CUrlMediaTwo;

namespace strell_cli {

// Exit statuses. A negative answer (a URL that resolves to nothing, a check
// with warnings only) is 1; anything that stops the command from answering
// (bad arguments, no configuration, a check with errors) is 2.
constexpr int kExitOk = 0;
constexpr int kExitNegative = 1;
constexpr int kExitFailure = 2;

struct CommonOptions {
  std::string root;  // empty: $STRELL_CONF_ROOT, then /etc/conf.d
  bool json = false;
  bool verbose = false;
};

// The configuration directory that stands for "/etc/conf.d/", and where the
// choice came from ("--root", "STRELL_CONF_ROOT" or "the default").
struct ConfigRoot {
  std::string path;
  std::string origin;
};
ConfigRoot ResolveRoot(const CommonOptions& options);

// True when `root` holds at least one of the files the three handlers load.
bool HoldsConfiguration(const std::string& root);

// Says on standard error that `root` holds no configuration, naming --root and
// the bundled example; returns kExitFailure.
int ReportMissingConfiguration(const ConfigRoot& root);

// Where the library's diagnostic lines (printed with printf to standard
// output) go while the tool calls into it.
enum class LibraryOutput { kStdout, kStderr, kDiscard };

// Text output: standard error, so that standard output holds the tool's
// report only. JSON output: discarded, or standard error with --verbose.
LibraryOutput LibraryOutputFor(const CommonOptions& options);

// Points file descriptor 1 elsewhere for its lifetime. Standard output is
// flushed on both edges, so nothing printed before or after moves across.
class StdoutDiversion {
 public:
  explicit StdoutDiversion(LibraryOutput target);
  ~StdoutDiversion();
  StdoutDiversion(const StdoutDiversion&) = delete;
  StdoutDiversion& operator=(const StdoutDiversion&) = delete;

 private:
  int saved_ = -1;
};

// One library context over one configuration root, loaded with
// Strell_Parse. Every call into the library goes through Call(), which
// diverts the library's printing as chosen.
class LibrarySession {
 public:
  LibrarySession(const std::string& root, LibraryOutput output);
  ~LibrarySession();
  LibrarySession(const LibrarySession&) = delete;
  LibrarySession& operator=(const LibrarySession&) = delete;

  // False when Strell_Init could not create a context.
  bool ok() const { return handle_ != nullptr; }
  StrellHandle handle() const { return handle_; }
  int parseCode() const { return parseCode_; }

  template <typename Body>
  auto Call(Body body) const {
    StdoutDiversion diversion(output_);
    return body();
  }

  // The handlers of the chain, reached through the context; null when the
  // chain does not hold the expected class at that place.
  CUrlMediaOne* mediaOne() const;
  CUrlStreamserver* streamServer() const;
  CUrlMediaTwo* mediaTwo() const;

 private:
  StrellHandle handle_ = nullptr;
  LibraryOutput output_;
  int parseCode_ = 0;
};

// The handler whose key range holds `key`: 111-114 "streamserver", 222-225
// "media1", 333-342 "media2"; null otherwise.
const char* HandlerOfKey(int key);

// The profile token or access name the session's stores hold for `key`.
std::string ProfileNameOfKey(const LibrarySession& session, int key);

// A TProfileInfo with the record's own field names.
nlohmann::ordered_json ProfileInfoToJson(const TProfileInfo& info);

// The readable block of a resolved record (handler, key, name, media).
void PrintProfileInfo(std::ostream& out, const TProfileInfo& info, const char* handler);

// Text between double quotes, control characters escaped, so that blanks and
// empty texts show.
std::string Quoted(const std::string& text);

// Writes `value` to standard output, indented, invalid UTF-8 replaced.
void PrintJson(const nlohmann::ordered_json& value);

// The library's answer to one URL, with who claimed it and why it failed.
struct Resolution {
  int code = 0;
  TProfileInfo info{};
  const char* handler = nullptr;  // "media1", "streamserver", "media2" or null
  std::string reason;             // empty on success
};
Resolution ResolveUrl(const LibrarySession& session, const std::string& url);

}  // namespace strell_cli

#endif  // STRELL_TOOLS_STRELL_CLI_COMMON_H_
