// Runs the built strell tool on the example configuration and on the fixture
// configurations under tests/cli/fixtures, and checks its exit statuses, its
// JSON and, for the text reports, the golden files under tests/cli/golden.
// STRELL_UPDATE_GOLDEN=1 rewrites the golden files from the tool's output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using nlohmann::json;

const std::string kExample = STRELL_EXAMPLE_ROOT;
const std::string kFixtures = STRELL_CLI_FIXTURES;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the tool with `args` (each passed as one word) and `environment`
// assignments ("NAME=value") in front; STRELL_CONF_ROOT is unset unless given.
ToolRun Strell(const std::vector<std::string>& args, const std::string& environment = "") {
  char errPath[] = "/tmp/strell_cli_test_XXXXXX";
  const int fd = mkstemp(errPath);
  if (fd >= 0) close(fd);
  std::string command = "env -u STRELL_CONF_ROOT " + environment + " " + ShellQuoted(STRELL_TOOL);
  for (const std::string& arg : args) command += " " + ShellQuoted(arg);
  command += " 2>" + ShellQuoted(errPath);
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadAll(errPath);
  std::remove(errPath);
  return run;
}

json Json(const ToolRun& run) {
  json value = json::parse(run.out, nullptr, false);
  EXPECT_FALSE(value.is_discarded()) << "standard output is not JSON:\n" << run.out;
  return value;
}

