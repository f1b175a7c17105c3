// strell check: reports the problems of a configuration root, compiler style
// (file:line:column: severity: ...) or as JSON.
#include <iostream>

#include "strell/cli_commands.h"
#include "strell/config_check.h"

namespace strell_cli {

namespace {

const char* SeverityName(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

nlohmann::ordered_json OrNull(const std::string& text) {
  return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

nlohmann::ordered_json OrNull(int number) {
  return number == 0 ? nlohmann::ordered_json() : nlohmann::ordered_json(number);
}

}  // namespace

int RunCheck(const CommonOptions& options) {
  const ConfigRoot root = ResolveRoot(options);
  if (!HoldsConfiguration(root.path)) return ReportMissingConfiguration(root);
  const std::vector<Problem> problems = CheckConfiguration(root.path);
  int errors = 0;
  int warnings = 0;
  for (const Problem& problem : problems) {
    (problem.severity == Severity::kError ? errors : warnings) += 1;
  }

  if (options.json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Problem& problem : problems) {
      list.push_back({{"severity", SeverityName(problem.severity)},
                      {"check", problem.check},
                      {"file", problem.file},
                      {"line", OrNull(problem.line)},
                      {"column", OrNull(problem.column)},
                      {"slot", OrNull(problem.slot)},
                      {"keyPath", OrNull(problem.keyPath)},
                      {"message", problem.message}});
    }
    PrintJson(
        {{"root", root.path}, {"errors", errors}, {"warnings", warnings}, {"problems", list}});
  } else {
    for (const Problem& problem : problems) {
      std::cout << problem.file;
      if (problem.line > 0) std::cout << ':' << problem.line << ':' << problem.column;
      std::cout << ": " << SeverityName(problem.severity) << ": ";
      if (!problem.slot.empty()) std::cout << problem.slot << ' ';
      if (!problem.keyPath.empty()) std::cout << problem.keyPath << ' ';
      std::cout << "[" << problem.check << "] " << problem.message << '\n';
    }
    std::cout << (errors == 0 && warnings == 0 ? "clean: " : "") << errors
              << (errors == 1 ? " error, " : " errors, ") << warnings
              << (warnings == 1 ? " warning" : " warnings") << '\n';
  }
  if (errors > 0) return kExitFailure;
  return warnings > 0 ? kExitNegative : kExitOk;
}

}  // namespace strell_cli
