// The commands of the strell tool. Each returns the process exit status.
#ifndef STRELL_TOOLS_STRELL_CLI_COMMANDS_H_
#define STRELL_TOOLS_STRELL_CLI_COMMANDS_H_

#include <string>
#include <vector>

#include "strell/cli_common.h"

namespace strell_cli {

int RunResolve(const CommonOptions& options, const std::vector<std::string>& urls);
int RunExplain(const CommonOptions& options, const std::string& url);
// `medium` is "video" or "audio".
int RunList(const CommonOptions& options, const std::string& medium, int channel, int stream);
// `direction` is "onvif-to-config" or "config-to-onvif".
int RunConvert(const CommonOptions& options, const std::string& direction, int channel, int stream);
int RunDump(const CommonOptions& options);
int RunUrls(const CommonOptions& options);
int RunCheck(const CommonOptions& options);

}  // namespace strell_cli

#endif  // STRELL_TOOLS_STRELL_CLI_COMMANDS_H_
