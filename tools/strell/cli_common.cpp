#include "strell/cli_common.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "api/stream_url_hndl.h"
#include "media1/url_media_one.h"
#include "media2/url_media_two.h"
#include "streamserver/url_streamserver.h"
#include "strell_host.h"

namespace strell_cli {

namespace {

// The files whose presence makes a directory a configuration root: the one
// file each handler cannot work without.
const char* const kHandlerFiles[] = {
    "config_onvif/config_onvif_media_profile.xml",
    "config_streamserver.xml",
    "config_streamprofile.xml",
};

bool IsRegularFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

nlohmann::ordered_json MediumToJson(const TMediaEncodeConfig& medium) {
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
  const char* fromEnvironment = std::getenv("STRELL_CONF_ROOT");
  if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') {
    return {fromEnvironment, "STRELL_CONF_ROOT"};
  }
  return {"/etc/conf.d", "the default"};
}

bool HoldsConfiguration(const std::string& root) {
  for (const char* file : kHandlerFiles) {
    if (IsRegularFile(root + "/" + file)) return true;
  }
  return false;
}

namespace {

// Where the example configuration is: in the source tree for a build, under
// the data directory for an installed tool.
std::string BundledExampleRoot() {
  for (const char* root : {STRELL_EXAMPLE_ROOT, STRELL_INSTALLED_EXAMPLE_ROOT}) {
    if (IsRegularFile(std::string(root) + "/config_streamserver.xml")) return root;
  }
  return "examples/conf.d";
}

}  // namespace

int ReportMissingConfiguration(const ConfigRoot& root) {
  std::cerr << "strell: no camera configuration in " << root.path << " (" << root.origin
            << "): it holds none of";
  for (const char* file : kHandlerFiles) std::cerr << ' ' << file;
  std::cerr << ".\nstrell: name the directory that stands for /etc/conf.d with --root DIR (or "
               "STRELL_CONF_ROOT); the bundled example is --root "
            << BundledExampleRoot() << "\n";
  return kExitFailure;
}

LibraryOutput LibraryOutputFor(const CommonOptions& options) {
  if (options.json && !options.verbose) return LibraryOutput::kDiscard;
  return LibraryOutput::kStderr;
}

StdoutDiversion::StdoutDiversion(LibraryOutput target) {
  if (target == LibraryOutput::kStdout) return;
  std::cout.flush();
  std::fflush(stdout);
  const int replacement = target == LibraryOutput::kDiscard
                              ? open("/dev/null", O_WRONLY | O_CLOEXEC)
                              : fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
  if (replacement < 0) return;
  saved_ = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
  if (saved_ < 0 || dup2(replacement, STDOUT_FILENO) < 0) {
    // Without a spare descriptor the lines stay where the library puts them.
    if (saved_ >= 0) close(saved_);
    saved_ = -1;
  }
  close(replacement);
}

StdoutDiversion::~StdoutDiversion() {
  if (saved_ < 0) return;
  std::fflush(stdout);
  dup2(saved_, STDOUT_FILENO);
  close(saved_);
}

LibrarySession::LibrarySession(const std::string& root, LibraryOutput output) : output_(output) {
  strell_host::SetRoot(root);
  // One load and a few queries: no file watching, whatever the environment asks.
  strell_host::SetFreshness(strell_host::Freshness::kStrict);
  Strell_Init(&handle_);
  parseCode_ = Call([this] { return Strell_Parse(handle_); });
}

LibrarySession::~LibrarySession() { Strell_Release(&handle_); }

CUrlMediaOne* LibrarySession::mediaOne() const {
  if (handle_ == nullptr || handle_->context->handlers.size() < 1) return nullptr;
  return dynamic_cast<CUrlMediaOne*>(handle_->context->handlers[0]);
}

CUrlStreamserver* LibrarySession::streamServer() const {
  if (handle_ == nullptr || handle_->context->handlers.size() < 2) return nullptr;
  return dynamic_cast<CUrlStreamserver*>(handle_->context->handlers[1]);
}

CUrlMediaTwo* LibrarySession::mediaTwo() const {
  if (handle_ == nullptr || handle_->context->handlers.size() < 3) return nullptr;
  return dynamic_cast<CUrlMediaTwo*>(handle_->context->handlers[2]);
}

const char* HandlerOfKey(int key) {
  if (key >= 111 && key <= 114) return "streamserver";
  if (key >= 222 && key <= 225) return "media1";
  if (key >= 333 && key <= 342) return "media2";
  return nullptr;
}

std::string ProfileNameOfKey(const LibrarySession& session, int key) {
  if (const CUrlMediaOne* media1 = session.mediaOne()) {
    for (const CMediaOneProfile& profile : media1->mediaOneProfiles) {
      if (profile.profileKey == key) return profile.profileToken;
    }
  }
  if (const CUrlStreamserver* server = session.streamServer()) {
    for (const CZellProfile& profile : server->profiles) {
      if (profile.profileKey == key) return profile.accessname;
    }
  }
  if (const CUrlMediaTwo* media2 = session.mediaTwo()) {
    for (const CStreamProfile& profile : media2->streamProfiles) {
      if (profile.profileKey == key) return profile.profileToken;
    }
  }
  return std::string();
}

nlohmann::ordered_json ProfileInfoToJson(const TProfileInfo& info) {
  return {{"profileKey", info.profileKey},
          {"profileName", info.profileName},
          {"videoInfo", MediumToJson(info.videoInfo)},
          {"audioInfo", MediumToJson(info.audioInfo)},
          {"metadataInfo", MediumToJson(info.metadataInfo)}};
}

void PrintProfileInfo(std::ostream& out, const TProfileInfo& info, const char* handler) {
  out << "  handler   " << (handler != nullptr ? handler : "(none)") << '\n';
  out << "  key       " << info.profileKey << '\n';
  out << "  name      " << info.profileName << '\n';
  PrintMedium(out, "video     ", info.videoInfo);
  PrintMedium(out, "audio     ", info.audioInfo);
  PrintMedium(out, "metadata  ", info.metadataInfo);
}

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      quoted += escaped;
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + "\"";
}

