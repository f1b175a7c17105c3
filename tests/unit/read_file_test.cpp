// ReadFile: the file utility exported for the host.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "unit/test_support.h"

namespace strell_test {
namespace {

class ReadFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/strell-readfile-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string dir_;
};

TEST_F(ReadFileTest, MissingFileIsCreatedEmpty) {
  const std::string path = dir_ + "/new.txt";
  char buffer[16];
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_EQ(0, ReadFile(path.c_str(), buffer, sizeof buffer));
  EXPECT_EQ(std::string(sizeof buffer, '\0'), std::string(buffer, sizeof buffer));
  struct stat info;
  ASSERT_EQ(0, stat(path.c_str(), &info));
  EXPECT_EQ(0, info.st_size);
}

TEST_F(ReadFileTest, ReadsEveryLineCutToSizeMinusOne) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + std::string(300, 'x') + "\n";
  const std::string path = dir_ + "/lines.txt";
  std::ofstream(path, std::ios::binary) << text;
  // The first line is 307 characters long.
  for (size_t size : {size_t{1}, size_t{2}, size_t{307}, size_t{308}, size_t{309}, size_t{5000},
                      text.size(), text.size() + 1}) {
    std::string buffer(text.size() + 2, 'z');
    EXPECT_EQ(0, ReadFile(path.c_str(), &buffer[0], static_cast<int>(size)));
    EXPECT_EQ(text.substr(0, size - 1), std::string(buffer.c_str())) << size;
    EXPECT_EQ('z', buffer[size]) << "wrote past size " << size;
  }
}

TEST_F(ReadFileTest, FailuresPrintTheirMessage) {
  // A socket exists, so nothing is created, but it cannot be opened as a
  // file, not even by root.
  const std::string socketPath = dir_ + "/socket";
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
  ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
  struct Case {
    std::string path, printed;
  } const cases[] = {
      {dir_ + "/no/such/dir/file", "ReadFile 31 : ReadFile : Create file fail!\n"},
      {socketPath, "ReadFile, 43 : file open fail : " + socketPath + "****\n"},
  };
  for (const Case& c : cases) {
    char buffer[8];
    EXPECT_EQ(c.printed, CaptureStdout([&] {
                EXPECT_EQ(-1, ReadFile(c.path.c_str(), buffer, sizeof buffer));
              }));
  }
  close(fd);
}

}  // namespace
}  // namespace strell_test
