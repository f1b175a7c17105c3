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

#include "base/field_table.h"
#include "base/key_path.h"
#include "handler/url_handler.h"
#include "hostconfig/config_value.h"
#include "strell.h"

// The handler's name for the factory, and its id: stream-profile slot n has
// the key kMediaTwoKeyBase + n.
constexpr char kMediaTwoName[] = "media2";
constexpr int kMediaTwoKeyBase = 333;

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

// The stream profiles: slots i0 to i9 of one file, keys 333 to 342, whatever
// the file holds; later slots are never read.
constexpr int kStreamProfileSlots = 10;
constexpr char kStreamProfileFile[] = STRELL_CONFIG_DIRECTORY "config_streamprofile.xml";
// The key path of a slot up to its number: "/root/streamprofile/i<slot>/<name>".
constexpr char kStreamProfileSlotPrefix[] = "/root/streamprofile/i";

// The key names, looked up by id at every read (the first row whose id equals
// the field gives the name).
extern const CMediaTwoConfigRow MediaTwoconfigMap[kMediaTwoConfigRows];

// The name of a field of MediaTwoconfigMap; "" for a field without a row.
inline const char* mediaTwoFieldName(EStreamProfileField field) {
  const CMediaTwoConfigRow* row = findRow(MediaTwoconfigMap, field);
  return row != nullptr ? row->name : "";
}

// "/root/streamprofile/i<index>/<name>" with the field's name. A field
// without a row has no name: its key path ends in "/" and names nothing in
// the file.
inline void buildStreamProfileKeyPath(char (&key)[kKeyPathSize], int index,
                                      EStreamProfileField field) {
  KeyPathBuilder(key)
      .literal(kStreamProfileSlotPrefix)
      .number(index)
      .literal("/")
      .text(mediaTwoFieldName(field));
}

// Where each medium keeps the multicast values a resolution reads: video and
// metadata in a file per channel, audio in one file for every channel; in it,
// "/root/<word>/c<channel>/s<stream>/multicast/<name>" with the medium's word.
constexpr char kVideoinFilePrefix[] = STRELL_CONFIG_DIRECTORY "config_videoin_c";
constexpr char kAudioinFile[] = STRELL_CONFIG_DIRECTORY "config_audioin.xml";
constexpr char kMetadataFilePrefix[] = STRELL_CONFIG_DIRECTORY "config_metadata_c";
constexpr char kMediumFileSuffix[] = ".xml";

// The file of a medium's channel, built into `buffer` when it depends on the
// channel; returns the file name.
inline const char* videoinFile(int channel, char (&buffer)[kKeyPathSize]) {
  KeyPathBuilder(buffer).literal(kVideoinFilePrefix).number(channel).literal(kMediumFileSuffix);
  return buffer;
}
inline const char* audioinFile(int /*channel*/, char (&/*buffer*/)[kKeyPathSize]) {
  return kAudioinFile;
}
inline const char* metadataFile(int channel, char (&buffer)[kKeyPathSize]) {
  KeyPathBuilder(buffer).literal(kMetadataFilePrefix).number(channel).literal(kMediumFileSuffix);
  return buffer;
}

// Writes "/root/<word>/c<channel>/s<stream>/multicast/", the key path of a
// medium's multicast values up to the field's name.
inline void buildMulticastKeyPrefix(KeyPathBuilder& key, const char* word, int channel,
                                    int stream) {
  key.literal("/root/").text(word).literal("/c").number(channel).literal("/s").number(stream);
  key.literal("/multicast/");
}

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
  CUrlMediaTwo() : IUrlHandler(kMediaTwoKeyBase) {}
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
