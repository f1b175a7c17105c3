// Media1 handler: ONVIF Media1 profile URLs ("media/stream.sdp?profile=").
#ifndef STRELL_MEDIA1_URL_MEDIA_ONE_H_
#define STRELL_MEDIA1_URL_MEDIA_ONE_H_

#include <string>
#include <vector>

#include "api/export.h"
#include "handler/url_handler.h"

// One Media1 profile slot.
struct STRELL_EXPORT CMediaOneProfile {
  std::string profileToken;
  int profileKey = 0;
  std::string videoSouceToken;
  std::string audioSouceToken;
  std::string metadataSouceToken;
};

// One video or audio encoder configuration, or the metadata configuration.
struct STRELL_EXPORT COnvifMediaOneEncodeInfo {
  std::string token;
  std::string address;
  int port = 0;
  int ttl = 0;
};

class STRELL_EXPORT CUrlMediaOne : public IUrlHandler {
 public:
  CUrlMediaOne() : IUrlHandler(222) {}
  ~CUrlMediaOne() override;

  EStrellErrno HandleUrl(const char* url, TProfileInfo* info) override;
  EStrellErrno Parse() override;
  EStrellErrno GetProfileListByVideoStream(int channel, int stream, TProfileList* list) override;
  EStrellErrno GetProfileListByAudioStream(int channel, int stream, TProfileList* list) override;

  std::vector<CMediaOneProfile> mediaOneProfiles;
  std::vector<COnvifMediaOneEncodeInfo> videoEncodeList;
  std::vector<COnvifMediaOneEncodeInfo> audioEncodeList;
  std::vector<COnvifMediaOneEncodeInfo> metadataEncodeList;
};

#endif  // STRELL_MEDIA1_URL_MEDIA_ONE_H_
