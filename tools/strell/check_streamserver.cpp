// The stream-server handler's checker: the access-name slots of its file, at
// the key paths of configMap, the capability counts its tracks are mapped
// with, and who answers each access name.
#include "numbering/capability.h"
#include "strell/checker.h"

namespace strell_cli {

namespace {

std::string KeyPath(int slot, eField field) {
  char key[kKeyPathSize];
  buildStreamserverKeyPath(slot, field, key);
  return key;
}

// The three media of a slot: track, address and port in consecutive rows.
struct Medium {
  const char* name;
  eField track;
  CMediaInfo CZellProfile::*stored;
};
const Medium kMedia[] = {{"video", ZELL_FIELD_VIDEOTRACK, &CZellProfile::videoInfo},
                         {"audio", ZELL_FIELD_AUDIOTRACK, &CZellProfile::audioInfo},
                         {"metadata", ZELL_FIELD_METADATATRACK, &CZellProfile::metadataInfo}};

class StreamserverChecker {
 public:
  StreamserverChecker(Checker& checker, const CUrlStreamserver& handler)
      : checker_(checker), handler_(handler) {}

  void Run() {
    file_.doc = &checker_.Doc(kStreamserverFile);
    file_.handler = handler_.id;
    if (!checker_.Readable(file_, RootElement(KeyPath(0, ZELL_FIELD_ACCESSNAME)),
                           "the stream-server handler loads " + std::to_string(kStreamserverSlots) +
                               " empty access names, and no URL resolves to them",
                           true)) {
      return;
    }
    Capabilities();
    const Slots slots =
        SlotsOf(KeyPath(0, ZELL_FIELD_ACCESSNAME), KeyPath(1, ZELL_FIELD_ACCESSNAME));
    // A reload that ran out of memory may have left fewer records.
    const int loaded = static_cast<int>(handler_.profiles.size());
    for (int s = 0; s < kStreamserverSlots && s < loaded; ++s) {
      Scope scope = file_;
      scope.slot = slots.Label(s);
      scope.keys = {handler_.id + s};
      const Value slot = checker_.Read(scope, slots.Element(s));
      if (slot.present) Slot(scope, s, slot);
    }
    checker_.CheckUnreadSlots(file_, slots, kStreamserverSlots, "the stream-server handler reads");
  }

 private:
  // The capability counts, as the library read them when a resolution first
  // mapped a track: what the host kit said about those reads.
  void Capabilities() {
    std::vector<int> withVideo;
    for (const CZellProfile& profile : handler_.profiles) {
      if (profile.videoInfo.mediaTask >= 0) withVideo.push_back(profile.profileKey);
    }
    for (const Candidate& candidate : checker_.candidates()) {
      if (candidate.profile.handler->keyBase != handler_.id) continue;
      for (size_t i = candidate.firstDiagnostic; i < candidate.endDiagnostic; ++i) {
        const strell_host::Diagnostic& diagnostic = checker_.session().diagnostics()[i];
        Scope scope;
        scope.doc = &checker_.Doc(diagnostic.file);
        scope.handler = handler_.id;
        scope.keys = withVideo;
        if (diagnostic.kind != STRELL_HOST_VALUE_TOO_LONG) {
          checker_.Readable(scope, "",
                            "the capability counts read as 0, and every video track maps to "
                            "channel 0 with the track as its stream",
                            false);
          streamsReported_ = true;
        }
      }
    }
    for (const char* name :
         {CAPABILITY_NVIDEO_IN, CAPABILITY_NMEDIA_STREAM, CAPABILITY_NAUDIO_IN}) {
      const strell_host::Diagnostic* tooLong = checker_.TooLongParameter(name);
      if (tooLong == nullptr) continue;
      const bool mapsTracks = name == CAPABILITY_NMEDIA_STREAM;
      Scope scope;
      scope.doc = &checker_.Doc(tooLong->file);
      scope.handler = handler_.id;
      if (mapsTracks) scope.keys = withVideo;
      const Value value = checker_.Read(scope, tooLong->keyPath);
      checker_.Report(
          mapsTracks ? Severity::kError : Severity::kWarning, "value-too-long", scope, value,
          std::string("the parameter ") + name + " " + Quoted(value.node.text().get()) + " has " +
              std::to_string(tooLong->length) + " characters, but the library reads parameters " +
              "with a buffer of " + std::to_string(kHostParameterSize) + " bytes, so at most " +
              std::to_string(kHostParameterSize - 1) +
              ": the host does not deliver it and the library reads 0" +
              (mapsTracks ? ", so every video track maps to channel 0 with the track as its stream"
                          : "; no answer depends on it"));
      if (mapsTracks) streamsReported_ = true;
    }
  }

