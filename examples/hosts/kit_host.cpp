// A consumer of the installed library and the installed reference host kit
// (strell::host): resolves each URL given on the command line against the
// configuration directory given first, and prints code, key and name.
#include <strell.h>
#include <strell_host.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kit_host CONF_DIR URL...\n");
    return 2;
  }
  strell_host::SetRoot(argv[1]);
  StrellHandle handle = nullptr;
  Strell_Init(&handle);
  int status = Strell_Parse(handle);
  for (int i = 2; i < argc; ++i) {
    TProfileInfo info{};
    const int code = Strell_GetProfileInfoByStreamUrl(handle, argv[i], &info);
    std::printf("%s -> %d %d %s\n", argv[i], code, info.profileKey, info.profileName);
    if (code != STRELL_OK) status = 1;
  }
  Strell_Release(&handle);
  return status;
}
