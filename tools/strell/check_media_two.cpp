// The Media2 handler's checker: the stream-profile slots, at the key paths of
// MediaTwoconfigMap, and the per-medium settings each profile's answer is
// read from, in the files and at the key paths the library builds.
#include "strell/checker.h"

namespace strell_cli {

namespace {

std::string KeyPath(int slot, EStreamProfileField field) {
  char key[kKeyPathSize];
  buildStreamProfileKeyPath(key, slot, field);
  return key;
}

std::string MediumKeyPath(const CMediumDescription& medium, int channel, int stream,
                          EStreamProfileField field) {
  char key[kKeyPathSize];
  buildMulticastKeyPath(key, medium.word, channel, stream, field);
  return key;
}

const TMediaEncodeConfig& Answered(const TProfileInfo& info, const CMediumDescription& medium) {
  const CMediumDescription* first = kMediaTwoMedia;
  return &medium == first       ? info.videoInfo
         : &medium == first + 1 ? info.audioInfo
                                : info.metadataInfo;
}

class MediaTwoChecker {
 public:
  MediaTwoChecker(Checker& checker, const CUrlMediaTwo& handler)
      : checker_(checker), handler_(handler) {}

  void Run() {
    Scope file;
    file.doc = &checker_.Doc(kStreamProfileFile);
    file.handler = handler_.id;
    if (!checker_.Readable(file, RootElement(KeyPath(0, MEDIA2_FIELD_TOKEN)),
                           "the Media2 handler loads " + std::to_string(kStreamProfileSlots) +
                               " empty stream profiles, and every Media2 URL answers 8",
                           true)) {
      return;
    }
    const Slots slots = SlotsOf(KeyPath(0, MEDIA2_FIELD_TOKEN), KeyPath(1, MEDIA2_FIELD_TOKEN));
    // A reload that ran out of memory may have left fewer records.
    const int loaded = static_cast<int>(handler_.streamProfiles.size());
    for (int i = 0; i < kStreamProfileSlots && i < loaded; ++i) {
      Scope scope = file;
      scope.slot = slots.Label(i);
      scope.keys = {handler_.id + i};
      const Value slot = checker_.Read(scope, slots.Element(i));
      if (slot.present) Profile(scope, i, slot);
    }
    checker_.CheckUnreadSlots(file, slots, kStreamProfileSlots,
                              "the Media2 handler reads stream profile");
  }

 private:
  void Profile(const Scope& scope, int i, const Value& slot) {
    const Value token = checker_.Read(scope, KeyPath(i, MEDIA2_FIELD_TOKEN));
    checker_.CheckName(scope, token, "stream profile token");
    if (token.text.empty() && !token.tooLong) {
      checker_.Report(Severity::kWarning, "missing-token", scope, token,
                      "the stream profile has no token: no Media2 URL names it");
    }
    const Candidate* candidate = checker_.CandidateOf(handler_.id + i);
    if (candidate != nullptr && !candidate->answersItself()) Shadowed(scope, token, *candidate);

    const CStreamProfile& stored = handler_.streamProfiles[static_cast<size_t>(i)];
    checker_.CheckInteger(scope, checker_.Read(scope, KeyPath(i, MEDIA2_FIELD_VIDEO_ENABLE)),
                          "video enable flag", 0);
    if (stored.videoEncodeConfig.enable != 0) VideoSource(scope, i);
    checker_.CheckInteger(scope, checker_.Read(scope, KeyPath(i, MEDIA2_FIELD_AUDIO_ENABLE)),
                          "audio enable flag", 0);
    checker_.CheckInteger(scope, checker_.Read(scope, KeyPath(i, MEDIA2_FIELD_METADATA_ENABLE)),
                          "metadata enable flag", 0);
    // The settings each carried medium is answered with, where the library
    // read them for this profile's URL.
    if (candidate == nullptr || !candidate->answersItself() ||
        candidate->answer.code != STRELL_OK) {
      return;
    }
    const std::string name = "the Media2 profile " + Quoted(token.text);
    std::vector<Multicast> media;
    for (const CMediumDescription& medium : kMediaTwoMedia) {
      const TMediaEncodeConfig& answered = Answered(candidate->answer.info, medium);
      Multicast multicast;
      if (answered.mediaTask == 1 &&
          Settings(scope, medium, answered.channel, answered.stream, name, multicast)) {
        media.push_back(multicast);
      }
    }
    for (const Multicast& multicast : media) checker_.CheckMulticast(multicast);
    checker_.CheckPartialMulticast(scope, slot.node, slot.keyPath, name, media);
  }

