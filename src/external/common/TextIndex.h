#pragma once

// A hash index from texts to integers: open addressing with linear probing over stored hash
// tags, looked up with a string_view so that no temporary string is built per look-up. The keys
// are kept in the order added in one text list, so an index of n keys makes a handful of
// allocations, not n, and reads back as that list. An index built from texts may take its first
// key list and slots from an arena. Keys are unique; the first value given for a key stays.
// Values are non-negative. Not copyable; not synchronised.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/ShortText.h"
#include "external/common/Arena.h"
#include "external/common/TextList.h"
#include "external/common/VnExport.h"

namespace VnCommon_1_2 {

class VNCOMMON_API TextIndex {
 public:
  static constexpr int kAbsent = -1;

  TextIndex() = default;
  // An index of `texts` whose values are their positions (a repeated text keeps its first);
  // its first blocks come from `arena` when one is given.
  explicit TextIndex(const std::vector<std::string>& texts, Arena* arena = nullptr);
  TextIndex(TextIndex&&) noexcept = default;
  TextIndex& operator=(TextIndex&&) noexcept = default;

  // The value of `text`, or kAbsent.
  int Find(std::string_view text) const {
    if (keys_.Empty()) return kAbsent;
    std::uint32_t tag = 0;
    const Slot& s = slots_[SlotOf(text, tag)];
    return s.entry < 0 ? kAbsent : s.value;
  }
  // Adds `text` with `value` unless present; returns the value the key now has.
  int Insert(std::string_view text, int value);
  // Makes room for `keys` more keys of `bytes` bytes in all, so that inserting them does not
  // regrow the index.
  void Reserve(std::size_t keys, std::size_t bytes = 0);
  std::size_t Size() const { return keys_.Size(); }
  // The keys in the order added.
  const TextList& Keys() const { return keys_; }
  void Clear();

 private:
  // A key's value sits with its tag, so that a look-up reads one slot and the key's text.
  struct Slot {
    std::uint32_t tag = 0;    // high bits of the key's hash
    std::int32_t entry = -1;  // the key's position in keys_, -1 for a free slot
    std::int32_t value = 0;
  };

  // A word-at-a-time multiplicative hash; its low bits choose the slot, its high bits the tag.

  static std::uint32_t Tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }
  // Slots for `keys` keys at most three quarters full.
  static std::size_t CapacityFor(std::size_t keys) {
    std::size_t capacity = 16;
    while (keys * 4 > capacity * 3) capacity *= 2;
    return capacity;
  }
  // The slot that holds `text`, or the free slot where it would go; `tag` gets its tag. The
  // slots must not be empty.
  std::size_t SlotOf(std::string_view text, std::uint32_t& tag) const {
    assert(slots_.get() != nullptr && "a look-up in an index without slots");
    const std::uint64_t hash = KxCppHelperV1::HashText(text);
    tag = Tag(hash);
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      const Slot& s = slots_[slot];
      if (s.entry < 0) return slot;
      if (s.tag == tag && KxCppHelperV1::SameText(keys_[static_cast<std::size_t>(s.entry)], text)) {
        return slot;
      }
    }
  }
  // Keys that the slots take before they grow: three quarters of them.
  std::size_t Limit() const { return SlotCount() / 4 * 3; }
  // The slots held: a power of two, one more than the mask, or none.
  std::size_t SlotCount() const { return slots_.get() == nullptr ? 0 : mask_ + 1; }
  // Moves the keys to `capacity` slots (from `arena` when given).
  void Rehash(std::size_t capacity, Arena* arena = nullptr);
  // Slots for keys_ as they stand, each key's value its position; false, with the slots left
  // part-filled, when a key repeats.
  bool IndexDistinctKeys(Arena* arena);

  ArenaBlock<Slot> slots_;
  TextList keys_;
  std::size_t mask_ = 0;
};

}  // namespace VnCommon_1_2
