#include "numbering/capability.h"

#include <pthread.h>

#include <atomic>

#include "hostconfig/config_value.h"

const char* CAPABILITY_NVIDEO_IN = "capability_nvideoin";
const char* CAPABILITY_NMEDIA_STREAM = "capability_nmediastream";
const char* CAPABILITY_NAUDIO_IN = "capability_naudioin";

int g_video_channel = 0;
int g_video_stream = 0;
int g_audio_channel = 0;

namespace {

// Set (release) once the counts of a kind are in their globals; a conversion
// that sees 1 (acquire) also sees the counts, so after the first conversion a
// call costs one load and takes no lock.
std::atomic<int> g_video_loaded{0};
std::atomic<int> g_audio_loaded{0};

// Serialises the reads themselves: the first conversions on several threads
// (several contexts) wait here instead of reading a parameter twice. Statically
// initialised, so it works from the first call whatever the load order.
pthread_mutex_t g_capability_mutex = PTHREAD_MUTEX_INITIALIZER;

class CapabilityLock {
 public:
  CapabilityLock() { pthread_mutex_lock(&g_capability_mutex); }
  ~CapabilityLock() { pthread_mutex_unlock(&g_capability_mutex); }
  CapabilityLock(const CapabilityLock&) = delete;
  CapabilityLock& operator=(const CapabilityLock&) = delete;
};

// Callers hold the lock.
int readVideoCounts() {
  g_video_channel = readHostParameter(CAPABILITY_NVIDEO_IN);
  g_video_stream = readHostParameter(CAPABILITY_NMEDIA_STREAM);
  return g_video_stream;
}

int readAudioCount() {
  g_audio_channel = readHostParameter(CAPABILITY_NAUDIO_IN);
  return g_audio_channel;
}

// The slow path stays out of line so the loaded check inlines into the
// converters as a single load and branch.
__attribute__((noinline)) void loadVideoCounts() {
  CapabilityLock lock;
  if (g_video_loaded.load(std::memory_order_relaxed) != 0) return;  // another thread won
  readVideoCounts();
  g_video_loaded.store(1, std::memory_order_release);
}

__attribute__((noinline)) void loadAudioCount() {
  CapabilityLock lock;
  if (g_audio_loaded.load(std::memory_order_relaxed) != 0) return;
  readAudioCount();
  g_audio_loaded.store(1, std::memory_order_release);
}

}  // namespace

int getVideoChannelStreamNum() {
  CapabilityLock lock;
  return readVideoCounts();
}

int getAudioChannel() {
  CapabilityLock lock;
  return readAudioCount();
}

int convertVideoTrackToChannelStream(int track, int& channel, int& stream) {
  if (g_video_loaded.load(std::memory_order_acquire) == 0) loadVideoCounts();
  const int perChannel = g_video_stream;
  if (perChannel == 0) {
    channel = 0;
    stream = track;
  } else if (perChannel == -1) {
    // track / -1 overflows for INT_MIN; negate with two's-complement
    // wrap-around instead (INT_MIN stays INT_MIN), the remainder is 0.
    channel = static_cast<int>(0u - static_cast<unsigned>(track));
    stream = 0;
  } else {
    channel = track / perChannel;
    stream = track - perChannel * channel;  // |perChannel * channel| <= |track|
  }
  return 0;
}

int convertAudioTrackToChannelStream(int track, int& channel, int& stream) {
  if (g_audio_loaded.load(std::memory_order_acquire) == 0) loadAudioCount();
  channel = track;
  stream = 0;
  return 0;
}

int convertMetadataTrackToChannelStream(int /*track*/, int& channel, int& stream) {
  channel = 0;
  stream = 0;
  return 0;
}
