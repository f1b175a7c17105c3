#include "strell/near_miss.h"

#include <algorithm>
#include <cctype>

#include "strell/characters.h"
#include "strell/cli_common.h"

namespace strell_cli {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A URL with what clients add around an access name taken off, and a note of
// each part taken.
struct Stripped {
  std::string text;
  std::vector<std::string> parts;
};

Stripped Strip(const std::string& url) {
  Stripped result{url, {}};
  std::string& text = result.text;
  const size_t scheme = text.find("://");
  if (scheme != std::string::npos && scheme > 0 && text.find('/') > scheme) {
    const size_t path = text.find('/', scheme + 3);
    result.parts.push_back("the scheme and host " + Quoted(text.substr(0, path)));
    text = path == std::string::npos ? std::string() : text.substr(path);
  }
  if (!text.empty() && text.front() == '/') {
    text.erase(0, text.find_first_not_of('/'));
    if (text.find_first_not_of('/') == std::string::npos) text.clear();
    result.parts.push_back("a leading slash");
  }
  for (bool changed = true; changed && !text.empty();) {
    changed = false;
    const size_t query = text.find('?');
    if (query != std::string::npos) {
      result.parts.push_back("the query " + Quoted(text.substr(query)));
      text.erase(query);
      changed = true;
    }
    const size_t track = Lower(text).rfind("/trackid=");
    if (track != std::string::npos &&
        text.find_first_not_of("0123456789", track + 9) == std::string::npos) {
      result.parts.push_back("the suffix " + Quoted(text.substr(track)));
      text.erase(track);
      changed = true;
    }
    if (!text.empty() && text.back() == '/') {
      text.pop_back();
      result.parts.push_back("a trailing slash");
      changed = true;
    }
  }
  return result;
}

// The differences that are not about what clients add: the characters
// nobody sees, then a typo. Empty when neither explains them.
Differences Slips(const std::string& asked, const std::string& stored, const char* what) {
  if (asked == stored || stored.empty()) return {};
  const std::string visible = VisiblePart(stored);
  if (visible == VisiblePart(asked)) {
    const bool storedHidden = visible != stored;
    const std::string& hidden = storedHidden ? stored : asked;
    std::string seen;
    for (const Character& c : Decode(hidden)) {
      if (c.valid && IsInvisible(c.code) && seen.empty()) seen = Describe(c.code);
    }
    return {{std::string(storedHidden ? "the stored " : "the requested ") + what + " " +
             Quoted(hidden) + " holds " +
             (seen.empty() ? "blanks at its ends" : "the invisible character " + seen) +
             ", which a client that types the visible name does not send"},
            0};
  }
  const size_t distance = EditDistance(asked, stored);
  if (distance <= 2 && distance * 3 <= std::max(asked.size(), stored.size())) {
    return {{std::to_string(distance) + (distance == 1 ? " character edit" : " character edits") +
             " away (a typo?)"},
            distance};
  }
  return {};
}

}  // namespace

size_t EditDistance(const std::string& a, const std::string& b) {
  // Optimal string alignment: three rows of the dynamic programme.
  std::vector<size_t> before(b.size() + 1);
  std::vector<size_t> previous(b.size() + 1);
  std::vector<size_t> current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        current[j] = std::min(current[j], before[j - 2] + 1);
      }
    }
    before.swap(previous);
    previous.swap(current);
  }
  return previous[b.size()];
}

Differences AccessNameDifferences(const std::string& url, const std::string& name) {
  Differences differences;
  if (name.empty() || url == name) return differences;
  const Stripped fromUrl = Strip(url);
  const Stripped fromName = Strip(name);
  if (fromUrl.text.empty() || Lower(fromUrl.text) != Lower(fromName.text)) {
    return Slips(url, name, "access name");
  }
  std::vector<std::string>& texts = differences.texts;
  for (const std::string& part : fromUrl.parts) {
    if (std::find(fromName.parts.begin(), fromName.parts.end(), part) == fromName.parts.end()) {
      texts.push_back("the URL has " + part);
    }
  }
  for (const std::string& part : fromName.parts) {
    if (std::find(fromUrl.parts.begin(), fromUrl.parts.end(), part) != fromUrl.parts.end()) {
      continue;
    }
    // A query, suffix or host of the access name's own is part of what it
    // names; only a slash of its own is a slip.
    if (part != "a leading slash" && part != "a trailing slash") return {};
    texts.push_back("the access name has " + part);
  }
  if (fromUrl.text != fromName.text) texts.push_back("letter case differs");
  return differences;
}

Differences TokenDifferences(const std::string& token, const std::string& stored,
                             const std::string& marker, bool exactMarker) {
  Differences differences;
  std::vector<std::string>& texts = differences.texts;
  if (!exactMarker) {
    texts.push_back("the marker " + Quoted(marker) +
                    " differs in letter case, and the library compares it exactly");
  }
  if (stored.empty()) return {};
  if (token == stored) return exactMarker ? Differences() : differences;
  if (token.size() > stored.size() && Lower(token.substr(0, stored.size())) == Lower(stored)) {
    if (token.compare(0, stored.size(), stored) != 0) texts.push_back("letter case differs");
    texts.push_back("the token is followed by " + Quoted(token.substr(stored.size())) +
                    ", and the library takes the whole rest of the URL as the token");
  } else if (Lower(token) == Lower(stored)) {
    texts.push_back("letter case differs");
  } else {
    const Differences slips = Slips(token, stored, "token");
    if (slips.texts.empty()) return {};
    texts.insert(texts.end(), slips.texts.begin(), slips.texts.end());
    differences.edits = slips.edits;
  }
  return differences;
}

const char* AfterMarkerIgnoringCase(const std::string& url, const std::string& marker) {
  const size_t at = Lower(url).find(Lower(marker));
  if (at == std::string::npos) return nullptr;
  return url.c_str() + at + marker.size();
}

}  // namespace strell_cli
