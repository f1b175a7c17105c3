// The Media1 handler's checker: its four files, read at the key paths of
// onvifMediaOneConfigMap, against the stores the library loaded from them.
#include <cctype>

#include "strell/checker.h"

namespace strell_cli {

namespace {

std::string KeyPath(EFieldProperty field, int slot) {
  char key[kKeyPathSize];
  buildMediaOneKeyPath(field, true, slot, key);
  return key;
}

std::string KeyPath(EFieldProperty field) {
  char key[kKeyPathSize];
  buildMediaOneKeyPath(field, false, 0, key);
  return key;
}

Slots SlotsOfField(EFieldProperty field) { return SlotsOf(KeyPath(field, 0), KeyPath(field, 1)); }

// The fields of one encoder file.
struct EncoderFields {
  const char* medium;  // "video", "audio"
  const char* (*file)();
  int slots;
  EFieldProperty token, type, ipv4, ipv6, port;
  EFieldProperty profileToken;  // the profile's key naming it
  std::vector<COnvifMediaOneEncodeInfo> CUrlMediaOne::*store;
  std::string CMediaOneProfile::*naming;
};

const EncoderFields kVideo = {"video",
                              [] { return ONVIF_MEDIA_ONE_VIDEOENCODER_XML; },
                              kMediaOneVideoEncoderSlots,
                              FIELD_VIDEOENCODER_TOKEN,
                              FIELD_VIDEOENCODER_ADDRESS_TYPE,
                              FIELD_VIDEOENCODER_IPV4,
                              FIELD_VIDEOENCODER_IPV6,
                              FIELD_VIDEOENCODER_PORT,
                              FIELD_PROFILE_VIDEOENCODER_TOKEN,
                              &CUrlMediaOne::videoEncodeList,
                              &CMediaOneProfile::videoSouceToken};
const EncoderFields kAudio = {"audio",
                              [] { return ONVIF_MEDIA_ONE_AUDIOENCODER_XML; },
                              kMediaOneAudioEncoderSlots,
                              FIELD_AUDIOENCODER_TOKEN,
                              FIELD_AUDIOENCODER_ADDRESS_TYPE,
                              FIELD_AUDIOENCODER_IPV4,
                              FIELD_AUDIOENCODER_IPV6,
                              FIELD_AUDIOENCODER_PORT,
                              FIELD_PROFILE_AUDIOENCODER_TOKEN,
                              &CUrlMediaOne::audioEncodeList,
                              &CMediaOneProfile::audioSouceToken};

class MediaOneChecker {
 public:
  MediaOneChecker(Checker& checker, const CUrlMediaOne& handler)
      : checker_(checker), handler_(handler) {}

  void Run() {
    Scope profiles = FileScope(ONVIF_MEDIA_PROFILE_XML);
    const bool haveProfiles = checker_.Readable(
        profiles, RootElement(KeyPath(FIELD_PROFILE_TOKEN, 0)),
        "the Media1 handler loads no profile, and every Media1 URL answers 8", true);
    const std::vector<Multicast> video = Encoders(kVideo);
    const std::vector<Multicast> audio = Encoders(kAudio);
    Multicast metadata;
    const bool haveMetadata = Metadata(metadata);
    if (!haveProfiles) return;
    const Slots slots = SlotsOfField(FIELD_PROFILE_TOKEN);
    for (int i = 0; i < kMediaOneProfileSlots; ++i) {
      Scope scope = profiles;
      scope.slot = slots.Label(i);
      scope.keys = {handler_.id + i};
      const Value slot = checker_.Read(scope, slots.Element(i));
      if (!slot.present) continue;
      const Value token = checker_.Read(scope, KeyPath(FIELD_PROFILE_TOKEN, i));
      checker_.CheckName(scope, token, "profile token");
      if (token.text.empty()) {
        if (!token.tooLong) {
          checker_.Report(Severity::kWarning, "missing-token", scope, token,
                          "the profile slot has no token: the Media1 handler skips it, so no URL "
                          "answers key " +
                              std::to_string(handler_.id + i));
        }
        continue;
      }
      const Candidate* candidate = checker_.CandidateOf(handler_.id + i);
      if (const Candidate* twin =
              candidate != nullptr ? checker_.EarlierTwin(*candidate) : nullptr) {
        checker_
            .Report(Severity::kError, "duplicate-token", scope, token,
                    "the profile token " + Quoted(token.text) + " is also that of slot " +
                        slots.Label(twin->profile.slot) + " (key " +
                        std::to_string(twin->profile.key) +
                        "), which the library finds first: this profile is never resolved")
            .name = token.text;
      }
      std::vector<Multicast> media;
      Medium(scope, i, kVideo, video, media);
      Medium(scope, i, kAudio, audio, media);
      const Value metadataToken = checker_.Read(scope, KeyPath(FIELD_PROFILE_METADATA_TOKEN, i));
      if (!metadataToken.text.empty() && metadataToken.text != kMediaOneMetadataToken) {
        checker_.Report(Severity::kError, "unknown-configuration", scope, metadataToken,
                        "the metadata token " + Quoted(metadataToken.text) +
                            " names no configuration: the one metadata configuration is " +
                            Quoted(kMediaOneMetadataToken) +
                            ", so the profile resolves without metadata");
      } else if (!metadataToken.text.empty() && haveMetadata) {
        media.push_back(metadata);
      }
      checker_.CheckPartialMulticast(scope, slot.node, slots.Element(i),
                                     "the Media1 profile " + Quoted(token.text), media);
    }
    checker_.CheckUnreadSlots(profiles, slots, kMediaOneProfileSlots,
                              "the Media1 handler reads profile");
  }

