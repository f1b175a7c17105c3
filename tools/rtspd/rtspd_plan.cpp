#include "rtspd/rtspd_plan.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace strell_rtspd {

namespace {

constexpr FrameSize kFrameSizes[] = {{640, 480}, {320, 240}, {176, 144}, {160, 120}};

// Patterns that differ at a glance and cost little to draw.
constexpr const char* kPatterns[] = {"smpte",    "ball",     "pinwheel",   "spokes",
                                     "circular", "gradient", "checkers-8", "zone-plate"};

constexpr int kMaxToneHz = 3900;
// RFC 2435 carries width and height in units of 8 pixels, in one byte each.
constexpr int kFrameUnit = 8;
constexpr int kMaxFrameSide = 255 * kFrameUnit;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  return buffer;
}

// A test source needs no more than a few frames a second, and a camera-sized
// frame costs a small host some time to encode.
std::string VideoBranch(const ServedStream& stream, std::size_t index) {
  return Format(
      "videotestsrc is-live=true pattern=%s ! "
      "video/x-raw,format=I420,width=%d,height=%d,framerate=5/1 ! jpegenc quality=50 ! "
      "rtpjpegpay name=pay%zu pt=26",
      VideoPattern(stream.channel), stream.frameSize.width, stream.frameSize.height, index);
}

std::string AudioBranch(const ServedStream& stream, std::size_t index) {
  return Format(
      "audiotestsrc is-live=true wave=sine volume=0.4 freq=%d samplesperbuffer=160 ! "
      "audio/x-raw,format=S16LE,rate=8000,channels=1 ! mulawenc ! rtppcmupay name=pay%zu pt=0",
      ToneFrequency(stream.channel, stream.stream), index);
}

// fakesrc makes one buffer of the line's length per second of stream time and
// the server fills it with the line (handoff signal); identity holds each
// buffer until its time, as a live source would.
std::string MetadataBranch(const ServedStream& stream, std::size_t index) {
  const std::size_t size = stream.metadataText.size();
  return Format(
      "fakesrc name=%s is-live=true format=time sizetype=fixed sizemax=%zu datarate=%zu "
      "filltype=zero signal-handoffs=true ! identity sync=true ! text/x-raw,format=utf8 ! "
      "rtpgstpay name=pay%zu pt=96",
      MetadataSourceName(index).c_str(), size, size, index);
}

void AddStream(const TProfileInfo& info, Medium medium, const TMediaEncodeConfig& config,
               const VideoFrame& video, MediaPlan& plan) {
  if (config.mediaTask != 1) return;
  ServedStream stream;
  stream.medium = medium;
  stream.channel = config.channel;
  stream.stream = config.stream;
  stream.group.address.assign(config.ipAddress, strnlen(config.ipAddress, sizeof config.ipAddress));
  stream.group.port = config.port;
  TMediaEncodeConfig offered = config;
  if (offered.ttl == kTtlNotGiven) {
    offered.ttl = kDefaultMulticastTtl;
    stream.defaultTtl = true;
  }
  stream.group.ttl = offered.ttl;
  stream.multicast = UsableMulticast(offered, &stream.noMulticastReason);
  if (medium == Medium::kVideo) {
    stream.frameSize = video.size;
    stream.frameSizeOrigin = video.origin;
  }
  if (medium == Medium::kMetadata) {
    stream.metadataText = MetadataText(info, config.channel, config.stream);
  }
  plan.streams.push_back(std::move(stream));
}

}  // namespace

const char* MediumName(Medium medium) {
  switch (medium) {
    case Medium::kVideo:
      return "video";
    case Medium::kAudio:
      return "audio";
    case Medium::kMetadata:
      return "metadata";
  }
  return "?";
}

FrameSize FallbackFrameSize(int stream) {
  const int last = static_cast<int>(std::size(kFrameSizes)) - 1;
  return kFrameSizes[stream >= 0 && stream < last ? stream : last];
}

