// ReadFile: a small file utility the host firmware uses; the library itself
// never calls it.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/trace.h"
#include "strell.h"

extern "C" int ReadFile(const char* path, char* buffer, int size) {
  if (access(path, F_OK) != 0) {
    const int fd = open(path, O_RDWR | O_CREAT, 0644);
    if (fd < 0) {
      traceLine("%s %d : ReadFile : Create file fail!\n", "ReadFile", 31);
      return -1;
    }
    close(fd);
  }
  FILE* file = fopen(path, "r");
  if (file == nullptr) {
    traceLine("%s, %d : file open fail : %s****\n", "ReadFile", 43, path);
    return -1;
  }
  if (buffer != nullptr && size > 0) {
    std::memset(buffer, 0, static_cast<size_t>(size));
    // Append line by line, bounded by the room left; reading goes on to the
    // end of the file even when the buffer is full.
    size_t used = 0;
    const size_t capacity = static_cast<size_t>(size);
    char line[256];
    while (fgets(line, sizeof line, file) != nullptr) {
      const size_t room = capacity - used;
      if (room <= 1) continue;
      const int written = snprintf(buffer + used, room, "%s", line);
      if (written > 0)
        used += static_cast<size_t>(written) < room ? static_cast<size_t>(written) : room - 1;
    }
  }
  fclose(file);
  return STRELL_OK;
}
