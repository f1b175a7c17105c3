// Media2 handler: ONVIF Media2 stream-profile URLs
// ("media2/stream.sdp?profile=<token>").
//
// Parse loads the ten stream-profile slots of
// /etc/conf.d/config_streamprofile.xml. Resolving a URL matches its token
// against them and reads each carried medium's multicast port, address and TTL
// from the per-medium files at that moment: those values are never cached, so
// an edit of the per-medium files takes effect at the next request, while an
// edit of the stream-profile file needs a reload.
#ifndef STRELL_MEDIA2_URL_MEDIA_TWO_H_
#define STRELL_MEDIA2_URL_MEDIA_TWO_H_

#include <string>
#include <vector>

#include "handler/url_handler.h"
#include "strell.h"

// The values the handler reads; each names a row of MediaTwoconfigMap.
enum EStreamProfileField : int {
  MEDIA2_FIELD_PROFILENAME = 0,  // in the table, but no operation reads it
  MEDIA2_FIELD_TOKEN = 1,
  MEDIA2_FIELD_VIDEO_ENABLE = 2,
  MEDIA2_FIELD_VIDEO_SOURCE = 3,
  MEDIA2_FIELD_AUDIO_ENABLE = 4,
  MEDIA2_FIELD_AUDIO_SOURCE = 5,
  MEDIA2_FIELD_METADATA_ENABLE = 6,
  MEDIA2_FIELD_METADATA_SOURCE = 7,
  MEDIA2_FIELD_MULTICAST_PORT = 8,     // per-medium files
  MEDIA2_FIELD_MULTICAST_ADDRESS = 9,  // per-medium files
  MEDIA2_FIELD_MULTICAST_TTL = 10,     // per-medium files
};

// One row of MediaTwoconfigMap: a field and the last part of its key path.
struct CMediaTwoConfigRow {
  int id;  // an EStreamProfileField value
  char name[STRELL_TEXT_SIZE];
};

constexpr int kMediaTwoConfigRows = 11;
constexpr int kStreamProfileSlots = 10;

// The key names, looked up by id at every read (the first row whose id equals
// the field gives the name).
extern const CMediaTwoConfigRow MediaTwoconfigMap[kMediaTwoConfigRows];

// The marker of a Media2 URL, "media2/stream.sdp?profile=". Read at every
// call of checkIsMedia2, so a host may point it at another text.
extern const char* MEDIA2_STREAMSDP_TOKEN;

// One medium of a stream profile.
struct CMediaEncodeConfig {
  std::string source;  // "c<channel>s<stream>" for video; empty when not read
  int enable = 0;      // nonzero: the profile carries the medium
};

// One stream-profile slot.
struct CStreamProfile {
  std::string profileToken;  // empty when the slot has none
  int profileKey = 0;        // 333 + slot index
  CMediaEncodeConfig videoEncodeConfig;
  CMediaEncodeConfig audioEncodeConfig;
  CMediaEncodeConfig metadataEncodeConfig;
};

// Writes the key path of one field of one channel and stream into a buffer of
// `size` characters (truncating).
using MediaTwoKeyBuilder = void (*)(char* buffer, int size, int channel, int stream,
                                    EStreamProfileField field);

// Stream-profile readers: one field of slot `index` of
// /etc/conf.d/config_streamprofile.xml, key "/root/streamprofile/i<index>/<name>".
// Return 0, or 4 with `value` unchanged when the host does not deliver it.
EStrellErrno readCtxFromXmlInt(int index, EStreamProfileField field, int& value);
EStrellErrno readCtxFromXmlString(int index, EStreamProfileField field, std::string& value);

// Generic per-medium reader: reads `field` of `channel` and `stream` from
// `file` under the key path `keyBuilder` writes. Returns 0, or 4 with `value`
// unchanged.
EStrellErrno readCtxFromXmlString(const char* file, MediaTwoKeyBuilder keyBuilder, int channel,
                                  int stream, EStreamProfileField field, std::string& value);

// The three key builders: "/root/<medium>/c<channel>/s<stream>/multicast/<name>"
// with the medium words "videoin", "audioin" and "metadata". Internal to the
// library: they are not in its dynamic symbol table.
void makeVideoinfieldPath(char* buffer, int size, int channel, int stream,
                          EStreamProfileField field);
void makeAudioinfieldPath(char* buffer, int size, int channel, int stream,
                          EStreamProfileField field);
void makeMetadatainfieldPath(char* buffer, int size, int channel, int stream,
                             EStreamProfileField field);

// One multicast field of a medium's channel and stream, from
// /etc/conf.d/config_videoin_c<channel>.xml, /etc/conf.d/config_audioin.xml
// (one file for every channel) or /etc/conf.d/config_metadata_c<channel>.xml.
// Return the generic reader's code.
EStrellErrno getVideoinfield(int channel, int stream, EStreamProfileField field,
                             std::string& value);
