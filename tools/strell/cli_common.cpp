#include "strell/cli_common.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "strell/characters.h"

namespace strell_cli {

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The example configuration shipped with the tool: the data directory seen
// from the tool's own directory, so an installed tool finds the installed
// example wherever its prefix was moved. In the build tree the same relative
// place links to the source tree's example. Empty when there is none.
std::string BundledExample() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return std::string();
  std::string directory(self, static_cast<size_t>(length));
  directory.erase(directory.rfind('/') + 1);
  char resolved[PATH_MAX];
  if (realpath((directory + STRELL_EXAMPLE_FROM_BINDIR).c_str(), resolved) == nullptr) {
    return std::string();
  }
  return HoldsConfiguration(resolved) ? resolved : std::string();
}

LibraryLines gLines = LibraryLines::kStdout;

void LineToStdout(const char* line, void*) { std::cout << line << '\n'; }
void LineToStderr(const char* line, void*) { std::cerr << line << '\n'; }

void RouteLines(LibraryLines lines) {
  gLines = lines;
  Strell_SetTraceHandler(lines == LibraryLines::kStdout   ? LineToStdout
                         : lines == LibraryLines::kStderr ? LineToStderr
                                                          : nullptr,
                         nullptr);
}

// The kit calls its handler from the reading thread; the tool has one.
std::vector<strell_host::Diagnostic> gDiagnostics;

Json MediumToJson(const TMediaEncodeConfig& medium) {
  return {{"mediaTask", medium.mediaTask}, {"channel", medium.channel}, {"stream", medium.stream},
          {"ipAddress", medium.ipAddress}, {"port", medium.port},       {"ttl", medium.ttl}};
}

void PrintMedium(std::ostream& out, const char* label, const TMediaEncodeConfig& medium) {
  out << "  " << label;
  if (medium.mediaTask == 0) {
    out << "not carried\n";
    return;
  }
  out << "channel " << medium.channel << ", stream " << medium.stream << ", address "
      << (medium.ipAddress[0] != '\0' ? medium.ipAddress : "(none)") << ", port " << medium.port
      << ", ttl " << medium.ttl;
  if (medium.mediaTask != 1) out << " (mediaTask " << medium.mediaTask << ")";
  out << '\n';
}

}  // namespace

ConfigRoot ResolveRoot(const CommonOptions& options) {
  if (!options.root.empty()) return {options.root, "--root"};
  // The kit's own choice when no root is set: the variable, then the
  // library's configuration directory.
  const char* fromEnvironment = std::getenv("STRELL_CONF_ROOT");
  const bool set = fromEnvironment != nullptr && fromEnvironment[0] != '\0';
  return {strell_host::Root(), set ? "STRELL_CONF_ROOT" : "the default"};
}

std::string Relative(const std::string& libraryPath) {
  const std::string directory = kConfigDirectory;
  return libraryPath.compare(0, directory.size(), directory) == 0
             ? libraryPath.substr(directory.size())
             : libraryPath;
}

bool HoldsConfiguration(const std::string& root) {
  for (const CHandlerDescription& handler : kHandlerChain) {
    if (IsRegularFile(root + "/" + Relative(handler.profileFile()))) return true;
  }
  return false;
}

std::string MissingConfiguration(const ConfigRoot& root) {
  std::string message =
      "no camera configuration in " + root.path + " (" + root.origin + "): it holds none of";
  for (const CHandlerDescription& handler : kHandlerChain) {
    message += " " + Relative(handler.profileFile());
  }
  message += ". Name the directory that stands for " + std::string(kConfigDirectory) +
             " with --root DIR (or STRELL_CONF_ROOT); ";
  const std::string example = BundledExample();
  return message + (example.empty() ? "no example configuration is installed beside the tool"
                                    : "the bundled example is --root " + example);
}

