// The library described for tools: the handlers of the chain in the order
// they are asked, each with its name, id (its first profile key), profile
// slots, URL marker and profile file, and a context's handlers by id.
//
// Every fact here is read from where the handler itself keeps it (its header's
// constants and builders, the exported marker and file variables, the
// exported functions), so a tool that learns the library from this header
// cannot disagree with it. The chain's construction uses the same list.
// Header-only: a tool linking libstrell.so needs no export for it.
#ifndef STRELL_API_INTROSPECTION_H_
#define STRELL_API_INTROSPECTION_H_

#include "api/stream_url_hndl.h"
#include "hostconfig/config_value.h"
#include "media1/url_media_one.h"
#include "media2/url_media_two.h"
#include "streamserver/url_streamserver.h"

// One handler of the chain.
struct CHandlerDescription {
  const char* name;   // the factory's name: "media1", "streamserver", "media2"
  const char* title;  // the handler in a sentence: "Media1", "stream-server", "Media2"
  int keyBase;        // the handler's id; profile slot n has the key keyBase + n
  int profileSlots;   // the slots it loads, so its keys end at keyBase + profileSlots - 1
  // The URL marker, read from the library's variable at each call (firmware
  // may point it elsewhere); null for a handler that compares whole URLs.
  const char* (*marker)();
  // The handler's own test of a URL: the profile name after its marker, or
  // null when it does not claim the URL that way. Null for a handler that
  // compares whole URLs.
  const char* (*tokenOf)(const char* url);
  // The file its profile slots are read from, as the library names it.
  const char* (*profileFile)();
  // The key path of a slot's profile name (token or access name) in that file.
  void (*nameKeyPath)(int slot, char (&key)[kKeyPathSize]);
};

inline const char* mediaOneMarker() { return ONVIF_MEDIA_ONE_TOKEN; }
inline const char* mediaOneProfileFile() { return ONVIF_MEDIA_PROFILE_XML; }
inline const char* streamserverProfileFile() { return kStreamserverFile; }
inline const char* mediaTwoMarker() { return MEDIA2_STREAMSDP_TOKEN; }
inline const char* mediaTwoProfileFile() { return kStreamProfileFile; }

inline void mediaOneNameKeyPath(int slot, char (&key)[kKeyPathSize]) {
  buildMediaOneKeyPath(FIELD_PROFILE_TOKEN, true, slot, key);
}
inline void streamserverNameKeyPath(int slot, char (&key)[kKeyPathSize]) {
  buildStreamserverKeyPath(slot, ZELL_FIELD_ACCESSNAME, key);
}
inline void mediaTwoNameKeyPath(int slot, char (&key)[kKeyPathSize]) {
  buildStreamProfileKeyPath(key, slot, MEDIA2_FIELD_TOKEN);
}

constexpr int kHandlerCount = 3;

// Media1, stream server, Media2: the order in which every URL is offered.
// The chain's construction takes only the names, so that the library does
// not carry the tools' builders and accessors below.
inline constexpr const char* kHandlerChainNames[kHandlerCount] = {kMediaOneName, kStreamserverName,
                                                                 kMediaTwoName};

inline constexpr CHandlerDescription kHandlerChain[kHandlerCount] = {
    {kMediaOneName, "Media1", kMediaOneKeyBase, kMediaOneProfileSlots, mediaOneMarker,
     getMediaOneToken, mediaOneProfileFile, mediaOneNameKeyPath},
    {kStreamserverName, "stream-server", kStreamserverKeyBase, kStreamserverSlots, nullptr, nullptr,
     streamserverProfileFile, streamserverNameKeyPath},
    {kMediaTwoName, "Media2", kMediaTwoKeyBase, kStreamProfileSlots, mediaTwoMarker, checkIsMedia2,
     mediaTwoProfileFile, mediaTwoNameKeyPath},
};

static_assert(kHandlerChain[0].name == kHandlerChainNames[0] &&
                  kHandlerChain[1].name == kHandlerChainNames[1] &&
                  kHandlerChain[2].name == kHandlerChainNames[2],
              "the chain's construction and its description name the same handlers in order");

// The handler whose profile keys include `key`, or null.
inline const CHandlerDescription* describeKey(int key) {
  for (const CHandlerDescription& handler : kHandlerChain) {
    if (key >= handler.keyBase && key < handler.keyBase + handler.profileSlots) return &handler;
  }
  return nullptr;
}

// The handler whose id is `id`, or null.
inline const CHandlerDescription* describeHandler(int id) {
  for (const CHandlerDescription& handler : kHandlerChain) {
    if (handler.keyBase == id) return &handler;
  }
  return nullptr;
}

// The id of each handler class, as its constructor sets it.
template <typename Handler>
struct CHandlerId;
template <>
struct CHandlerId<CUrlMediaOne> {
  static constexpr int value = kMediaOneKeyBase;
};
template <>
struct CHandlerId<CUrlStreamserver> {
  static constexpr int value = kStreamserverKeyBase;
};
template <>
struct CHandlerId<CUrlMediaTwo> {
  static constexpr int value = kMediaTwoKeyBase;
};

// The handler of class Handler in the chain of `handle`, found by its id
// (each class sets its own, so the cast is exact); null for a null handle or
// a chain without it. Its stores are the context's: read them only while no
// other thread uses the context.
template <typename Handler>
Handler* findHandler(StrellHandle handle) {
  if (handle == nullptr || handle->context == nullptr) return nullptr;
  for (IUrlHandler* handler : handle->context->handlers) {
    if (handler->id == CHandlerId<Handler>::value) return static_cast<Handler*>(handler);
  }
  return nullptr;
}

// The media whose multicast values a Media2 resolution reads, with the file
// and the key path word of each (buildMulticastKeyPath).
struct CMediumDescription {
  const char* medium;  // "video", "audio", "metadata"
  const char* (*file)(int channel, char (&buffer)[kKeyPathSize]);
  const char* word;
};
inline const CMediumDescription kMediaTwoMedia[] = {
    {"video", videoinFile, kVideoinWord},
    {"audio", audioinFile, kAudioinWord},
    {"metadata", metadataFile, kMetadataWord},
};

#endif  // STRELL_API_INTROSPECTION_H_
