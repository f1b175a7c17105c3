#include "rtspd/rtspd_library.h"

#include <string>

namespace strell_rtspd {

namespace {

std::string KeysText(const std::vector<int>& keys) {
  if (keys.empty()) return "none";
  std::string text;
  for (int key : keys) {
    if (!text.empty()) text += ' ';
    text += std::to_string(key);
  }
  return text;
}

std::vector<int> KeysOf(const TProfileList& list) {
  int count = list.profileCount;
  if (count < 0) count = 0;
  if (count > STRELL_MAX_PROFILE_KEYS) count = STRELL_MAX_PROFILE_KEYS;
  return std::vector<int>(list.profileKeys, list.profileKeys + count);
}

}  // namespace

Library::Library() { Strell_Init(&handle_); }

Library::~Library() { Strell_Release(&handle_); }

int Library::Reload() { return Strell_Parse(handle_); }

int Library::Resolve(const std::string& url, TProfileInfo* info) {
  info->videoInfo.ttl = kTtlNotGiven;
  info->audioInfo.ttl = kTtlNotGiven;
  info->metadataInfo.ttl = kTtlNotGiven;
  return Strell_GetProfileInfoByStreamUrl(handle_, url.c_str(), info);
}

std::vector<int> Library::ProfilesWithVideo(int channel, int stream) {
  TProfileList list{};
  Strell_GetProfileListByVideoStream(handle_, channel, stream, &list);
  return KeysOf(list);
}

std::vector<int> Library::ProfilesWithAudio(int channel, int stream) {
  TProfileList list{};
  Strell_GetProfileListByAudioStream(handle_, channel, stream, &list);
  return KeysOf(list);
}

std::string CodeText(int code) {
  const char* meaning = "unexpected result";
  switch (code) {
    case STRELL_OK:
      meaning = "ok";
      break;
    case STRELL_ERR_CONFIG_READ:
      meaning = "configuration read failed";
      break;
    case STRELL_ERR_NOT_FOUND:
      meaning = "no profile for this URL";
      break;
    case STRELL_ERR_BAD_SOURCE:
      meaning = "the profile's video source is not of the form c<channel>s<stream>";
      break;
    case STRELL_ERR_NULL_RECORD:
      meaning = "no record";
      break;
    default:
      break;
  }
  return std::string(meaning) + " (" + std::to_string(code) + ")";
}

std::string OnvifNumbering(int channel, int stream) {
  const TChannelStream configuration{channel, stream};
  TChannelStream onvif{};
  Strell_ConfigToOnvif(&configuration, &onvif);
  return "channel " + std::to_string(onvif.channel) + " stream " + std::to_string(onvif.stream);
}

std::vector<std::string> DescribeStreams(const MediaPlan& plan, Library& library) {
  std::vector<std::string> lines;
  for (const ServedStream& stream : plan.streams) {
    std::string line = std::string(MediumName(stream.medium)) + ": channel " +
                       std::to_string(stream.channel) + " stream " + std::to_string(stream.stream) +
                       " (ONVIF " + OnvifNumbering(stream.channel, stream.stream) + "), ";
    switch (stream.medium) {
      case Medium::kVideo:
        line += "JPEG " + std::to_string(stream.frameSize.width) + "x" +
                std::to_string(stream.frameSize.height) + " (" + stream.frameSizeOrigin +
                ") pattern " + VideoPattern(stream.channel);
        break;
      case Medium::kAudio:
        line += "PCMU tone " + std::to_string(ToneFrequency(stream.channel, stream.stream)) + " Hz";
        break;
      case Medium::kMetadata:
        line += "text once a second";
        break;
    }
    if (stream.multicast) {
      line += ", multicast " + stream.group.address + " port " + std::to_string(stream.group.port) +
              " ttl " + std::to_string(stream.group.ttl);
      if (stream.defaultTtl) line += " (the server's default: the answer gives no TTL)";
    } else {
      line += ", no multicast: " + stream.noMulticastReason;
    }
    // The library lists profiles by video and by audio stream; metadata has
    // no such query.
    if (stream.medium == Medium::kVideo) {
      line += "; profiles with this video: " +
              KeysText(library.ProfilesWithVideo(stream.channel, stream.stream));
    } else if (stream.medium == Medium::kAudio) {
      line += "; profiles with this audio: " +
              KeysText(library.ProfilesWithAudio(stream.channel, stream.stream));
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace strell_rtspd
