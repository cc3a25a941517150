#include "external/common/TextIndex.h"

namespace VnCommon_1_2 {

int TextIndex::Insert(std::string_view text, int value) {
  // Keys are placed by 32-bit offsets: an index holds at most 4 GiB of key text.
  if (keys_.size() + text.size() > kMaxKeyBytes) return kAbsent;
  if ((count_ + 1) * 2 > slots_.size()) Rehash(slots_.empty() ? 16 : slots_.size() * 2);
  const std::uint64_t hash = Hash(text);
  const std::uint32_t tag = Tag(hash);
  std::size_t slot = hash & mask_;
  for (;; slot = (slot + 1) & mask_) {
    const Slot& s = slots_[slot];
    if (s.entry < 0) break;
    if (s.tag == tag && Matches(entries_[static_cast<std::size_t>(s.entry)], text)) {
      return entries_[static_cast<std::size_t>(s.entry)].value;
    }
  }
  // Written member by member: a whole temporary copied in stalls on its own stores.
  Entry& entry = entries_.emplace_back();
  entry.offset = static_cast<std::uint32_t>(keys_.size());
  entry.length = static_cast<std::uint32_t>(text.size());
  entry.value = value;
  keys_.append(text.data(), text.size());
  Slot& taken = slots_[slot];
  taken.tag = tag;
  taken.entry = static_cast<std::int32_t>(entries_.size() - 1);
  ++count_;
  return value;
}

void TextIndex::Reserve(std::size_t keys, std::size_t bytes) {
  entries_.reserve(count_ + keys);
  keys_.reserve(keys_.size() + bytes);
  std::size_t capacity = slots_.empty() ? 16 : slots_.size();
  while ((count_ + keys) * 2 > capacity) capacity *= 2;
  if (capacity != slots_.size()) Rehash(capacity);
}

void TextIndex::Rehash(std::size_t capacity) {
  std::vector<Slot> slots(capacity);
  const std::size_t mask = capacity - 1;
  for (const Slot& s : slots_) {
    if (s.entry < 0) continue;
    const Entry& e = entries_[static_cast<std::size_t>(s.entry)];
    std::size_t slot = Hash(std::string_view(keys_.data() + e.offset, e.length)) & mask;
    while (slots[slot].entry >= 0) slot = (slot + 1) & mask;
    slots[slot] = s;
  }
  slots_ = std::move(slots);
  mask_ = mask;
}

void TextIndex::Clear() {
  slots_.clear();
  entries_.clear();
  keys_.clear();
  mask_ = 0;
  count_ = 0;
}

}  // namespace VnCommon_1_2
