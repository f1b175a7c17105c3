#include "rtspd/rtspd_server.h"

#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>
#include <gst/sdp/gstsdpmessage.h>

#include <cstdio>
#include <string>

#include "rtspd/rtspd_config.h"
#include "rtspd/rtspd_log.h"
#include "rtspd/rtspd_plan.h"
#include "rtspd/rtspd_request.h"

namespace strell_rtspd {

namespace {

constexpr const char* kListenAddress = "127.0.0.1";
// Unicast RTP and RTCP sockets are bound to loopback too, from this range.
// A multicast group's port must lie outside it: the server binds the group's
// port on every address of lo, which a unicast socket on that port blocks.
constexpr guint kUnicastPortFirst = 20000;
constexpr guint kUnicastPortLast = 29999;
// Multicast is offered, never sent anywhere but the loopback interface.
constexpr const char* kMulticastInterface = "lo";
// Every client is anonymous and has this role (no credentials are asked).
constexpr const char* kClientRole = "client";

// Decides, for each request, what the library says about its URL.
class Router {
 public:
  explicit Router(Library& library) : library_(library) {}

  void set_mounts(GstRTSPMountPoints* mounts) { mounts_ = mounts; }

  // Runs before the server looks up the media of a DESCRIBE or SETUP request:
  // resolves its URL and logs the answer. For a stream, mounts a factory for
  // it at the media's path, where the server's lookup that follows finds it,
  // and returns OK; otherwise returns the status to reply with.
  GstRTSPStatusCode Admit(const char* method, GstRTSPContext* context);

 private:
  // Replaces the factory mounted for the previous request with `factory` at
  // `path`. One mount at a time: the lookup only follows a request that was
  // admitted, and requests are handled one after the other.
  void Mount(const std::string& path, GstRTSPMediaFactory* factory);

