// The only two ways the library writes into host-owned records. Every
// handler goes through them, so the bounds live in one place.
#ifndef STRELL_HANDLER_RECORD_WRITER_H_
#define STRELL_HANDLER_RECORD_WRITER_H_

#include <cstring>
#include <string>

#include "strell.h"

// Writes the first `length` characters of `text` into a public text field,
// at most STRELL_TEXT_SIZE - 1 of them, and always a NUL. Same result as
// snprintf(field, 256, "%s", text) without the cost of the format machinery.
inline void writeText(char (&field)[STRELL_TEXT_SIZE], const char* text, size_t length) {
  if (length > STRELL_TEXT_SIZE - 1) length = STRELL_TEXT_SIZE - 1;
#if defined(__GNUC__)
  // Knowing that the length is below 256, g++ for x86-64 turns the copy into
  // `rep movsq`, whose start-up costs many times the copy of a short name: a
  // stream-server hit, four such copies, took 2.7 times as long. The empty
  // statement hides the bound, so the copy stays the C library's memcpy.
  __asm__("" : "+r"(length));
#endif
  if (length > 0) std::memcpy(field, text, length);
  field[length] = '\0';
}

// A NUL-terminated text; null writes the empty text.
inline void writeText(char (&field)[STRELL_TEXT_SIZE], const char* text) {
  writeText(field, text, text != nullptr ? strnlen(text, STRELL_TEXT_SIZE - 1) : 0);
}

// A stored text, whose length is known. Stored texts come from C strings
// and hold no NUL.
inline void writeText(char (&field)[STRELL_TEXT_SIZE], const std::string& text) {
  writeText(field, text.data(), text.size());
}

// Appends `key` as profileKeys[profileCount], then counts it. A list that is
// full, or whose count is negative, takes nothing: the host's array is never
// written outside its bounds. Returns whether the key was stored.
inline bool appendProfileKey(TProfileList* list, int key) {
  const int count = list->profileCount;
  if (count < 0 || count >= STRELL_MAX_PROFILE_KEYS) return false;
  list->profileKeys[count] = key;
  list->profileCount = count + 1;
  return true;
}

#endif  // STRELL_HANDLER_RECORD_WRITER_H_
