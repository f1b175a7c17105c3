/* A consumer of the installed library as camera firmware is one: its own
 * configuration readers, the public header, and -lstrell. Built once through
 * pkg-config and once through find_package(strell). */
#include <stdio.h>
#include <strell.h>
#include <string.h>

/* This host's configuration store is empty: every read fails. */
int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  (void)filePath;
  (void)keyPath;
  (void)value;
  return 1;
}

int Configer_GetParamValueByXPath(const char* name, char* value, int size) {
  (void)name;
  (void)value;
  (void)size;
  return 1;
}

int main(void) {
  StrellHandle handle = NULL;
  TProfileInfo info;
  TChannelStream numbers = {1, 2};
  int parsed, resolved;

  memset(&info, 0, sizeof info);
  Strell_Init(&handle);
  parsed = Strell_Parse(handle);
  resolved = Strell_GetProfileInfoByStreamUrl(handle, "live1.sdp", &info);
  Strell_OnvifToConfig(&numbers, &numbers);
  Strell_Release(&handle);
  printf("parse %d, resolve %d, onvif 1/2 is config %d/%d\n", parsed, resolved, numbers.channel,
         numbers.stream);
  return parsed == STRELL_OK && resolved == STRELL_ERR_NOT_FOUND && numbers.channel == 0 &&
                 numbers.stream == 1 && handle == NULL
             ? 0
             : 1;
}
