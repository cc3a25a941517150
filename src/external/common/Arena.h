#pragma once

// Memory handed out in order from a few large chunks and given back all at once, for objects
// that live exactly as long as their owner (a variable list's variables and the lists they are
// built with): a pointer bump per allocation instead of a heap call, and objects made one after
// another lie next to each other. Not synchronised.
//
// ArenaBlock is an array of a trivially copyable type that is either lent by an arena (and
// freed with it) or its own (freed with the block), so that a list can start in an arena and
// move to the heap when it grows.

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "external/common/VnExport.h"

namespace VnCommon_1_2 {

class VNCOMMON_API Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  // A moved-from arena is empty; what it lent stays valid with the arena it moved to.
  Arena(Arena&& other) noexcept { Swap(other); }
  Arena& operator=(Arena&& other) noexcept {
    Arena taken(std::move(other));
    Swap(taken);
    return *this;
  }

  // `bytes` bytes aligned for any fundamental type.
  void* Allocate(std::size_t bytes) {
    bytes = (bytes + kAlign - 1) & ~(kAlign - 1);
    if (bytes > static_cast<std::size_t>(end_ - next_)) return AllocateFromNewChunk(bytes);
    void* const place = next_;
    next_ += bytes;
    return place;
  }

 private:
  static constexpr std::size_t kAlign = alignof(std::max_align_t);

  void* AllocateFromNewChunk(std::size_t bytes);
  void Swap(Arena& other) noexcept {
    std::swap(chunks_, other.chunks_);
    std::swap(next_, other.next_);
    std::swap(end_, other.end_);
    std::swap(chunkBytes_, other.chunkBytes_);
  }

  std::vector<std::unique_ptr<char[]>> chunks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
  std::size_t chunkBytes_ = 0;  // of the latest chunk
};

template <typename T>
class ArenaBlock {
  static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                "a block's entries are copied and dropped as bytes");

 public:
  ArenaBlock() = default;
  // `count` uninitialised entries from `arena`, or from the heap when `arena` is null.
  ArenaBlock(std::size_t count, Arena* arena) {
    if (count == 0) return;
    if (arena != nullptr) {
      data_ = static_cast<T*>(arena->Allocate(count * sizeof(T)));
    } else {
      data_ = static_cast<T*>(::operator new(count * sizeof(T)));
      owned_ = true;
    }
  }
  ~ArenaBlock() {
    if (owned_) ::operator delete(data_);
  }
  ArenaBlock(const ArenaBlock&) = delete;
  ArenaBlock& operator=(const ArenaBlock&) = delete;
  ArenaBlock(ArenaBlock&& other) noexcept { Swap(other); }
  ArenaBlock& operator=(ArenaBlock&& other) noexcept {
    ArenaBlock taken(std::move(other));
    Swap(taken);
    return *this;
  }

  T* get() const { return data_; }
  T& operator[](std::size_t i) const { return data_[i]; }
  void Swap(ArenaBlock& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(owned_, other.owned_);
  }

 private:
  T* data_ = nullptr;
  bool owned_ = false;
};

}  // namespace VnCommon_1_2
