// strell explain URL: the chain walk, handler by handler, told from the
// library's own marker functions and stores; the findings of `check` that
// bear on the URL; and, when nothing matches, the near misses and the names
// that do exist.
#include <algorithm>
#include <cstdint>
#include <iostream>

#include "strell/cli_commands.h"
#include "strell/findings.h"
#include "strell/near_miss.h"

namespace strell_cli {

namespace {

struct Step {
  const CHandlerDescription* handler = nullptr;
  bool asked = false;
  bool claims = false;
  std::string why;
};

struct NearMiss {
  StoredProfile profile;
  Differences differences;
};

std::string Keys(const CHandlerDescription& handler) {
  return std::to_string(handler.keyBase) + "-" +
         std::to_string(handler.keyBase + handler.profileSlots - 1);
}

std::string SlotText(const StoredProfile& profile) {
  return "slot " + SlotLabel(*profile.handler, profile.slot) + " (key " +
         std::to_string(profile.key) + ")";
}

// The first stored profile of `handler` named `name` (an empty access name
// answers the empty URL).
const StoredProfile* Named(const std::vector<StoredProfile>& stored,
                           const CHandlerDescription& handler, const std::string& name) {
  for (const StoredProfile& profile : stored) {
    if (profile.handler == &handler && profile.name == name) {
      return &profile;
    }
  }
  return nullptr;
}

// Walks the chain as the library does and says, per handler, whether it is
// asked, whether it claims the URL, and why.
std::vector<Step> Walk(const std::string& url, const Resolution& resolution,
                       const std::vector<StoredProfile>& stored) {
  std::vector<Step> steps;
  const CHandlerDescription* claimer = nullptr;
  for (const CHandlerDescription& handler : kHandlerChain) {
    Step step;
    step.handler = &handler;
    step.asked = claimer == nullptr;
    const char* token = handler.tokenOf != nullptr ? handler.tokenOf(url.c_str()) : nullptr;
    const std::string name = token != nullptr ? token : url;
    const StoredProfile* profile =
        token != nullptr || handler.tokenOf == nullptr ? Named(stored, handler, name) : nullptr;
    if (!step.asked) {
      step.why = std::string("the ") + claimer->title + " handler claimed the URL first";
      if (handler.tokenOf == nullptr && profile != nullptr) {
        step.why +=
            "; the access name of " + SlotText(*profile) + " equals the URL and is shadowed";
      } else if (token != nullptr) {
        step.why += std::string("; its ") + handler.title + " token is shadowed";
      }
    } else if (handler.tokenOf == nullptr) {
      step.claims = profile != nullptr;
      step.why = step.claims ? "the URL equals the access name of " + SlotText(*profile)
                             : "no access name equals the URL (whole text, letter case included)";
    } else {
      const std::string marker = handler.marker();
      step.claims = token != nullptr;
      if (step.claims && profile == nullptr) {
        step.why =
            "the URL holds " + Quoted(marker) + " followed by " + Quoted(token) + ", which is no " +
            handler.title + " profile token: the answer is 8" +
            (&handler != &kHandlerChain[kHandlerCount - 1] ? " and no other handler is asked" : "");
      } else if (step.claims) {
        step.why = "the URL holds " + Quoted(marker) + " and the token " + Quoted(token) + " of " +
                   SlotText(*profile);
        if (resolution.code == STRELL_ERR_BAD_SOURCE) {
          step.why += ", whose video source does not parse: the answer is 9";
        }
      } else if (url.find(marker) != std::string::npos) {
        step.why = "the URL ends with " + Quoted(marker) + ": no token follows";
      } else {
        step.why = "the URL does not hold " + Quoted(marker);
      }
    }
    if (step.asked && !step.claims && &handler == &kHandlerChain[kHandlerCount - 1]) {
      step.why += ", and the chain ends with 8";
    }
    if (step.claims) claimer = &handler;
    steps.push_back(step);
  }
  return steps;
}

// What the record does not say: values the answer takes from elsewhere.
std::vector<std::string> Notes(const LibrarySession& session, const Resolution& resolution) {
  std::vector<std::string> notes;
  if (resolution.code != STRELL_OK || resolution.handler == nullptr) return notes;
  const TProfileInfo& info = resolution.info;
  const CUrlStreamserver* server = session.handler<CUrlStreamserver>();
  const size_t index = static_cast<size_t>(info.profileKey - resolution.handler->keyBase);
  if (server != nullptr && resolution.handler->keyBase == server->id &&
      index < server->profiles.size()) {
    if (server->profiles[index].enable == 0) {
      notes.push_back("the enable flag of slot " +
                      SlotLabel(*resolution.handler, info.profileKey - server->id) +
                      " is 0; the library resolves the slot all the same");
    }
  }
  const CUrlMediaOne* media1 = session.handler<CUrlMediaOne>();
  if (media1 == nullptr || resolution.handler->keyBase != media1->id) return notes;
  for (const CMediaOneProfile& profile : media1->mediaOneProfiles) {
    if (profile.profileKey != info.profileKey) continue;
    const struct {
      const char* medium;
      const std::string& token;
      const std::vector<COnvifMediaOneEncodeInfo>& list;
      const TMediaEncodeConfig& answered;
    } kMedia[] = {
        {"video", profile.videoSouceToken, media1->videoEncodeList, info.videoInfo},
        {"audio", profile.audioSouceToken, media1->audioEncodeList, info.audioInfo},
        {"metadata", profile.metadataSouceToken, media1->metadataEncodeList, info.metadataInfo}};
    for (const auto& medium : kMedia) {
      if (medium.answered.mediaTask != 1) continue;
      for (const COnvifMediaOneEncodeInfo& config : medium.list) {
        if (config.token != medium.token || config.ttl == 0) continue;
        notes.push_back(std::string("the ") + medium.medium +
                        (&medium.list == &media1->metadataEncodeList ? " configuration "
                                                                     : " encoder configuration ") +
                        Quoted(config.token) + " has TTL " + std::to_string(config.ttl) +
                        " in its file, which Media1 answers do not carry: the record's ttl stays "
                        "as the host set it (" +
                        std::to_string(medium.answered.ttl) + " here)");
        break;
      }
    }
    if (info.metadataInfo.mediaTask == 1 && info.metadataInfo.channel < 0) {
      notes.push_back(
          "Media1 metadata reads as channel " + std::to_string(info.metadataInfo.channel) +
          ", stream " + std::to_string(info.metadataInfo.stream) +
          ": they come from the configuration's token " + Quoted(kMediaOneMetadataToken) +
          " by the rule of the video encoder tokens, and it has no underscore");
    }
  }
  return notes;
}

// The stored names the URL almost is.
std::vector<NearMiss> NearMisses(const std::string& url, const std::vector<StoredProfile>& stored) {
  std::vector<NearMiss> misses;
  for (const StoredProfile& profile : stored) {
    const CHandlerDescription& handler = *profile.handler;
    if (profile.name.empty()) continue;
    if (handler.tokenOf == nullptr) {
      const Differences differences = AccessNameDifferences(url, profile.name);
      if (!differences.texts.empty()) misses.push_back({profile, differences});
      continue;
    }
    // The token after this handler's marker, then after another handler's:
    // a token of one ONVIF handler sent with the other's marker.
    for (const CHandlerDescription& asked : kHandlerChain) {
      if (asked.tokenOf == nullptr) continue;
      const char* exact = asked.tokenOf(url.c_str());
      const char* token = exact != nullptr ? exact : AfterMarkerIgnoringCase(url, asked.marker());
      if (token == nullptr || *token == '\0') continue;
      Differences differences;
      if (&asked == &handler) {
        differences = TokenDifferences(token, profile.name, asked.marker(), exact != nullptr);
      } else if (profile.name == token) {
        differences.texts = {std::string("the token is a ") + handler.title + " profile token; " +
                             handler.title + " URLs hold " + Quoted(handler.marker())};
      }
      if (!differences.texts.empty()) misses.push_back({profile, differences});
    }
  }
  // A typo is the explanation of last resort: only the closest, and only
  // when nothing else explains the URL.
  size_t closest = SIZE_MAX;
  for (const NearMiss& miss : misses) {
    closest = std::min(closest, miss.differences.edits == 0 ? 0 : miss.differences.edits);
  }
  misses.erase(
      std::remove_if(misses.begin(), misses.end(),
                     [closest](const NearMiss& miss) { return miss.differences.edits != closest; }),
      misses.end());
  return misses;
}

// Whether a finding bears on the URL: it changes the profile that answers,
// or every answer of the handler that claims (or, unclaimed, compares) it,
// or it is about a name the URL is or almost is.
bool Bears(const Finding& finding, const Resolution& resolution, const std::string& url,
           const std::vector<NearMiss>& misses) {
  const bool answered = resolution.code == STRELL_OK || resolution.code == STRELL_ERR_BAD_SOURCE;
  if (answered &&
      std::count(finding.keys.begin(), finding.keys.end(), resolution.info.profileKey)) {
    return true;
  }
  if (finding.everyUrl && !answered) {
    const CHandlerDescription* handler = describeHandler(finding.handler);
    if (handler != nullptr && (resolution.handler != nullptr ? resolution.handler == handler
                                                             : handler->tokenOf == nullptr)) {
      return true;
    }
  }
  if (finding.name.empty()) return false;
  if (finding.name == url) return true;
  if (resolution.handler != nullptr && resolution.handler->tokenOf != nullptr) {
    const char* token = resolution.handler->tokenOf(url.c_str());
    if (token != nullptr && finding.name == token) return true;
  }
  for (const NearMiss& miss : misses) {
    if (miss.differences.edits == 0 && miss.profile.name == finding.name) return true;
  }
  return false;
}

void PrintStep(const Step& step, int number) {
  std::cout << "  " << number << ". " << step.handler->name << " (keys " << Keys(*step.handler)
            << "): "
            << (step.claims  ? "claims it"
                : step.asked ? "does not claim it"
                             : "not asked")
            << ", " << step.why << '\n';
}

}  // namespace

int RunExplain(const CommonOptions& options, const std::string& url) {
  const ConfigRoot root = ResolveRoot(options);
  if (!HoldsConfiguration(root.path)) return ReportMissingConfiguration(root, options);
  LibrarySession session(root.path, LibraryLinesFor(options), options.verbose);
  const Examination examination = Examine(session);
  const Resolution resolution = ResolveUrl(session, url);
  const std::vector<StoredProfile> stored = StoredProfiles(session);

  const std::vector<Step> steps = Walk(url, resolution, stored);
  const std::vector<std::string> notes = Notes(session, resolution);
  std::vector<NearMiss> misses;
  std::vector<const StoredProfile*> known;
  if (resolution.code == STRELL_ERR_NOT_FOUND) {
    misses = NearMisses(url, stored);
    // The names the claiming handler knows, or, unclaimed, the access names.
    for (const StoredProfile& profile : stored) {
      const bool compared = resolution.handler != nullptr ? profile.handler == resolution.handler
                                                          : profile.handler->tokenOf == nullptr;
      if (compared && !profile.name.empty()) known.push_back(&profile);
    }
  }
  std::vector<const Finding*> findings;
  for (const Finding& finding : examination.findings) {
    if (Bears(finding, resolution, url, misses)) findings.push_back(&finding);
  }

  if (options.json) {
    Json stepList = Json::array();
    for (const Step& step : steps) {
      stepList.push_back({{"handler", step.handler->name},
                          {"asked", step.asked},
                          {"claims", step.claims},
                          {"why", step.why}});
    }
    Json findingList = Json::array();
    for (const Finding* finding : findings) findingList.push_back(FindingToJson(*finding));
    Json missList = Json::array();
    for (const NearMiss& miss : misses) {
      missList.push_back({{"handler", miss.profile.handler->name},
                          {"slot", SlotLabel(*miss.profile.handler, miss.profile.slot)},
                          {"profileKey", miss.profile.key},
                          {"profileName", miss.profile.name},
                          {"differences", miss.differences.texts}});
    }
    Json knownList = Json::array();
    for (const StoredProfile* profile : known) {
      knownList.push_back({{"handler", profile->handler->name},
                           {"profileKey", profile->key},
                           {"profileName", profile->name}});
    }
    Json answer = {
        {"url", url},
        {"code", resolution.code},
        {"handler", resolution.handler != nullptr ? Json(resolution.handler->name) : Json()},
        {"reason", OrNull(resolution.reason)},
        {"steps", stepList},
        {"notes", notes},
        {"problems", findingList},
        {"nearMisses", missList},
        {"known", knownList}};
    if (resolution.code == STRELL_OK) answer["record"] = ProfileInfoToJson(resolution.info);
    PrintJson(answer);
    return resolution.code == STRELL_OK ? kExitOk : kExitNegative;
  }

  std::cout << url << '\n';
  for (size_t i = 0; i < steps.size(); ++i) PrintStep(steps[i], static_cast<int>(i) + 1);
  if (resolution.code == STRELL_OK) {
    std::cout << "  result: 0, resolved\n";
    PrintProfileInfo(std::cout, resolution.info, resolution.handler);
  } else {
    std::cout << "  result: " << resolution.code << ", " << resolution.reason << '\n';
  }
  for (const std::string& note : notes) std::cout << "  note: " << note << '\n';
  if (!findings.empty()) std::cout << "  findings:\n";
  for (const Finding* finding : findings) {
    std::cout << "    ";
    PrintFinding(std::cout, *finding);
  }
  if (!misses.empty()) std::cout << "  near misses:\n";
  for (const NearMiss& miss : misses) {
    std::cout << "    " << miss.profile.handler->name << ' '
              << SlotLabel(*miss.profile.handler, miss.profile.slot) << " (key " << miss.profile.key
              << ") " << Quoted(miss.profile.name) << ": ";
    for (size_t i = 0; i < miss.differences.texts.size(); ++i) {
      std::cout << (i > 0 ? "; " : "") << miss.differences.texts[i];
    }
    std::cout << '\n';
  }
  if (!known.empty()) {
    std::cout << "  " << (resolution.handler != nullptr ? "profile tokens" : "access names")
              << " that exist:";
    for (size_t i = 0; i < known.size(); ++i) {
      std::cout << (i > 0 ? ", " : " ") << Quoted(known[i]->name) << " (" << known[i]->key << ")";
    }
    std::cout << '\n';
  } else if (resolution.code == STRELL_ERR_NOT_FOUND) {
    std::cout << "  no " << (resolution.handler != nullptr ? "profile tokens" : "access names")
              << " exist\n";
  }
  return resolution.code == STRELL_OK ? kExitOk : kExitNegative;
}

}  // namespace strell_cli
