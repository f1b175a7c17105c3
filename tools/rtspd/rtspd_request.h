// From an RTSP request URI to the stream URL the library is asked about.
//
// The server hands the library the path and query of the request URI without
// the leading slash: rtsp://127.0.0.1:8554/media/stream.sdp?profile=Profile_1
// is asked as "media/stream.sdp?profile=Profile_1". Scheme, host and port name
// the server, not the stream, and change with the address a client used; the
// access-name handler compares whole texts, so they must not reach it. The
// query must: the ONVIF profile URLs carry the profile token there.
#ifndef STRELL_TOOLS_RTSPD_RTSPD_REQUEST_H_
#define STRELL_TOOLS_RTSPD_RTSPD_REQUEST_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "strell.h"

namespace strell_rtspd {

// The server's path for a request URI: "/" + path, plus "?" + query when the
// URI has a query (an empty one included), less one slash that ends the
// query: GStreamer drops the one that ends a path, and a client appends one to
// the URL of the whole presentation. `abspath` may be null or empty.
std::string RequestPath(const char* abspath, const char* query);

// The text the library is asked about for a request path: the path without
// its one leading slash.
std::string_view StreamUrlOfPath(std::string_view path);

// Where the control part of a SETUP path starts. A client sets up one stream
// of a media by appending "/stream=<n>" (the control the server announces in
// its SDP) to the media's URL, after the query if there is one. Returns the
// position of that slash, or npos when the path does not end in a control.
std::size_t ControlStart(std::string_view path);

// Asks the library about a stream URL: returns its result code and fills the
// record, which is zero-filled when passed.
using StreamUrlResolver = std::function<int(const std::string& url, TProfileInfo* info)>;

// The outcome of resolving one request path.
struct PathResolution {
  int code = STRELL_ERR_NOT_FOUND;  // the library's answer for `url`
  TProfileInfo info{};              // the record it filled (zeros where it wrote nothing)
  std::string url;                  // the text that was asked last
  std::size_t matched = 0;          // length of the path part that names the media
};

// Resolves a request path: first the whole path; when the library knows no
// such stream and the path ends in a control, the path without it (the URL of
// the media a SETUP addresses). The whole path is asked first because a
// configured name may itself end in something that looks like a control.
PathResolution ResolveRequestPath(std::string_view path, const StreamUrlResolver& resolve);

}  // namespace strell_rtspd

#endif  // STRELL_TOOLS_RTSPD_RTSPD_REQUEST_H_