  Library& library_;
  GstRTSPMountPoints* mounts_ = nullptr;
  std::string mounted_;
};

// --- The mount points: paths keep their query. ----------------------------

struct StrellRtspMounts {
  GstRTSPMountPoints parent;
};
struct StrellRtspMountsClass {
  GstRTSPMountPointsClass parent_class;
};
G_DEFINE_TYPE(StrellRtspMounts, strell_rtsp_mounts, GST_TYPE_RTSP_MOUNT_POINTS)

gchar* MountsMakePath(GstRTSPMountPoints*, const GstRTSPUrl* url) {
  // The query belongs to the path: the ONVIF profile URLs name their profile
  // there, and the client builds each stream's SETUP URL after it.
  return g_strdup(RequestPath(url->abspath, url->query).c_str());
}

void strell_rtsp_mounts_class_init(StrellRtspMountsClass* klass) {
  GstRTSPMountPointsClass* mounts = GST_RTSP_MOUNT_POINTS_CLASS(klass);
  mounts->make_path = MountsMakePath;
}

void strell_rtsp_mounts_init(StrellRtspMounts*) {}

// --- The media: announces the record's multicast groups in its SDP. -------

struct StrellRtspMedia {
  GstRTSPMedia parent;
  MediaPlan* plan;
};
struct StrellRtspMediaClass {
  GstRTSPMediaClass parent_class;
};
G_DEFINE_TYPE(StrellRtspMedia, strell_rtsp_media, GST_TYPE_RTSP_MEDIA)

StrellRtspMedia* AsStrellMedia(GstRTSPMedia* media) {
  return G_TYPE_CHECK_INSTANCE_TYPE(media, strell_rtsp_media_get_type())
             ? reinterpret_cast<StrellRtspMedia*>(media)
             : nullptr;
}

// The stream index of an SDP media section, from its "a=control:stream=<n>".
int ControlIndex(const GstSDPMedia* section) {
  const gchar* control = gst_sdp_media_get_attribute_val(section, "control");
  int index = -1;
  if (control == nullptr || std::sscanf(control, "stream=%d", &index) != 1) return -1;
  return index;
}

// Each medium with a usable group is announced with it: the group and TTL on
// the media's c= line and the RTP port on its m= line, as RFC 2326 describes
// for multicast sessions. Clients may still ask for unicast or interleaved
// delivery in SETUP.
gboolean MediaSetupSdp(GstRTSPMedia* media, GstSDPMessage* sdp, GstSDPInfo* info) {
  const guint before = gst_sdp_message_medias_len(sdp);
  if (!GST_RTSP_MEDIA_CLASS(strell_rtsp_media_parent_class)->setup_sdp(media, sdp, info)) {
    return FALSE;
  }
  StrellRtspMedia* self = AsStrellMedia(media);
  if (self == nullptr || self->plan == nullptr) return TRUE;
  const guint after = gst_sdp_message_medias_len(sdp);
  for (guint i = before; i < after; ++i) {
    // The message owns its sections; this edits one in place.
    auto* section = const_cast<GstSDPMedia*>(gst_sdp_message_get_media(sdp, i));
    const int index = ControlIndex(section);
    if (index < 0 || static_cast<std::size_t>(index) >= self->plan->streams.size()) continue;
    const ServedStream& stream = self->plan->streams[static_cast<std::size_t>(index)];
    if (!stream.multicast) continue;
    gst_sdp_media_set_port_info(section, static_cast<guint>(stream.group.port), 1);
    while (gst_sdp_media_connections_len(section) > 0) {
      gst_sdp_media_remove_connection(section, 0);
    }
    gst_sdp_media_add_connection(section, "IN", "IP4", stream.group.address.c_str(),
                                 static_cast<guint>(stream.group.ttl), 1);
  }
  return TRUE;
}

void MediaFinalize(GObject* object) {
  auto* self = reinterpret_cast<StrellRtspMedia*>(object);
  delete self->plan;
  self->plan = nullptr;
  G_OBJECT_CLASS(strell_rtsp_media_parent_class)->finalize(object);
}

void strell_rtsp_media_class_init(StrellRtspMediaClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = MediaFinalize;
  GST_RTSP_MEDIA_CLASS(klass)->setup_sdp = MediaSetupSdp;
}

void strell_rtsp_media_init(StrellRtspMedia* self) { self->plan = nullptr; }

// --- Configuring a new media from its plan. -------------------------------

// Writes the metadata line into each buffer the metadata source makes.
void OnMetadataHandoff(GstElement*, GstBuffer* buffer, GstPad*, gpointer data) {
  const auto* text = static_cast<const std::string*>(data);
  if (gst_buffer_is_writable(buffer)) gst_buffer_fill(buffer, 0, text->data(), text->size());
}

void DeleteText(gpointer data, GClosure*) { delete static_cast<std::string*>(data); }

void ConfigureStream(GstRTSPStream* stream, const ServedStream& served) {
  GstRTSPAddressPool* pool = gst_rtsp_address_pool_new();
  gst_rtsp_address_pool_add_range(pool, kListenAddress, kListenAddress, kUnicastPortFirst,
                                  kUnicastPortLast, 0);
  bool multicast = served.multicast;
  if (multicast) {
    // The pool holds the record's group and nothing else, so no other group
    // can be set up; ClientConfigureTransport fills it in for clients that
    // leave the choice to the server.
    const std::string& group = served.group.address;
    const auto port = static_cast<guint16>(served.group.port);
    multicast = gst_rtsp_address_pool_add_range(pool, group.c_str(), group.c_str(), port,
                                                static_cast<guint16>(port + 1),
                                                static_cast<guint8>(served.group.ttl)) != FALSE;
    if (!multicast) {
      Log("%s: GStreamer refused multicast group %s port %d ttl %d", MediumName(served.medium),
          group.c_str(), served.group.port, served.group.ttl);
    }
  }
  gst_rtsp_stream_set_address_pool(stream, pool);
  g_object_unref(pool);
  gst_rtsp_stream_set_multicast_iface(stream, kMulticastInterface);
  if (!multicast) {
    // A multicast SETUP is then answered 461 Unsupported Transport.
    gst_rtsp_stream_set_protocols(stream, static_cast<GstRTSPLowerTrans>(GST_RTSP_LOWER_TRANS_UDP |
                                                                         GST_RTSP_LOWER_TRANS_TCP));
  }
}

void OnMediaConfigure(GstRTSPMediaFactory*, GstRTSPMedia* media, gpointer data) {
  const MediaPlan& plan = *static_cast<const MediaPlan*>(data);
  if (StrellRtspMedia* self = AsStrellMedia(media)) {
    delete self->plan;
    self->plan = new MediaPlan(plan);
  }
  const guint count = gst_rtsp_media_n_streams(media);
  for (guint i = 0; i < count && i < plan.streams.size(); ++i) {
    ConfigureStream(gst_rtsp_media_get_stream(media, i), plan.streams[i]);
  }
  GstElement* top = gst_rtsp_media_get_element(media);
  for (std::size_t i = 0; i < plan.streams.size(); ++i) {
    if (plan.streams[i].medium != Medium::kMetadata) continue;
    GstElement* source = gst_bin_get_by_name(GST_BIN(top), MetadataSourceName(i).c_str());
    if (source == nullptr) continue;
    g_signal_connect_data(source, "handoff", G_CALLBACK(OnMetadataHandoff),
                          new std::string(plan.streams[i].metadataText), DeleteText,
                          static_cast<GConnectFlags>(0));
    gst_object_unref(source);
  }
  gst_object_unref(top);
}

void DeletePlan(gpointer data, GClosure*) { delete static_cast<MediaPlan*>(data); }

GstRTSPMediaFactory* MakeFactory(const MediaPlan& plan) {
  GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
  gst_rtsp_media_factory_set_launch(factory, plan.launch.c_str());
  gst_rtsp_media_factory_set_media_gtype(factory, strell_rtsp_media_get_type());
  // Each client gets its own pipeline, built from the answer of its own
  // request: a reload never changes a media that is already streaming.
  gst_rtsp_media_factory_set_shared(factory, FALSE);
  gst_rtsp_media_factory_add_role(factory, kClientRole, GST_RTSP_PERM_MEDIA_FACTORY_ACCESS,
                                  G_TYPE_BOOLEAN, TRUE, GST_RTSP_PERM_MEDIA_FACTORY_CONSTRUCT,
                                  G_TYPE_BOOLEAN, TRUE, nullptr);
  g_signal_connect_data(factory, "media-configure", G_CALLBACK(OnMediaConfigure),
                        new MediaPlan(plan), DeletePlan, static_cast<GConnectFlags>(0));
  return factory;
}

// --- Requests. ------------------------------------------------------------

GstRTSPStatusCode Router::Admit(const char* method, GstRTSPContext* context) {
  const std::string path = RequestPath(context->uri->abspath, context->uri->query);
  // A stream of a media the client's session already holds is set up from
  // that media, as the server does: it keeps what it was given even when a
  // reload has changed the answer since.
  gint matched = 0;
  if (context->session != nullptr &&
      gst_rtsp_session_get_media(context->session, path.c_str(), &matched) != nullptr) {
    Log("%s \"%s\": media of session %s", method, std::string(StreamUrlOfPath(path)).c_str(),
        gst_rtsp_session_get_sessionid(context->session));
    return GST_RTSP_STS_OK;
  }
  const PathResolution answer = ResolveRequestPath(
      path,
      [this](const std::string& url, TProfileInfo* info) { return library_.Resolve(url, info); });
  const TProfileInfo& info = answer.info;
  const std::string asked(StreamUrlOfPath(path));

  if (answer.code == STRELL_ERR_NOT_FOUND) {
    Log("%s \"%s\": 404 Not Found: %s", method, asked.c_str(), CodeText(answer.code).c_str());
    return GST_RTSP_STS_NOT_FOUND;
  }
  if (answer.code != STRELL_OK) {
    // A bad video source names its profile: the library wrote key and name.
    Log("%s \"%s\": 500 Internal Server Error: %s; profile %d \"%.255s\"", method, asked.c_str(),
        CodeText(answer.code).c_str(), info.profileKey, info.profileName);
    return GST_RTSP_STS_INTERNAL_SERVER_ERROR;
  }
  const VideoFrame video = info.videoInfo.mediaTask == 1
                               ? ConfiguredVideoFrame(info.videoInfo.channel, info.videoInfo.stream)
                               : VideoFrame{};
  const MediaPlan plan = PlanMedia(info, video);
  if (plan.streams.empty()) {
    Log("%s \"%s\": 404 Not Found: profile %d \"%.255s\" carries no medium", method, asked.c_str(),
        info.profileKey, info.profileName);
    return GST_RTSP_STS_NOT_FOUND;
  }
  Mount(path.substr(0, answer.matched), MakeFactory(plan));
  if (answer.url != asked) {
    Log("%s \"%s\": profile %d \"%.255s\" (media \"%s\")", method, asked.c_str(), info.profileKey,
        info.profileName, answer.url.c_str());
    return GST_RTSP_STS_OK;
  }
  Log("%s \"%s\": profile %d \"%.255s\", %zu stream(s)", method, asked.c_str(), info.profileKey,
      info.profileName, plan.streams.size());
  for (const std::string& line : DescribeStreams(plan, library_)) Log("  %s", line.c_str());
  return GST_RTSP_STS_OK;
}

void Router::Mount(const std::string& path, GstRTSPMediaFactory* factory) {
  if (!mounted_.empty() && mounted_ != path) {
    gst_rtsp_mount_points_remove_factory(mounts_, mounted_.c_str());
  }
  // Takes the factory's reference and replaces a factory at the same path.
  gst_rtsp_mount_points_add_factory(mounts_, path.c_str(), factory);
  mounted_ = path;
}

// --- The client: paths as the mount points make them; the request hooks. --

struct StrellRtspClient {
  GstRTSPClient parent;
  Router* router;
};
struct StrellRtspClientClass {
  GstRTSPClientClass parent_class;
};
G_DEFINE_TYPE(StrellRtspClient, strell_rtsp_client, GST_TYPE_RTSP_CLIENT)

Router* RouterOf(GstRTSPClient* client) {
  return reinterpret_cast<StrellRtspClient*>(client)->router;
}

// PLAY, PAUSE and TEARDOWN find the client's session media by this path; it
// must equal the path the media was set up with.
gchar* ClientMakePath(GstRTSPClient*, const GstRTSPUrl* url) {
  return g_strdup(RequestPath(url->abspath, url->query).c_str());
}

GstRTSPStatusCode ClientPreDescribe(GstRTSPClient* client, GstRTSPContext* context) {
  return RouterOf(client)->Admit("DESCRIBE", context);
}

GstRTSPStatusCode ClientPreSetup(GstRTSPClient* client, GstRTSPContext* context) {
  return RouterOf(client)->Admit("SETUP", context);
}

// A multicast SETUP that names no group gets the record's: GStreamer would
// otherwise take a group from the stream's pool itself, and only on an even
// port. The group a client names is checked against the pool, which holds the
// record's group alone.
gboolean ClientConfigureTransport(GstRTSPClient* client, GstRTSPContext* context,
                                  GstRTSPTransport* transport) {
  StrellRtspMedia* media = context->media != nullptr ? AsStrellMedia(context->media) : nullptr;
  if (transport->lower_transport == GST_RTSP_LOWER_TRANS_UDP_MCAST &&
      transport->destination == nullptr && media != nullptr && media->plan != nullptr &&
      context->stream != nullptr) {
    const auto index = static_cast<std::size_t>(gst_rtsp_stream_get_index(context->stream));
    if (index < media->plan->streams.size() && media->plan->streams[index].multicast) {
      const MulticastGroup& group = media->plan->streams[index].group;
      transport->destination = g_strdup(group.address.c_str());
      transport->port.min = group.port;
      transport->port.max = group.port + 1;
      transport->ttl = static_cast<guint>(group.ttl);
    }
  }
  return GST_RTSP_CLIENT_CLASS(strell_rtsp_client_parent_class)
      ->configure_client_transport(client, context, transport);
}

void strell_rtsp_client_class_init(StrellRtspClientClass* klass) {
  GstRTSPClientClass* client = GST_RTSP_CLIENT_CLASS(klass);
  client->configure_client_transport = ClientConfigureTransport;
  client->make_path_from_uri = ClientMakePath;
  client->pre_describe_request = ClientPreDescribe;
  client->pre_setup_request = ClientPreSetup;
}

void strell_rtsp_client_init(StrellRtspClient* self) { self->router = nullptr; }

// --- The server: makes the clients above. ---------------------------------

struct StrellRtspServer {
  GstRTSPServer parent;
  Router* router;
};
struct StrellRtspServerClass {
  GstRTSPServerClass parent_class;
};
G_DEFINE_TYPE(StrellRtspServer, strell_rtsp_server, GST_TYPE_RTSP_SERVER)

// Gives each client what the default implementation gives it: the server's
// session pool, mount points, authentication, thread pool and limit.
GstRTSPClient* ServerCreateClient(GstRTSPServer* server) {
  auto* self = reinterpret_cast<StrellRtspServer*>(server);
  auto* created =
      reinterpret_cast<StrellRtspClient*>(g_object_new(strell_rtsp_client_get_type(), nullptr));
  created->router = self->router;
  GstRTSPClient* client = GST_RTSP_CLIENT(created);
  if (GstRTSPSessionPool* sessions = gst_rtsp_server_get_session_pool(server)) {
    gst_rtsp_client_set_session_pool(client, sessions);
    g_object_unref(sessions);
  }
  if (GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server)) {
    gst_rtsp_client_set_mount_points(client, mounts);
    g_object_unref(mounts);
  }
  if (GstRTSPAuth* auth = gst_rtsp_server_get_auth(server)) {
    gst_rtsp_client_set_auth(client, auth);
    g_object_unref(auth);
  }
  if (GstRTSPThreadPool* threads = gst_rtsp_server_get_thread_pool(server)) {
    gst_rtsp_client_set_thread_pool(client, threads);
    g_object_unref(threads);
  }
  gst_rtsp_client_set_content_length_limit(client,
                                           gst_rtsp_server_get_content_length_limit(server));
  return client;
}

void strell_rtsp_server_class_init(StrellRtspServerClass* klass) {
  GST_RTSP_SERVER_CLASS(klass)->create_client = ServerCreateClient;
}

void strell_rtsp_server_init(StrellRtspServer* self) { self->router = nullptr; }

// The elements the test sources are built from, and where Debian has them.
struct NeededElement {
  const char* name;
  const char* package;
};
constexpr NeededElement kNeededElements[] = {
    {"videotestsrc", "gstreamer1.0-plugins-base"},
    {"audiotestsrc", "gstreamer1.0-plugins-base"},
    {"fakesrc", "libgstreamer1.0-0"},
    {"identity", "libgstreamer1.0-0"},
    {"jpegenc", "gstreamer1.0-plugins-good"},
    {"rtpjpegpay", "gstreamer1.0-plugins-good"},
    {"mulawenc", "gstreamer1.0-plugins-good"},
    {"rtppcmupay", "gstreamer1.0-plugins-good"},
    {"rtpgstpay", "gstreamer1.0-plugins-good"},
};

// Without these every DESCRIBE would fail later with a bare 503; say so once
// at start-up instead.
bool HaveNeededElements() {
  bool all = true;
  for (const NeededElement& element : kNeededElements) {
    GstElementFactory* factory = gst_element_factory_find(element.name);
    if (factory != nullptr) {
      gst_object_unref(factory);
      continue;
    }
    Log("GStreamer element %s is missing (Debian package %s)", element.name, element.package);
    all = false;
  }
  return all;
}

GstRTSPFilterResult RemoveSession(GstRTSPSessionPool*, GstRTSPSession*, gpointer) {
  return GST_RTSP_FILTER_REMOVE;
}

GstRTSPFilterResult RemoveClient(GstRTSPServer*, GstRTSPClient*, gpointer) {
  return GST_RTSP_FILTER_REMOVE;
}

}  // namespace

