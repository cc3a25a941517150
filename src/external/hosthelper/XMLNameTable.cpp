// The tree's table of names: each element and attribute name kept once, found by a hash seeded
// per tree, so that names chosen to collide in one table do not collide in another.

#include <atomic>
#include <random>

#include "external/hosthelper/detail/XMLScan.h"
#include "external/hosthelper/detail/XMLTree.h"

namespace KxCppHelperV1 {
namespace xmltree {

namespace {

// A secret seed for each tree's name table: the process's random base, stepped per tree and
// mixed, so that names chosen to collide in one table do not collide in another.
std::uint64_t NextSeed() {
  static const std::uint64_t base = [] {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
  }();
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t z = base + counter.fetch_add(1, std::memory_order_relaxed) * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

Tree::Tree() : hashSeed_(NextSeed()) {}

std::uint32_t Tree::Intern(std::string_view name) {
  return Intern(name, HeadOf(name.data(), name.size(), false));
}

std::uint32_t Tree::Intern(std::string_view name, std::uint64_t head) {
  if ((names.size() + 1) * 2 > nameSlots_.size()) {
    // Grow the table, placing the names again.
    std::vector<std::uint32_t> slots(nameSlots_.empty() ? 64 : nameSlots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t i = 0; i < names.size(); ++i) {
      std::size_t slot = HashText(names[i], hashSeed_) & mask;
      while (slots[slot] != 0) slot = (slot + 1) & mask;
      slots[slot] = i + 1;
    }
    nameSlots_ = std::move(slots);
  }
  const std::size_t slot = SlotOf(name, head);
  if (nameSlots_[slot] != 0) return nameSlots_[slot] - 1;
  char* stored = Allocate(std::max<std::size_t>(name.size() + 1, 8));
  std::memset(stored, 0, std::max<std::size_t>(name.size() + 1, 8));
  if (!name.empty()) std::memcpy(stored, name.data(), name.size());
  names.emplace_back(stored, name.size());
  nameHeads_.push_back(head);
  const auto index = static_cast<std::uint32_t>(names.size() - 1);
  nameSlots_[slot] = index + 1;
  return index;
}

std::size_t Tree::SlotOf(std::string_view name, std::uint64_t head) const {
  const std::size_t mask = nameSlots_.size() - 1;
  std::size_t slot = HashText(name, hashSeed_) & mask;
  for (; nameSlots_[slot] != 0; slot = (slot + 1) & mask) {
    const std::uint32_t index = nameSlots_[slot] - 1;
    if (nameHeads_[index] == head && names[index].size() == name.size() &&
        (name.size() <= 8 || SameText(names[index].substr(8), name.substr(8)))) {
      break;
    }
  }
  return slot;
}

std::uint32_t Tree::Lookup(std::string_view name) const {
  if (nameSlots_.empty()) return kNone;
  const std::size_t slot = SlotOf(name, HeadOf(name.data(), name.size(), false));
  return nameSlots_[slot] == 0 ? kNone : nameSlots_[slot] - 1;
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