EStrellErrno getAudioinfield(int channel, int stream, EStreamProfileField field,
                             std::string& value);
EStrellErrno getMetadatainfield(int channel, int stream, EStreamProfileField field,
                                std::string& value);

// Returns a pointer into `url` to the profile token (everything after the
// first marker), or null when the URL has no marker or ends with it.
const char* checkIsMedia2(const char* url);

// Parses a video source with the rules of sscanf "c%ds%d": a literal c, a
// decimal number (leading blanks and a sign allowed), a literal s, a number;
// anything after the second number is ignored. Returns 0 when both numbers
// were converted, otherwise 9; a number converted before the scan stopped is
// stored all the same. Numbers beyond the range of int saturate.
EStrellErrno extractChannelStreamFromStreamProfile(const char* source, int& channel, int& stream);

// Fill `port`, `ipAddress` and `ttl` of one medium from its file, read now. A
// value the host does not deliver reads as 0 or the empty text. `mediaTask`,
// `channel` and `stream` are left alone. Always return 0.
EStrellErrno fillVideoEncodeByChannelAndStreeam(int channel, int stream,
                                                TMediaEncodeConfig& config);
EStrellErrno fillAudioEncodeByChannelAndStreeam(int channel, int stream,
                                                TMediaEncodeConfig& config);
EStrellErrno fillMetadataEncodeByChannelAndStreeam(int channel, int stream,
                                                   TMediaEncodeConfig& config);

class CUrlMediaTwo : public IUrlHandler {
 public:
  CUrlMediaTwo() : IUrlHandler(333) {}
  ~CUrlMediaTwo() override;

  // 11 for a null record; a URL with the marker and a token is claimed and
  // answered by handleMedia2Url (never passed on); any other goes to `next`.
  EStrellErrno HandleUrl(const char* url, TProfileInfo* info) override;
  // Replaces streamProfiles with exactly ten records (keys 333 to 342),
  // whatever the file holds, then reloads the rest of the chain.
  EStrellErrno Parse() override;
  // Append this handler's matches, then the rest of the chain's. Return 0.
  EStrellErrno GetProfileListByVideoStream(int channel, int stream, TProfileList* list) override;
  EStrellErrno GetProfileListByAudioStream(int channel, int stream, TProfileList* list) override;

  // Resolves a token against the first slot whose token equals it exactly:
  // 0, 8 (no such slot; `info` untouched) or 9 (the video source does not
  // parse; only profileKey and profileName written). Writes only the media the
  // profile carries.
  EStrellErrno handleMedia2Url(const char* token, TProfileInfo* info);

  // Video: every profile with video enabled whose source parses to `channel`
  // and `stream`. Audio: every profile with audio enabled, whatever the
  // channel and stream (resolution gives every Media2 audio channel 0, stream
  // 0). Keys are appended in slot order; always 0.
  EStrellErrno fillprofileListByVideoStream(int channel, int stream, TProfileList* list);
  EStrellErrno fillprofileListByAudioStream(int channel, int stream, TProfileList* list);

  // Slot loaders. The single-field ones return the reader's code; the others
  // ignore it (a value not delivered keeps its start value) and return 0.
  EStrellErrno parseProfileToken(int index, CStreamProfile& profile);
  EStrellErrno parseVideoConfigurationEnable(int index, CMediaEncodeConfig& config);
  EStrellErrno parseVideoConfigurationSource(int index, CMediaEncodeConfig& config);
  EStrellErrno parseAudioConfigurationEnable(int index, CMediaEncodeConfig& config);
  EStrellErrno parseAudioConfigurationSource(int index, CMediaEncodeConfig& config);
  EStrellErrno parseMetadataConfigurationEnable(int index, CMediaEncodeConfig& config);
  EStrellErrno parseMetadataConfigurationSource(int index, CMediaEncodeConfig& config);
  // Enable, then the source only when enabled.
  EStrellErrno parseVideoConfiguration(int index, CMediaEncodeConfig& config);
  EStrellErrno parseAudioConfiguration(int index, CMediaEncodeConfig& config);
  EStrellErrno parseMetadataConfiguration(int index, CMediaEncodeConfig& config);
  // Token, video, audio, metadata: four to seven host reads.
  EStrellErrno parseProfile(int index, CStreamProfile& profile);

  // Prints every loaded record to standard output (diagnostics; nothing in
  // the library calls it). Returns 0.
  int dumpall();

  std::vector<CStreamProfile> streamProfiles;  // slot order
};

#endif  // STRELL_MEDIA2_URL_MEDIA_TWO_H_