int ReportMissingConfiguration(const ConfigRoot& root, const CommonOptions& options) {
  if (options.json) {
    PrintJson({{"root", root.path}, {"error", MissingConfiguration(root)}});
  } else {
    std::cerr << "strell: " << MissingConfiguration(root) << '\n';
  }
  return kExitFailure;
}

LibraryLines LibraryLinesFor(const CommonOptions& options) {
  if (options.json && !options.verbose) return LibraryLines::kDropped;
  return LibraryLines::kStderr;
}

LinesTo::LinesTo(LibraryLines lines) : previous_(gLines) { RouteLines(lines); }
LinesTo::~LinesTo() { RouteLines(previous_); }

LibrarySession::LibrarySession(const std::string& root, LibraryLines lines, bool verbose)
    : root_(root), verbose_(verbose) {
  strell_host::SetRoot(root);
  // One load and a few queries: no file watching, whatever the environment asks.
  strell_host::SetFreshness(strell_host::Freshness::kStrict);
  gDiagnostics.clear();
  strell_host::SetDiagnosticHandler([verbose](const strell_host::Diagnostic& diagnostic) {
    gDiagnostics.push_back(diagnostic);
    if (verbose) std::cerr << "strell: host kit: " << diagnostic.message << '\n';
  });
  RouteLines(lines);
  Strell_Init(&handle_);
  parseCode_ = Strell_Parse(handle_);
}

LibrarySession::~LibrarySession() {
  Strell_Release(&handle_);
  strell_host::SetDiagnosticHandler(nullptr);
}

const std::vector<strell_host::Diagnostic>& LibrarySession::diagnostics() const {
  return gDiagnostics;
}

std::vector<StoredProfile> StoredProfiles(const LibrarySession& session) {
  std::vector<StoredProfile> stored;
  const auto add = [&stored](int id, int key, const std::string& name) {
    StoredProfile profile;
    profile.handler = describeHandler(id);
    profile.key = key;
    profile.slot = key - id;
    profile.name = name;
    if (!name.empty()) {
      profile.url = profile.handler->marker != nullptr ? profile.handler->marker() + name : name;
    }
    stored.push_back(profile);
  };
  if (const CUrlMediaOne* handler = session.handler<CUrlMediaOne>()) {
    for (const CMediaOneProfile& p : handler->mediaOneProfiles) {
      add(handler->id, p.profileKey, p.profileToken);
    }
  }
  if (const CUrlStreamserver* handler = session.handler<CUrlStreamserver>()) {
    for (const CZellProfile& p : handler->profiles) add(handler->id, p.profileKey, p.accessname);
  }
  if (const CUrlMediaTwo* handler = session.handler<CUrlMediaTwo>()) {
    for (const CStreamProfile& p : handler->streamProfiles) {
      add(handler->id, p.profileKey, p.profileToken);
    }
  }
  return stored;
}

std::string ProfileNameOfKey(const LibrarySession& session, int key) {
  for (const StoredProfile& profile : StoredProfiles(session)) {
    if (profile.key == key) return profile.name;
  }
  return std::string();
}

