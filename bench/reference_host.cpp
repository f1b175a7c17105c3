#include "bench/reference_host.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>

#include "strell_host.h"

namespace reference_host {
namespace {

using XmlReader = int (*)(const char*, const char*, char*);
using ParamReader = int (*)(const char*, char*, int);

// The kit's functions: the next definitions after this program's own.
template <typename Function>
Function next(const char* name) {
  void* found = dlsym(RTLD_NEXT, name);
  if (found == nullptr) {
    std::fprintf(stderr, "reference host: %s not found\n", name);
    std::abort();
  }
  return reinterpret_cast<Function>(found);
}

XmlReader kitXmlReader() {
  static const XmlReader reader = next<XmlReader>("XMLSParser_ReadContentEx");
  return reader;
}

ParamReader kitParamReader() {
  static const ParamReader reader = next<ParamReader>("Configer_GetParamValueByXPath");
  return reader;
}

// The naive host: no cache at all.
int naiveRead(const char* filePath, const char* keyPath, char* value) {
  const std::string path = strell_host::MapPath(filePath);
  if (path.empty()) return 2;
  pugi::xml_document document;
  if (!document.load_file(path.c_str())) return 5;
  if (keyPath[0] != '/') return 1;
  pugi::xml_node node = document;
  const char* name = keyPath + 1;
  while (*name != '\0') {
    const char* end = std::strchr(name, '/');
    const std::string part = end != nullptr ? std::string(name, end) : std::string(name);
    node = node.child(part.c_str());
    if (!node) return 6;
    name = end != nullptr ? end + 1 : name + part.size();
  }
  const char* text = node.text().get();
  const size_t length = std::strlen(text);
  if (length > 255) return 7;
  std::memcpy(value, text, length + 1);
  return 0;
}

XmlReader g_reader = nullptr;  // set by UseReader; the kit when null
bool g_recording = false;
std::vector<Read> g_reads;
std::string g_temporary;  // removed at exit
std::string g_root;
bool g_marked = false;  // the files carry the change comment

}  // namespace

std::string PrepareRoot() {
  namespace fs = std::filesystem;
  char pattern[] = "/tmp/strell-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  g_temporary = pattern;
  g_root = g_temporary + "/conf.d";
  fs::copy(STRELL_EXAMPLE_CONF_DIR, g_root, fs::copy_options::recursive);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(g_temporary, ignored);
  });
  strell_host::SetRoot(g_root);
  return g_root;
}

std::vector<std::string> ConfigurationFiles() {
  std::vector<std::string> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(g_root)) {
    if (item.is_regular_file() && item.path().extension() == ".xml") {
      files.push_back(item.path().string());
    }
  }
  return files;
}

void ChangeEveryFile() {
  static const std::string kMark = "<!-- changed -->\n";
  g_marked = !g_marked;
  for (const std::string& file : ConfigurationFiles()) {
    std::stringstream content;
    content << std::ifstream(file).rdbuf();
    std::string text = content.str();
    if (g_marked) {
      text += kMark;
    } else if (text.size() >= kMark.size() &&
               text.compare(text.size() - kMark.size(), kMark.size(), kMark) == 0) {
      text.resize(text.size() - kMark.size());
    }
    // Rewritten in place, as most configuration tools on a camera do.
    std::ofstream(file, std::ios::trunc) << text;
  }
}

void UseReader(Reader reader) { g_reader = reader == Reader::kNaive ? naiveRead : nullptr; }

void StartRecording() {
  g_reads.clear();
  g_recording = true;
}

std::vector<Read> StopRecording() {
  g_recording = false;
  return std::move(g_reads);
}

}  // namespace reference_host

extern "C" {

// The host's work, kept out of line under a name of its own so that
// scripts/callgrind.sh can tell it from the library's (the kit's function
// has the same name as the one this program defines).
__attribute__((noinline)) int strell_bench_host_xml_read(const char* filePath, const char* keyPath,
                                                         char* value) {
  using namespace reference_host;
  return (g_reader != nullptr ? g_reader : kitXmlReader())(filePath, keyPath, value);
}

__attribute__((noinline)) int strell_bench_host_param_read(const char* name, char* value,
                                                           int size) {
  return reference_host::kitParamReader()(name, value, size);
}

int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  using namespace reference_host;
  if (g_recording) {
    g_reads.push_back({filePath, keyPath, strell_host::MapPath(filePath)});
  }
  return strell_bench_host_xml_read(filePath, keyPath, value);
}

int Configer_GetParamValueByXPath(const char* name, char* value, int size) {
  return strell_bench_host_param_read(name, value, size);
}

}  // extern "C"
