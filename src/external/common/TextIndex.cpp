#include "external/common/TextIndex.h"

#include <functional>

namespace VnCommon_1_2 {

std::uint64_t TextIndex::Hash(std::string_view text) {
  return std::hash<std::string_view>()(text);
}

int TextIndex::Insert(std::string_view text, int value) {
  const int existing = Find(text);
  if (existing != kAbsent) return existing;
  if ((count_ + 1) * 2 > slots_.size()) Grow();
  const std::uint64_t hash = Hash(text);
  std::size_t slot = hash & mask_;
  while (slots_[slot].entry >= 0) slot = (slot + 1) & mask_;
  slots_[slot].hash = hash;
  slots_[slot].entry = static_cast<std::int32_t>(entries_.size());
  entries_.push_back(Entry{std::string(text), value});
  ++count_;
  return value;
}

void TextIndex::Grow() {
  const std::size_t capacity = slots_.empty() ? 16 : slots_.size() * 2;
  std::vector<Slot> slots(capacity);
  const std::size_t mask = capacity - 1;
  for (const Slot& s : slots_) {
    if (s.entry < 0) continue;
    std::size_t slot = s.hash & mask;
    while (slots[slot].entry >= 0) slot = (slot + 1) & mask;
    slots[slot] = s;
  }
  slots_ = std::move(slots);
  mask_ = mask;
}

void TextIndex::Clear() {
  slots_.clear();
  entries_.clear();
  mask_ = 0;
  count_ = 0;
}

}  // namespace VnCommon_1_2
