// Golden files: a test that states a whole behaviour at once (every read of a
// reload, every answer to a table of URLs, a command's output) compares it
// with a file kept under tests/. STRELL_UPDATE_GOLDEN=1 rewrites the file
// instead, for a change that is meant; the diff then shows what changed.
#ifndef STRELL_TESTING_GOLDEN_H_
#define STRELL_TESTING_GOLDEN_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testing_kit {

// The whole content of a file; empty when it cannot be read.
inline std::string ReadText(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

inline void ExpectGolden(const std::string& path, const std::string& actual) {
  const char* update = std::getenv("STRELL_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << actual;
    return;
  }
  // Line by line, so that a failure names the first line that differs.
  std::istringstream want(ReadText(path)), got(actual);
  for (int line = 1;; ++line) {
    std::string a, b;
    const bool inFile = static_cast<bool>(std::getline(want, a));
    const bool inOutput = static_cast<bool>(std::getline(got, b));
    if (!inFile && !inOutput) break;
    ASSERT_EQ(inFile ? a : "<end of file>", inOutput ? b : "<end of output>")
        << path << ":" << line << " (STRELL_UPDATE_GOLDEN=1 rewrites it)";
  }
}

}  // namespace testing_kit

#endif  // STRELL_TESTING_GOLDEN_H_
