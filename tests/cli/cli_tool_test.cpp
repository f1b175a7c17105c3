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
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

class Golden : public testing::TestWithParam<const char*> {
 protected:
  // A directory whose "strell" is the built tool.
  static void SetUpTestSuite() {
    char directory[] = "/tmp/strell_cli_test_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(directory));
    bin_ = directory;
    ASSERT_EQ(0, symlink(STRELL_TOOL, (bin_ + "/strell").c_str()));
  }
  static void TearDownTestSuite() {
    unlink((bin_ + "/strell").c_str());
    rmdir(bin_.c_str());
  }

  // One block of a transcript: the command, its output and exit status.
  static std::string Run(const std::string& command) {
    const std::string errPath = bin_ + "/stderr";
    const std::string shell =
        "cd " + ShellQuoted(STRELL_CLI_FIXTURES) +
        " && env -u STRELL_CONF_ROOT -u STRELL_HOST_FRESHNESS PATH=" + ShellQuoted(bin_) +
        ":\"$PATH\" sh -c " + ShellQuoted(command) + " 2>" + ShellQuoted(errPath);
    std::string out;
    FILE* pipe = popen(shell.c_str(), "r");
    if (pipe == nullptr) return "popen failed\n";
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
    const int status = pclose(pipe);
    const std::string err = ReadAll(errPath);
    std::remove(errPath.c_str());
    std::string block = "$ " + command + "\n" + out + (err.empty() ? "" : "[stderr]\n" + err) +
                        "[exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                        "]\n";
    ReplaceAll(block, STRELL_SOURCE_DIR, "<source>");
    return block;
  }

  static std::string bin_;
};

std::string Golden::bin_;

TEST_P(Golden, TranscriptIsTheToolsOutput) {
  const std::string path = std::string(STRELL_CLI_GOLDEN) + "/" + GetParam() + ".txt";
  const std::string expected = ReadAll(path);
  ASSERT_FALSE(expected.empty()) << path;
  std::string actual;
  std::istringstream lines(expected);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("$ ", 0) == 0) actual += (actual.empty() ? "" : "\n") + Run(line.substr(2));
  }
  const char* update = std::getenv("STRELL_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  EXPECT_EQ(expected, actual) << "golden file " << path << " (STRELL_UPDATE_GOLDEN=1 rewrites it)";
}

INSTANTIATE_TEST_SUITE_P(Commands, Golden,
                         testing::Values("resolve", "explain", "list", "convert", "dump", "urls",
                                         "check", "usage"),
                         [](const testing::TestParamInfo<const char*>& param) {
                           return std::string(param.param);
                         });

}  // namespace
