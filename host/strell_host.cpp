// The host kit's public face: the process-wide cache, the configuration API
// and the two C functions the library calls.
#include "strell_host.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>

#include "host/conf_path.h"
#include "host/doc_cache.h"

namespace strell_host {
namespace {

using internal::CounterSet;
using internal::DiagnosticSink;
using internal::DocCache;

std::string RootFromEnvironment() {
  const char* root = std::getenv("STRELL_CONF_ROOT");
  return root != nullptr && root[0] != '\0' ? root : "/etc/conf.d";
}

Freshness FreshnessFromEnvironment() {
  const char* freshness = std::getenv("STRELL_HOST_FRESHNESS");
  return freshness != nullptr && std::strcmp(freshness, "watch") == 0 ? Freshness::kWatch
                                                                      : Freshness::kStrict;
}

struct Host {
  CounterSet counters;
  DiagnosticSink diagnostics;
  DocCache cache{RootFromEnvironment(), FreshnessFromEnvironment(), &counters, &diagnostics};
  // Paths refused before they name a file are reported once each; a few
  // hundred are remembered, so a caller that makes up paths cannot grow it.
  std::mutex refusedMutex;
  std::set<std::string> refusedReported;
};

// Created at the first call and never destroyed: library contexts in other
// threads may still read while the process exits.
Host& TheHost() {
  static Host* const host = new Host();
  return *host;
}

}  // namespace

void SetRoot(const std::string& root) { TheHost().cache.SetRoot(root); }
std::string Root() { return TheHost().cache.Root(); }
void SetFreshness(Freshness freshness) { TheHost().cache.SetFreshness(freshness); }
Freshness GetFreshness() { return TheHost().cache.GetFreshness(); }
void Settle() { TheHost().cache.Settle(); }
void DropCache() { TheHost().cache.Drop(); }

void SetDiagnosticHandler(DiagnosticHandler handler) {
  Host& host = TheHost();
  host.diagnostics.Set(std::move(handler));
  // What is wrong with the files now is reported at their next read, also
  // for the ones read before there was a handler.
  host.cache.Drop();
  std::lock_guard<std::mutex> lock(host.refusedMutex);
  host.refusedReported.clear();
}

Counters GetCounters() {
  const CounterSet& counters = TheHost().counters;
  return Counters{counters.parses.load(std::memory_order_relaxed),
                  counters.xmlReads.load(std::memory_order_relaxed),
                  counters.paramReads.load(std::memory_order_relaxed)};
}

void ResetCounters() {
  CounterSet& counters = TheHost().counters;
  counters.parses.store(0, std::memory_order_relaxed);
  counters.xmlReads.store(0, std::memory_order_relaxed);
  counters.paramReads.store(0, std::memory_order_relaxed);
  counters.fileChecks.store(0, std::memory_order_relaxed);
}

unsigned long long GetFileChecks() {
  return TheHost().counters.fileChecks.load(std::memory_order_relaxed);
}

std::string MapPath(const std::string& libraryPath) {
  char scratch[PATH_MAX];
  std::string_view relative;
  if (!internal::RelativeConfPath(libraryPath.c_str(), scratch, sizeof scratch, &relative)) {
    return std::string();
  }
  std::string path = Root();
  if (path.back() != '/') path += '/';
  path += relative;
  return path;
}

namespace {

void ReportRefused(Host& host, const char* filePath) {
  if (!host.diagnostics.Wanted()) return;
  {
    std::lock_guard<std::mutex> lock(host.refusedMutex);
    if (host.refusedReported.size() >= 256 || !host.refusedReported.insert(filePath).second) {
      return;
    }
  }
  Diagnostic diagnostic;
  diagnostic.kind = STRELL_HOST_OUTSIDE_ROOT;
  diagnostic.file = filePath;
  diagnostic.message = diagnostic.file + ": refused: not a file under " +
                       std::string(internal::kLibraryPrefix) + " (or a path with \"..\")";
  host.diagnostics.Report(diagnostic);
}

}  // namespace

}  // namespace strell_host

extern "C" void StrellHost_SetDiagnosticHandler(StrellHostDiagnosticHandler handler, void* user) {
  if (handler == nullptr) {
    strell_host::SetDiagnosticHandler(nullptr);
    return;
  }
  strell_host::SetDiagnosticHandler([handler, user](const strell_host::Diagnostic& diagnostic) {
    const StrellHostDiagnostic view = {diagnostic.kind,
                                       diagnostic.file.c_str(),
                                       diagnostic.hostPath.c_str(),
                                       diagnostic.keyPath.c_str(),
                                       diagnostic.line,
                                       diagnostic.column,
                                       diagnostic.length,
                                       diagnostic.message.c_str()};
    handler(&view, user);
  });
}

extern "C" void StrellHost_SetRoot(const char* root) {
  strell_host::SetRoot(root != nullptr ? root : "");
}

extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  using namespace strell_host;
  try {
    Host& host = TheHost();
    host.counters.xmlReads.fetch_add(1, std::memory_order_relaxed);
    if (filePath == nullptr || keyPath == nullptr || value == nullptr) return kReadBadArgument;
    char scratch[PATH_MAX];
    std::string_view relative;
    if (!internal::RelativeConfPath(filePath, scratch, sizeof scratch, &relative)) {
      ReportRefused(host, filePath);
      return kReadRefused;
    }
    return host.cache.Read(relative, keyPath, value);
  } catch (...) {
    return kReadUnreadable;  // out of memory: a failed read, never an exception into C
  }
}

extern "C" int Configer_GetParamValueByXPath(const char* name, char* value, int size) {
  using namespace strell_host;
  try {
    Host& host = TheHost();
    host.counters.paramReads.fetch_add(1, std::memory_order_relaxed);
    if (value == nullptr || size <= 0) return kReadBadArgument;
    value[0] = '\0';
    if (name == nullptr) return kReadBadArgument;
    // "group_name": the group picks the file, the rest the element. A name
    // without both parts, or with a slash, cannot name one element.
    const char* underscore = std::strchr(name, '_');
    if (underscore == nullptr || underscore == name || underscore[1] == '\0' ||
        std::strchr(name, '/') != nullptr) {
      return kReadBadArgument;
    }
    const int groupLength = static_cast<int>(underscore - name);
    char file[256];
    char keyPath[512];
    const int fileLength = std::snprintf(file, sizeof file, "config_%.*s.xml", groupLength, name);
    const int keyLength =
        std::snprintf(keyPath, sizeof keyPath, "/root/%.*s/%s", groupLength, name, underscore + 1);
    if (fileLength < 0 || fileLength >= static_cast<int>(sizeof file) || keyLength < 0 ||
        keyLength >= static_cast<int>(sizeof keyPath)) {
      return kReadBadArgument;
    }
    char text[256];
    const int result = host.cache.Read(std::string_view(file, fileLength), keyPath, text);
    if (result != kReadOk) return result;
    // Never a cut: a shortened number would be another number. A text
    // longer than the caller's buffer is reported, as a value too long.
    const size_t length = std::strlen(text);
    if (length > static_cast<size_t>(size) - 1) {
      host.cache.ReportTooLong(std::string_view(file, fileLength), keyPath,
                               static_cast<size_t>(size) - 1);
      return kReadTooLong;
    }
    std::memcpy(value, text, length + 1);
    return kReadOk;
  } catch (...) {
    return kReadUnreadable;
  }
}
