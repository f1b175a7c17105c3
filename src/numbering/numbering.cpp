#include "numbering/numbering.h"

#include "strell.h"

IconvertBase::~IconvertBase() = default;
CEncoderCmd::~CEncoderCmd() = default;
COnvif::~COnvif() = default;
CConfig::~CConfig() = default;

// Constructed at load in this order, destroyed at unload.
CEncoderCmd gEncoder;
CConfig gConfiger;
COnvif gOnvif;

namespace {

IconvertBase& converterFor(mediaIndexType scheme) {
  switch (scheme) {
    case MEDIA_INDEX_ENCODER_CMD:
      return gEncoder;
    case MEDIA_INDEX_ONVIF:
      return gOnvif;
    default:
      return gConfiger;
  }
}

}  // namespace

int convertChannel(mediaIndexType from, mediaIndexType to, int channel) {
  return converterFor(to).convertChannelFromStandard(
      converterFor(from).convertChannelToStandard(channel));
}

int convertStream(mediaIndexType from, mediaIndexType to, int stream) {
  return converterFor(to).convertStreamFromStandard(
      converterFor(from).convertStreamToStandard(stream));
}

extern "C" {

int Strell_OnvifToConfig(const TChannelStream* in, TChannelStream* out) {
  // The channel is written before the stream is read, so `in` may be `out`.
  out->channel = convertChannel(MEDIA_INDEX_ONVIF, MEDIA_INDEX_CONFIG, in->channel);
  out->stream = convertStream(MEDIA_INDEX_ONVIF, MEDIA_INDEX_CONFIG, in->stream);
  return STRELL_OK;
}

int Strell_ConfigToOnvif(const TChannelStream* in, TChannelStream* out) {
  out->channel = convertChannel(MEDIA_INDEX_CONFIG, MEDIA_INDEX_ONVIF, in->channel);
  out->stream = convertStream(MEDIA_INDEX_CONFIG, MEDIA_INDEX_ONVIF, in->stream);
  return STRELL_OK;
}

}  // extern "C"
