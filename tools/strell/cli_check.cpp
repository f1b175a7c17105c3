// strell check: reports the findings of a configuration root, compiler style
// (file:line:column: severity: ...) or as JSON.
#include <iostream>

#include "strell/cli_commands.h"
#include "strell/findings.h"

namespace strell_cli {

int RunCheck(const CommonOptions& options) {
  const ConfigRoot root = ResolveRoot(options);
  const bool text = options.format == "text";
  std::vector<Finding> findings;
  const bool checked = HoldsConfiguration(root.path);
  if (!checked) {
    if (text) return ReportMissingConfiguration(root, options);
    Finding finding;
    finding.severity = Severity::kError;
    finding.check = "no-configuration";
    finding.message = MissingConfiguration(root);
    findings.push_back(finding);
  } else {
    LibrarySession session(root.path,
                           options.verbose ? LibraryLines::kStderr : LibraryLines::kDropped,
                           options.verbose);
    findings = Examine(session).findings;
  }
  int errors = 0;
  int warnings = 0;
  for (const Finding& finding : findings) {
    (finding.severity == Severity::kError ? errors : warnings) += 1;
  }

  if (!text) {
    Json list = Json::array();
    for (const Finding& finding : findings) list.push_back(FindingToJson(finding));
    PrintJson(
        {{"root", root.path}, {"errors", errors}, {"warnings", warnings}, {"problems", list}});
  } else {
    for (const Finding& finding : findings) PrintFinding(std::cout, finding);
    std::cout << (errors == 0 && warnings == 0 ? "clean: " : "") << errors
              << (errors == 1 ? " error, " : " errors, ") << warnings
              << (warnings == 1 ? " warning" : " warnings") << '\n';
  }
  if (errors > 0) return kExitFailure;
  return warnings > 0 ? kExitNegative : kExitOk;
}

}  // namespace strell_cli
