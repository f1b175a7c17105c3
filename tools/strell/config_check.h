// Validation of a camera configuration root, independent of the library: the
// files are read with pugixml, following the key paths the three handlers
// read, and every finding carries its file, position, slot and key path.
#ifndef STRELL_TOOLS_STRELL_CONFIG_CHECK_H_
#define STRELL_TOOLS_STRELL_CONFIG_CHECK_H_

#include <string>
#include <vector>

namespace strell_cli {

enum class Severity { kWarning, kError };

struct Problem {
  Severity severity = Severity::kWarning;
  std::string check;    // stable identifier, e.g. "duplicate-access-name"
  std::string file;     // relative to the root, e.g. "config_streamserver.xml"
  int line = 0;         // 1-based; 0 when the problem has no place in the file
  int column = 0;       // 1-based, in bytes; 0 with line 0
  std::string slot;     // "s2", "i0", "c0/s1", or empty
  std::string keyPath;  // the key path the library reads, or empty
  std::string message;
};

// Checks the configuration under `root` (the directory that stands for
// /etc/conf.d/). Problems come sorted by file, then position.
std::vector<Problem> CheckConfiguration(const std::string& root);

}  // namespace strell_cli

#endif  // STRELL_TOOLS_STRELL_CONFIG_CHECK_H_
