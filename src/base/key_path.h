// File names and key paths, built into 256-byte buffers.
//
// Every value the library reads needs a key path, and the Media2 request path
// also needs per-channel file names, so these are built thousands of times per
// reload and nine times per request. KeyPathBuilder appends text and decimal
// numbers with a bounded copy: the result is exactly the text that
// snprintf(buffer, 256, ...) gives for the same "%s" and "%d" conversions
// (at most 255 characters, always NUL-terminated, a longer path cut at the
// end), for a tenth of snprintf's instructions.
#ifndef STRELL_BASE_KEY_PATH_H_
#define STRELL_BASE_KEY_PATH_H_

#include <cstddef>
#include <cstring>

// Size of every buffer a file name or key path is formatted into.
constexpr int kKeyPathSize = 256;

class KeyPathBuilder {
 public:
  // Starts the empty text in `buffer`.
  explicit KeyPathBuilder(char (&buffer)[kKeyPathSize]) : buffer_(buffer) { buffer_[0] = '\0'; }
  KeyPathBuilder(const KeyPathBuilder&) = delete;
  KeyPathBuilder& operator=(const KeyPathBuilder&) = delete;

  // Appends `text` as "%s" would; null appends nothing.
  KeyPathBuilder& text(const char* text) {
    if (text != nullptr) append(text, strnlen(text, room()));
    return *this;
  }

  // Appends a string literal; its length is known when compiling, so the copy
  // needs no length scan. Only for literals: a char array field would be
  // taken whole.
  template <size_t N>
  KeyPathBuilder& literal(const char (&text)[N]) {
    if (N - 1 <= room()) {
      // A copy of constant size: a few moves instead of a call.
      std::memcpy(buffer_ + length_, text, N - 1);
      length_ += N - 1;
      buffer_[length_] = '\0';
    } else {
      append(text, N - 1);
    }
    return *this;
  }

  // Appends the first `count` characters of `text`, which holds no NUL among
  // them.
  KeyPathBuilder& text(const char* text, size_t count) {
    append(text, count);
    return *this;
  }

  // Appends `value` as "%d" would.
  KeyPathBuilder& number(int value) {
    char digits[12];  // "-2147483648" and room to spare
    char* const end = digits + sizeof digits;
    char* first = end;
    // Unsigned negation is defined for INT_MIN as well.
    unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
      *--first = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--first = '-';
    // One to eleven characters: a loop is cheaper than a call to memcpy.
    for (size_t left = room(); first != end && left != 0; --left) buffer_[length_++] = *first++;
    buffer_[length_] = '\0';
    return *this;
  }

  // Cuts the text back to its first `length` characters, so several paths
  // that share a prefix are built with the prefix written once.
  void truncate(size_t length) {
    if (length < length_) {
      length_ = length;
      buffer_[length_] = '\0';
    }
  }

  size_t length() const { return length_; }
  const char* c_str() const { return buffer_; }

 private:
  size_t room() const { return kKeyPathSize - 1 - length_; }

  void append(const char* text, size_t count) {
    if (count > room()) count = room();
    std::memcpy(buffer_ + length_, text, count);
    length_ += count;
    buffer_[length_] = '\0';
  }

  char* buffer_;
  size_t length_ = 0;
};

// Builds `pattern` with its first "%d" replaced by `index`, as
// snprintf(key, 256, pattern, index) does for a pattern whose only
// conversion is one "%d"; a pattern without "%d" is copied as it stands.
inline void buildIndexedKeyPath(char (&key)[kKeyPathSize], const char* pattern, int index) {
  KeyPathBuilder path(key);
  const char* conversion = std::strstr(pattern, "%d");
  if (conversion == nullptr) {
    path.text(pattern);
    return;
  }
  path.text(pattern, static_cast<size_t>(conversion - pattern)).number(index).text(conversion + 2);
}

#endif  // STRELL_BASE_KEY_PATH_H_
