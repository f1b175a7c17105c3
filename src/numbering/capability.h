// The camera's channel and stream counts, and the mapping of stream-server
// track numbers onto channels and streams (configuration numbering).
//
// The counts come from the host's parameter store. Each is read once per
// process, at the first track conversion of its kind, and shared by every
// context: a reload or a new context does not read them again. The first
// conversion may run on several threads at once (one per context); exactly one
// of them reads, the others wait for its result.
#ifndef STRELL_NUMBERING_CAPABILITY_H_
#define STRELL_NUMBERING_CAPABILITY_H_

// Names of the device parameters the counts are read from.
extern const char* CAPABILITY_NVIDEO_IN;      // "capability_nvideoin"
extern const char* CAPABILITY_NMEDIA_STREAM;  // "capability_nmediastream"
extern const char* CAPABILITY_NAUDIO_IN;      // "capability_naudioin"

// The counts; 0 until read. Written only while the library holds its
// capability lock, before the matching conversion sees them as loaded.
extern int g_video_channel;  // video inputs
extern int g_video_stream;   // streams per video channel
extern int g_audio_channel;  // audio inputs

// Reads "capability_nvideoin", then "capability_nmediastream", into the two
// video counts and returns the streams per channel. Reads every time it is
// called; the conversions call it once per process. The library never calls it
// while a conversion may run; a host that does races with its own conversions.
int getVideoChannelStreamNum();
// Reads "capability_naudioin" into g_audio_channel and returns it.
int getAudioChannel();

// Video tracks are numbered channel by channel: channel = track / streams per
// channel (truncating toward zero), stream = the remainder (sign of the track).
// With no streams per channel every track is channel 0, stream = track. Both
// outputs are always written; the result is always 0.
int convertVideoTrackToChannelStream(int track, int& channel, int& stream);
// Audio track n is channel n, stream 0. Always 0.
int convertAudioTrackToChannelStream(int track, int& channel, int& stream);
// Metadata always comes from channel 0, stream 0; the track is not used and
// nothing is read. Always 0.
int convertMetadataTrackToChannelStream(int track, int& channel, int& stream);

#endif  // STRELL_NUMBERING_CAPABILITY_H_
