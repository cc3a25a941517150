#include "external/common/TextIndex.h"

#include <memory>

namespace VnCommon_1_2 {

TextIndex::TextIndex(const std::vector<std::string>& texts, Arena* arena) : keys_(texts, arena) {
  if (texts.empty() || IndexDistinctKeys(arena)) return;
  Clear();
  Reserve(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) Insert(texts[i], static_cast<int>(i));
}

bool TextIndex::IndexDistinctKeys(Arena* arena) {
  const std::size_t count = keys_.Size();
  Rehash(CapacityFor(count), arena);
  for (std::size_t key = 0; key < count; ++key) {
    std::uint32_t tag = 0;
    Slot& s = slots_[SlotOf(keys_[key], tag)];
    if (s.entry >= 0) return false;
    s = {tag, static_cast<std::int32_t>(key), static_cast<std::int32_t>(key)};
  }
  return true;
}

int TextIndex::Insert(std::string_view text, int value) {
  if (Size() >= Limit()) Rehash(CapacityFor(Size() + 1));
  std::uint32_t tag = 0;
  Slot& s = slots_[SlotOf(text, tag)];
  if (s.entry >= 0) return s.value;
  keys_.Append(text);
  s = {tag, static_cast<std::int32_t>(Size() - 1), value};
  return value;
}

void TextIndex::Reserve(std::size_t keys, std::size_t bytes) {
  keys_.Reserve(keys, bytes);
  const std::size_t capacity = CapacityFor(Size() + keys);
  if (capacity > SlotCount()) Rehash(capacity);
}

void TextIndex::Rehash(std::size_t capacity, Arena* arena) {
  ArenaBlock<Slot> slots(capacity, arena);
  std::uninitialized_fill_n(slots.get(), capacity, Slot());
  const std::size_t mask = capacity - 1;
  const std::size_t held = SlotCount();
  for (std::size_t i = 0; i < held; ++i) {
    const Slot& s = slots_[i];
    if (s.entry < 0) continue;
    std::size_t slot = KxCppHelperV1::HashText(keys_[static_cast<std::size_t>(s.entry)]) & mask;
    while (slots[slot].entry >= 0) slot = (slot + 1) & mask;
    slots[slot] = s;
  }
  slots_ = std::move(slots);
  mask_ = mask;
}

void TextIndex::Clear() {
  slots_ = ArenaBlock<Slot>();
  keys_.Clear();
  mask_ = 0;
}

}  // namespace VnCommon_1_2
