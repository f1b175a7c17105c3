// Near misses: the stored names a URL that resolves to nothing almost is,
// and how it differs from each.
#ifndef STRELL_TOOLS_STRELL_NEAR_MISS_H_
#define STRELL_TOOLS_STRELL_NEAR_MISS_H_

#include <cstddef>
#include <string>
#include <vector>

namespace strell_cli {

// The edits (insert, delete, replace a byte, or swap two neighbours) that
// turn `a` into `b`.
size_t EditDistance(const std::string& a, const std::string& b);

// How a requested name differs from a stored one. `edits` is nonzero when
// only a typo explains it: the number of character edits between them.
struct Differences {
  std::vector<std::string> texts;  // empty: no near miss
  size_t edits = 0;
};

// How a URL differs from an access name when it differs only by what clients
// add (scheme and host, slashes, a query, a /trackID=N suffix), by letter
// case, by blanks or invisible characters, or by a typo.
Differences AccessNameDifferences(const std::string& url, const std::string& name);

// How the token after a marker differs from a stored profile token: more
// text after it, letter case, blanks or invisible characters, a typo.
// `exactMarker` false when the marker itself was found only by ignoring
// letter case (`marker` names it).
Differences TokenDifferences(const std::string& token, const std::string& stored,
                             const std::string& marker, bool exactMarker);

// The text after `marker` in `url` found regardless of letter case, or null.
const char* AfterMarkerIgnoringCase(const std::string& url, const std::string& marker);

}  // namespace strell_cli

#endif  // STRELL_TOOLS_STRELL_NEAR_MISS_H_
