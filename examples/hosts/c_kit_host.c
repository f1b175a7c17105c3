/* A C program whose two configuration readers come from the reference host
 * kit instead of its own code: built with strell::host and strell::host_shared
 * from a C-only CMake project, through pkg-config's strell-host, and by the
 * package test against the runtime packages alone. The kit's header is C++,
 * so the configuration root comes from $STRELL_CONF_ROOT. Resolves each URL
 * on the command line and prints code, key and name; exits 0 when all
 * resolve. */
#include <stdio.h>
#include <strell.h>
#include <string.h>

int main(int argc, char** argv) {
  StrellHandle handle = NULL;
  int status, i;

  if (argc < 2) {
    fprintf(stderr, "usage: STRELL_CONF_ROOT=DIR c_kit_host URL...\n");
    return 2;
  }
  Strell_Init(&handle);
  status = Strell_Parse(handle) == STRELL_OK ? 0 : 1;
  for (i = 1; i < argc; ++i) {
    TProfileInfo info;
    int code;
    memset(&info, 0, sizeof info);
    code = Strell_GetProfileInfoByStreamUrl(handle, argv[i], &info);
    printf("%s -> %d %d %s\n", argv[i], code, info.profileKey, info.profileName);
    if (code != STRELL_OK) status = 1;
  }
  Strell_Release(&handle);
  return status;
}
