// Stream-server handler: URLs equal to an RTSP access name of
// /etc/conf.d/config_streamserver.xml.
#ifndef STRELL_STREAMSERVER_URL_STREAMSERVER_H_
#define STRELL_STREAMSERVER_URL_STREAMSERVER_H_

#include <string>
#include <vector>

#include "api/export.h"
#include "handler/url_handler.h"

// One medium of an access-name slot. `mediaTask` is the track number; a
// negative track means the slot does not carry the medium.
struct STRELL_EXPORT CMediaInfo {
  int port = 0;
  std::string ipAddress;
  int mediaTask = -1;
};

// One access-name slot.
struct STRELL_EXPORT CZellProfile {
  std::string accessname;
  int profileKey = 0;
  int alwaysmulticast = 0;
  int ttl = 0;
  int enable = 0;
  CMediaInfo videoInfo;
  CMediaInfo audioInfo;
  CMediaInfo metadataInfo;
};

class STRELL_EXPORT CUrlStreamserver : public IUrlHandler {
 public:
  CUrlStreamserver() : IUrlHandler(111) {}
  ~CUrlStreamserver() override;

  EStrellErrno HandleUrl(const char* url, TProfileInfo* info) override;
  EStrellErrno Parse() override;
  EStrellErrno GetProfileListByVideoStream(int channel, int stream, TProfileList* list) override;
  EStrellErrno GetProfileListByAudioStream(int channel, int stream, TProfileList* list) override;

  std::vector<CZellProfile> profiles;
};

#endif  // STRELL_STREAMSERVER_URL_STREAMSERVER_H_
