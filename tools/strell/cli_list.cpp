// strell list video|audio CHANNEL STREAM: the profiles the list exports name.
#include <iomanip>
#include <iostream>

#include "strell/cli_commands.h"

namespace strell_cli {

int RunList(const CommonOptions& options, const std::string& medium, int channel, int stream) {
  const ConfigRoot root = ResolveRoot(options);
  if (!HoldsConfiguration(root.path)) return ReportMissingConfiguration(root, options);
  LibrarySession session(root.path, LibraryLinesFor(options), options.verbose);

  TProfileList list{};
  const int code =
      medium == "video"
          ? Strell_GetProfileListByVideoStream(session.handle(), channel, stream, &list)
          : Strell_GetProfileListByAudioStream(session.handle(), channel, stream, &list);

  Json profiles = Json::array();
  for (int i = 0; i < list.profileCount && i < STRELL_MAX_PROFILE_KEYS; ++i) {
    const int key = list.profileKeys[i];
    const CHandlerDescription* handler = describeKey(key);
    profiles.push_back({{"profileKey", key},
                        {"handler", handler != nullptr ? Json(handler->name) : Json()},
                        {"profileName", ProfileNameOfKey(session, key)}});
  }

  if (options.json) {
    PrintJson({{"medium", medium},
               {"channel", channel},
               {"stream", stream},
               {"code", code},
               {"profileCount", list.profileCount},
               {"profiles", profiles}});
    return kExitOk;
  }
  std::cout << medium << " channel " << channel << " stream " << stream << ": " << list.profileCount
            << (list.profileCount == 1 ? " profile" : " profiles") << '\n';
  for (const auto& profile : profiles) {
    std::cout << "  " << std::left << std::setw(5) << profile["profileKey"].get<int>()
              << std::setw(14)
              << (profile["handler"].is_null() ? "(unknown)"
                                               : profile["handler"].get<std::string>())
              << profile["profileName"].get<std::string>() << '\n';
  }
  return kExitOk;
}

}  // namespace strell_cli
