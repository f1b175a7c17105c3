#include "host/conf_path.h"

#include <cstring>

namespace strell_host {
namespace internal {
namespace {

// Element names are compared as they stand in the file: case-sensitive,
// prefixes included. Written out rather than strncmp: names are short and
// most siblings differ in their first character.
bool NameIs(const char* name, std::string_view wanted) {
  for (const char c : wanted) {
    if (*name++ != c) return false;
  }
  return *name == '\0';
}

// Only elements carry names in a document parsed with pugixml's defaults
// (no processing instructions or declarations), so a child of that name is
// an element. pugixml's own child() walks the siblings without a call per
// node, but wants a terminated name: short names are copied to the stack.
pugi::xml_node FirstChildNamed(pugi::xml_node parent, std::string_view name) {
  char terminated[128];
  if (name.size() < sizeof terminated) {
    std::memcpy(terminated, name.data(), name.size());
    terminated[name.size()] = '\0';
    return parent.child(terminated);
  }
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element && NameIs(child.name(), name)) return child;
  }
  return pugi::xml_node();
}

}  // namespace

bool RelativeConfPath(const char* filePath, char* scratch, size_t scratchSize,
                      std::string_view* relative) {
  if (filePath == nullptr) return false;
  const std::string_view path(filePath);
  if (path.compare(0, kLibraryPrefix.size(), kLibraryPrefix) != 0) return false;
  const std::string_view rest = path.substr(kLibraryPrefix.size());

  // One pass decides whether the rest is already clean; only a path with
  // empty or "." components is copied.
  bool clean = !rest.empty();
  for (size_t start = 0; start <= rest.size();) {
    size_t end = rest.find('/', start);
    if (end == std::string_view::npos) end = rest.size();
    const std::string_view part = rest.substr(start, end - start);
    if (part == "..") return false;
    if (part.empty() || part == ".") clean = false;
    start = end + 1;
  }
  if (clean) {
    *relative = rest;
    return true;
  }

  size_t length = 0;
  for (size_t start = 0; start <= rest.size();) {
    size_t end = rest.find('/', start);
    if (end == std::string_view::npos) end = rest.size();
    const std::string_view part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    const size_t needed = length + (length > 0 ? 1 : 0) + part.size();
    if (needed >= scratchSize) return false;
    if (length > 0) scratch[length++] = '/';
    std::memcpy(scratch + length, part.data(), part.size());
    length += part.size();
  }
  if (length == 0) return false;
  scratch[length] = '\0';
  *relative = std::string_view(scratch, length);
  return true;
}

KeyWalk FindElement(const pugi::xml_document& document, const char* keyPath,
                    pugi::xml_node* element) {
  if (keyPath == nullptr || keyPath[0] != '/') return KeyWalk::kBadPath;
  pugi::xml_node node;
  for (const char* start = keyPath + 1;;) {
    const char* end = start;
    while (*end != '/' && *end != '\0') ++end;
    if (end == start) return KeyWalk::kBadPath;  // "//", a trailing "/" or "/" alone
    const std::string_view name(start, static_cast<size_t>(end - start));
    if (!node) {
      node = document.document_element();
      if (!node || !NameIs(node.name(), name)) return KeyWalk::kMissing;
    } else {
      node = FirstChildNamed(node, name);
      if (!node) return KeyWalk::kMissing;
    }
    if (*end == '\0') break;
    start = end + 1;
  }
  *element = node;
  return KeyWalk::kFound;
}

}  // namespace internal
}  // namespace strell_host
