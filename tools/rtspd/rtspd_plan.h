// What the server streams for a resolved profile: one test source per medium
// the record carries, and the multicast group each medium offers.
//
// The sources show which channel and stream the library chose, so that a
// player's picture and sound tell the answer apart:
//  - video: JPEG (RTP payload 26), 5 frames a second; the test pattern tells
//    the channel (VideoPattern), the frame size is the stream's (the caller
//    passes the configured one, rtspd_config.h);
//  - audio: G.711 mu-law, 8000 Hz, mono (payload 0); the tone's frequency
//    tells channel and stream (ToneFrequency);
//  - metadata: one line of text a second (MetadataText) in GStreamer's RTP
//    payload, which players list as a data stream.
// All of it comes from GStreamer's base and good plugins.
#ifndef STRELL_TOOLS_RTSPD_RTSPD_PLAN_H_
#define STRELL_TOOLS_RTSPD_RTSPD_PLAN_H_

#include <string>
#include <vector>

#include "strell.h"

namespace strell_rtspd {

enum class Medium { kVideo, kAudio, kMetadata };

// "video", "audio" or "metadata".
const char* MediumName(Medium medium);

struct FrameSize {
  int width;
  int height;
};

// The frame size of a stream without a usable configured one: 640x480 for
// stream 0, 320x240 for stream 1, 176x144 for stream 2, 160x120 for any other.
FrameSize FallbackFrameSize(int stream);

// Reads a frame size written "<width>x<height>". The JPEG payload carries
// both in units of 8 pixels, so each must be a multiple of 8 from 8 to 2040.
// Fills `reason` when the text is not such a size.
bool ParseFrameSize(const std::string& text, FrameSize* size, std::string* reason);

// A videotestsrc pattern name per channel; channels beyond the table wrap.
const char* VideoPattern(int channel);

// 440 Hz times (channel + 1), plus 110 Hz per stream, kept below the 4000 Hz
// that an 8000 Hz stream can carry.
int ToneFrequency(int channel, int stream);

// The record's TTL fields hold this before the library is asked (see
// Library::Resolve): a handler that gives no TTL (the Media1 handler gives
// none) leaves it there, and the server then offers kDefaultMulticastTtl.
constexpr int kTtlNotGiven = -1;
// TTL 1: the packets do not leave the local network.
constexpr int kDefaultMulticastTtl = 1;

// The multicast group a medium offers, from the record.
struct MulticastGroup {
  std::string address;
  int port = 0;  // RTP; RTCP uses port + 1
  int ttl = 0;
};

// One stream of the served media, in SDP order.
struct ServedStream {
  Medium medium = Medium::kVideo;
  int channel = 0;
  int stream = 0;
  FrameSize frameSize{0, 0};      // video only
  std::string frameSizeOrigin;    // video only: where the size comes from
  bool multicast = false;         // the record names a usable group
  bool defaultTtl = false;        // the record gave no TTL: kDefaultMulticastTtl
  MulticastGroup group;           // as the record gives it, TTL aside
  std::string noMulticastReason;  // why not, when `multicast` is false
  std::string metadataText;       // the line a metadata stream repeats
};

struct MediaPlan {
  std::vector<ServedStream> streams;  // stream i is payloaded by "pay<i>"
  std::string launch;                 // gst-launch description of the whole media
};

// The metadata line for a profile, newline-terminated.
std::string MetadataText(const TProfileInfo& info, int channel, int stream);

// Checks a medium's multicast settings: an IPv4 multicast address, a port
// from 1 to 65534 (RTCP takes the next one) and a TTL from 1 to 255. Fills
// `reason` when they are not usable.
bool UsableMulticast(const TMediaEncodeConfig& medium, std::string* reason);

// The frame size of the video a record carries, and where it comes from
// ("configured", or why the fallback size is used).
struct VideoFrame {
  FrameSize size{0, 0};
  std::string origin;
};

// The plan for a record: video, audio, metadata, each when its mediaTask is
// 1. Empty when the record carries no medium.
MediaPlan PlanMedia(const TProfileInfo& info, const VideoFrame& video);

// The name of the fakesrc element that feeds metadata stream `index`.
std::string MetadataSourceName(std::size_t index);

}  // namespace strell_rtspd

#endif  // STRELL_TOOLS_RTSPD_RTSPD_PLAN_H_