struct Server::State {
  explicit State(Library& library) : router(library) {}
  Router router;
  GstRTSPServer* server = nullptr;
  GSource* source = nullptr;
};

Server::Server(Library& library) : state_(new State(library)) {}

Server::~Server() { Stop(); }

bool Server::Start(int port) {
  State& state = *state_;
  if (!HaveNeededElements()) return false;
  auto* server =
      reinterpret_cast<StrellRtspServer*>(g_object_new(strell_rtsp_server_get_type(), nullptr));
  server->router = &state.router;
  state.server = GST_RTSP_SERVER(server);
  gst_rtsp_server_set_address(state.server, kListenAddress);
  gst_rtsp_server_set_service(state.server, std::to_string(port).c_str());

  auto* mounts = GST_RTSP_MOUNT_POINTS(g_object_new(strell_rtsp_mounts_get_type(), nullptr));
  gst_rtsp_server_set_mount_points(state.server, mounts);
  state.router.set_mounts(mounts);
  g_object_unref(mounts);  // the server keeps it

  // Anonymous clients, allowed to name a multicast group in SETUP: without
  // that permission GStreamer would ignore the group ClientConfigureTransport
  // fills in and pick one itself.
  GstRTSPAuth* auth = gst_rtsp_auth_new();
  GstRTSPToken* token =
      gst_rtsp_token_new(GST_RTSP_TOKEN_MEDIA_FACTORY_ROLE, G_TYPE_STRING, kClientRole,
                         GST_RTSP_TOKEN_TRANSPORT_CLIENT_SETTINGS, G_TYPE_BOOLEAN, TRUE, nullptr);
  gst_rtsp_auth_set_default_token(auth, token);
  gst_rtsp_token_unref(token);
  gst_rtsp_server_set_auth(state.server, auth);
  g_object_unref(auth);

  // No client threads: requests are handled on the main loop, like reloads.
  GstRTSPThreadPool* threads = gst_rtsp_server_get_thread_pool(state.server);
  gst_rtsp_thread_pool_set_max_threads(threads, 0);
  g_object_unref(threads);

  GError* error = nullptr;
  state.source = gst_rtsp_server_create_source(state.server, nullptr, &error);
  if (state.source == nullptr) {
    Log("cannot listen on %s port %d: %s", kListenAddress, port,
        error != nullptr ? error->message : "unknown error");
    g_clear_error(&error);
    return false;
  }
  g_source_attach(state.source, nullptr);
  port_ = gst_rtsp_server_get_bound_port(state.server);
  return true;
}

void Server::Stop() {
  State& state = *state_;
  if (state.server == nullptr) return;
  if (GstRTSPSessionPool* sessions = gst_rtsp_server_get_session_pool(state.server)) {
    g_list_free_full(gst_rtsp_session_pool_filter(sessions, RemoveSession, nullptr),
                     g_object_unref);
    g_object_unref(sessions);
  }
  g_list_free_full(gst_rtsp_server_client_filter(state.server, RemoveClient, nullptr),
                   g_object_unref);
  if (state.source != nullptr) {
    g_source_destroy(state.source);
    g_source_unref(state.source);
    state.source = nullptr;
  }
  g_object_unref(state.server);
  state.server = nullptr;
}

}  // namespace strell_rtspd
