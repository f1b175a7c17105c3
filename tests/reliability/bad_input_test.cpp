// One row per class of hostile input in a host's files or a client's URL, on the in-memory host,
// every answer in golden/bad_inputs.txt; records lie between guard zones, so a stray write shows.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "reliability/answers.h"
#include "testing/golden.h"

namespace {

using testing_kit::Camera;
using testing_kit::Guarded;

const std::string kMedia1 = "media/stream.sdp?profile=";
const std::string kMedia2 = "media2/stream.sdp?profile=";
const std::string kBeyond = "99999999999999999999";

// A text in one line: a byte outside printable ASCII as \xNN, a run of 8 or more as "x*<count>".
std::string Shown(const std::string& text) {
  std::string out;
  for (size_t at = 0, run = 1; at < text.size(); at += run, run = 1) {
    while (at + run < text.size() && text[at + run] == text[at]) ++run;
    const unsigned char c = static_cast<unsigned char>(text[at]);
    char shown[8];
    std::snprintf(shown, sizeof shown, c < 0x20 || c > 0x7e ? "\\x%02x" : "%c", c);
    for (size_t i = 0; i < (run >= 8 ? 1 : run); ++i) out += shown;
    if (run >= 8) out += "*" + std::to_string(run);
  }
  return out;
}

// The code and the whole record of a resolution into a guarded record.
std::string Resolve(StrellHandle handle, const char* url) {
  Guarded<TProfileInfo> info;
  const int code = Strell_GetProfileInfoByStreamUrl(handle, url, info.get());
  return std::to_string(code) + " " + Shown(testing_kit::Describe(*info.get())) +
         (info.Intact() ? "" : " WROTE OUTSIDE THE RECORD");
}

// Every value whose key path ends with one of `ends` reads `text`.
Camera With(Camera camera, std::initializer_list<const char*> ends, const std::string& text) {
  for (const testing_kit::Value& value : std::vector<testing_kit::Value>(camera.values())) {
    for (const std::string end : ends) {
      if (value.key.size() >= end.size() &&
          value.key.compare(value.key.size() - end.size(), end.size(), end) == 0) {
        camera.Set(value.file, value.key, text);
      }
    }
  }
  return camera;
}

TEST(BadInput, EveryClassGivesItsDefinedAnswerInsideTheRecord) {
  const Camera a = testing_kit::TwoStateCamera(false);
  const std::string name256 = std::string(255, 'n') + "X";
  std::string bytes;  // 1 to 255, in order: exactly 255 characters
  for (int c = 1; c <= 255; ++c) bytes += static_cast<char>(c);
  const auto names = [&](const std::string& text) {
    return With(With(a, {"/token", "accessname"}, text),
                {"/ipv4", "/ipv6", "ipaddress", "IPv4Address"}, text);
  };
  const struct {
    const char* what;
    Camera camera;
    std::vector<std::string> urls;
  } rows[] = {
      {"hostile URLs: 1 MiB of markers, a marker and a 1 MiB token, bytes around a name",
       a,
       {std::string(1 << 20, 'a'), kMedia1 + std::string(1 << 20, 'P'),
        [] {
          std::string markers;
          while (markers.size() < (1 << 20)) markers += kMedia2 + kMedia1;
          return markers;
        }(),
        kMedia2 + kMedia1 + "Profile_1", kMedia1 + kMedia2 + "StreamProfile_1", bytes,
        bytes + kMedia1 + "Profile_1", kMedia1 + "Profile_1" + std::string("\0x", 2), "live1.sdp ",
        "/live1.sdp"}},
      {"names and addresses of 256 characters: the host delivers 255",
       names(name256),
       {kMedia1 + name256.substr(0, 255), name256.substr(0, 255), kMedia2 + name256.substr(0, 255),
        kMedia1 + name256}},
      {"names and addresses of every byte 1..255",
       names(bytes),
       {kMedia1 + bytes, bytes, kMedia2 + bytes}},
      {"ports beyond int, TTLs below it",
       With(With(a, {"port", "Port"}, kBeyond), {"ttl", "TTL"}, "-" + kBeyond),
       {kMedia1 + "Profile_1", "live1.sdp", kMedia2 + "StreamProfile_1"}},
      {"tracks beyond int and below it",
       With(With(a, {"videotrack"}, kBeyond), {"audiotrack", "metadatatrack"}, "-" + kBeyond),
       {"live1.sdp", "live2/main_stream.sdp"}},
      {"video sources beyond int",
       With(a, {"videoconfiguration/source"}, "c" + kBeyond + "s-" + kBeyond),
       {kMedia2 + "StreamProfile_1"}},
      {"video sources that do not parse",
       With(a, {"videoconfiguration/source"}, "s1c1"),
       {kMedia2 + "StreamProfile_1"}},
  };
  std::string out;
  for (const auto& row : rows) {
    row.camera.Install();
    testing_kit::Context context;
    context.Parse();
    out += std::string("## ") + row.what + "\n";
    for (const std::string& url : row.urls) {
      const std::string shown = Shown(url);  // a long URL by its start and length
      out += (shown.size() <= 1200
                  ? shown
                  : shown.substr(0, 60) + "... (" + std::to_string(url.size()) + " bytes)") +
             ": " + Resolve(context.handle(), url.c_str()) + "\n";
    }
  }
  // Each single byte after each kind's name: the distinct answers.
  a.Install();
  testing_kit::Context context;
  context.Parse();
  std::set<std::string> answers;
  for (const std::string base : {"", "live1.sdp", "media/stream.sdp?profile=Profile_1",
                                 "media2/stream.sdp?profile=StreamProfile_1"}) {
    for (const char c : bytes) answers.insert(Resolve(context.handle(), (base + c).c_str()));
  }
  out += "## each single byte alone and after each kind's name\n";
  for (const std::string& answer : answers) out += answer + "\n";
  // Lists that start at, near or past their capacity, or negative.
  out += "## list counts: the count after, and each key written (index:key)\n";
  for (const int count :
       {0, STRELL_MAX_PROFILE_KEYS - 3, STRELL_MAX_PROFILE_KEYS - 1, STRELL_MAX_PROFILE_KEYS,
        STRELL_MAX_PROFILE_KEYS + 1, INT_MAX, -1, INT_MIN}) {
    for (const bool video : {true, false}) {
      Guarded<TProfileList> list;
      list->profileCount = count;
      const int code = reliability::List(context.handle(), {video, 0, 0}, list.get());
      out += (video ? "video " : "audio ") + std::to_string(count) + ": " + std::to_string(code) +
             " count " + std::to_string(list->profileCount);
      for (int i = 0; i < STRELL_MAX_PROFILE_KEYS; ++i) {
        if (list->profileKeys[i] != 0x5a5a5a5a)
          out += " " + std::to_string(i) + ":" + std::to_string(list->profileKeys[i]);
      }
      out += list.Intact() ? "\n" : " WROTE OUTSIDE THE LIST\n";
    }
  }
  // Null arguments where a host should not pass them.
  out += "## null URL, record, lists, handle pointers\n" + Resolve(context.handle(), nullptr) +
         "\n" + std::to_string(context.Resolve("live1.sdp", nullptr)) + " " +
         std::to_string(Strell_GetProfileListByVideoStream(context.handle(), 0, 0, nullptr)) + " " +
         std::to_string(Strell_GetProfileListByAudioStream(context.handle(), 0, 0, nullptr)) + " " +
         std::to_string(Strell_Init(nullptr)) + " " + std::to_string(Strell_Release(nullptr)) +
         "\n";
  testing_kit::ExpectGolden(STRELL_RELIABILITY_GOLDEN "/bad_inputs.txt", out);
}

}  // namespace