bool ParseFrameSize(const std::string& text, FrameSize* size, std::string* reason) {
  int width = 0;
  int height = 0;
  char end = '\0';
  // %c catches anything after the height; sscanf's own limits keep it bounded.
  if (std::sscanf(text.c_str(), "%5dx%5d%c", &width, &height, &end) != 2) {
    *reason = "resolution \"" + text + "\" is not <width>x<height>";
    return false;
  }
  if (width < kFrameUnit || height < kFrameUnit || width > kMaxFrameSide ||
      height > kMaxFrameSide || width % kFrameUnit != 0 || height % kFrameUnit != 0) {
    *reason = "resolution \"" + text + "\" does not fit JPEG over RTP (multiples of 8 up to 2040)";
    return false;
  }
  *size = FrameSize{width, height};
  reason->clear();
  return true;
}

const char* VideoPattern(int channel) {
  const int count = static_cast<int>(std::size(kPatterns));
  // A negative channel (a record the host filled oddly) still picks a pattern.
  return kPatterns[((channel % count) + count) % count];
}

int ToneFrequency(int channel, int stream) {
  const std::int64_t hz = 440 * (std::int64_t{channel} + 1) + 110 * std::int64_t{stream};
  return static_cast<int>(std::clamp<std::int64_t>(hz, 110, kMaxToneHz));
}

std::string MetadataText(const TProfileInfo& info, int channel, int stream) {
  // The record's name is bounded and NUL-terminated by the library's contract;
  // %.255s keeps this function safe on any record.
  return Format("strell-rtspd metadata: profile %d %.255s, channel %d, stream %d\n",
                info.profileKey, info.profileName, channel, stream);
}

bool UsableMulticast(const TMediaEncodeConfig& medium, std::string* reason) {
  const std::string address(medium.ipAddress, strnlen(medium.ipAddress, sizeof medium.ipAddress));
  in_addr parsed{};
  if (address.empty()) {
    *reason = "no multicast address";
    return false;
  }
  in6_addr parsed6{};
  if (inet_pton(AF_INET6, address.c_str(), &parsed6) == 1) {
    *reason = "\"" + address + "\" is an IPv6 address and the server has IPv4 loopback only";
    return false;
  }
  if (inet_pton(AF_INET, address.c_str(), &parsed) != 1 || (ntohl(parsed.s_addr) >> 28) != 0xE) {
    *reason = "\"" + address + "\" is not an IPv4 multicast address";
    return false;
  }
  if (medium.port < 1 || medium.port > 65534) {
    *reason = Format("multicast port %d is outside 1..65534", medium.port);
    return false;
  }
  if (medium.ttl < 1 || medium.ttl > 255) {
    *reason = Format("multicast TTL %d is outside 1..255", medium.ttl);
    return false;
  }
  reason->clear();
  return true;
}

MediaPlan PlanMedia(const TProfileInfo& info, const VideoFrame& video) {
  MediaPlan plan;
  AddStream(info, Medium::kVideo, info.videoInfo, video, plan);
  AddStream(info, Medium::kAudio, info.audioInfo, video, plan);
  AddStream(info, Medium::kMetadata, info.metadataInfo, video, plan);
  if (plan.streams.empty()) return plan;

  plan.launch = "(";
  for (std::size_t index = 0; index < plan.streams.size(); ++index) {
    const ServedStream& stream = plan.streams[index];
    plan.launch += ' ';
    switch (stream.medium) {
      case Medium::kVideo:
        plan.launch += VideoBranch(stream, index);
        break;
      case Medium::kAudio:
        plan.launch += AudioBranch(stream, index);
        break;
      case Medium::kMetadata:
        plan.launch += MetadataBranch(stream, index);
        break;
    }
  }
  plan.launch += " )";
  return plan;
}

std::string MetadataSourceName(std::size_t index) { return Format("metadata%zu", index); }

}  // namespace strell_rtspd
