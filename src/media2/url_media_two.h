// Media2 handler: ONVIF Media2 stream-profile URLs
// ("media2/stream.sdp?profile=").
#ifndef STRELL_MEDIA2_URL_MEDIA_TWO_H_
#define STRELL_MEDIA2_URL_MEDIA_TWO_H_

#include <string>
#include <vector>

#include "api/export.h"
#include "handler/url_handler.h"

// One medium of a stream profile.
struct STRELL_EXPORT CMediaEncodeConfig {
  std::string source;
  int enable = 0;
};

// One stream-profile slot.
struct STRELL_EXPORT CStreamProfile {
  std::string profileToken;
  int profileKey = 0;
  CMediaEncodeConfig videoEncodeConfig;
  CMediaEncodeConfig audioEncodeConfig;
  CMediaEncodeConfig metadataEncodeConfig;
};

class STRELL_EXPORT CUrlMediaTwo : public IUrlHandler {
 public:
  CUrlMediaTwo() : IUrlHandler(333) {}
  ~CUrlMediaTwo() override;

  EStrellErrno HandleUrl(const char* url, TProfileInfo* info) override;
  EStrellErrno Parse() override;
  EStrellErrno GetProfileListByVideoStream(int channel, int stream, TProfileList* list) override;
  EStrellErrno GetProfileListByAudioStream(int channel, int stream, TProfileList* list) override;

  std::vector<CStreamProfile> streamProfiles;
};

#endif  // STRELL_MEDIA2_URL_MEDIA_TWO_H_
