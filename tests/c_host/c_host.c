/* A host written in plain C99: proves the public header compiles as C (with
 * -Wmissing-prototypes: the reader functions below match the header's
 * declarations), that the smallest host sees the documented answers, and
 * that the trace lines reach a C handler. */
#include <stdio.h>
#include <string.h>

#include "strell.h"

/* This host has no configuration at all: every read fails. */
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

static int failures = 0;
static char lastLine[512];
static int lines = 0;

static void collect(const char* line, void* user) {
  ++*(int*)user;
  snprintf(lastLine, sizeof lastLine, "%s", line);
}

static void expect(int condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

int main(void) {
  StrellHandle handle = NULL;
  TProfileInfo info;
  TProfileInfo before;
  memset(&info, 0x5a, sizeof info);
  before = info;

  expect(Strell_Init(&handle) == STRELL_OK, "Strell_Init returns 0");
  expect(handle != NULL, "Strell_Init gives a handle");
  expect(Strell_Parse(handle) == STRELL_OK, "Strell_Parse returns 0");
  expect(Strell_GetProfileInfoByStreamUrl(handle, "rtsp://camera/nothing", &info) ==
             STRELL_ERR_NOT_FOUND,
         "an unknown URL gives 8");
  expect(memcmp(&info, &before, sizeof info) == 0, "the record is untouched");
  expect(Strell_GetProfileInfoByStreamUrl(handle, "rtsp://camera/nothing", NULL) ==
             STRELL_ERR_NULL_RECORD,
         "a null record gives 11");

  expect(Strell_SetTraceHandler(collect, &lines) == STRELL_OK, "Strell_SetTraceHandler returns 0");
  Strell_GetProfileInfoByStreamUrl(handle, "media/stream.sdp?profile=P", &info);
  expect(lines == 1, "the Media1 claim is one line to the handler");
  expect(strcmp(lastLine,
                "virtual EStrellErrno CUrlMediaOne::HandleUrl(const char*, TProfileInfo*) "
                "profileName = P") == 0,
         "the handler gets the line as printed, without its newline");
  Strell_SetTraceHandler(NULL, NULL);
  Strell_GetProfileInfoByStreamUrl(handle, "media/stream.sdp?profile=P", &info);
  expect(lines == 1, "a null handler drops the lines");

  expect(Strell_Release(&handle) == STRELL_OK, "Strell_Release returns 0");
  expect(handle == NULL, "the handle is null after release");
  if (failures == 0) printf("c_host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
