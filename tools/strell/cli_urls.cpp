// strell urls: every URL the configuration answers, by handler, with its
// profile key, and the URLs of stored profiles that something else answers.
// The library is the judge: each profile's URL is resolved, and the key it
// answers with is compared with the profile's own.
#include <iostream>

#include "strell/cli_commands.h"

namespace strell_cli {

namespace {

// A URL as it is, or quoted when blanks or characters nobody sees would hide
// in it.
std::string Shown(const std::string& url) {
  const std::string quoted = Quoted(url);
  return quoted == "\"" + url + "\"" && url.find(' ') == std::string::npos ? url : quoted;
}

// Who answers a shadowed profile's URL instead: a handler and a key, or the handler
// that claims it and answers 8.
std::string AnsweredBy(const Resolution& answer) {
  if (answer.handler == nullptr) return "nobody (answer " + std::to_string(answer.code) + ")";
  if (answer.code == STRELL_OK || answer.code == STRELL_ERR_BAD_SOURCE) {
    return std::string(answer.handler->name) + " " + std::to_string(answer.info.profileKey);
  }
  return std::string(answer.handler->name) + ", which claims it (answer " +
         std::to_string(answer.code) + ")";
}

}  // namespace

int RunUrls(const CommonOptions& options) {
  const ConfigRoot root = ResolveRoot(options);
  if (!HoldsConfiguration(root.path)) return ReportMissingConfiguration(root, options);
  LibrarySession session(root.path, LibraryLinesFor(options), options.verbose);
  const std::vector<Candidate> candidates = ProbeProfiles(session);

  Json handlers = Json::array();
  for (const CHandlerDescription& handler : kHandlerChain) {
    Json urls = Json::array();
    for (const Candidate& candidate : candidates) {
      if (candidate.profile.handler != &handler || !candidate.answersItself()) continue;
      urls.push_back({{"profileKey", candidate.profile.key},
                      {"url", candidate.profile.url},
                      {"code", candidate.answer.code}});
    }
    handlers.push_back({{"handler", handler.name},
                        {"keys", {handler.keyBase, handler.keyBase + handler.profileSlots - 1}},
                        {"urls", urls}});
  }
  Json shadowed = Json::array();
  for (const Candidate& candidate : candidates) {
    if (candidate.answersItself()) continue;
    const Resolution& answer = candidate.answer;
    shadowed.push_back(
        {{"profileKey", candidate.profile.key},
         {"handler", candidate.profile.handler->name},
         {"url", candidate.profile.url},
         {"code", answer.code},
         {"answeredBy",
          {{"handler", answer.handler != nullptr ? Json(answer.handler->name) : Json()},
           {"profileKey", OrNull(answer.info.profileKey)}}}});
  }

  if (options.json) {
    PrintJson({{"root", root.path}, {"handlers", handlers}, {"shadowed", shadowed}});
    return kExitOk;
  }
  for (const Json& handler : handlers) {
    const size_t count = handler["urls"].size();
    std::cout << handler["handler"].get<std::string>() << " (keys " << handler["keys"][0] << "-"
              << handler["keys"][1] << "): " << count << (count == 1 ? " URL\n" : " URLs\n");
    for (const Json& url : handler["urls"]) {
      std::cout << "  " << url["profileKey"] << "  " << Shown(url["url"].get<std::string>());
      if (url["code"] != STRELL_OK) std::cout << "  (answers " << url["code"] << ")";
      std::cout << '\n';
    }
  }
  if (!shadowed.empty()) {
    std::cout << "shadowed: " << shadowed.size() << (shadowed.size() == 1 ? " URL\n" : " URLs\n");
  }
  for (const Candidate& candidate : candidates) {
    if (candidate.answersItself()) continue;
    std::cout << "  " << candidate.profile.key << "  " << Shown(candidate.profile.url)
              << "  answered by " << AnsweredBy(candidate.answer) << '\n';
  }
  return kExitOk;
}

}  // namespace strell_cli