void PrintJson(const nlohmann::ordered_json& value) {
  std::cout << value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

Resolution ResolveUrl(const LibrarySession& session, const std::string& url) {
  Resolution result;
  result.code = session.Call([&] {
    return Strell_GetProfileInfoByStreamUrl(session.handle(), url.c_str(), &result.info);
  });
  if (result.code == STRELL_OK) {
    result.handler = HandlerOfKey(result.info.profileKey);
    return result;
  }
  // Which handler claimed a failed URL: the library's own marker tests, in
  // chain order. A stream-server claim never fails.
  if (const char* token = getMediaOneToken(url.c_str())) {
    result.handler = "media1";
    result.reason =
        "profile not found: the Media1 handler claims the URL and loads no profile "
        "with the token " +
        Quoted(token);
  } else if (result.code == STRELL_ERR_BAD_SOURCE) {
    result.handler = "media2";
    std::string source;
    if (const CUrlMediaTwo* media2 = session.mediaTwo()) {
      for (const CStreamProfile& profile : media2->streamProfiles) {
        if (profile.profileKey == result.info.profileKey) source = profile.videoEncodeConfig.source;
      }
    }
    result.reason = "bad video source: the Media2 profile " + Quoted(result.info.profileName) +
                    " (key " + std::to_string(result.info.profileKey) + ") has the video source " +
                    Quoted(source) + ", which does not read as c<channel>s<stream>";
  } else if (const char* media2Token = checkIsMedia2(url.c_str())) {
    result.handler = "media2";
    result.reason =
        "profile not found: the Media2 handler claims the URL and loads no stream "
        "profile with the token " +
        Quoted(media2Token);
  } else if (result.code == STRELL_ERR_NOT_FOUND) {
    result.reason =
        "not claimed by any handler: the URL holds neither \"media/stream.sdp?profile=\" "
        "nor \"media2/stream.sdp?profile=\" with a token, and equals no access name";
  } else {
    result.reason = "the library answered " + std::to_string(result.code);
  }
  return result;
}

}  // namespace strell_cli
