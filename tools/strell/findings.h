// The findings about a configuration root, computed once for every command
// that shows them: `check` reports them all, `explain` those that bear on its
// URL. Each handler has its own checker (check_media_one.cpp,
// check_streamserver.cpp, check_media_two.cpp) over one shared engine
// (checker.h). The library is the judge wherever it can be: its stores, its
// answers to every stored profile's URL, its own parse functions, and the
// host kit's diagnostics of what it read.
#ifndef STRELL_TOOLS_STRELL_FINDINGS_H_
#define STRELL_TOOLS_STRELL_FINDINGS_H_

#include <iosfwd>
#include <string>
#include <vector>

#include "strell/cli_common.h"

namespace strell_cli {

enum class Severity { kWarning, kError };

struct Finding {
  Severity severity = Severity::kWarning;
  std::string check;    // stable identifier, e.g. "duplicate-access-name"
  std::string file;     // relative to the root, as Relative() gives it
  int line = 0;         // 1-based; 0 when the finding has no place in the file
  int column = 0;       // 1-based, in bytes; 0 with line 0
  std::string slot;     // "s2", "i0", "c0/s1", or empty
  std::string keyPath;  // the key path the library reads, or empty
  std::string message;
  // What it bears on, so that `explain` can show it beside a URL.
  int handler = 0;        // the id of the handler whose answers it changes; 0: none
  std::vector<int> keys;  // the profile keys whose answers it changes
  std::string name;       // the token or access name it is about
  bool everyUrl = false;  // every URL of `handler`: a file it cannot load
};

// Everything known about one root: the findings, sorted by file and
// position, and the library's answer to every stored profile's URL.
struct Examination {
  std::vector<Finding> findings;
  std::vector<Candidate> candidates;
};
Examination Examine(const LibrarySession& session);

const char* SeverityName(Severity severity);

// The name of a handler's profile slot in its file: "i0", "s2".
std::string SlotLabel(const CHandlerDescription& handler, int slot);

// "file:line:column: severity: slot keyPath [check] message".
void PrintFinding(std::ostream& out, const Finding& finding);

// The finding with every field, null where one does not apply.
Json FindingToJson(const Finding& finding);

}  // namespace strell_cli

#endif  // STRELL_TOOLS_STRELL_FINDINGS_H_
