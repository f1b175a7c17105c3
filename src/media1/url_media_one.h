// Media1 handler: ONVIF Media1 profile URLs ("media/stream.sdp?profile=").
//
// The head of the chain. `Parse` loads the ONVIF Media1 profiles, the video
// and audio encoder configurations and the metadata configuration from the
// four files under "/etc/conf.d/config_onvif/"; `HandleUrl` answers a URL
// that names a profile token after the marker, and the list operations
// report which profiles use a video (or have an audio) stream.
//
// Encoder tokens carry their channel and stream in ONVIF numbering: the one
// character before the first underscore is the channel, the number after it
// the stream ("VideoEncoder1_2" is ONVIF channel 1, stream 2). Everything
// this handler writes or compares is converted to the configuration
// numbering first.
#ifndef STRELL_MEDIA1_URL_MEDIA_ONE_H_
#define STRELL_MEDIA1_URL_MEDIA_ONE_H_

#include <string>
#include <vector>

#include "base/field_table.h"
#include "base/key_path.h"
#include "handler/url_handler.h"
#include "hostconfig/config_value.h"

// The handler's name for the factory, and its id: profile slot n has the key
// kMediaOneKeyBase + n.
constexpr char kMediaOneName[] = "media1";
constexpr int kMediaOneKeyBase = 222;

// How many slots of each file the handler reads; later slots are never read.
constexpr int kMediaOneProfileSlots = 4;       // i0 to i3, keys 222 to 225
constexpr int kMediaOneVideoEncoderSlots = 4;  // i0 to i3, always four records
constexpr int kMediaOneAudioEncoderSlots = 1;  // i0: the camera has one audio encoder

// The metadata configuration has no token of its own in its file; profiles
// name it by this one.
constexpr char kMediaOneMetadataToken[] = "metadata1";

// The configuration values the handler knows, by id. A fixed underlying type
// makes every int a valid value, so a reader can be asked for an id that the
// table does not hold (it answers 4).
enum EFieldProperty : int {
  FIELD_PROFILE_TOKEN = 0,
  FIELD_PROFILE_VIDEOENCODER_TOKEN = 1,
  FIELD_PROFILE_AUDIOENCODER_TOKEN = 2,
  FIELD_PROFILE_METADATA_TOKEN = 3,
  FIELD_VIDEOENCODER_TOKEN = 4,
  FIELD_VIDEOENCODER_IPV4 = 5,
  FIELD_VIDEOENCODER_IPV6 = 6,
  FIELD_VIDEOENCODER_ADDRESS_TYPE = 7,
  FIELD_VIDEOENCODER_TTL = 8,
  FIELD_VIDEOENCODER_PORT = 9,
  FIELD_AUDIOENCODER_TOKEN = 10,
  FIELD_AUDIOENCODER_IPV4 = 11,
  FIELD_AUDIOENCODER_IPV6 = 12,
  FIELD_AUDIOENCODER_ADDRESS_TYPE = 13,
  FIELD_AUDIOENCODER_TTL = 14,
  FIELD_AUDIOENCODER_PORT = 15,
  FIELD_METADATAENCODER_TOKEN = 16,  // in the table, never read
  FIELD_METADATA_IPV4 = 17,
  FIELD_METADATA_IPV6 = 18,
  FIELD_METADATA_ADDRESS_TYPE = 19,
  FIELD_METADATA_TTL = 20,
  FIELD_METADATA_PORT = 21,
};

// Number of rows of onvifMediaOneConfigMap.
constexpr int kOnvifMediaOneFieldCount = 22;

// One row of the field table: a field id and its key path. Indexed key paths
// hold one "%d" for the slot index.
struct COnvifMediaOneConfigItem {
  int id;
  char key[256];
};

// The key path of every field. Lookup is by id (first matching row), so the
// row order, which differs from the id order in the multicast rows, never
// changes a result.
extern const COnvifMediaOneConfigItem
    onvifMediaOneConfigMap[kOnvifMediaOneFieldCount];