 private:
  Scope FileScope(const char* file) {
    Scope scope;
    scope.doc = &checker_.Doc(file);
    scope.handler = handler_.id;
    return scope;
  }

  // The keys of the profiles whose `naming` token is `token`.
  std::vector<int> KeysNaming(std::string CMediaOneProfile::*naming, const std::string& token) {
    std::vector<int> keys;
    for (const CMediaOneProfile& profile : handler_.mediaOneProfiles) {
      if (!token.empty() && profile.*naming == token) keys.push_back(profile.profileKey);
    }
    return keys;
  }

  // The encoder configurations of one file as the handler loads them: one
  // per slot read, named by token.
  std::vector<Multicast> Encoders(const EncoderFields& fields) {
    const Scope file = FileScope(fields.file());
    std::vector<Multicast> configs;
    if (!checker_.Readable(file, RootElement(KeyPath(fields.token, 0)),
                           std::string("no Media1 profile resolves with ") + fields.medium,
                           false)) {
      return configs;
    }
    const Slots slots = SlotsOfField(fields.token);
    const std::vector<COnvifMediaOneEncodeInfo>& store = handler_.*fields.store;
    for (int i = 0; i < fields.slots; ++i) {
      Multicast config;
      Scope& scope = config.scope;
      scope = file;
      scope.slot = slots.Label(i);
      if (!checker_.Read(scope, slots.Element(i)).present) {
        configs.push_back(config);
        continue;
      }
      const Value token = checker_.Read(scope, KeyPath(fields.token, i));
      scope.keys = KeysNaming(fields.naming, token.text);
      const std::string what = std::string(fields.medium) + " encoder token";
      if (token.text.empty()) {
        checker_.Report(Severity::kWarning, "missing-token", scope, token,
                        std::string("the ") + fields.medium +
                            " encoder configuration has no token: no profile can name it");
      }
      for (int j = 0; j < i && j < static_cast<int>(store.size()) && !token.text.empty(); ++j) {
        if (store[static_cast<size_t>(j)].token != token.text) continue;
        checker_.Report(Severity::kWarning, "duplicate-token", scope, token,
                        "the " + what + " " + Quoted(token.text) + " is also that of slot " +
                            slots.Label(j) + ", which the library finds first");
        break;
      }
      const Value type = checker_.Read(scope, KeyPath(fields.type, i));
      config.label = std::string(fields.medium) + " encoder configuration " + Quoted(token.text);
      config.part = config.label;
      switch (encoderAddressKind(type.text)) {
        case MEDIA1_ADDRESS_IPV4:
          config.address = checker_.Read(scope, KeyPath(fields.ipv4, i));
          break;
        case MEDIA1_ADDRESS_IPV6:
          config.address = checker_.Read(scope, KeyPath(fields.ipv6, i));
          break;
        case MEDIA1_ADDRESS_NONE:
          UnknownType(scope, type, {KeyPath(fields.ipv4, i), KeyPath(fields.ipv6, i)});
          break;
      }
      config.port = checker_.Read(scope, KeyPath(fields.port, i));
      config.portNumber = checker_.CheckInteger(scope, config.port, "port", 0);
      // Every loaded configuration is checked, named by a profile or not:
      // the next profile edit may name it. Media1 answers carry no TTL.
      checker_.CheckMulticast(config);
      configs.push_back(config);
    }
    checker_.CheckUnreadSlots(
        file, slots, fields.slots,
        std::string("the Media1 handler reads ") + fields.medium + " encoder");
    return configs;
  }

  // A type that selects no address (the handler's own rule said so).
  void UnknownType(const Scope& scope, const Value& type, const std::vector<std::string>& keys) {
    if (!type.text.empty()) {
      checker_.Report(Severity::kWarning, "unknown-address-type", scope, type,
                      "the address type " + Quoted(type.text) +
                          " selects neither address the handler reads (letter case counts): "
                          "the multicast address is not read");
      return;
    }
    for (const std::string& key : keys) {
      if (checker_.Read(scope, key).text.empty()) continue;
      checker_.Report(Severity::kWarning, "unknown-address-type", scope, type,
                      "there is a multicast address but no address type: the address is not "
                      "read");
      return;
    }
  }

