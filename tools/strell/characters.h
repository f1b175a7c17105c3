// The characters of a token or access name as a client would have to type
// them: UTF-8 decoding, and the characters nobody sees.
#ifndef STRELL_TOOLS_STRELL_CHARACTERS_H_
#define STRELL_TOOLS_STRELL_CHARACTERS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace strell_cli {

// One character of a text: its code point, or for a byte that is not part of
// well-formed UTF-8, that byte with `valid` false.
struct Character {
  uint32_t code = 0;
  size_t offset = 0;  // of its first byte
  size_t length = 1;  // in bytes
  bool valid = true;
};
std::vector<Character> Decode(const std::string& text);

// A character that takes no visible room (zero-width characters, the
// no-break and other Unicode spaces, the byte order mark, soft hyphen): a
// client that types the name it sees never sends it.
bool IsInvisible(uint32_t code);

// "U+00A0 NO-BREAK SPACE", or "U+XXXX" for a character without a name here.
std::string Describe(uint32_t code);

// `text` without invisible characters and without blanks at either end.
std::string VisiblePart(const std::string& text);

}  // namespace strell_cli

#endif  // STRELL_TOOLS_STRELL_CHARACTERS_H_
