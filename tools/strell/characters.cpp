#include "strell/characters.h"

#include <cstdio>

#include "base/text.h"

namespace strell_cli {

namespace {

struct Named {
  uint32_t code;
  const char* name;
};

// The invisible characters met in configuration files, mostly pasted from
// documents and web pages.
const Named kNames[] = {
    {0x00A0, "NO-BREAK SPACE"},        {0x00AD, "SOFT HYPHEN"},
    {0x2007, "FIGURE SPACE"},          {0x200B, "ZERO WIDTH SPACE"},
    {0x200C, "ZERO WIDTH NON-JOINER"}, {0x200D, "ZERO WIDTH JOINER"},
    {0x200E, "LEFT-TO-RIGHT MARK"},    {0x200F, "RIGHT-TO-LEFT MARK"},
    {0x202F, "NARROW NO-BREAK SPACE"}, {0x2060, "WORD JOINER"},
    {0x3000, "IDEOGRAPHIC SPACE"},     {0xFEFF, "ZERO WIDTH NO-BREAK SPACE (byte order mark)"},
};

}  // namespace

std::vector<Character> Decode(const std::string& text) {
  std::vector<Character> characters;
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  for (size_t i = 0; i < text.size();) {
    Character c;
    c.offset = i;
    const unsigned char first = byte(i);
    size_t length = first < 0x80         ? 1
                    : (first >> 5) == 6  ? 2
                    : (first >> 4) == 14 ? 3
                    : (first >> 3) == 30 ? 4
                                         : 0;
    uint32_t code = length == 1   ? first
                    : length == 2 ? first & 0x1F
                    : length == 3 ? first & 0x0F
                                  : first & 0x07;
    bool valid = length != 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      valid = (byte(i + k) >> 6) == 2;
      code = (code << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms and surrogates are not well-formed either.
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))) {
      valid = false;
    }
    c.valid = valid;
    c.code = valid ? code : first;
    c.length = valid ? length : 1;
    characters.push_back(c);
    i += c.length;
  }
  return characters;
}

bool IsInvisible(uint32_t code) {
  return code == 0x00A0 || code == 0x00AD || code == 0x034F || code == 0x061C || code == 0x180E ||
         (code >= 0x2000 && code <= 0x200F) || (code >= 0x2028 && code <= 0x202F) ||
         (code >= 0x205F && code <= 0x206F) || code == 0x3000 || code == 0x3164 || code == 0xFEFF ||
         code == 0xFFA0;
}

std::string Describe(uint32_t code) {
  char number[16];
  std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(code));
  for (const Named& named : kNames) {
    if (named.code == code) return std::string(number) + " " + named.name;
  }
  return number;
}

std::string VisiblePart(const std::string& text) {
  std::string visible;
  for (const Character& c : Decode(text)) {
    if (!(c.valid && IsInvisible(c.code))) visible.append(text, c.offset, c.length);
  }
  size_t first = 0;
  size_t end = visible.size();
  while (first < end && isBlank(visible[first])) ++first;
  while (end > first && isBlank(visible[end - 1])) --end;
  return visible.substr(first, end - first);
}

}  // namespace strell_cli
