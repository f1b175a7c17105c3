// Pure text work of the host kit: mapping the library's file paths into the
// configuration root, and finding the element a key path names.
#ifndef STRELL_HOST_CONF_PATH_H_
#define STRELL_HOST_CONF_PATH_H_

#include <cstddef>
#include <pugixml.hpp>
#include <string_view>

namespace strell_host {
namespace internal {

// The directory the library names every configuration file in.
constexpr std::string_view kLibraryPrefix = "/etc/conf.d/";

// Maps `filePath` to its path relative to the configuration root, with empty
// and "." components dropped ("a//./b" gives "a/b"). The common, already clean
// path is returned as a view into `filePath` without copying; otherwise the
// clean path is written into `scratch`. Returns false (refused) when the path
// does not start with kLibraryPrefix, has a ".." component, names nothing
// after the prefix, or does not fit `scratch`.
bool RelativeConfPath(const char* filePath, char* scratch, size_t scratchSize,
                      std::string_view* relative);

// Outcome of walking a key path.
enum class KeyWalk { kFound, kBadPath, kMissing };

// Finds the element "/root/child/..." in `document`: the first name must be
// the root element's, each further name picks the first child element of that
// name. A key path without the leading slash, or with an empty name, is
// kBadPath (when the walk gets that far). Allocates nothing.
KeyWalk FindElement(const pugi::xml_document& document, const char* keyPath,
                    pugi::xml_node* element);

}  // namespace internal
}  // namespace strell_host

#endif  // STRELL_HOST_CONF_PATH_H_
