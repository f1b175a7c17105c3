// Text mechanics every part of the library shares: blanks, the decimal scan
// behind every number the library reads, text equality, and the marker search
// by which the ONVIF handlers recognise their URLs. Header-only, so the
// request path inlines them; the tools include them too, so they read numbers
// and compare names exactly as the library does.
#ifndef STRELL_BASE_TEXT_H_
#define STRELL_BASE_TEXT_H_

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// The blanks of isspace() in the "C" locale: space, \t, \n, \v, \f and \r.
inline bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One "%d" of scanf: blanks, an optional sign, then at least one digit. Every
// digit is consumed; a value beyond the range of int saturates at INT_MIN or
// INT_MAX. Returns the character after the number and stores the value, or
// returns null and leaves `value` untouched when no digit follows the blanks
// and the sign.
inline const char* scanDecimal(const char* text, int& value) {
  const char* p = text;
  while (isBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (*p < '0' || *p > '9') return nullptr;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (magnitude < limit) magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > limit) magnitude = limit;
  }
  value = static_cast<int>(negative ? -magnitude : magnitude);
  return p;
}

// atoi conventions, defined for every input: the number scanDecimal reads at
// the start of `text`, 0 when there is none (null included).
int parseDecimal(const char* text);

// True when the `length` bytes at `a` and at `b` are the same. Compared a word
// at a time without a call, the last word first: the tokens and access names
// of one camera share their beginning ("Profile_1", "Profile_2", "live1.sdp")
// and differ near the end. Reads no byte outside the two ranges.
inline bool sameBytes(const char* a, const char* b, size_t length) {
  if (length >= 8) {
    uint64_t x;
    uint64_t y;
    std::memcpy(&x, a + length - 8, 8);
    std::memcpy(&y, b + length - 8, 8);
    if (x != y) return false;
    for (size_t i = 0; i + 8 < length; i += 8) {
      std::memcpy(&x, a + i, 8);
      std::memcpy(&y, b + i, 8);
      if (x != y) return false;
    }
    return true;
  }
  if (length >= 4) {
    uint32_t x;
    uint32_t y;
    std::memcpy(&x, a + length - 4, 4);
    std::memcpy(&y, b + length - 4, 4);
    if (x != y) return false;
    std::memcpy(&x, a, 4);
    std::memcpy(&y, b, 4);
    return x == y;
  }
  for (size_t i = 0; i < length; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// Text equality as the library means it everywhere: the same length and the
// same bytes, letter case included; two empty texts are equal.
inline bool sameText(const char* a, size_t aLength, const char* b, size_t bLength) {
  return aLength == bLength && sameBytes(a, b, aLength);
}
inline bool sameText(const std::string& stored, const char* text, size_t length) {
  return sameText(stored.data(), stored.size(), text, length);
}

// The text after the first occurrence of `marker` in `url`: the whole rest of
// the URL, cut at no character. Null when the marker does not occur, or when
// nothing follows it (a URL that ends with the marker names no profile). An
// empty marker occurs at the start. Reads nothing past either terminator.
inline const char* textAfterMarker(const char* url, const char* marker) {
  if (url == nullptr || marker == nullptr) return nullptr;
  const char first = marker[0];
  if (first == '\0') return *url != '\0' ? url : nullptr;
  const char* at = std::strchr(url, first);
  if (at == nullptr) return nullptr;  // most URLs of another handler end here
  const size_t markerLength = std::strlen(marker);
  const char* const end = at + std::strlen(at);
  // An occurrence that ends the URL has nothing after it, and none can start
  // later: only a candidate with more than the marker's length left counts.
  for (; at != nullptr && static_cast<size_t>(end - at) > markerLength;
       at = std::strchr(at + 1, first)) {
    if (sameBytes(at, marker, markerLength)) return at + markerLength;
  }
  return nullptr;
}

#endif  // STRELL_BASE_TEXT_H_
