#pragma once

// A hash index from texts to integers: open addressing with linear probing over stored hash
// tags, looked up with a string_view so that no temporary string is built per look-up. The keys
// are copied back to back into one buffer, so an index of n keys makes a handful of
// allocations, not n. Keys are unique; the first value given for a key stays. Values are
// non-negative. Not synchronised.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "external/common/VnExport.h"

namespace VnCommon_1_2 {

class VNCOMMON_API TextIndex {
 public:
  static constexpr int kAbsent = -1;

  // The value of `text`, or kAbsent.
  int Find(std::string_view text) const {
    if (count_ == 0) return kAbsent;
    const std::uint64_t hash = Hash(text);
    const std::uint32_t tag = Tag(hash);
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      const Slot& s = slots_[slot];
      if (s.entry < 0) return kAbsent;
      if (s.tag == tag && Matches(entries_[static_cast<std::size_t>(s.entry)], text)) {
        return entries_[static_cast<std::size_t>(s.entry)].value;
      }
    }
  }
  // Adds `text` with `value` unless present; returns the value the key now has, or kAbsent
  // when the keys would pass kMaxKeyBytes.
  static constexpr std::size_t kMaxKeyBytes = 0xFFFFFFFFu;
  int Insert(std::string_view text, int value);
  // Makes room for `keys` more keys of `bytes` bytes in all, so that inserting them does not
  // regrow the index.
  void Reserve(std::size_t keys, std::size_t bytes = 0);
  std::size_t Size() const { return count_; }
  void Clear();

 private:
  struct Slot {
    std::uint32_t tag = 0;  // high bits of the key's hash
    std::int32_t entry = -1;
  };
  struct Entry {
    std::uint32_t offset;  // of the key in keys_
    std::uint32_t length;
    int value;
  };

  // A word-at-a-time multiplicative hash; its low bits choose the slot, its high bits the tag.
  static std::uint64_t Hash(std::string_view text) {
    const char* p = text.data();
    std::size_t n = text.size();
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ (n * 0xFF51AFD7ED558CCDull);
    while (n >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
      h ^= h >> 29;
      p += 8;
      n -= 8;
    }
    if (n != 0) {
      // The last bytes: the text's final eight (overlapping the loop's) when it has eight.
      std::uint64_t word = 0;
      if (text.size() >= 8) {
        std::memcpy(&word, text.data() + text.size() - 8, 8);
      } else {
        for (std::size_t i = 0; i < n; ++i) {
          word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        }
      }
      h = (h ^ word) * 0x94D049BB133111EBull;
    }
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return h;
  }
  static std::uint32_t Tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }
  bool Matches(const Entry& e, std::string_view text) const {
    return e.length == text.size() &&
           (e.length == 0 || std::memcmp(keys_.data() + e.offset, text.data(), e.length) == 0);
  }
  void Rehash(std::size_t capacity);

  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  std::string keys_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

}  // namespace VnCommon_1_2
