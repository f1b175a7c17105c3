#include "bench/example_host.h"

#include <cstdlib>
#include <filesystem>
#include <pugixml.hpp>

#include "testing/memory_host.h"

namespace strell_bench {
namespace {

// An element's key path is the slash-joined names from the document element
// down, as the host kit walks them.
void LoadElement(const std::string& file, const pugi::xml_node& element, const std::string& path) {
  const std::string key = path + "/" + element.name();
  memory_host::Set(file, key, element.child_value());
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() == pugi::node_element) LoadElement(file, child, key);
  }
}

}  // namespace

std::string LoadExampleIntoMemoryHost() {
  namespace fs = std::filesystem;
  const char* chosen = std::getenv("STRELL_BENCH_CONF");
  const std::string root = chosen != nullptr && *chosen != '\0' ? chosen : STRELL_EXAMPLE_CONF_DIR;
  memory_host::Clear();
  memory_host::SetParam("capability_nvideoin", "2");
  memory_host::SetParam("capability_nmediastream", "3");
  memory_host::SetParam("capability_naudioin", "1");
  std::error_code error;
  int files = 0;
  for (const fs::directory_entry& item : fs::recursive_directory_iterator(root, error)) {
    if (!item.is_regular_file() || item.path().extension() != ".xml") continue;
    pugi::xml_document document;
    if (!document.load_file(item.path().c_str()) || !document.document_element()) continue;
    LoadElement("/etc/conf.d/" + fs::relative(item.path(), root, error).generic_string(),
                document.document_element(), "");
    ++files;
  }
  memory_host::SetQuiet(true);
  return files > 0 ? root : std::string();
}

}  // namespace strell_bench