void ExpectGolden(const std::string& name, const std::string& actual) {
  const std::string path = std::string(STRELL_CLI_GOLDEN) + "/" + name;
  const char* update = std::getenv("STRELL_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  EXPECT_EQ(ReadAll(path), actual)
      << "golden file " << path << " (STRELL_UPDATE_GOLDEN=1 rewrites it)";
}

// ---- check ----

TEST(CliCheck, ExampleConfigurationIsClean) {
  const ToolRun run = Strell({"check", "--root", kExample});
  EXPECT_EQ(0, run.status) << run.out << run.err;
  EXPECT_EQ("clean: 0 errors, 0 warnings\n", run.out);
}

TEST(CliCheck, MinimalFixtureIsClean) {
  const ToolRun run = Strell({"check", "--root", kFixtures + "/minimal", "--json"});
  EXPECT_EQ(0, run.status);
  const json report = Json(run);
  EXPECT_EQ(0, report["errors"]);
  EXPECT_EQ(0, report["warnings"]);
  EXPECT_TRUE(report["problems"].empty());
}

TEST(CliCheck, WarningsOnlyExitWithOne) {
  const ToolRun run = Strell({"check", "--root", kFixtures + "/warnings"});
  EXPECT_EQ(1, run.status);
  ExpectGolden("check_warnings.txt", run.out);
}

TEST(CliCheck, BrokenFixtureReportMatchesGolden) {
  const ToolRun run = Strell({"check", "--root", kFixtures + "/broken"});
  EXPECT_EQ(2, run.status);
  ExpectGolden("check_broken.txt", run.out);
}

TEST(CliCheck, SparseFixtureReportMatchesGolden) {
  const ToolRun run = Strell({"check", "--root", kFixtures + "/sparse"});
  EXPECT_EQ(2, run.status);
  ExpectGolden("check_sparse.txt", run.out);
}

// Every problem seeded in the broken and sparse fixtures, by check, file and
// slot, with its severity.
TEST(CliCheck, JsonNamesEverySeededProblem) {
  using Seeded = std::tuple<std::string, std::string, std::string, std::string>;
  const std::string profile = "config_onvif/config_onvif_media_profile.xml";
  const std::string video = "config_onvif/config_onvif_media_videoencoderconf.xml";
  const std::string audio = "config_onvif/config_onvif_media_audioencoderconf.xml";
  const std::string metadata = "config_onvif/config_onvif_metadata.xml";
  const struct {
    std::string fixture;
    std::vector<Seeded> problems;
  } kCases[] = {
      {"broken",
       {
           {"error", "duplicate-token", profile, "i1"},
           {"warning", "blank-padding", profile, "i2"},
           {"error", "token-numbering", profile, "i2"},
           {"error", "unknown-configuration", profile, "i2"},  // audio
           {"error", "unknown-configuration", profile, "i2"},  // metadata
           {"warning", "long-token", profile, "i3"},
           {"error", "unknown-configuration", profile, "i3"},
           {"warning", "unread-slot", profile, "i4"},
           {"warning", "partial-multicast", profile, "i0"},
           {"warning", "unknown-address-type", video, "i1"},
           {"warning", "not-multicast", video, "i2"},
           {"warning", "odd-port", video, "i2"},
           {"warning", "zero-ttl", video, "i2"},
           {"error", "bad-address", video, "i3"},
           {"warning", "unread-slot", video, "i4"},
           {"warning", "shared-group", audio, "i0"},
           {"warning", "unread-slot", audio, "i1"},
           {"warning", "unknown-address-type", metadata, ""},
           {"warning", "duplicate-element", "config_streamserver.xml", "s0"},
           {"warning", "partial-multicast", "config_streamserver.xml", "s0"},
           {"warning", "track-range", "config_streamserver.xml", "s0"},
           {"warning", "shadowing-access-name", "config_streamserver.xml", "s1"},
           {"error", "shadowed-access-name", "config_streamserver.xml", "s2"},
           {"error", "duplicate-access-name", "config_streamserver.xml", "s3"},
           {"warning", "not-a-number", "config_streamserver.xml", "s3"},
           {"error", "port-range", "config_streamserver.xml", "s3"},
           {"warning", "unread-slot", "config_streamserver.xml", "s4"},
           {"error", "bad-video-source", "config_streamprofile.xml", "i1"},
           {"error", "duplicate-token", "config_streamprofile.xml", "i2"},
           {"warning", "missing-token", "config_streamprofile.xml", "i3"},
           {"error", "missing-file", "config_streamprofile.xml", "i3"},
           {"warning", "trailing-text", "config_streamprofile.xml", "i4"},
           {"error", "value-too-long", "config_streamprofile.xml", "i5"},
           {"warning", "unread-slot", "config_streamprofile.xml", "i10"},
           {"warning", "shared-group", "config_videoin_c0.xml", "c0/s1"},
           {"error", "ttl-range", "config_videoin_c0.xml", "c0/s1"},
           {"warning", "zero-port", "config_videoin_c0.xml", "c0/s2"},
           {"error", "wrong-root-element", "config_audioin.xml", ""},
           {"error", "malformed-file", "config_metadata_c0.xml", ""},
       }},
      {"sparse",
       {
           {"error", "missing-file", profile, ""},
           {"error", "missing-file", video, ""},
           {"error", "missing-file", audio, ""},
           {"error", "missing-file", metadata, ""},
           {"warning", "leading-slash", "config_streamserver.xml", "s0"},
           {"warning", "capability", "config_streamserver.xml", "s0"},
           {"warning", "missing-access-name", "config_streamserver.xml", "s1"},
           {"warning", "scheme-in-access-name", "config_streamserver.xml", "s2"},
           {"warning", "missing-key", "config_videoin_c0.xml", "c0/s3"},
       }},
  };
  for (const auto& testCase : kCases) {
    SCOPED_TRACE(testCase.fixture);
    const ToolRun run = Strell({"check", "--json", "--root", kFixtures + "/" + testCase.fixture});
    EXPECT_EQ(2, run.status);
    const json report = Json(run);
    std::multiset<Seeded> found;
    int errors = 0;
    for (const json& problem : report["problems"]) {
      found.insert({problem["severity"], problem["check"], problem["file"],
                    problem["slot"].is_null() ? "" : problem["slot"].get<std::string>()});
      errors += problem["severity"] == "error";
      EXPECT_FALSE(problem["message"].get<std::string>().empty());
    }
    const std::multiset<Seeded> seededSet(testCase.problems.begin(), testCase.problems.end());
    for (const Seeded& seeded : seededSet) {
      EXPECT_EQ(seededSet.count(seeded), found.count(seeded))
          << std::get<1>(seeded) << " in " << std::get<2>(seeded) << " " << std::get<3>(seeded);
    }
    EXPECT_EQ(testCase.problems.size(), report["problems"].size());
    EXPECT_EQ(errors, report["errors"]);
  }
}

TEST(CliCheck, MalformedFileGivesLineAndColumn) {
  const json report = Json(Strell({"check", "--json", "--root", kFixtures + "/broken"}));
  for (const json& problem : report["problems"]) {
    if (problem["check"] != "malformed-file") continue;
    EXPECT_EQ(6, problem["line"]);
    EXPECT_EQ(5, problem["column"]);
    return;
  }
  ADD_FAILURE() << "no malformed-file problem";
}

// ---- configuration root ----

TEST(CliRoot, RootWithoutConfigurationNamesOptionAndExample) {
  for (const char* command : {"resolve", "explain", "check", "dump"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> args = {command, "--root", kFixtures + "/empty"};
    if (std::string(command) == "resolve" || std::string(command) == "explain") {
      args.push_back("live1.sdp");
    }
    const ToolRun run = Strell(args);
    EXPECT_EQ(2, run.status);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(std::string::npos, run.err.find("--root"));
    EXPECT_NE(std::string::npos, run.err.find("examples/conf.d"));
  }
}

TEST(CliRoot, EnvironmentVariableStandsInForTheOption) {
  const ToolRun run = Strell({"resolve", "--json", "live1.sdp"}, "STRELL_CONF_ROOT=" + kExample);
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ(111, Json(run)[0]["profileKey"]);
}

TEST(CliRoot, OptionWinsOverEnvironmentVariable) {
  const ToolRun run = Strell({"resolve", "--json", "--root", kFixtures + "/minimal", "live2.sdp"},
                             "STRELL_CONF_ROOT=" + kFixtures + "/empty");
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ(112, Json(run)[0]["profileKey"]);
}

// ---- resolve ----

TEST(CliResolve, DemoUrlsResolveOnePerHandler) {
  const ToolRun run =
      Strell({"resolve", "--json", "--root", kExample, "media/stream.sdp?profile=Profile_1",
              "live1.sdp", "media2/stream.sdp?profile=StreamProfile_1"});
  EXPECT_EQ(0, run.status) << run.err;
  const json answers = Json(run);
  ASSERT_EQ(3u, answers.size());
  const struct {
    const char* url;
    const char* handler;
    int key;
    const char* name;
  } kExpected[] = {{"media/stream.sdp?profile=Profile_1", "media1", 222, "Profile_1"},
                   {"live1.sdp", "streamserver", 111, "live1.sdp"},
                   {"media2/stream.sdp?profile=StreamProfile_1", "media2", 333, "StreamProfile_1"}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(kExpected[i].url);
    EXPECT_EQ(kExpected[i].url, answers[i]["url"]);
    EXPECT_EQ(0, answers[i]["code"]);
    EXPECT_EQ(kExpected[i].handler, answers[i]["handler"]);
    EXPECT_EQ(kExpected[i].key, answers[i]["profileKey"]);
    EXPECT_EQ(kExpected[i].name, answers[i]["profileName"]);
    EXPECT_EQ(1, answers[i]["videoInfo"]["mediaTask"]);
    EXPECT_TRUE(answers[i]["reason"].is_null());
    for (const char* medium : {"videoInfo", "audioInfo", "metadataInfo"}) {
      for (const char* field : {"mediaTask", "channel", "stream", "ipAddress", "port", "ttl"}) {
        EXPECT_TRUE(answers[i][medium].contains(field)) << medium << "." << field;
      }
    }
  }
}

TEST(CliResolve, TextBlocksMatchGolden) {
  const ToolRun run =
      Strell({"resolve", "--root", kFixtures + "/minimal", "media/stream.sdp?profile=Profile_1",
              "live1.sdp", "media2/stream.sdp?profile=StreamProfile_2", "live9.sdp"});
  EXPECT_EQ(1, run.status);
  ExpectGolden("resolve_minimal.txt", run.out);
}

TEST(CliResolve, LibraryTraceStaysOffStandardOutput) {
  const std::vector<std::string> args = {"resolve", "--json", "--root", kFixtures + "/minimal",
                                         "media/stream.sdp?profile=Profile_1"};
  const ToolRun quiet = Strell(args);
  EXPECT_EQ(0, quiet.status);
  EXPECT_EQ(222, Json(quiet)[0]["profileKey"]);
  EXPECT_TRUE(quiet.err.empty()) << quiet.err;

  std::vector<std::string> verboseArgs = args;
  verboseArgs.push_back("--verbose");
  const ToolRun verbose = Strell(verboseArgs);
  EXPECT_EQ(222, Json(verbose)[0]["profileKey"]);
  EXPECT_NE(std::string::npos, verbose.err.find("profileName = Profile_1")) << verbose.err;

  const ToolRun text =
      Strell({"resolve", "--root", kFixtures + "/minimal", "media/stream.sdp?profile=Profile_1"});
  EXPECT_EQ(std::string::npos, text.out.find("profileName = Profile_1"));
  EXPECT_NE(std::string::npos, text.err.find("profileName = Profile_1"));
}

TEST(CliResolve, FailureSaysWhyAndExitsWithOne) {
  const struct {
    const char* root;
    const char* url;
    int code;
    const char* handler;  // null: no handler claimed it
    const char* reason;   // the reason's first words
  } kCases[] = {
      {"minimal", "live9.sdp", 8, nullptr, "not claimed by any handler"},
      {"minimal", "/live1.sdp", 8, nullptr, "not claimed by any handler"},
      {"minimal", "media/stream.sdp?profile=Profile_9", 8, "media1", "profile not found"},
      {"minimal", "media/stream.sdp?profile=Profile_1&x=1", 8, "media1", "profile not found"},
      {"minimal", "media2/stream.sdp?profile=StreamProfile_9", 8, "media2", "profile not found"},
      {"broken", "media2/stream.sdp?profile=StreamProfile_2", 9, "media2", "bad video source"},
  };
  for (const auto& testCase : kCases) {
    SCOPED_TRACE(testCase.url);
    const ToolRun run =
        Strell({"resolve", "--json", "--root", kFixtures + "/" + testCase.root, testCase.url});
    EXPECT_EQ(1, run.status);
    const json answer = Json(run)[0];
    EXPECT_EQ(testCase.code, answer["code"]);
    if (testCase.handler == nullptr) {
      EXPECT_TRUE(answer["handler"].is_null());
    } else {
      EXPECT_EQ(testCase.handler, answer["handler"]);
    }
    EXPECT_EQ(0u, answer["reason"].get<std::string>().rfind(testCase.reason, 0))
        << answer["reason"];
  }
}

TEST(CliResolve, OneFailureAmongSeveralStillAnswersEveryUrlInOrder) {
  const ToolRun run = Strell(
      {"resolve", "--json", "--root", kFixtures + "/minimal", "live2.sdp", "nothing", "live1.sdp"});
  EXPECT_EQ(1, run.status);
  const json answers = Json(run);
  ASSERT_EQ(3u, answers.size());
  EXPECT_EQ(112, answers[0]["profileKey"]);
  EXPECT_EQ(8, answers[1]["code"]);
  EXPECT_EQ(111, answers[2]["profileKey"]);
}

// ---- explain ----

TEST(CliExplain, NearMissesOfAnAccessName) {
  const struct {
    const char* url;
    std::vector<std::string> differences;
  } kCases[] = {
      {"/live1.sdp", {"the URL has a leading slash"}},
      {"live1.sdp/", {"the URL has a trailing slash"}},
      {"LIVE1.SDP", {"letter case differs"}},
      {"live1.sdp?tcp", {"the URL has the query \"?tcp\""}},
      {"live1.sdp/trackID=1", {"the URL has the suffix \"/trackID=1\""}},
      {"rtsp://192.0.2.1:554/live1.sdp",
       {"the URL has the scheme and host \"rtsp://192.0.2.1:554\"", "the URL has a leading slash"}},
  };
  for (const auto& testCase : kCases) {
    SCOPED_TRACE(testCase.url);
    const ToolRun run =
        Strell({"explain", "--json", "--root", kFixtures + "/minimal", testCase.url});
    EXPECT_EQ(1, run.status);
    const json answer = Json(run);
    EXPECT_EQ(8, answer["code"]);
    for (const json& step : answer["steps"]) {
      EXPECT_TRUE(step["asked"]);
      EXPECT_FALSE(step["claims"]);
    }
    ASSERT_EQ(1u, answer["nearMisses"].size());
    const json& miss = answer["nearMisses"][0];
    EXPECT_EQ("streamserver", miss["handler"]);
    EXPECT_EQ("s0", miss["slot"]);
    EXPECT_EQ(111, miss["profileKey"]);
    EXPECT_EQ(testCase.differences, miss["differences"].get<std::vector<std::string>>());
  }
}

TEST(CliExplain, NearMissesOfAProfileToken) {
  const struct {
    const char* url;
    const char* handler;
    const char* slot;
    const char* firstDifference;
  } kCases[] = {
      {"media/stream.sdp?profile=Profile_1&channel=1", "media1", "i0",
       "the token is followed by \"&channel=1\""},
      {"media/stream.sdp?profile=profile_2", "media1", "i1", "letter case differs"},
      {"media2/stream.sdp?profile=StreamProfile_2/trackID=1", "media2", "i1",
       "the token is followed by \"/trackID=1\""},
      {"Media2/stream.sdp?profile=StreamProfile_1", "media2", "i0",
       "the marker \"media2/stream.sdp?profile=\" differs in letter case"},
      {"media/stream.sdp?profile=StreamProfile_1", "media2", "i0",
       "the token is a Media2 stream profile token"},
  };
  for (const auto& testCase : kCases) {
    SCOPED_TRACE(testCase.url);
    const ToolRun run =
        Strell({"explain", "--json", "--root", kFixtures + "/minimal", testCase.url});
    EXPECT_EQ(1, run.status);
    const json answer = Json(run);
    ASSERT_EQ(1u, answer["nearMisses"].size()) << answer.dump(2);
    const json& miss = answer["nearMisses"][0];
    EXPECT_EQ(testCase.handler, miss["handler"]);
    EXPECT_EQ(testCase.slot, miss["slot"]);
    EXPECT_EQ(0u, miss["differences"][0].get<std::string>().rfind(testCase.firstDifference, 0))
        << miss["differences"][0];
  }
}

TEST(CliExplain, ShadowedAccessNameIsNamed) {
  const ToolRun run = Strell(
      {"explain", "--json", "--root", kFixtures + "/broken", "media/stream.sdp?profile=Profile_1"});
  EXPECT_EQ(0, run.status);
  const json answer = Json(run);
  EXPECT_EQ("media1", answer["handler"]);
  EXPECT_TRUE(answer["steps"][0]["claims"]);
  EXPECT_FALSE(answer["steps"][1]["asked"]);
  EXPECT_NE(std::string::npos,
            answer["steps"][1]["why"].get<std::string>().find("slot s2 (key 113)"));
  EXPECT_EQ(222, answer["record"]["profileKey"]);
}

TEST(CliExplain, TextWalkMatchesGolden) {
  std::string out;
  for (const char* url :
       {"live1.sdp", "/live1.sdp", "media/stream.sdp?profile=Profile_1",
        "media/stream.sdp?profile=Profile_1&x=1", "media2/stream.sdp?profile=StreamProfile_2"}) {
    const ToolRun run = Strell({"explain", "--root", kFixtures + "/minimal", url});
    out += "$ strell explain " + std::string(url) + " (exit " + std::to_string(run.status) + ")\n" +
           run.out;
  }
  ExpectGolden("explain_minimal.txt", out);
}

// ---- list, convert, dump ----

TEST(CliList, KeysInChainOrderWithNames) {
  const ToolRun run =
      Strell({"list", "--json", "--root", kFixtures + "/minimal", "video", "0", "0"});
  EXPECT_EQ(0, run.status);
  const json list = Json(run);
  EXPECT_EQ(3, list["profileCount"]);
  const std::vector<std::tuple<int, std::string, std::string>> expected = {
      {222, "media1", "Profile_1"},
      {111, "streamserver", "live1.sdp"},
      {333, "media2", "StreamProfile_1"}};
  ASSERT_EQ(expected.size(), list["profiles"].size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(std::get<0>(expected[i]), list["profiles"][i]["profileKey"]);
    EXPECT_EQ(std::get<1>(expected[i]), list["profiles"][i]["handler"]);
    EXPECT_EQ(std::get<2>(expected[i]), list["profiles"][i]["profileName"]);
  }
}

TEST(CliList, TextMatchesGolden) {
  std::string out;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"video", "0", "1"}, {"audio", "0", "0"}, {"audio", "0", "1"}}) {
    std::vector<std::string> command = {"list", "--root", kFixtures + "/minimal"};
    command.insert(command.end(), args.begin(), args.end());
    out += Strell(command).out;
  }
  ExpectGolden("list_minimal.txt", out);
}

