#pragma once

// A hash index from texts to integers: open addressing with linear probing over stored hash
// tags, looked up with a string_view so that no temporary string is built per look-up. The keys
// are kept in the order added in one text list, so an index of n keys makes a handful of
// allocations, not n, and reads back as that list. Keys are unique; the first value given for a
// key stays. Values are non-negative. Not synchronised.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "external/common/TextList.h"
#include "external/hosthelper/SameText.h"
#include "external/common/VnExport.h"

namespace VnCommon_1_2 {

class VNCOMMON_API TextIndex {
 public:
  static constexpr int kAbsent = -1;

  // The value of `text`, or kAbsent.
  int Find(std::string_view text) const {
    if (values_.empty()) return kAbsent;
    const std::uint64_t hash = Hash(text);
    const std::uint32_t tag = Tag(hash);
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      const Slot& s = slots_[slot];
      if (s.entry < 0) return kAbsent;
      const auto entry = static_cast<std::size_t>(s.entry);
      if (s.tag == tag && KxCppHelperV1::SameText(keys_[entry], text)) return values_[entry];
    }
  }
  // Adds `text` with `value` unless present; returns the value the key now has.
  int Insert(std::string_view text, int value);
  // Makes room for `keys` more keys of `bytes` bytes in all, so that inserting them does not
  // regrow the index.
  void Reserve(std::size_t keys, std::size_t bytes = 0);
  std::size_t Size() const { return values_.size(); }
  // The keys in the order added.
  const TextList& Keys() const { return keys_; }
  void Clear();

 private:
  struct Slot {
    std::uint32_t tag = 0;  // high bits of the key's hash
    std::int32_t entry = -1;
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
      } else if (n >= 4) {
        // Two overlapping halves of the short text.
        std::uint32_t low;
        std::uint32_t high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + n - 4, 4);
        word = low | (static_cast<std::uint64_t>(high) << 32);
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
  // Slots for `keys` keys at most three quarters full.
  static std::size_t CapacityFor(std::size_t keys) {
    std::size_t capacity = 16;
    while (keys * 4 > capacity * 3) capacity *= 2;
    return capacity;
  }
  void Rehash(std::size_t capacity);

  std::vector<Slot> slots_;
  TextList keys_;
  std::vector<int> values_;  // by key
  std::size_t mask_ = 0;
};

}  // namespace VnCommon_1_2
