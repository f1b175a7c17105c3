/* A consumer of the library as camera firmware is one: its own configuration
 * readers, the public header in plain C99, and -lstrell. The install test
 * builds it through pkg-config and through find_package(strell); the test
 * suite builds it with -Wmissing-prototypes, which checks that the readers
 * below match the header's declarations. It exits 0 when every answer is
 * the documented one. */
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

/* The firmware's log: the library's trace lines arrive here, one call per
 * line, without the newline. */
static int logged = 0;
static char lastLine[512];

static void logLine(const char* line, void* user) {
  ++*(int*)user;
  snprintf(lastLine, sizeof lastLine, "%s", line);
}

static int failures = 0;

static void expect(int condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "firmware_host: unexpected: %s\n", what);
    ++failures;
  }
}

int main(void) {
  StrellHandle handle = NULL;
  TProfileInfo info, before;
  TChannelStream numbers = {1, 2};

  memset(&info, 0x5a, sizeof info);
  before = info;
  expect(Strell_SetTraceHandler(logLine, &logged) == STRELL_OK, "the trace handler is taken");
  expect(Strell_Init(&handle) == STRELL_OK && handle != NULL, "Strell_Init gives a handle");
  expect(Strell_Parse(handle) == STRELL_OK, "Strell_Parse returns 0");
  expect(Strell_GetProfileInfoByStreamUrl(handle, "live1.sdp", &info) == STRELL_ERR_NOT_FOUND,
         "an unknown URL gives 8");
  expect(memcmp(&info, &before, sizeof info) == 0, "a URL that is not found leaves the record");
  expect(Strell_GetProfileInfoByStreamUrl(handle, "live1.sdp", NULL) == STRELL_ERR_NULL_RECORD,
         "a null record gives 11");
  Strell_GetProfileInfoByStreamUrl(handle, "media/stream.sdp?profile=P", &info);
  expect(logged == 1 && strcmp(lastLine,
                               "virtual EStrellErrno CUrlMediaOne::HandleUrl(const char*, "
                               "TProfileInfo*) profileName = P") == 0,
         "a Media1 claim is one line to the log");
  Strell_SetTraceHandler(NULL, NULL); /* from here on the lines are dropped */
  Strell_GetProfileInfoByStreamUrl(handle, "media/stream.sdp?profile=P", &info);
  expect(logged == 1, "a null handler drops the lines");
  Strell_OnvifToConfig(&numbers, &numbers);
  expect(numbers.channel == 0 && numbers.stream == 1, "ONVIF 1/2 is configuration 0/1");
  expect(Strell_Release(&handle) == STRELL_OK && handle == NULL, "Strell_Release nulls the handle");
  printf("firmware_host: %s\n", failures == 0 ? "every answer as documented" : "FAILED");
  return failures == 0 ? 0 : 1;
}