  void Shadowed(const Scope& scope, const Value& token, const Candidate& candidate) {
    const Resolution& answer = candidate.answer;
    if (const Candidate* twin = checker_.EarlierTwin(candidate)) {
      checker_
          .Report(Severity::kError, "duplicate-token", scope, token,
                  "the stream profile token " + Quoted(token.text) + " is also that of slot " +
                      SlotLabel(*twin->profile.handler, twin->profile.slot) + " (key " +
                      std::to_string(twin->profile.key) +
                      "), which the library finds first: this profile is never resolved")
          .name = token.text;
    } else if (answer.handler != nullptr && answer.handler->marker != nullptr) {
      // An access name that answers the URL is reported at the access name.
      checker_
          .Report(Severity::kError, "shadowed-token", scope, token,
                  "the URL of the stream profile token " + Quoted(token.text) + " holds " +
                      Quoted(answer.handler->marker()) + " and a token: the " +
                      answer.handler->title + " handler, asked first, claims it (answer " +
                      std::to_string(answer.code) + "), so this profile is never resolved")
          .name = token.text;
    }
  }

  // The video source, read with the library's own parse.
  void VideoSource(const Scope& scope, int i) {
    const Value source = checker_.Read(scope, KeyPath(i, MEDIA2_FIELD_VIDEO_SOURCE));
    int channel = 0;
    int stream = 0;
    if (extractChannelStreamFromStreamProfile(source.text.c_str(), channel, stream) != STRELL_OK) {
      checker_.Report(Severity::kError, "bad-video-source", scope, source,
                      source.present
                          ? "the video source " + Quoted(source.text) +
                                " does not read as c<channel>s<stream>: its URL answers 9"
                          : "video is enabled but there is no video source: its URL answers 9");
      return;
    }
    // The shortest start of the source the library reads the same way: what
    // follows it, it ignores.
    const std::string& text = source.text;
    size_t used = 1;
    for (int c = 0, t = 0; used < text.size(); ++used) {
      if (extractChannelStreamFromStreamProfile(text.substr(0, used).c_str(), c, t) == STRELL_OK &&
          c == channel && t == stream) {
        break;
      }
    }
    const std::string rest = text.substr(used);
    if (rest.find_first_not_of(" \t\n\v\f\r") != std::string::npos) {
      checker_.Report(Severity::kWarning, "trailing-text", scope, source,
                      "the video source " + Quoted(text) + " has " + Quoted(rest) + " after " +
                          Quoted(text.substr(0, used)) + ", which the library ignores");
    }
  }

  // One medium's multicast settings, read from its channel's file.
  bool Settings(const Scope& profile, const CMediumDescription& medium, int channel, int stream,
                const std::string& name, Multicast& multicast) {
    char buffer[kKeyPathSize];
    const std::string port = MediumKeyPath(medium, channel, stream, MEDIA2_FIELD_MULTICAST_PORT);
    const std::string label =
        Varying(port, MediumKeyPath(medium, channel + 1, stream + 1, MEDIA2_FIELD_MULTICAST_PORT));
    Scope& scope = multicast.scope;
    scope.doc = &checker_.Doc(medium.file(channel, buffer));
    scope.slot = label;
    scope.handler = handler_.id;
    scope.keys = profile.keys;
    multicast.label = std::string(medium.medium) + " " + label;
    const size_t slash = multicast.label.find('/');
    if (slash != std::string::npos) multicast.label.erase(slash, 1);
    multicast.part = multicast.label;
    if (!checker_.Readable(scope, RootElement(port),
                           "the " + multicast.label + " of " + name +
                               " resolves without address, with port 0 and TTL 0",
                           false)) {
      return false;
    }
    multicast.port = checker_.Read(scope, port);
    multicast.address = checker_.Read(
        scope, MediumKeyPath(medium, channel, stream, MEDIA2_FIELD_MULTICAST_ADDRESS));
    multicast.ttl =
        checker_.Read(scope, MediumKeyPath(medium, channel, stream, MEDIA2_FIELD_MULTICAST_TTL));
    if (!multicast.port.present && !multicast.address.present && !multicast.ttl.present) {
      checker_.Report(Severity::kWarning, "missing-key", scope, multicast.port.node,
                      port.substr(0, port.rfind('/')),
                      "no multicast settings for the " + multicast.label + " of " + name +
                          ": it resolves without address, with port 0 and TTL 0");
      return false;
    }
    multicast.portNumber = checker_.CheckInteger(scope, multicast.port, "port", 0);
    multicast.ttlNumber = checker_.CheckInteger(scope, multicast.ttl, "TTL", 0);
    return true;
  }

  Checker& checker_;
  const CUrlMediaTwo& handler_;
};

}  // namespace

void CheckMediaTwo(Checker& checker) {
  if (const CUrlMediaTwo* handler = checker.session().handler<CUrlMediaTwo>()) {
    MediaTwoChecker(checker, *handler).Run();
  }
}

}  // namespace strell_cli
