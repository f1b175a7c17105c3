// strell explain URL: the chain walk, handler by handler, told from the
// library's own marker functions and stores, and the near misses a player's
// URL most often is when nothing matches.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <iostream>

#include "handler/url_handler.h"
#include "media1/url_media_one.h"
#include "media2/url_media_two.h"
#include "streamserver/url_streamserver.h"
#include "strell/cli_commands.h"

namespace strell_cli {

namespace {

using Json = nlohmann::ordered_json;

const char kMediaOneMarker[] = "media/stream.sdp?profile=";
const char kMediaTwoMarker[] = "media2/stream.sdp?profile=";

struct Step {
  const char* handler;
  const char* keys;
  bool asked = false;
  bool claims = false;
  std::string why;
};

struct NearMiss {
  const char* handler;
  std::string slot;
  int key = 0;
  std::string name;
  std::vector<std::string> differences;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool Equal(const std::string& a, const std::string& b) {
  return stringCompareEqual(a.c_str(), b.c_str()) == 1;
}

// A URL with what clients add around an access name taken off, and a note of
// each part taken.
struct Stripped {
  std::string text;
  std::vector<std::string> parts;
};

Stripped Strip(const std::string& url) {
  Stripped result{url, {}};
  std::string& text = result.text;
  const size_t scheme = text.find("://");
  if (scheme != std::string::npos && scheme > 0 && text.find('/') > scheme) {
    const size_t path = text.find('/', scheme + 3);
    result.parts.push_back("the scheme and host " + Quoted(text.substr(0, path)));
    text = path == std::string::npos ? std::string() : text.substr(path);
  }
  if (!text.empty() && text.front() == '/') {
    text.erase(0, text.find_first_not_of('/'));
    if (text.find_first_not_of('/') == std::string::npos) text.clear();
    result.parts.push_back("a leading slash");
  }
  for (bool changed = true; changed && !text.empty();) {
    changed = false;
    const size_t query = text.find('?');
    if (query != std::string::npos) {
      result.parts.push_back("the query " + Quoted(text.substr(query)));
      text.erase(query);
      changed = true;
    }
    const size_t track = Lower(text).rfind("/trackid=");
    if (track != std::string::npos &&
        text.find_first_not_of("0123456789", track + 9) == std::string::npos) {
      result.parts.push_back("the suffix " + Quoted(text.substr(track)));
      text.erase(track);
      changed = true;
    }
    if (!text.empty() && text.back() == '/') {
      text.pop_back();
      result.parts.push_back("a trailing slash");
      changed = true;
    }
  }
  return result;
}

// How `url` differs from `name` when it differs only by what clients add
// (scheme and host, slashes, a query, a /trackID=N suffix) and by letter
// case; empty when it differs by more.
std::vector<std::string> Differences(const std::string& url, const std::string& name) {
  std::vector<std::string> differences;
  if (name.empty() || url == name) return differences;
  const Stripped fromUrl = Strip(url);
  const Stripped fromName = Strip(name);
  if (fromUrl.text.empty() || Lower(fromUrl.text) != Lower(fromName.text)) return differences;
  for (const std::string& part : fromUrl.parts) {
    if (std::find(fromName.parts.begin(), fromName.parts.end(), part) == fromName.parts.end()) {
      differences.push_back("the URL has " + part);
    }
  }
  for (const std::string& part : fromName.parts) {
    if (std::find(fromUrl.parts.begin(), fromUrl.parts.end(), part) != fromUrl.parts.end()) {
      continue;
    }
    // A query, suffix or host of the access name's own is part of what it
    // names; only a slash of its own is a slip.
    if (part != "a leading slash" && part != "a trailing slash") return {};
    differences.push_back("the access name has " + part);
  }
  if (fromUrl.text != fromName.text) differences.push_back("letter case differs");
  return differences;
}

// How a token after a marker differs from a stored profile token: more text
// after it, or letter case; `exactMarker` false when the marker itself was
// found only by ignoring letter case.
std::vector<std::string> TokenDifferences(const std::string& token, const std::string& stored,
                                          const char* marker, bool exactMarker) {
  std::vector<std::string> differences;
  if (!exactMarker) {
    differences.push_back("the marker \"" + std::string(marker) +
                          "\" differs in letter case, and the library compares it exactly");
  }
  if (stored.empty()) return {};
  if (token == stored) return exactMarker ? std::vector<std::string>() : differences;
  if (token.size() > stored.size() && Lower(token.substr(0, stored.size())) == Lower(stored)) {
    if (token.compare(0, stored.size(), stored) != 0) differences.push_back("letter case differs");
    differences.push_back("the token is followed by " + Quoted(token.substr(stored.size())) +
                          ", and the library takes the whole rest of the URL as the token");
  } else if (Lower(token) == Lower(stored)) {
    differences.push_back("letter case differs");
  } else {
    return {};
  }
  return differences;
}

const char* AfterMarkerIgnoringCase(const std::string& url, const char* marker) {
  const size_t at = Lower(url).find(marker);
  if (at == std::string::npos) return nullptr;
  return url.c_str() + at + std::strlen(marker);
}

void PrintStep(const Step& step, int number) {
  std::cout << "  " << number << ". " << step.handler << " (keys " << step.keys << "): "
            << (step.claims  ? "claims it"
                : step.asked ? "does not claim it"
                             : "not asked")
            << ", " << step.why << '\n';
}

}  // namespace

int RunExplain(const CommonOptions& options, const std::string& url) {
  const ConfigRoot root = ResolveRoot(options);
  if (!HoldsConfiguration(root.path)) return ReportMissingConfiguration(root);
  LibrarySession session(root.path, LibraryOutputFor(options));
  const CUrlMediaOne* media1 = session.mediaOne();
  const CUrlStreamserver* server = session.streamServer();
  const CUrlMediaTwo* media2 = session.mediaTwo();
  if (media1 == nullptr || server == nullptr || media2 == nullptr) {
    std::cerr << "strell: the library's handler chain is not Media1, stream server, Media2\n";
    return kExitFailure;
  }
  const Resolution resolution = ResolveUrl(session, url);

  Step first{"media1", "222-225", false, false, ""};
  Step second{"streamserver", "111-114", false, false, ""};
  Step third{"media2", "333-342", false, false, ""};
  std::vector<std::string> notes;

  // Media1: the marker followed by a token claims the URL, found or not.
  first.asked = true;
  const char* mediaOneToken = getMediaOneToken(url.c_str());
  const CMediaOneProfile* mediaOneProfile = nullptr;
  if (mediaOneToken != nullptr) {
    first.claims = true;
    for (const CMediaOneProfile& profile : media1->mediaOneProfiles) {
      if (Equal(profile.profileToken, mediaOneToken)) {
        mediaOneProfile = &profile;
        break;
      }
    }
    first.why = mediaOneProfile != nullptr
                    ? "the URL holds \"" + std::string(kMediaOneMarker) + "\" and the token " +
                          Quoted(mediaOneToken) + " of profile slot i" +
                          std::to_string(mediaOneProfile->profileKey - 222) + " (key " +
                          std::to_string(mediaOneProfile->profileKey) + ")"
                    : "the URL holds \"" + std::string(kMediaOneMarker) + "\" followed by " +
                          Quoted(mediaOneToken) +
                          ", which is no Media1 profile token: the answer is 8 and no other "
                          "handler is asked";
  } else if (url.find(kMediaOneMarker) != std::string::npos) {
    first.why = "the URL ends with \"" + std::string(kMediaOneMarker) + "\": no token follows";
  } else {
    first.why = "the URL does not hold \"" + std::string(kMediaOneMarker) + "\"";
  }

  // Stream server: the whole URL equal to an access name of slots s0 to s3.
  const CZellProfile* slot = nullptr;
  for (const CZellProfile& profile : server->profiles) {
    if (Equal(profile.accessname, url)) {
      slot = &profile;
      break;
    }
  }
  const std::string slotText = slot != nullptr
                                   ? "slot s" + std::to_string(slot->profileKey - 111) + " (key " +
                                         std::to_string(slot->profileKey) + ")"
                                   : std::string();
  second.asked = !first.claims;
  if (!second.asked) {
    second.why = "the Media1 handler claimed the URL first";
    if (slot != nullptr) {
      second.why += "; the access name of " + slotText + " equals the URL and is shadowed";
    }
  } else if (slot != nullptr) {
    second.claims = true;
    second.why = "the URL equals the access name of " + slotText;
    if (slot->enable == 0) {
      notes.push_back("the enable flag of " + slotText +
                      " is 0; the library resolves the slot all the same");
    }
  } else {
    second.why = "no access name equals the URL (whole text, letter case included)";
  }

  // Media2: the marker followed by a token claims the URL, found or not.
  const char* mediaTwoToken = checkIsMedia2(url.c_str());
  const CStreamProfile* streamProfile = nullptr;
  if (mediaTwoToken != nullptr) {
    for (const CStreamProfile& profile : media2->streamProfiles) {
      if (Equal(profile.profileToken, mediaTwoToken)) {
        streamProfile = &profile;
        break;
      }
    }
  }
  third.asked = second.asked && !second.claims;
  if (!third.asked) {
    third.why = std::string("the ") + (first.claims ? "Media1" : "stream-server") +
                " handler claimed the URL first";
    if (mediaTwoToken != nullptr) third.why += "; its Media2 token is shadowed";
  } else if (mediaTwoToken != nullptr) {
    third.claims = true;
    if (streamProfile == nullptr) {
      third.why = "the URL holds \"" + std::string(kMediaTwoMarker) + "\" followed by " +
                  Quoted(mediaTwoToken) + ", which is no stream profile token: the answer is 8";
    } else {
      third.why = "the URL holds \"" + std::string(kMediaTwoMarker) + "\" and the token " +
                  Quoted(mediaTwoToken) + " of stream profile slot i" +
                  std::to_string(streamProfile->profileKey - 333) + " (key " +
                  std::to_string(streamProfile->profileKey) + ")";
      if (resolution.code == STRELL_ERR_BAD_SOURCE) {
        third.why += ", whose video source " + Quoted(streamProfile->videoEncodeConfig.source) +
                     " does not read as c<channel>s<stream>: the answer is 9";
      }
    }
  } else if (url.find(kMediaTwoMarker) != std::string::npos) {
    third.why = "the URL ends with \"" + std::string(kMediaTwoMarker) +
                "\": no token follows, and the chain ends with 8";
  } else {
    third.why =
        "the URL does not hold \"" + std::string(kMediaTwoMarker) + "\", and the chain ends with 8";
  }

  // A resolved Media1 profile whose configuration tokens name nothing.
  if (mediaOneProfile != nullptr) {
    const struct {
      const std::string& token;
      const std::vector<COnvifMediaOneEncodeInfo>& list;
      const char* medium;
    } kMedia[] = {{mediaOneProfile->videoSouceToken, media1->videoEncodeList, "video"},
                  {mediaOneProfile->audioSouceToken, media1->audioEncodeList, "audio"},
                  {mediaOneProfile->metadataSouceToken, media1->metadataEncodeList, "metadata"}};
    for (const auto& medium : kMedia) {
      if (medium.token.empty()) continue;
      const bool found = std::any_of(
          medium.list.begin(), medium.list.end(),
          [&](const COnvifMediaOneEncodeInfo& info) { return info.token == medium.token; });
      if (!found) {
        notes.push_back(std::string("the profile's ") + medium.medium + " token " +
                        Quoted(medium.token) + " names no loaded configuration, so the profile " +
                        "resolves without " + medium.medium);
      }
    }
  }

  if (mediaOneProfile != nullptr && resolution.info.metadataInfo.mediaTask == 1) {
    notes.push_back(
        "the metadata configuration's token \"metadata1\" has no underscore, so "
        "Media1 metadata always reads as channel -1, stream -1");
  }

  // Near misses: the stored names this URL almost is.
  std::vector<NearMiss> nearMisses;
  if (resolution.code != STRELL_OK) {
    for (const CZellProfile& profile : server->profiles) {
      std::vector<std::string> differences = Differences(url, profile.accessname);
      if (!differences.empty()) {
        nearMisses.push_back({"streamserver", "s" + std::to_string(profile.profileKey - 111),
                              profile.profileKey, profile.accessname, differences});
      }
    }
    const char* oneToken =
        mediaOneToken != nullptr ? mediaOneToken : AfterMarkerIgnoringCase(url, kMediaOneMarker);
    const char* twoToken =
        mediaTwoToken != nullptr ? mediaTwoToken : AfterMarkerIgnoringCase(url, kMediaTwoMarker);
    if (oneToken != nullptr && *oneToken != '\0') {
      for (const CMediaOneProfile& profile : media1->mediaOneProfiles) {
        std::vector<std::string> differences = TokenDifferences(
            oneToken, profile.profileToken, kMediaOneMarker, mediaOneToken != nullptr);
        if (!differences.empty()) {
          nearMisses.push_back({"media1", "i" + std::to_string(profile.profileKey - 222),
                                profile.profileKey, profile.profileToken, differences});
        }
      }
      for (const CStreamProfile& profile : media2->streamProfiles) {
        if (!profile.profileToken.empty() && profile.profileToken == oneToken) {
          nearMisses.push_back({"media2",
                                "i" + std::to_string(profile.profileKey - 333),
                                profile.profileKey,
                                profile.profileToken,
                                {"the token is a Media2 stream profile token; Media2 URLs hold \"" +
                                 std::string(kMediaTwoMarker) + "\""}});
        }
      }
    }
    if (twoToken != nullptr && *twoToken != '\0') {
      for (const CStreamProfile& profile : media2->streamProfiles) {
        std::vector<std::string> differences = TokenDifferences(
            twoToken, profile.profileToken, kMediaTwoMarker, mediaTwoToken != nullptr);
        if (!differences.empty()) {
          nearMisses.push_back({"media2", "i" + std::to_string(profile.profileKey - 333),
                                profile.profileKey, profile.profileToken, differences});
        }
      }
      for (const CMediaOneProfile& profile : media1->mediaOneProfiles) {
        if (profile.profileToken == twoToken) {
          nearMisses.push_back({"media1",
                                "i" + std::to_string(profile.profileKey - 222),
                                profile.profileKey,
                                profile.profileToken,
                                {"the token is a Media1 profile token; Media1 URLs hold \"" +
                                 std::string(kMediaOneMarker) + "\""}});
        }
      }
    }
  }

  const Step steps[] = {first, second, third};
  if (options.json) {
    Json stepList = Json::array();
    for (const Step& step : steps) {
      stepList.push_back({{"handler", step.handler},
                          {"asked", step.asked},
                          {"claims", step.claims},
                          {"why", step.why}});
    }
    Json missList = Json::array();
    for (const NearMiss& miss : nearMisses) {
      missList.push_back({{"handler", miss.handler},
                          {"slot", miss.slot},
                          {"profileKey", miss.key},
                          {"profileName", miss.name},
                          {"differences", miss.differences}});
    }
    Json answer = {{"url", url},
                   {"code", resolution.code},
                   {"handler", resolution.handler != nullptr ? Json(resolution.handler) : Json()},
                   {"reason", resolution.reason.empty() ? Json() : Json(resolution.reason)},
                   {"steps", stepList},
                   {"nearMisses", missList},
                   {"notes", notes}};
    if (resolution.code == STRELL_OK) answer["record"] = ProfileInfoToJson(resolution.info);
    PrintJson(answer);
  } else {
    std::cout << url << '\n';
    for (int i = 0; i < 3; ++i) PrintStep(steps[i], i + 1);
    if (resolution.code == STRELL_OK) {
      std::cout << "  result: 0, resolved\n";
      PrintProfileInfo(std::cout, resolution.info, resolution.handler);
    } else {
      std::cout << "  result: " << resolution.code << ", " << resolution.reason << '\n';
    }
    for (const std::string& note : notes) std::cout << "  note: " << note << '\n';
    if (!nearMisses.empty()) std::cout << "  near misses:\n";
    for (const NearMiss& miss : nearMisses) {
      std::cout << "    " << miss.handler << ' ' << miss.slot << " (key " << miss.key << ") "
                << Quoted(miss.name) << ": ";
      for (size_t i = 0; i < miss.differences.size(); ++i) {
        std::cout << (i > 0 ? "; " : "") << miss.differences[i];
      }
      std::cout << '\n';
    }
  }
  return resolution.code == STRELL_OK ? kExitOk : kExitNegative;
}

}  // namespace strell_cli
