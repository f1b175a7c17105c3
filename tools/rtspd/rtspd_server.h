// The RTSP side of strell-rtspd, on GStreamer's RTSP server library.
//
// No stream is mounted in advance. Before the server looks up the media of a
// DESCRIBE or SETUP, a request hook asks the library about the request URL
// (rtspd_request.h) and mounts a factory built from the answer (rtspd_plan.h)
// at the media's path. Other answers become 404 Not Found (no profile, or a
// profile without media) and 500 Internal Server Error (a video source the
// library cannot parse); each is logged with its reason.
//
// Each medium with a usable multicast group in the record announces it in
// the SDP (c= and m= lines) and gets it in reply to a multicast SETUP; unicast
// UDP and TCP-interleaved delivery remain available. Every socket is on
// loopback: RTSP and unicast RTP on 127.0.0.1, multicast on interface lo.
//
// Everything, the RTSP requests included, runs on the default main context:
// the server uses no client threads, so a reload from a signal handler on the
// same loop never runs during a request. Media pipelines have their own
// streaming threads and are untouched by a reload.
#ifndef STRELL_TOOLS_RTSPD_RTSPD_SERVER_H_
#define STRELL_TOOLS_RTSPD_RTSPD_SERVER_H_

#include <memory>
#include <string>

#include "rtspd/rtspd_library.h"

namespace strell_rtspd {

class Server {
 public:
  explicit Server(Library& library);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Listens on 127.0.0.1:port (0: a free port) on the default main context.
  // Logs and returns false when a GStreamer element the test sources need is
  // missing or the port cannot be bound.
  bool Start(int port);
  // The port the server listens on, once started.
  int port() const { return port_; }
  // Closes every client connection and session, then stops listening.
  void Stop();

 private:
  struct State;
  std::unique_ptr<State> state_;
  int port_ = 0;
};

}  // namespace strell_rtspd

#endif  // STRELL_TOOLS_RTSPD_RTSPD_SERVER_H_
