// Stream-server handler: URLs equal to an RTSP access name of
// /etc/conf.d/config_streamserver.xml.
//
// The file holds numbered slots s0, s1, ... below /root/network/rtsp; slots s0
// to s3 become the profiles 111 to 114. Each slot names its video, audio and
// metadata by track number, which the capability counts turn into a channel
// and a stream (numbering/capability.h).
#ifndef STRELL_STREAMSERVER_URL_STREAMSERVER_H_
#define STRELL_STREAMSERVER_URL_STREAMSERVER_H_

#include <string>
#include <vector>

#include "base/field_table.h"
#include "base/key_path.h"
#include "handler/url_handler.h"
#include "hostconfig/config_value.h"
#include "strell.h"

// The handler's name for the factory, and its id: slot n has the key
// kStreamserverKeyBase + n.
constexpr char kStreamserverName[] = "streamserver";
constexpr int kStreamserverKeyBase = 111;

// The file of the access names, and how many of its slots are read: s0 to s3,
// keys 111 to 114; later slots are never read.
constexpr char kStreamserverFile[] = STRELL_CONFIG_DIRECTORY "config_streamserver.xml";
constexpr int kStreamserverSlots = 4;
// The key path of a slot up to its number: "/root/network/rtsp/s<slot>/<key>".
constexpr char kStreamserverSlotPrefix[] = "/root/network/rtsp/s";

// One medium of an access-name slot. `mediaTask` is the track number; a
// negative track means the slot does not carry the medium. A track that could
// not be read therefore keeps -1: the medium is not carried.
struct CMediaInfo {
  int port = 0;
  std::string ipAddress;
  int mediaTask = -1;
};

// One access-name slot. Fields that cannot be read keep these start values.
struct CZellProfile {
  std::string accessname;
  int profileKey = 0;       // 111 + slot index
  int alwaysmulticast = 0;  // loaded, never consulted
  int ttl = 0;              // copied into the ttl of each carried medium
  int enable = 0;           // loaded and dumped; resolution ignores it
  CMediaInfo videoInfo;
  CMediaInfo audioInfo;
  CMediaInfo metadataInfo;
};

// The thirteen values of a slot, in the order of their rows in configMap.
enum eField : int {
  ZELL_FIELD_ALWAYSMULTICAST = 0,
  ZELL_FIELD_ENABLE = 1,
  ZELL_FIELD_ACCESSNAME = 2,
  ZELL_FIELD_TTL = 3,
  ZELL_FIELD_VIDEOTRACK = 4,
  ZELL_FIELD_VIDEOIPADDRESS = 5,
  ZELL_FIELD_VIDEOPORT = 6,
  ZELL_FIELD_AUDIOTRACK = 7,
  ZELL_FIELD_AUDIOIPADDRESS = 8,
  ZELL_FIELD_AUDIOPORT = 9,
  ZELL_FIELD_METADATATRACK = 10,
  ZELL_FIELD_METADATAIPADDRESS = 11,
  ZELL_FIELD_METADATAPORT = 12,
};

// One row of configMap: a field and its key below the slot element.
struct CZellConfigRow {
  int id;
  char name[256];
};

constexpr int kZellConfigRows = 13;
// The key of a field is the name of the first row whose id equals it.
extern const CZellConfigRow configMap[kZellConfigRows];

// Builds "/root/network/rtsp/s<slot>/<key of field>" into `keyPath`; false
// when no row names the field. A path longer than the buffer is cut (no key
// of the table comes near it).
inline bool buildStreamserverKeyPath(int slot, eField field, char (&keyPath)[kKeyPathSize]) {
  const CZellConfigRow* row = findRow(configMap, field);
  if (row == nullptr) return false;
  KeyPathBuilder(keyPath).literal(kStreamserverSlotPrefix).number(slot).literal("/").text(row->name);
  return true;
}

// Read one value of slot `slot` from /etc/conf.d/config_streamserver.xml at
// /root/network/rtsp/s<slot>/<key of field>. 0, or 4 when the host cannot
// deliver it (or the field has no row); `value` is then unchanged.
EStrellErrno readCtxFromXmlInt(int slot, eField field, int& value);
EStrellErrno readCtxFromXmlString(int slot, eField field, std::string& value);

// Fills everything of `info` but profileKey from one slot: the name, then per
// medium either mediaTask 0 (not carried, nothing else written) or mediaTask
// 1 with channel, stream, address, port and the slot's ttl.
void fillMediaOneToStreamProfileInfo(CZellProfile* profile, TProfileInfo* info);

class CUrlStreamserver : public IUrlHandler {
 public:
  CUrlStreamserver() : IUrlHandler(kStreamserverKeyBase) {}
  ~CUrlStreamserver() override;

  // Claims a URL that equals a stored access name as a whole (case-sensitive,
  // nothing stripped); the lowest such slot wins. Prints nothing.
  EStrellErrno HandleUrl(const char* url, TProfileInfo* info) override;
  // Reloads slots s0 to s3, then the rest of the chain.
  EStrellErrno Parse() override;
  EStrellErrno GetProfileListByVideoStream(int channel, int stream, TProfileList* list) override;
  EStrellErrno GetProfileListByAudioStream(int channel, int stream, TProfileList* list) override;

  // One read each; the code of that read.
  EStrellErrno parseAlwaysmulticast(int slot, int& value);
  EStrellErrno parseTTL(int slot, int& value);
  EStrellErrno parseEnable(int slot, int& value);
  EStrellErrno parseAccessname(int slot, std::string& value);
  // Track, then address, then port; the first failed read ends the medium and
  // its code is returned, the later keys are not requested.
  EStrellErrno parseVideoInfo(int slot, CMediaInfo& info);
  EStrellErrno parseAudioInfo(int slot, CMediaInfo& info);
  EStrellErrno parseMetadataInfo(int slot, CMediaInfo& info);
  // Reads one slot and appends its record, whatever could be read. Always 0.
  int parseProfile(int slot);
  // Empties the store and reads slots 0 to 3. Always 0.
  int parseXml();
  // Prints the store to standard output, for diagnosis.
  void dumpprofile();

  // Append the keys of the matching slots; the video list prints one line per
  // match, the audio list one line per slot. Always 0.
  int fillProfileListByVideoStream(int channel, int stream, TProfileList* list);
  int fillProfileListByAudioStream(int channel, int stream, TProfileList* list);

  std::vector<CZellProfile> profiles;
};

#endif  // STRELL_STREAMSERVER_URL_STREAMSERVER_H_
