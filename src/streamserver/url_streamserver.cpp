// Stream-server store: the field table, its readers, the loading of the four
// access-name slots and the dump. Resolution and the profile lists live in
// streamserver_resolution.cpp.
#include "streamserver/url_streamserver.h"

#include <cstdio>
#include <utility>

#include "base/field_table.h"
#include "base/key_path.h"
#include "base/trace.h"
#include "handler/store_reload.h"
#include "hostconfig/config_value.h"

const CZellConfigRow configMap[kZellConfigRows] = {
    {ZELL_FIELD_ALWAYSMULTICAST, "alwaysmulticast"},
    {ZELL_FIELD_ENABLE, "enable"},
    {ZELL_FIELD_ACCESSNAME, "accessname"},
    {ZELL_FIELD_TTL, "multicast/ttl"},
    {ZELL_FIELD_VIDEOTRACK, "videotrack"},
    {ZELL_FIELD_VIDEOIPADDRESS, "multicast/videoipaddress"},
    {ZELL_FIELD_VIDEOPORT, "multicast/videoport"},
    {ZELL_FIELD_AUDIOTRACK, "audiotrack"},
    {ZELL_FIELD_AUDIOIPADDRESS, "multicast/audioipaddress"},
    {ZELL_FIELD_AUDIOPORT, "multicast/audioport"},
    {ZELL_FIELD_METADATATRACK, "metadatatrack"},
    {ZELL_FIELD_METADATAIPADDRESS, "multicast/metadataipaddress"},
    {ZELL_FIELD_METADATAPORT, "multicast/metadataport"},
};

namespace {

// The three media share one shape: track, address and port in consecutive
// rows starting at `trackField`.
EStrellErrno parseMedium(int slot, eField trackField, CMediaInfo& info) {
  EStrellErrno code = readCtxFromXmlInt(slot, trackField, info.mediaTask);
  if (code != STRELL_OK) return code;
  code = readCtxFromXmlString(slot, static_cast<eField>(trackField + 1), info.ipAddress);
  if (code != STRELL_OK) return code;
  return readCtxFromXmlInt(slot, static_cast<eField>(trackField + 2), info.port);
}

}  // namespace

EStrellErrno readCtxFromXmlInt(int slot, eField field, int& value) {
  char keyPath[kKeyPathSize];
  if (!buildStreamserverKeyPath(slot, field, keyPath)) return STRELL_ERR_CONFIG_READ;
  return readHostInt(kStreamserverFile, keyPath, value);
}

EStrellErrno readCtxFromXmlString(int slot, eField field, std::string& value) {
  char keyPath[kKeyPathSize];
  if (!buildStreamserverKeyPath(slot, field, keyPath)) return STRELL_ERR_CONFIG_READ;
  return readHostText(kStreamserverFile, keyPath, value);
}

CUrlStreamserver::~CUrlStreamserver() = default;

EStrellErrno CUrlStreamserver::Parse() {
  // All slots or none: a reload that runs out of memory keeps the previous
  // slots instead of a store that lacks the later ones.
  int own = STRELL_OK;
  reloadStores([this, &own] { own = parseXml(); }, profiles);
  return passParseOn(static_cast<EStrellErrno>(own));
}

EStrellErrno CUrlStreamserver::parseAlwaysmulticast(int slot, int& value) {
  return readCtxFromXmlInt(slot, ZELL_FIELD_ALWAYSMULTICAST, value);
}

EStrellErrno CUrlStreamserver::parseTTL(int slot, int& value) {
  return readCtxFromXmlInt(slot, ZELL_FIELD_TTL, value);
}

EStrellErrno CUrlStreamserver::parseEnable(int slot, int& value) {
  return readCtxFromXmlInt(slot, ZELL_FIELD_ENABLE, value);
}

EStrellErrno CUrlStreamserver::parseAccessname(int slot, std::string& value) {
  return readCtxFromXmlString(slot, ZELL_FIELD_ACCESSNAME, value);
}

EStrellErrno CUrlStreamserver::parseVideoInfo(int slot, CMediaInfo& info) {
  return parseMedium(slot, ZELL_FIELD_VIDEOTRACK, info);
}

EStrellErrno CUrlStreamserver::parseAudioInfo(int slot, CMediaInfo& info) {
  return parseMedium(slot, ZELL_FIELD_AUDIOTRACK, info);
}

EStrellErrno CUrlStreamserver::parseMetadataInfo(int slot, CMediaInfo& info) {
  return parseMedium(slot, ZELL_FIELD_METADATATRACK, info);
}

int CUrlStreamserver::parseProfile(int slot) {
  CZellProfile record;
  record.profileKey = id + slot;
  // A value that cannot be read keeps its start value; the slot is stored all
  // the same, so the keys stay 111 to 114 whatever the file holds.
  parseAlwaysmulticast(slot, record.alwaysmulticast);
  parseTTL(slot, record.ttl);
  parseAccessname(slot, record.accessname);
  parseEnable(slot, record.enable);
  parseVideoInfo(slot, record.videoInfo);
  parseAudioInfo(slot, record.audioInfo);
  parseMetadataInfo(slot, record.metadataInfo);
  profiles.push_back(std::move(record));
  return STRELL_OK;
}

int CUrlStreamserver::parseXml() {
  profiles.clear();
  for (int slot = 0; slot < kStreamserverSlots; ++slot) parseProfile(slot);
  return STRELL_OK;
}

void CUrlStreamserver::dumpprofile() {
  if (profiles.empty()) {
    traceLine("%s empty\n", "dumpprofile");
    return;
  }
  for (const CZellProfile& p : profiles) {
    traceLine("-----------------\n");
    traceLine("name: %s\n", p.accessname.c_str());
    traceLine("enable: %d\n", p.enable);
    traceLine("ttl: %d\n", p.ttl);
    traceLine("videotask: %d\n", p.videoInfo.mediaTask);
    traceLine("video ip = %s\n", p.videoInfo.ipAddress.c_str());
    traceLine("video port: %d\n", p.videoInfo.port);
    traceLine("audiotask: %d\n", p.audioInfo.mediaTask);
    traceLine("audio ip = %s\n", p.audioInfo.ipAddress.c_str());
    traceLine("audio port = %d\n", p.audioInfo.port);
    traceLine("metadatatask: %d\n", p.metadataInfo.mediaTask);
    traceLine("metadata ip = %s\n", p.metadataInfo.ipAddress.c_str());
    traceLine("metadata port = %d\n", p.metadataInfo.port);
  }
}
