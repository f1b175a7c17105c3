// Stream-server resolution and profile lists: the request path, answered from
// the store that url_streamserver.cpp loads. Nothing here allocates.
#include <cstdio>
#include <cstring>

#include "base/text.h"
#include "base/trace.h"
#include "handler/record_writer.h"
#include "numbering/capability.h"
#include "streamserver/url_streamserver.h"

namespace {

using TrackConverter = int (*)(int track, int& channel, int& stream);

// One medium of the result. The slot's ttl goes with each carried medium, so
// a host gets the multicast TTL wherever it reads the address and port. The
// converter is a template argument so the call is direct on the request path.
template <TrackConverter convert>
void fillMedium(const CMediaInfo& from, int ttl, TMediaEncodeConfig& to) {
  if (from.mediaTask < 0) {
    to.mediaTask = 0;
    return;
  }
  to.mediaTask = 1;
  convert(from.mediaTask, to.channel, to.stream);
  writeText(to.ipAddress, from.ipAddress);
  to.port = from.port;
  to.ttl = ttl;
}

}  // namespace

void fillMediaOneToStreamProfileInfo(CZellProfile* profile, TProfileInfo* info) {
  writeText(info->profileName, profile->accessname);
  fillMedium<convertVideoTrackToChannelStream>(profile->videoInfo, profile->ttl, info->videoInfo);
  fillMedium<convertAudioTrackToChannelStream>(profile->audioInfo, profile->ttl, info->audioInfo);
  fillMedium<convertMetadataTrackToChannelStream>(profile->metadataInfo, profile->ttl,
                                                  info->metadataInfo);
}

EStrellErrno CUrlStreamserver::HandleUrl(const char* url, TProfileInfo* info) {
  if (info == nullptr) return STRELL_ERR_NULL_RECORD;
  // The URL is measured once; a name of another length is passed over
  // without looking at its text.
  if (url == nullptr) url = "";
  const size_t urlLength = std::strlen(url);
  for (CZellProfile& profile : profiles) {
    if (sameText(profile.accessname, url, urlLength)) {
      info->profileKey = profile.profileKey;
      fillMediaOneToStreamProfileInfo(&profile, info);
      return STRELL_OK;
    }
  }
  return passUrlOn(url, info);
}

EStrellErrno CUrlStreamserver::GetProfileListByVideoStream(int channel, int stream,
                                                           TProfileList* list) {
  fillProfileListByVideoStream(channel, stream, list);
  return passVideoListOn(channel, stream, list);
}

EStrellErrno CUrlStreamserver::GetProfileListByAudioStream(int channel, int stream,
                                                           TProfileList* list) {
  fillProfileListByAudioStream(channel, stream, list);
  return passAudioListOn(channel, stream, list);
}

int CUrlStreamserver::fillProfileListByVideoStream(int channel, int stream, TProfileList* list) {
  if (list == nullptr) return STRELL_OK;
  for (const CZellProfile& p : profiles) {
    if (p.videoInfo.mediaTask < 0) continue;
    int trackChannel = 0;
    int trackStream = 0;
    convertVideoTrackToChannelStream(p.videoInfo.mediaTask, trackChannel, trackStream);
    if (trackChannel != channel || trackStream != stream) continue;
    traceLine("profileList->profileCount = %d, profile.profileKey = %d\n", list->profileCount,
                p.profileKey);
    appendProfileKey(list, p.profileKey);
  }
  return STRELL_OK;
}

int CUrlStreamserver::fillProfileListByAudioStream(int channel, int stream, TProfileList* list) {
  if (list == nullptr) return STRELL_OK;
  for (const CZellProfile& p : profiles) {
    traceLine("profile.audioInfo.mediaTask = %d\n", p.audioInfo.mediaTask);
    if (p.audioInfo.mediaTask < 0) continue;
    int trackChannel = 0;
    int trackStream = 0;
    convertAudioTrackToChannelStream(p.audioInfo.mediaTask, trackChannel, trackStream);
    if (trackChannel == channel && trackStream == stream) appendProfileKey(list, p.profileKey);
  }
  return STRELL_OK;
}