Resolution ResolveUrl(const LibrarySession& session, const std::string& url) {
  Resolution result;
  result.code = Strell_GetProfileInfoByStreamUrl(session.handle(), url.c_str(), &result.info);
  // A profile key is written on success and for a video source that does
  // not parse; otherwise the first handler whose marker test takes the URL
  // claimed it (a whole-URL handler claims only what it answers).
  if (result.code == STRELL_OK || result.code == STRELL_ERR_BAD_SOURCE) {
    result.handler = describeKey(result.info.profileKey);
  } else {
    for (const CHandlerDescription& handler : kHandlerChain) {
      if (handler.tokenOf != nullptr && handler.tokenOf(url.c_str()) != nullptr) {
        result.handler = &handler;
        break;
      }
    }
  }
  if (result.code == STRELL_OK) return result;
  if (result.code == STRELL_ERR_BAD_SOURCE) {
    std::string source;
    if (const CUrlMediaTwo* media2 = session.handler<CUrlMediaTwo>()) {
      for (const CStreamProfile& profile : media2->streamProfiles) {
        if (profile.profileKey == result.info.profileKey) source = profile.videoEncodeConfig.source;
      }
    }
    result.reason = std::string("bad video source: the ") +
                    (result.handler != nullptr ? result.handler->title : "") + " profile " +
                    Quoted(result.info.profileName) + " (key " +
                    std::to_string(result.info.profileKey) + ") has the video source " +
                    Quoted(source) + ", which does not read as c<channel>s<stream>";
  } else if (result.code == STRELL_ERR_NOT_FOUND && result.handler != nullptr) {
    result.reason = std::string("profile not found: the ") + result.handler->title +
                    " handler claims the URL and loads no profile with the token " +
                    Quoted(result.handler->tokenOf(url.c_str()));
  } else if (result.code == STRELL_ERR_NOT_FOUND) {
    result.reason = "not claimed by any handler: the URL holds";
    const char* joint = " neither ";
    for (const CHandlerDescription& handler : kHandlerChain) {
      if (handler.marker == nullptr) continue;
      result.reason += joint + Quoted(handler.marker());
      joint = " nor ";
    }
    result.reason += " with a token, and equals no access name";
  } else {
    result.reason = "the library answered " + std::to_string(result.code);
  }
  return result;
}

bool Candidate::answersItself() const {
  return answer.info.profileKey == profile.key &&
         (answer.code == STRELL_OK || answer.code == STRELL_ERR_BAD_SOURCE);
}

std::vector<Candidate> ProbeProfiles(const LibrarySession& session) {
  LinesTo lines(session.verbose() ? LibraryLines::kStderr : LibraryLines::kDropped);
  std::vector<Candidate> candidates;
  for (const StoredProfile& profile : StoredProfiles(session)) {
    if (profile.url.empty()) continue;
    Candidate candidate;
    candidate.profile = profile;
    candidate.firstDiagnostic = session.diagnostics().size();
    candidate.answer = ResolveUrl(session, profile.url);
    candidate.endDiagnostic = session.diagnostics().size();
    candidates.push_back(candidate);
  }
  return candidates;
}

const char* NameOf(const CHandlerDescription* handler) {
  return handler != nullptr ? handler->name : "(none)";
}

Json ProfileInfoToJson(const TProfileInfo& info) {
  return {{"profileKey", info.profileKey},
          {"profileName", info.profileName},
          {"videoInfo", MediumToJson(info.videoInfo)},
          {"audioInfo", MediumToJson(info.audioInfo)},
          {"metadataInfo", MediumToJson(info.metadataInfo)}};
}

void PrintProfileInfo(std::ostream& out, const TProfileInfo& info,
                      const CHandlerDescription* handler) {
  out << "  handler   " << NameOf(handler) << '\n';
  out << "  key       " << info.profileKey << '\n';
  out << "  name      " << info.profileName << '\n';
  PrintMedium(out, "video     ", info.videoInfo);
  PrintMedium(out, "audio     ", info.audioInfo);
  PrintMedium(out, "metadata  ", info.metadataInfo);
}

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const Character& c : Decode(text)) {
    char escaped[16] = "";
    if (!c.valid || c.code < 0x20 || c.code == 0x7f) {
      std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c.code));
    } else if (IsInvisible(c.code)) {
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c.code));
    } else if (c.code == '"' || c.code == '\\') {
      quoted += '\\';
    }
    if (escaped[0] != '\0') {
      quoted += escaped;
    } else {
      quoted.append(text, c.offset, c.length);
    }
  }
  return quoted + "\"";
}

void PrintJson(const Json& value) {
  std::cout << value.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

Json OrNull(const std::string& text) { return text.empty() ? Json() : Json(text); }
Json OrNull(int number) { return number == 0 ? Json() : Json(number); }

}  // namespace strell_cli
