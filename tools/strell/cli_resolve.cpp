// strell resolve URL...: the library's answer for each URL.
#include <iostream>

#include "strell/cli_commands.h"

namespace strell_cli {

int RunResolve(const CommonOptions& options, const std::vector<std::string>& urls) {
  const ConfigRoot root = ResolveRoot(options);
  if (!HoldsConfiguration(root.path)) return ReportMissingConfiguration(root, options);
  LibrarySession session(root.path, LibraryLinesFor(options), options.verbose);

  Json answers = Json::array();
  bool allResolved = true;
  for (size_t i = 0; i < urls.size(); ++i) {
    const Resolution resolution = ResolveUrl(session, urls[i]);
    allResolved = allResolved && resolution.code == STRELL_OK;
    if (options.json) {
      Json answer = {
          {"url", urls[i]},
          {"code", resolution.code},
          {"handler", resolution.handler != nullptr ? Json(resolution.handler->name) : Json()}};
      answer.update(ProfileInfoToJson(resolution.info));
      answer["reason"] = OrNull(resolution.reason);
      answers.push_back(answer);
      continue;
    }
    if (i > 0) std::cout << '\n';
    std::cout << urls[i] << '\n';
    if (resolution.code == STRELL_OK) {
      PrintProfileInfo(std::cout, resolution.info, resolution.handler);
    } else {
      if (resolution.handler != nullptr) {
        std::cout << "  handler   " << resolution.handler->name << '\n';
      }
      std::cout << "  error     " << resolution.code << ", " << resolution.reason << '\n';
    }
  }
  if (options.json) PrintJson(answers);
  return allResolved ? kExitOk : kExitNegative;
}

}  // namespace strell_cli
