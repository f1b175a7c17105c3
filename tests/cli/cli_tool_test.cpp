// Golden transcripts of the strell tool, one file per command under
// tests/cli/golden/: each "$ strell ..." line is a command, and what follows
// it is what the tool wrote on standard output, then on standard error (after
// "[stderr]"), then its exit status. Every command runs under /bin/sh in
// tests/cli/fixtures, with the built tool first on PATH and neither
// STRELL_CONF_ROOT nor STRELL_HOST_FRESHNESS set; the source directory reads
// as "<source>". STRELL_UPDATE_GOLDEN=1 rewrites the files from the tool.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "testing/golden.h"
#include "testing/temp_dir.h"

namespace {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A directory whose "strell" is the built tool, for the whole run.
const testing_kit::TempDir& Bin() {
  static const testing_kit::TempDir bin;
  static const int linked = symlink(STRELL_TOOL, (bin / "strell").c_str());
  (void)linked;
  return bin;
}

// One block of a transcript: the command, its output and exit status.
std::string Transcript(const std::string& command) {
  const std::string errors = Bin() / "stderr";
  const std::string shell =
      "cd " + ShellQuoted(STRELL_CLI_FIXTURES) +
      " && env -u STRELL_CONF_ROOT -u STRELL_HOST_FRESHNESS PATH=" + ShellQuoted(Bin().path()) +
      ":\"$PATH\" sh -c " + ShellQuoted(command) + " 2>" + ShellQuoted(errors);
  std::string out;
  FILE* pipe = popen(shell.c_str(), "r");
  if (pipe == nullptr) return "popen failed\n";
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
  const int status = pclose(pipe);
  const std::string err = testing_kit::ReadText(errors);
  std::string block = "$ " + command + "\n" + out + (err.empty() ? "" : "[stderr]\n" + err) +
                      "[exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                      "]\n";
  for (size_t at; (at = block.find(STRELL_SOURCE_DIR)) != std::string::npos;) {
    block.replace(at, sizeof STRELL_SOURCE_DIR - 1, "<source>");
  }
  return block;
}

class Golden : public testing::TestWithParam<const char*> {};

TEST_P(Golden, TranscriptIsTheToolsOutput) {
  const std::string path = std::string(STRELL_CLI_GOLDEN) + "/" + GetParam() + ".txt";
  std::istringstream lines(testing_kit::ReadText(path));
  std::string actual;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("$ ", 0) == 0)
      actual += (actual.empty() ? "" : "\n") + Transcript(line.substr(2));
  }
  ASSERT_FALSE(actual.empty()) << path << " holds no command";
  testing_kit::ExpectGolden(path, actual);
}

INSTANTIATE_TEST_SUITE_P(Commands, Golden,
                         testing::Values("resolve", "explain", "list", "convert", "dump", "urls",
                                         "check", "usage"),
                         [](const testing::TestParamInfo<const char*>& param) {
                           return std::string(param.param);
                         });

}  // namespace