// Builds the key path of `field` into `key`: with `index` put into its "%d"
// when `indexed`, as it stands otherwise. False when the table lacks `field`.
inline bool buildMediaOneKeyPath(EFieldProperty field, bool indexed, int index,
                                 char (&key)[kKeyPathSize]) {
  const COnvifMediaOneConfigItem* row = findRow(onvifMediaOneConfigMap, field);
  if (row == nullptr) return false;
  if (indexed) {
    buildIndexedKeyPath(key, row->key, index);
  } else {
    KeyPathBuilder(key).text(row->key);
  }
  return true;
}

// Which of a file's two address keys its type text selects.
enum EMediaOneAddress : int { MEDIA1_ADDRESS_NONE, MEDIA1_ADDRESS_IPV4, MEDIA1_ADDRESS_IPV6 };

// The encoder files hold "IPv4" and "IPv6", exactly.
inline EMediaOneAddress encoderAddressKind(const std::string& type) {
  if (type == "IPv4") return MEDIA1_ADDRESS_IPV4;
  if (type == "IPv6") return MEDIA1_ADDRESS_IPV6;
  return MEDIA1_ADDRESS_NONE;
}

// The metadata file's type is written "ipv4"/"ipv6" by some firmware and
// "IPv4"/"IPv6" (as in the encoder files) by others; both forms are in the
// field, so both count. Any other text selects no address.
inline EMediaOneAddress metadataAddressKind(const std::string& type) {
  if (type == "ipv4" || type == "IPv4") return MEDIA1_ADDRESS_IPV4;
  if (type == "ipv6" || type == "IPv6") return MEDIA1_ADDRESS_IPV6;
  return MEDIA1_ADDRESS_NONE;
}

// The four configuration files and the URL marker. Plain pointers, read at
// each use, so firmware can point them elsewhere before Strell_Parse.
extern const char* ONVIF_MEDIA_PROFILE_XML;
extern const char* ONVIF_MEDIA_ONE_VIDEOENCODER_XML;
extern const char* ONVIF_MEDIA_ONE_AUDIOENCODER_XML;
extern const char* ONVIF_MEDIA_ONE_METADATA_XML;
extern const char* ONVIF_MEDIA_ONE_TOKEN;

// One Media1 profile slot. An empty source token means the profile does not
// carry that medium.
struct CMediaOneProfile {
  std::string profileToken;
  int profileKey = 0;  // 222 + slot index
  std::string videoSouceToken;
  std::string audioSouceToken;
  std::string metadataSouceToken;
};

// One video or audio encoder configuration, or the metadata configuration.
// `port` and `ttl` stay 0 when their keys cannot be read.
struct COnvifMediaOneEncodeInfo {
  std::string token;
  std::string address;
  int port = 0;
  int ttl = 0;
};

// Readers of one configuration value. Each returns 0, or 4 when the host
// reader fails or `field` has no row in onvifMediaOneConfigMap; `value` is
// then left as it was. The indexed forms put `index` into the key path's
// "%d"; the others use the key path as it stands.
EStrellErrno readCtxFromXmlString(const char* file, int index, EFieldProperty field,
                                                std::string& value);
EStrellErrno readCtxFromXmlString(const char* file, EFieldProperty field,
                                                std::string& value);
EStrellErrno readCtxFromXmlInt(const char* file, int index, EFieldProperty field,
                                             int& value);
EStrellErrno readCtxFromXmlInt(const char* file, EFieldProperty field, int& value);

// The profile name of a Media1 URL: a pointer into `url` just after the first
// ONVIF_MEDIA_ONE_TOKEN, taken to the end of the URL. Null when the marker is
// absent or nothing follows it.
const char* getMediaOneToken(const char* url);

// Copies a configuration's multicast address (at most 255 characters) and
// port into `config`; nothing else of `config` changes.
void fillMulticast(COnvifMediaOneEncodeInfo& info, TMediaEncodeConfig& config);

