#include "rtspd/rtspd_request.h"

namespace strell_rtspd {

namespace {

constexpr std::string_view kControlPrefix = "/stream=";

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::string RequestPath(const char* abspath, const char* query) {
  std::string path = abspath != nullptr ? abspath : "";
  if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
  if (query != nullptr) {
    path += '?';
    path += query;
    // GStreamer drops the slash that ends a path ("live1.sdp/", the URL of
    // the whole presentation once a client appended a slash to set up its
    // streams); one that ends a query is dropped the same way.
    if (path.back() == '/') path.pop_back();
  }
  return path;
}

std::string_view StreamUrlOfPath(std::string_view path) {
  if (!path.empty() && path.front() == '/') path.remove_prefix(1);
  return path;
}

std::size_t ControlStart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  // The slash at position 0 starts the path itself: a path that is only a
  // control ("/stream=0") names no media.
  if (slash == std::string_view::npos || slash == 0) return std::string_view::npos;
  const std::string_view tail = path.substr(slash);
  if (tail.substr(0, kControlPrefix.size()) != kControlPrefix) return std::string_view::npos;
  if (!AllDigits(tail.substr(kControlPrefix.size()))) return std::string_view::npos;
  return slash;
}

PathResolution ResolveRequestPath(std::string_view path, const StreamUrlResolver& resolve) {
  PathResolution result;
  result.url = std::string(StreamUrlOfPath(path));
  result.matched = path.size();
  result.code = resolve(result.url, &result.info);
  if (result.code != STRELL_ERR_NOT_FOUND) return result;

  const std::size_t control = ControlStart(path);
  if (control == std::string_view::npos) return result;
  PathResolution media;
  media.url = std::string(StreamUrlOfPath(path.substr(0, control)));
  media.matched = control;
  media.code = resolve(media.url, &media.info);
  // When the media part is unknown as well, the answer reported is the one
  // for the whole URL the client sent.
  return media.code == STRELL_ERR_NOT_FOUND ? result : media;
}

}  // namespace strell_rtspd
