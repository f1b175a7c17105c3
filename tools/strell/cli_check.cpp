// strell check: reports the findings of a configuration root, compiler style
// (file:line:column: severity: ...), as JSON, or as SARIF 2.1.0 for code
// review annotations.
#include <iostream>

#include "strell/cli_commands.h"
#include "strell/findings.h"

namespace strell_cli {

namespace {

// A file of the root as a URI reference: relative to the working directory
// for a relative root, a file: URI for an absolute one.
std::string ArtifactUri(const std::string& root, const std::string& file) {
  std::string path = root == "." ? file : root + "/" + file;
  while (path.compare(0, 2, "./") == 0) path.erase(0, 2);
  std::string uri = path.front() == '/' ? "file://" : "";
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::string("-._~/").find(static_cast<char>(c)) != std::string::npos) {
      uri += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      uri += escaped;
    }
  }
  return uri;
}

Json Sarif(const std::string& root, const std::vector<Finding>& findings, bool checked) {
  Json rules = Json::array();
  std::vector<std::string> ruleIds;
  Json results = Json::array();
  for (const Finding& finding : findings) {
    size_t index = 0;
    while (index < ruleIds.size() && ruleIds[index] != finding.check) ++index;
    if (index == ruleIds.size()) {
      ruleIds.push_back(finding.check);
      rules.push_back({{"id", finding.check}});
    }
    Json result = {{"ruleId", finding.check},
                   {"ruleIndex", index},
                   {"level", SeverityName(finding.severity)},
                   {"message", {{"text", finding.message}}}};
    if (!finding.file.empty()) {
      Json location = {
          {"physicalLocation", {{"artifactLocation", {{"uri", ArtifactUri(root, finding.file)}}}}}};
      if (finding.line > 0) {
        location["physicalLocation"]["region"] = {{"startLine", finding.line},
                                                  {"startColumn", finding.column}};
      }
      if (!finding.keyPath.empty()) {
        location["logicalLocations"] = {
            {{"name", finding.slot.empty() ? finding.keyPath : finding.slot},
             {"fullyQualifiedName", finding.keyPath},
             {"kind", "element"}}};
      }
      result["locations"] = Json::array({location});
    }
    if (!finding.keys.empty()) result["properties"] = {{"profileKeys", finding.keys}};
    results.push_back(result);
  }
  Json driver = {{"name", "strell"}, {"version", STRELL_VERSION_TEXT}, {"rules", rules}};
  return {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
          {"version", "2.1.0"},
          {"runs",
           {{{"tool", {{"driver", driver}}},
             {"invocations", {{{"executionSuccessful", checked}}}},
             {"results", results}}}}};
}

}  // namespace

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

  if (options.format == "sarif") {
    PrintJson(Sarif(root.path, findings, checked));
  } else if (!text) {
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