  bool Metadata(Multicast& metadata) {
    metadata.scope = FileScope(ONVIF_MEDIA_ONE_METADATA_XML);
    const Scope& scope = metadata.scope;
    if (!checker_.Readable(scope, RootElement(KeyPath(FIELD_METADATA_PORT)),
                           "no Media1 profile resolves with metadata", false)) {
      return false;
    }
    metadata.scope.keys = KeysNaming(&CMediaOneProfile::metadataSouceToken, kMediaOneMetadataToken);
    metadata.label = "metadata configuration " + Quoted(kMediaOneMetadataToken);
    metadata.part = metadata.label;
    const Value type = checker_.Read(scope, KeyPath(FIELD_METADATA_ADDRESS_TYPE));
    switch (metadataAddressKind(type.text)) {
      case MEDIA1_ADDRESS_IPV4:
        metadata.address = checker_.Read(scope, KeyPath(FIELD_METADATA_IPV4));
        break;
      case MEDIA1_ADDRESS_IPV6:
        metadata.address = checker_.Read(scope, KeyPath(FIELD_METADATA_IPV6));
        break;
      case MEDIA1_ADDRESS_NONE:
        UnknownType(scope, type, {KeyPath(FIELD_METADATA_IPV4), KeyPath(FIELD_METADATA_IPV6)});
        break;
    }
    metadata.port = checker_.Read(scope, KeyPath(FIELD_METADATA_PORT));
    metadata.portNumber = checker_.CheckInteger(scope, metadata.port, "port", 0);
    checker_.CheckMulticast(metadata);
    return true;
  }

  // The configuration profile slot `slot` names for one medium, checked
  // against the configurations the handler loaded.
  void Medium(const Scope& scope, int slot, const EncoderFields& fields,
              const std::vector<Multicast>& configs, std::vector<Multicast>& media) {
    const Value token = checker_.Read(scope, KeyPath(fields.profileToken, slot));
    if (token.text.empty()) return;
    if (fields.profileToken == FIELD_PROFILE_VIDEOENCODER_TOKEN) TokenNumbering(scope, token);
    if (configs.empty()) return;  // the file's own finding says why
    const std::vector<COnvifMediaOneEncodeInfo>& store = handler_.*fields.store;
    for (size_t i = 0; i < store.size(); ++i) {
      if (store[i].token != token.text) continue;
      if (i < configs.size()) media.push_back(configs[i]);
      return;
    }
    // Not loaded: perhaps in a slot the handler never reads.
    const Slots slots = SlotsOfField(fields.token);
    Scope where = scope;
    where.doc = &checker_.Doc(fields.file());
    const Document& file = *where.doc;
    const Value container = checker_.Read(where, slots.container);
    std::string unread;
    for (pugi::xml_node child :
         container.present ? container.node.children() : pugi::xml_node().children()) {
      if (child.first_element_by_path(slots.rest.c_str() + 1).text().get() == token.text) {
        unread = child.name();
        break;
      }
    }
    checker_.Report(Severity::kError, "unknown-configuration", scope, token,
                    "the " + std::string(fields.medium) + " encoder token " + Quoted(token.text) +
                        (unread.empty() ? " names no configuration of " + file.relative()
                                        : " names the configuration in slot " + unread +
                                              ", which the Media1 handler never reads") +
                        ": the profile resolves without " + fields.medium);
  }

  // The channel and stream the library takes from a video encoder token.
  void TokenNumbering(const Scope& scope, const Value& token) {
    int channel = 0;
    int stream = 0;
    {
      LinesTo quiet(checker_.session().verbose() ? LibraryLines::kStderr : LibraryLines::kDropped);
      getvideoChannelAndStreamByOnvifSource(token.text, channel, stream);
    }
    const std::string& text = token.text;
    const size_t underscore = text.find('_');
    const std::string reads =
        "reads as channel " + std::to_string(channel) + ", stream " + std::to_string(stream);
    if (channel < 0 || stream < 0) {
      checker_.Report(Severity::kError, "token-numbering", scope, token,
                      "the video encoder token " + Quoted(text) + " " + reads +
                          (underscore == std::string::npos
                               ? ": it has no underscore"
                               : ": the channel is the one digit before its first underscore and "
                                 "the stream the number after it, both from 1"));
    } else if (underscore != std::string::npos && underscore > 1 &&
               std::isdigit(static_cast<unsigned char>(text[underscore - 2]))) {
      checker_.Report(Severity::kWarning, "token-numbering", scope, token,
                      "the video encoder token " + Quoted(text) + " " + reads +
                          ": only the last digit before its first underscore counts");
    }
  }

  Checker& checker_;
  const CUrlMediaOne& handler_;
};

}  // namespace

void CheckMediaOne(Checker& checker) {
  if (const CUrlMediaOne* handler = checker.session().handler<CUrlMediaOne>()) {
    MediaOneChecker(checker, *handler).Run();
  }
}

}  // namespace strell_cli
