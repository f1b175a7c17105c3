// Channel and stream numbering.
//
// The encoder commands, ONVIF and the configuration files count channels and
// streams differently. Every conversion goes through the standard numbering
// (both from 0), which is also the configuration numbering:
//   encoder:        channel n,     stream n + 1
//   ONVIF:          channel n + 1, stream n + 1
//   configuration:  channel n,     stream n
// No range is checked; negative results are passed on as they are.
#ifndef STRELL_NUMBERING_NUMBERING_H_
#define STRELL_NUMBERING_NUMBERING_H_

// n + delta with two's-complement wrap-around: defined for every input.
inline int shiftNumber(int n, int delta) {
  return static_cast<int>(static_cast<unsigned>(n) + static_cast<unsigned>(delta));
}

// A fixed underlying type makes every int a valid scheme value.
enum mediaIndexType : int {
  MEDIA_INDEX_ENCODER_CMD = 0,
  MEDIA_INDEX_ONVIF = 1,
  MEDIA_INDEX_CONFIG = 2,  // any value other than 0 and 1 selects this scheme
};

class IconvertBase {
 public:
  virtual ~IconvertBase();
  virtual int convertChannelToStandard(int channel) = 0;
  virtual int convertStreamToStandard(int stream) = 0;
  virtual int convertChannelFromStandard(int channel) = 0;
  virtual int convertStreamFromStandard(int stream) = 0;
};

class CEncoderCmd final : public IconvertBase {
 public:
  ~CEncoderCmd() override;
  int convertChannelToStandard(int channel) override { return channel; }
  int convertStreamToStandard(int stream) override { return shiftNumber(stream, -1); }
  int convertChannelFromStandard(int channel) override { return channel; }
  int convertStreamFromStandard(int stream) override { return shiftNumber(stream, 1); }
};

class COnvif final : public IconvertBase {
 public:
  ~COnvif() override;
  int convertChannelToStandard(int channel) override { return shiftNumber(channel, -1); }
  int convertStreamToStandard(int stream) override { return shiftNumber(stream, -1); }
  int convertChannelFromStandard(int channel) override { return shiftNumber(channel, 1); }
  int convertStreamFromStandard(int stream) override { return shiftNumber(stream, 1); }
};

class CConfig final : public IconvertBase {
 public:
  ~CConfig() override;
  int convertChannelToStandard(int channel) override { return channel; }
  int convertStreamToStandard(int stream) override { return stream; }
  int convertChannelFromStandard(int channel) override { return channel; }
  int convertStreamFromStandard(int stream) override { return stream; }
};

// The three stateless converters, alive from library load to unload.
extern CEncoderCmd gEncoder;
extern CConfig gConfiger;
extern COnvif gOnvif;

// Converts a channel (or stream) number from scheme `from` to scheme `to`.
int convertChannel(mediaIndexType from, mediaIndexType to, int channel);
int convertStream(mediaIndexType from, mediaIndexType to, int stream);

#endif  // STRELL_NUMBERING_NUMBERING_H_
