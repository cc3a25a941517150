#include "external/common/TextIndex.h"

namespace VnCommon_1_2 {

TextIndex::TextIndex(const std::vector<std::string>& texts) : keys_(texts) {
  if (texts.empty() || IndexDistinctKeys()) return;
  Clear();
  Reserve(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) Insert(texts[i], static_cast<int>(i));
}

bool TextIndex::IndexDistinctKeys() {
  const std::size_t count = keys_.Size();
  Rehash(CapacityFor(count));
  for (std::size_t key = 0; key < count; ++key) {
    const std::string_view text = keys_[key];
    const std::uint64_t hash = KxCppHelperV1::HashText(text);
    const std::uint32_t tag = Tag(hash);
    std::size_t slot = hash & mask_;
    for (; slots_[slot].entry >= 0; slot = (slot + 1) & mask_) {
      const Slot& s = slots_[slot];
      if (s.tag == tag && KxCppHelperV1::SameText(keys_[static_cast<std::size_t>(s.entry)], text)) {
        return false;
      }
    }
    Slot& taken = slots_[slot];
    taken.tag = tag;
    taken.entry = static_cast<std::int32_t>(key);
    taken.value = static_cast<std::int32_t>(key);
  }
  return true;
}

int TextIndex::Insert(std::string_view text, int value) {
  if (Size() >= limit_) Rehash(CapacityFor(Size() + 1));
  const std::uint64_t hash = KxCppHelperV1::HashText(text);
  const std::uint32_t tag = Tag(hash);
  std::size_t slot = hash & mask_;
  for (;; slot = (slot + 1) & mask_) {
    const Slot& s = slots_[slot];
    if (s.entry < 0) break;
    if (s.tag == tag && KxCppHelperV1::SameText(keys_[static_cast<std::size_t>(s.entry)], text)) {
      return s.value;
    }
  }
  keys_.Append(text);
  Slot& taken = slots_[slot];
  taken.tag = tag;
  taken.entry = static_cast<std::int32_t>(Size() - 1);
  taken.value = value;
  return value;
}

void TextIndex::Reserve(std::size_t keys, std::size_t bytes) {
  keys_.Reserve(keys, bytes);
  const std::size_t capacity = CapacityFor(Size() + keys);
  if (capacity > slots_.size()) Rehash(capacity);
}

void TextIndex::Rehash(std::size_t capacity) {
  std::vector<Slot> slots(capacity);
  const std::size_t mask = capacity - 1;
  for (const Slot& s : slots_) {
    if (s.entry < 0) continue;
    std::size_t slot = KxCppHelperV1::HashText(keys_[static_cast<std::size_t>(s.entry)]) & mask;
    while (slots[slot].entry >= 0) slot = (slot + 1) & mask;
    slots[slot] = s;
  }
  slots_ = std::move(slots);
  mask_ = mask;
  limit_ = capacity / 4 * 3;
}

void TextIndex::Clear() {
  slots_.clear();
  keys_.Clear();
  mask_ = 0;
  limit_ = 0;
}

}  // namespace VnCommon_1_2
