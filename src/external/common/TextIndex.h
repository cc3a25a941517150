#pragma once

// A hash index from texts to integers: open addressing with linear probing over stored
// hashes, looked up with a string_view so that no temporary string is built per look-up.
// Keys are unique; the first value given for a key stays. Values are non-negative.
// Not synchronised.

#include <cstddef>
#include <cstdint>
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
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      const Slot& s = slots_[slot];
      if (s.entry < 0) return kAbsent;
      if (s.hash == hash) {
        const Entry& e = entries_[static_cast<std::size_t>(s.entry)];
        if (e.key == text) return e.value;
      }
    }
  }
  // Adds `text` with `value` unless present; returns the value the key now has.
  int Insert(std::string_view text, int value);
  std::size_t Size() const { return count_; }
  void Clear();

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::int32_t entry = -1;
  };
  struct Entry {
    std::string key;
    int value;
  };
  static std::uint64_t Hash(std::string_view text);
  void Grow();

  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

}  // namespace VnCommon_1_2
