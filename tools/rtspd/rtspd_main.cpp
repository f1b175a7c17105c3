// strell-rtspd: an RTSP server on 127.0.0.1 that asks libstrell, for every
// stream a client requests, which camera media the URL denotes, and streams
// test sources that show the answer. The smallest honest version of the
// camera's streaming service, for players written by others and for firmware
// engineers who integrate the library.
//
// Signals: SIGHUP reloads the configuration (Strell_Parse) without touching
// connected clients; SIGTERM and SIGINT close every client and release the
// library context before the process exits.
//
// The log: the server's own lines, what the host kit finds wrong with the
// configuration files (each once per version of a file), and with --trace
// the library's own trace lines, all prefixed "strell-rtspd: ".
#include <glib-unix.h>
#include <gst/gst.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <string>

#include "rtspd/rtspd_library.h"
#include "rtspd/rtspd_log.h"
#include "rtspd/rtspd_server.h"
#include "strell.h"
#include "strell_host.h"

namespace {

using strell_rtspd::Log;

struct Daemon {
  strell_rtspd::Library* library;
  GMainLoop* loop;
};

gboolean OnReload(gpointer data) {
  auto* daemon = static_cast<Daemon*>(data);
  // Strict or watching, the kit re-reads changed files; dropping its parsed
  // documents as well makes a reload read everything from disk.
  strell_host::DropCache();
  const int code = daemon->library->Reload();
  Log("SIGHUP: reloaded the configuration from %s: %s", strell_host::Root().c_str(),
      strell_rtspd::CodeText(code).c_str());
  return G_SOURCE_CONTINUE;
}

gboolean OnStop(gpointer data) {
  auto* daemon = static_cast<Daemon*>(data);
  Log("stopping");
  g_main_loop_quit(daemon->loop);
  return G_SOURCE_CONTINUE;
}

// The one file each handler needs; a root with none of them is most likely
// the wrong directory (the server still starts: a SIGHUP after the files
// appear loads them).
void WarnWithoutConfiguration(const std::string& root) {
  const char* const files[] = {"config_onvif/config_onvif_media_profile.xml",
                               "config_streamserver.xml", "config_streamprofile.xml"};
  for (const char* file : files) {
    if (access((root + "/" + file).c_str(), R_OK) == 0) return;
  }
  Log("warning: %s holds no camera configuration (none of %s, %s, %s); every URL is answered "
      "404. Name the directory that stands for /etc/conf.d with --root DIR.",
      root.c_str(), files[0], files[1], files[2]);
}

void LogLibraryLine(const char* line, void* /*user*/) { Log("libstrell: %s", line); }

// The camera numbers channels and streams from 1 in ONVIF and from 0 in its
// configuration files; every channel and stream this server logs is in the
// latter, with the former beside it.
void LogNumbering() {
  const TChannelStream onvif{1, 1};
  TChannelStream configuration{};
  Strell_OnvifToConfig(&onvif, &configuration);
  Log("numbering: ONVIF channel %d stream %d is configuration channel %d stream %d", onvif.channel,
      onvif.stream, configuration.channel, configuration.stream);
}

}  // namespace

int main(int argc, char** argv) {
  // Line-buffered even into a file or pipe, so a log shows each request as it
  // happens.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  // A log reader that goes away must not stop the streaming service.
  std::signal(SIGPIPE, SIG_IGN);

  int port = 8554;
  std::string root;
  CLI::App app{
      "strell-rtspd: an RTSP server on 127.0.0.1 that asks libstrell what each requested URL "
      "denotes and streams test sources showing the answer",
      "strell-rtspd"};
  app.add_option("--port", port, "TCP port to listen on (0: any free port)")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  app.add_option("--root", root,
                 "Directory that stands for /etc/conf.d (default: $STRELL_CONF_ROOT, then "
                 "/etc/conf.d)")
      ->type_name("DIR");
  bool trace = false;
  app.add_flag("--trace", trace,
               "Log the library's own trace lines (about a dozen per request) as "
               "\"strell-rtspd: libstrell: ...\"");
  app.footer(
      "The path and query of each request URI, without the leading slash, is what the library "
      "is asked: rtsp://127.0.0.1:8554/live1.sdp asks for \"live1.sdp\".\n"
      "SIGHUP reloads the configuration; SIGTERM stops the server.");
  CLI11_PARSE(app, argc, argv);

  gst_init(nullptr, nullptr);
  if (!root.empty()) strell_host::SetRoot(root);
  // The library prints its trace lines to standard output unless told
  // otherwise: into this log, or nowhere.
  Strell_SetTraceHandler(trace ? LogLibraryLine : nullptr, nullptr);
  // The library answers a missing or broken file with empty profiles, as it
  // must; the kit says what it found.
  strell_host::SetDiagnosticHandler([](const strell_host::Diagnostic& diagnostic) {
    Log("configuration: %s", diagnostic.message.c_str());
  });

  int status = 0;
  {
    strell_rtspd::Library library;
    if (!library.valid()) {
      Log("Strell_Init could not create a context");
      return 1;
    }
    const int parsed = library.Reload();
    Log("configuration root %s: %s", strell_host::Root().c_str(),
        strell_rtspd::CodeText(parsed).c_str());
    WarnWithoutConfiguration(strell_host::Root());
    LogNumbering();

    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    Daemon daemon{&library, loop};
    strell_rtspd::Server server(library);
    if (server.Start(port)) {
      const guint hup = g_unix_signal_add(SIGHUP, OnReload, &daemon);
      const guint term = g_unix_signal_add(SIGTERM, OnStop, &daemon);
      const guint interrupt = g_unix_signal_add(SIGINT, OnStop, &daemon);
      Log("listening on rtsp://127.0.0.1:%d/", server.port());
      g_main_loop_run(loop);
      g_source_remove(hup);
      g_source_remove(term);
      g_source_remove(interrupt);
      server.Stop();
    } else {
      status = 1;
    }
    g_main_loop_unref(loop);
  }  // Strell_Release
  Log("stopped; library context released");
  return status;
}
