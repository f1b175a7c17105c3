// A hash table from text to a value, looked up by std::string_view without
// building a std::string: the host kit finds a file's cache entry by its
// relative path and an element's text by its key path on every read, so a
// lookup hashes the text a word at a time and compares it once.
#ifndef STRELL_HOST_STRING_TABLE_H_
#define STRELL_HOST_STRING_TABLE_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strell_host {
namespace internal {

// A 64-bit hash of `length` bytes, eight at a time.
inline uint64_t HashText(const char* data, size_t length) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  uint64_t hash = length * kMultiplier;
  uint64_t word = 0;
  if (length >= 8) {
    const char* const last = data + length - 8;
    for (; data < last; data += 8) {
      std::memcpy(&word, data, 8);
      hash = (hash ^ word) * kMultiplier;
      hash ^= hash >> 29;
    }
    // The last eight bytes, overlapping the words before when the length is
    // not a multiple of eight.
    std::memcpy(&word, last, 8);
  } else {
    for (size_t i = 0; i < length; ++i) word = (word << 8) | static_cast<unsigned char>(data[i]);
  }
  hash = (hash ^ word) * kMultiplier;
  hash ^= hash >> 32;
  hash *= kMultiplier;
  return hash ^ (hash >> 29);
}

// Insert-only (Clear empties it all); keys are copied into one arena. Not
// synchronised: the owner guards it.
template <typename T>
class StringTable {
 public:
  // The value stored under `key`, or null.
  T* Find(std::string_view key) {
    if (slots_.empty()) return nullptr;
    const uint64_t hash = HashText(key.data(), key.size());
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (!slot.used) return nullptr;
      if (slot.hash == hash && slot.length == key.size() &&
          std::memcmp(arena_.data() + slot.offset, key.data(), key.size()) == 0) {
        return &slot.value;
      }
    }
  }
  const T* Find(std::string_view key) const { return const_cast<StringTable*>(this)->Find(key); }

  // Stores `value` under `key` unless the key is present. Returns the value
  // stored under `key` and whether it was inserted now.
  std::pair<T*, bool> Insert(std::string_view key, T value) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    const uint64_t hash = HashText(key.data(), key.size());
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (!slot.used) {
        slot.used = true;
        slot.hash = hash;
        slot.offset = arena_.size();
        slot.length = key.size();
        slot.value = std::move(value);
        arena_.append(key.data(), key.size());
        ++size_;
        return {&slot.value, true};
      }
      if (slot.hash == hash && slot.length == key.size() &&
          std::memcmp(arena_.data() + slot.offset, key.data(), key.size()) == 0) {
        return {&slot.value, false};
      }
    }
  }

  void Clear() {
    slots_.clear();
    arena_.clear();
    size_ = 0;
  }

  size_t Size() const { return size_; }

 private:
  struct Slot {
    uint64_t hash = 0;
    size_t offset = 0;
    size_t length = 0;
    bool used = false;
    T value{};
  };

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_ = std::vector<Slot>(old.empty() ? 16 : old.size() * 2);
    const size_t mask = slots_.size() - 1;
    for (Slot& slot : old) {
      if (!slot.used) continue;
      size_t i = slot.hash & mask;
      while (slots_[i].used) i = (i + 1) & mask;
      slots_[i] = std::move(slot);
    }
  }

  std::vector<Slot> slots_;  // a power of two, at most half full
  std::string arena_;
  size_t size_ = 0;
};

}  // namespace internal
}  // namespace strell_host

#endif  // STRELL_HOST_STRING_TABLE_H_