// The token rule in ONVIF numbering. Returns -1, changing nothing and
// printing nothing, when `token` has no underscore. Otherwise sets `channel`
// from the single character before the first underscore (its digit value,
// else 0; 0 when the underscore comes first) and `stream` from the number
// after it (atoi conventions), prints
// "token = %s channel = %d, stream = %d\n" and returns 0.
int parseOnvifTokenToExtractChannelStream(const char* token, int& channel,
                                                        int& stream);

// The token rule from ONVIF channel 0 and stream 0, converted to the
// configuration numbering: a token without an underscore gives -1 and -1.
void getvideoChannelAndStreamByOnvifSource(const std::string& token, int& channel,
                                                         int& stream);

class CUrlMediaOne : public IUrlHandler {
 public:
  CUrlMediaOne() : IUrlHandler(kMediaOneKeyBase) {}
  ~CUrlMediaOne() override;

  // 11 for a null record. A URL with a profile name after the marker is
  // claimed: prints "%s profileName = %s\n" and answers fillProfile's code (0
  // or 8) without asking the next handler. Any other URL goes on.
  EStrellErrno HandleUrl(const char* url, TProfileInfo* info) override;
  // Reloads the four stores from scratch, then the rest of the chain; the
  // answer is the next handler's (0 at the chain's end).
  EStrellErrno Parse() override;
  // Append this handler's keys, then the rest of the chain's; always 0.
  EStrellErrno GetProfileListByVideoStream(int channel, int stream, TProfileList* list) override;
  EStrellErrno GetProfileListByAudioStream(int channel, int stream, TProfileList* list) override;

  // Loading. Each slot reader appends one whole record or nothing.
  EStrellErrno parseMediaOneProfile();        // kMediaOneProfileSlots slots; 0
  EStrellErrno parseProfile(int index);       // 4 (nothing stored) when the token is empty
  EStrellErrno parseVideoEncoderXmltoList();  // kMediaOneVideoEncoderSlots slots; 0
  EStrellErrno parseVideoEncoderXml(int index);
  EStrellErrno parseAudioEncoderXmltoList();  // kMediaOneAudioEncoderSlots slots; 0
  EStrellErrno parseAudioEncoderXml(int index);
  EStrellErrno parseMetadataEncoderXmltoList();  // one record, kMediaOneMetadataToken; 0

  // Diagnostic prints of the stores; nothing in the library calls them.
  void dumpProfileList();
  void dumpVideoEncodeList();
  void dumpAudioEncodeList();
  void dumpMetadata();

  // Resolution. fillProfile answers 0 or 8 (no profile has this token, and
  // `info` is untouched); a medium whose token names no configuration is
  // left untouched and does not fail the profile. The fill operations of
  // one medium answer 8, writing nothing, when `token` names no
  // configuration of theirs.
  EStrellErrno fillProfile(const char* profileName, TProfileInfo* info);
  EStrellErrno fillVideoConfig(const std::string& token, TProfileInfo* info);
  EStrellErrno fillAudioConfig(const std::string& token, TProfileInfo* info);
  EStrellErrno fillMetadataConfig(const std::string& token, TProfileInfo* info);

  // Lists. By video: every profile whose video token gives this channel and
  // stream (configuration numbering). By audio: every profile with an audio
  // token, whatever channel and stream are asked. Keys go in store order
  // through appendProfileKey; always 0.
  EStrellErrno fillProfileListByVideoStream(int channel, int stream, TProfileList* list);
  EStrellErrno fillProfileListByAudioStream(int channel, int stream, TProfileList* list);

  std::vector<CMediaOneProfile> mediaOneProfiles;
  std::vector<COnvifMediaOneEncodeInfo> videoEncodeList;
  std::vector<COnvifMediaOneEncodeInfo> audioEncodeList;
  std::vector<COnvifMediaOneEncodeInfo> metadataEncodeList;
};

#endif  // STRELL_MEDIA1_URL_MEDIA_ONE_H_
