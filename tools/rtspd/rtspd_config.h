// What the server reads from the camera's configuration itself, next to the
// library: the settings of the encoder stream it serves.
#ifndef STRELL_TOOLS_RTSPD_RTSPD_CONFIG_H_
#define STRELL_TOOLS_RTSPD_RTSPD_CONFIG_H_

#include "rtspd/rtspd_plan.h"

namespace strell_rtspd {

// The frame size of video channel `channel`, stream `stream` (configuration
// numbering): the text of /root/videoin/c<channel>/s<stream>/resolution in
// "/etc/conf.d/config_videoin_c<channel>.xml", read through the host's
// XMLSParser_ReadContentEx as the library reads its values. When it is
// missing or unusable, FallbackFrameSize(stream) and the reason.
VideoFrame ConfiguredVideoFrame(int channel, int stream);

}  // namespace strell_rtspd

#endif  // STRELL_TOOLS_RTSPD_RTSPD_CONFIG_H_
