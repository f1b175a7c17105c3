// ReadFile: the file utility exported for the host.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "unit/test_support.h"

namespace {

class ReadFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/strell-readfile-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
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

TEST_F(ReadFileTest, ReadsEveryLine) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + std::string(300, 'x') + "\n";
  const std::string path = Write("lines.txt", text);
  std::string buffer(text.size() + 1, 'z');
  EXPECT_EQ(0, ReadFile(path.c_str(), &buffer[0], static_cast<int>(buffer.size())));
  EXPECT_EQ(text, std::string(buffer.c_str()));
}

TEST_F(ReadFileTest, LongFileIsCutToSizeMinusOne) {
  const std::string path = Write("long.txt", "abcdef\nghijkl\nmnop\n");
  for (int size : {1, 2, 7, 8, 9, 12}) {
    char buffer[32];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(0, ReadFile(path.c_str(), buffer, size));
    EXPECT_EQ(std::string("abcdef\nghijkl\nmnop\n").substr(0, size - 1), std::string(buffer));
    EXPECT_EQ('z', buffer[size]) << "wrote past size " << size;
  }
}

TEST_F(ReadFileTest, UncreatableFileFailsWithTheCreateMessage) {
  const std::string path = dir_ + "/no/such/dir/file";
  char buffer[8];
  std::string out = strell_test::CaptureStdout(
      [&] { EXPECT_EQ(-1, ReadFile(path.c_str(), buffer, sizeof buffer)); });
  EXPECT_EQ("ReadFile 31 : ReadFile : Create file fail!\n", out);
}

TEST_F(ReadFileTest, UnopenableFileFailsWithTheOpenMessage) {
  // A socket exists, so nothing is created, but it cannot be opened as a
  // file, not even by root.
  const std::string path = dir_ + "/socket";
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
  char buffer[8];
  std::string out = strell_test::CaptureStdout(
      [&] { EXPECT_EQ(-1, ReadFile(path.c_str(), buffer, sizeof buffer)); });
  close(fd);
  EXPECT_EQ("ReadFile, 43 : file open fail : " + path + "****\n", out);
}

}  // namespace
