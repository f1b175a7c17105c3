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

// Runs `operation` on the converter object of `scheme`. The operation gets the
// object as its own class, which is final, so the conversion is a direct call
// the compiler inlines: the Media1 request path converts four numbers.
template <typename Operation>
int withConverter(mediaIndexType scheme, Operation operation) {
  switch (scheme) {
    case MEDIA_INDEX_ENCODER_CMD:
      return operation(gEncoder);
    case MEDIA_INDEX_ONVIF:
      return operation(gOnvif);
    default:
      return operation(gConfiger);
  }
}

}  // namespace

int convertChannel(mediaIndexType from, mediaIndexType to, int channel) {
  const int standard = withConverter(
      from, [channel](auto& converter) { return converter.convertChannelToStandard(channel); });
  return withConverter(
      to, [standard](auto& converter) { return converter.convertChannelFromStandard(standard); });
}

int convertStream(mediaIndexType from, mediaIndexType to, int stream) {
  const int standard = withConverter(
      from, [stream](auto& converter) { return converter.convertStreamToStandard(stream); });
  return withConverter(
      to, [standard](auto& converter) { return converter.convertStreamFromStandard(standard); });
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
