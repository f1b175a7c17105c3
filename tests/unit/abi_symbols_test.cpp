// The dynamic symbol table of the built library is the host's contract: the C
// exports defined under their plain names, and nothing undefined but the C
// and C++ runtimes and the two host reader functions.
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "unit/test_support.h"

namespace {

std::set<std::string> Symbols(const std::string& options) {
  std::set<std::string> names;
  const std::string command = "nm -D " + options + " '" STRELL_LIBRARY_PATH "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string word, last;
    while (fields >> word) last = word;
    names.insert(last.substr(0, last.find('@')));
  }
  pclose(pipe);
  return names;
}

TEST(AbiSymbols, EveryCExportIsDefinedUnmangled) {
  const std::set<std::string> defined = Symbols("--defined-only");
  ASSERT_FALSE(defined.empty()) << "nm produced nothing for " STRELL_LIBRARY_PATH;
  for (const char* name :
       {"Strell_Init", "Strell_Release", "Strell_Parse", "Strell_GetProfileInfoByStreamUrl",
        "Strell_GetProfileListByVideoStream", "Strell_GetProfileListByAudioStream",
        "Strell_GetByKey", "Strell_GetProperty", "Strell_ConvertVideoConfigSourceToChannelStream",
        "Strell_ConvertVideoConfigSourceToShmemkey",
        "Strell_ConvertAudioConfigSourceToChannelStream",
        "Strell_ConvertAudioConfigSourceToShmemkey", "Strell_OnvifToConfig",
        "Strell_ConfigToOnvif", "ReadFile", "gEncoder", "gConfiger", "gOnvif"}) {
    EXPECT_EQ(1u, defined.count(name)) << name;
  }
  EXPECT_EQ(0u, defined.count("XMLSParser_ReadContentEx"));
  EXPECT_EQ(0u, defined.count("Configer_GetParamValueByXPath"));
}

TEST(AbiSymbols, OnlyTheHostReadersAreUndefinedBesidesTheRuntime) {
  std::set<std::string> foreign;
  for (const std::string& name : Symbols("--undefined-only")) {
    const bool runtime = name.rfind("_Z", 0) == 0 || name.rfind("__", 0) == 0 ||
                         name.rfind("_ITM_", 0) == 0 || name.rfind("_Unwind", 0) == 0;
    static const std::set<std::string> libc = {
        "access", "open", "close", "fopen", "fgets", "fclose", "printf", "puts", "snprintf",
        "malloc", "free", "memcpy", "memmove", "memset", "memcmp", "memchr", "strlen", "strnlen",
        "strcmp", "strncmp", "bcmp", "strstr", "strchr", "sscanf", "__isoc99_sscanf", "atoi", "strtol",
        "pthread_mutex_init", "pthread_mutex_lock", "pthread_mutex_unlock",
        "pthread_mutex_destroy", "pthread_once", "putchar", "fputs", "fwrite", "stdout",
        "vprintf", "vfprintf", "vsnprintf", "pthread_rwlock_rdlock", "pthread_rwlock_wrlock",
        "pthread_rwlock_unlock"};
    if (!runtime && libc.count(name) == 0) foreign.insert(name);
  }
  EXPECT_EQ((std::set<std::string>{"Configer_GetParamValueByXPath", "XMLSParser_ReadContentEx"}),
            foreign);
}

}  // namespace
