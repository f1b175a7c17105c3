// strell convert onvif-to-config|config-to-onvif CHANNEL STREAM.
#include <iostream>

#include "strell/cli_commands.h"

namespace strell_cli {

int RunConvert(const CommonOptions& options, const std::string& direction, int channel,
               int stream) {
  const bool toConfig = direction == "onvif-to-config";
  const TChannelStream in{channel, stream};
  TChannelStream out{};
  const int code = toConfig ? Strell_OnvifToConfig(&in, &out) : Strell_ConfigToOnvif(&in, &out);
  const char* from = toConfig ? "onvif" : "config";
  const char* to = toConfig ? "config" : "onvif";
  if (options.json) {
    PrintJson({{"direction", direction},
               {"code", code},
               {"in", {{"channel", in.channel}, {"stream", in.stream}}},
               {"out", {{"channel", out.channel}, {"stream", out.stream}}}});
  } else {
    std::cout << from << " channel " << in.channel << " stream " << in.stream << " -> " << to
              << " channel " << out.channel << " stream " << out.stream << '\n';
  }
  return code == STRELL_OK ? kExitOk : kExitFailure;
}

}  // namespace strell_cli
