// strell dump: every loaded store. Text output is the library's own dump
// functions, unchanged; JSON output serialises the same stores field by field.
#include <iostream>

#include "strell/cli_commands.h"

namespace strell_cli {

namespace {

Json EncodeInfoList(const std::vector<COnvifMediaOneEncodeInfo>& records) {
  Json array = Json::array();
  for (const COnvifMediaOneEncodeInfo& record : records) {
    array.push_back({{"token", record.token},
                     {"address", record.address},
                     {"port", record.port},
                     {"ttl", record.ttl}});
  }
  return array;
}

Json MediaOneToJson(const CUrlMediaOne& handler) {
  Json profiles = Json::array();
  for (const CMediaOneProfile& profile : handler.mediaOneProfiles) {
    profiles.push_back({{"profileToken", profile.profileToken},
                        {"profileKey", profile.profileKey},
                        {"videoSouceToken", profile.videoSouceToken},
                        {"audioSouceToken", profile.audioSouceToken},
                        {"metadataSouceToken", profile.metadataSouceToken}});
  }
  return {{"mediaOneProfiles", profiles},
          {"videoEncodeList", EncodeInfoList(handler.videoEncodeList)},
          {"audioEncodeList", EncodeInfoList(handler.audioEncodeList)},
          {"metadataEncodeList", EncodeInfoList(handler.metadataEncodeList)}};
}

Json MediaInfoToJson(const CMediaInfo& medium) {
  return {{"port", medium.port}, {"ipAddress", medium.ipAddress}, {"mediaTask", medium.mediaTask}};
}

Json StreamserverToJson(const CUrlStreamserver& handler) {
  Json profiles = Json::array();
  for (const CZellProfile& profile : handler.profiles) {
    profiles.push_back({{"accessname", profile.accessname},
                        {"profileKey", profile.profileKey},
                        {"alwaysmulticast", profile.alwaysmulticast},
                        {"ttl", profile.ttl},
                        {"enable", profile.enable},
                        {"videoInfo", MediaInfoToJson(profile.videoInfo)},
                        {"audioInfo", MediaInfoToJson(profile.audioInfo)},
                        {"metadataInfo", MediaInfoToJson(profile.metadataInfo)}});
  }
  return {{"profiles", profiles}};
}

Json EncodeConfigToJson(const CMediaEncodeConfig& config) {
  return {{"source", config.source}, {"enable", config.enable}};
}

Json MediaTwoToJson(const CUrlMediaTwo& handler) {
  Json profiles = Json::array();
  for (const CStreamProfile& profile : handler.streamProfiles) {
    profiles.push_back(
        {{"profileToken", profile.profileToken},
         {"profileKey", profile.profileKey},
         {"videoEncodeConfig", EncodeConfigToJson(profile.videoEncodeConfig)},
         {"audioEncodeConfig", EncodeConfigToJson(profile.audioEncodeConfig)},
         {"metadataEncodeConfig", EncodeConfigToJson(profile.metadataEncodeConfig)}});
  }
  return {{"streamProfiles", profiles}};
}

// A header line between the library's dumps, which do not name their store.
void Section(const IUrlHandler& handler, const char* title) {
  std::cout << "== " << describeHandler(handler.id)->name << ' ' << title << '\n';
}

}  // namespace

int RunDump(const CommonOptions& options) {
  const ConfigRoot root = ResolveRoot(options);
  if (!HoldsConfiguration(root.path)) return ReportMissingConfiguration(root, options);
  LibrarySession session(root.path, LibraryLinesFor(options), options.verbose);
  CUrlMediaOne* media1 = session.handler<CUrlMediaOne>();
  CUrlStreamserver* server = session.handler<CUrlStreamserver>();
  CUrlMediaTwo* media2 = session.handler<CUrlMediaTwo>();
  if (media1 == nullptr || server == nullptr || media2 == nullptr) {
    std::cerr << "strell: the library's handler chain lacks a handler\n";
    return kExitFailure;
  }

  if (options.json) {
    PrintJson({{"root", root.path},
               {describeHandler(media1->id)->name, MediaOneToJson(*media1)},
               {describeHandler(server->id)->name, StreamserverToJson(*server)},
               {describeHandler(media2->id)->name, MediaTwoToJson(*media2)}});
    return kExitOk;
  }
  // The dumps are the report here, so their lines go to standard output.
  LinesTo report(LibraryLines::kStdout);
  Section(*media1, "mediaOneProfiles (CUrlMediaOne::dumpProfileList)");
  media1->dumpProfileList();
  Section(*media1, "videoEncodeList (CUrlMediaOne::dumpVideoEncodeList)");
  media1->dumpVideoEncodeList();
  Section(*media1, "audioEncodeList (CUrlMediaOne::dumpAudioEncodeList)");
  media1->dumpAudioEncodeList();
  Section(*media1, "metadataEncodeList (CUrlMediaOne::dumpMetadata)");
  media1->dumpMetadata();
  Section(*server, "profiles (CUrlStreamserver::dumpprofile)");
  server->dumpprofile();
  Section(*media2, "streamProfiles (CUrlMediaTwo::dumpall)");
  media2->dumpall();
  return kExitOk;
}

}  // namespace strell_cli