  void Slot(const Scope& scope, int s, const Value& slot) {
    const CZellProfile& stored = handler_.profiles[static_cast<size_t>(s)];
    const Value ttl = checker_.Read(scope, KeyPath(s, ZELL_FIELD_TTL));
    const int ttlNumber = checker_.CheckInteger(scope, ttl, "TTL", 0);
    const Value name = checker_.Read(scope, KeyPath(s, ZELL_FIELD_ACCESSNAME));
    if (name.text.empty() && !name.tooLong) {
      checker_.Report(Severity::kWarning, "missing-access-name", scope, name,
                      "the slot has no access name: only an empty URL would resolve to it");
    } else if (!name.text.empty()) {
      AccessName(scope, name);
    }
    std::vector<Multicast> media;
    for (const Medium& medium : kMedia) {
      const Value track = checker_.Read(scope, KeyPath(s, medium.track));
      if (!track.present) continue;  // the medium is not carried
      checker_.CheckInteger(scope, track, std::string(medium.name) + " track", -1,
                            ", so the medium is carried on track 0");
      const int trackNumber = (stored.*medium.stored).mediaTask;
      if (trackNumber < 0) continue;
      Track(scope, track, medium.name, trackNumber);
      Multicast multicast;
      multicast.scope = scope;
      multicast.label = std::string(medium.name) + " of access name " + Quoted(name.text);
      multicast.part = medium.name;
      multicast.address = checker_.Read(scope, KeyPath(s, static_cast<eField>(medium.track + 1)));
      // The library stops reading a medium at its first value not delivered.
      if (multicast.address.present) {
        multicast.port = checker_.Read(scope, KeyPath(s, static_cast<eField>(medium.track + 2)));
        multicast.portNumber =
            checker_.CheckInteger(scope, multicast.port, std::string(medium.name) + " port", 0);
      }
      multicast.ttl = ttl;
      multicast.ttlNumber = ttlNumber;
      media.push_back(multicast);
    }
    for (const Multicast& multicast : media) checker_.CheckMulticast(multicast);
    checker_.CheckPartialMulticast(scope, slot.node, slot.keyPath,
                                   "the access name " + Quoted(name.text), media);
  }

  void AccessName(const Scope& scope, const Value& name) {
    checker_.CheckName(scope, name, "access name");
    const std::string& text = name.text;
    const int key = scope.keys.front();
    const Candidate* candidate = checker_.CandidateOf(key);
    if (candidate != nullptr && !candidate->answersItself()) {
      const Resolution& answer = candidate->answer;
      if (const Candidate* twin = checker_.EarlierTwin(*candidate)) {
        checker_
            .Report(Severity::kError, "duplicate-access-name", scope, name,
                    "the access name " + Quoted(text) + " is also that of slot " +
                        SlotLabel(*twin->profile.handler, twin->profile.slot) +
                        ", which the library finds first: this slot is never resolved")
            .name = text;
      } else if (answer.handler != nullptr) {
        checker_
            .Report(Severity::kError, "shadowed-access-name", scope, name,
                    "the access name " + Quoted(text) + " holds " +
                        Quoted(answer.handler->marker()) + " and a token: the " +
                        answer.handler->title + " handler, asked first, claims that URL (answer " +
                        std::to_string(answer.code) + "), so this slot is never resolved")
            .name = text;
      }
    }
    // The profiles of later handlers whose URL this access name answers.
    for (const Candidate& other : checker_.candidates()) {
      if (other.answer.code != STRELL_OK || other.answer.info.profileKey != key ||
          other.profile.handler->keyBase == handler_.id || checker_.EarlierTwin(other) != nullptr) {
        continue;  // a later twin is reported as a duplicate of its own handler
      }
      Scope both = scope;
      both.keys.push_back(other.profile.key);
      checker_
          .Report(Severity::kWarning, "shadowing-access-name", both, name,
                  "the access name " + Quoted(text) + " is the URL of the " +
                      other.profile.handler->title + " profile " + Quoted(other.profile.name) +
                      " (key " + std::to_string(other.profile.key) +
                      "): the stream-server handler, asked first, answers it with this slot, "
                      "so that profile is never resolved")
          .name = text;
    }
    if (text.front() == '/') {
      checker_
          .Report(Severity::kWarning, "leading-slash", scope, name,
                  "the access name " + Quoted(text) +
                      " starts with a slash: hosts pass the path without it, so no URL "
                      "matches")
          .name = text;
    } else if (text.find("://") != std::string::npos) {
      checker_
          .Report(Severity::kWarning, "scheme-in-access-name", scope, name,
                  "the access name " + Quoted(text) +
                      " holds a scheme: hosts pass only the path and query, so no URL matches")
          .name = text;
    }
  }

  // A track against the camera's inputs, mapped as the library maps it.
  void Track(const Scope& scope, const Value& track, const std::string& medium, int number) {
    int channel = 0;
    int stream = 0;
    int inputs = 0;
    if (medium == "video") {
      if (g_video_stream == 0 && !streamsReported_) {
        streamsReported_ = true;
        Scope all = scope;
        for (const CZellProfile& profile : handler_.profiles) {
          if (profile.videoInfo.mediaTask >= 0) all.keys.push_back(profile.profileKey);
        }
        checker_.Report(Severity::kWarning, "capability", all, track,
                        std::string("the streams per video channel (") + CAPABILITY_NMEDIA_STREAM +
                            ") read as 0: every video track maps to channel 0 with the track as "
                            "its stream");
      }
      convertVideoTrackToChannelStream(number, channel, stream);
      inputs = g_video_channel;
    } else if (medium == "audio") {
      convertAudioTrackToChannelStream(number, channel, stream);
      inputs = g_audio_channel;
    } else {
      return;
    }
    if (inputs > 0 && channel >= inputs) {
      checker_.Report(Severity::kWarning, "track-range", scope, track,
                      "the " + medium + " track " + std::to_string(number) + " maps to channel " +
                          std::to_string(channel) + ", stream " + std::to_string(stream) +
                          ", but the camera has " + std::to_string(inputs) + " " + medium +
                          (inputs == 1 ? " input" : " inputs"));
    }
  }

  Checker& checker_;
  const CUrlStreamserver& handler_;
  Scope file_;
  bool streamsReported_ = false;
};

}  // namespace

void CheckStreamserver(Checker& checker) {
  if (const CUrlStreamserver* handler = checker.session().handler<CUrlStreamserver>()) {
    StreamserverChecker(checker, *handler).Run();
  }
}

}  // namespace strell_cli