TEST(CliConvert, BothDirectionsWithoutRangeCheck) {
  const struct {
    const char* direction;
    const char* channel;
    const char* stream;
    int outChannel;
    int outStream;
  } kCases[] = {{"onvif-to-config", "1", "1", 0, 0},
                {"onvif-to-config", "0", "0", -1, -1},
                {"config-to-onvif", "0", "0", 1, 1},
                {"config-to-onvif", "1", "2", 2, 3},
                {"config-to-onvif", "-1", "-1", 0, 0}};
  for (const auto& testCase : kCases) {
    SCOPED_TRACE(testCase.direction + std::string(" ") + testCase.channel);
    // No configuration is needed: the root is left at a directory without one.
    const ToolRun run = Strell({"convert", "--json", "--root", kFixtures + "/empty",
                                testCase.direction, testCase.channel, testCase.stream});
    EXPECT_EQ(0, run.status) << run.err;
    const json answer = Json(run);
    EXPECT_EQ(testCase.outChannel, answer["out"]["channel"]);
    EXPECT_EQ(testCase.outStream, answer["out"]["stream"]);
  }
  EXPECT_EQ("onvif channel 1 stream 2 -> config channel 0 stream 1\n",
            Strell({"convert", "onvif-to-config", "1", "2"}).out);
}

TEST(CliDump, TextIsTheLibrarysDumps) {
  const ToolRun run = Strell({"dump", "--root", kFixtures + "/minimal"});
  EXPECT_EQ(0, run.status);
  ExpectGolden("dump_minimal.txt", run.out);
}

TEST(CliDump, JsonHoldsEveryStore) {
  const ToolRun run = Strell({"dump", "--json", "--root", kFixtures + "/minimal"});
  EXPECT_EQ(0, run.status);
  const json stores = Json(run);
  EXPECT_EQ(2u, stores["media1"]["mediaOneProfiles"].size());
  EXPECT_EQ(4u, stores["media1"]["videoEncodeList"].size());
  EXPECT_EQ(1u, stores["media1"]["audioEncodeList"].size());
  EXPECT_EQ(1u, stores["media1"]["metadataEncodeList"].size());
  EXPECT_EQ(4u, stores["streamserver"]["profiles"].size());
  EXPECT_EQ(10u, stores["media2"]["streamProfiles"].size());
  EXPECT_EQ("live2.sdp", stores["streamserver"]["profiles"][1]["accessname"]);
  EXPECT_EQ(334, stores["media2"]["streamProfiles"][1]["profileKey"]);
}

// ---- usage ----

TEST(CliUsage, ExitStatusesOfTheCommandLine) {
  EXPECT_EQ(2, Strell({}).status);
  EXPECT_EQ(2, Strell({"resolve"}).status);
  EXPECT_EQ(2, Strell({"list", "subtitles", "0", "0"}).status);
  EXPECT_EQ(2, Strell({"convert", "onvif-to-encoder", "0", "0"}).status);
  EXPECT_EQ(2, Strell({"frobnicate"}).status);
  const ToolRun help = Strell({"--help"});
  EXPECT_EQ(0, help.status);
  for (const char* command : {"resolve", "explain", "list", "convert", "dump", "check"}) {
    EXPECT_NE(std::string::npos, help.out.find(command)) << command;
  }
  const ToolRun version = Strell({"--version"});
  EXPECT_EQ(0, version.status);
  EXPECT_EQ(0u, version.out.rfind("strell 1.0.0", 0)) << version.out;
}

}  // namespace
