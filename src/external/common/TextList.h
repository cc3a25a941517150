#pragma once

// A list of texts kept back to back in one block and read by position as views: one allocation
// for the whole list instead of one string object (and, for long texts, one allocation) per
// text. The block holds where each text ends, then the texts' bytes. Texts are added at the end
// only. A list built from texts may take its first block from an arena; growth and copies use
// the heap.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ShortText.h"
#include "external/common/Arena.h"

namespace VnCommon_1_2 {

class TextList {
 public:
  TextList() = default;
  // The texts in order: the block sized once (from `arena` when given), each text copied to its
  // place.
  explicit TextList(const std::vector<std::string>& texts, Arena* arena = nullptr) {
    std::size_t bytes = 0;
    for (const std::string& text : texts) bytes += text.size();
    Allocate(texts.size(), bytes, arena);
    std::size_t* const ends = Ends();
    char* const out = Bytes();
    std::size_t end = 0;
    for (const std::string& text : texts) {
      KxCppHelperV1::CopyText(out + end, text);
      end += text.size();
      ends[size_++] = end;
    }
  }
  TextList(const TextList& other) {
    Allocate(other.size_, other.Used());
    CopyFrom(other);
  }
  TextList& operator=(const TextList& other) {
    if (this != &other) *this = TextList(other);
    return *this;
  }
  TextList(TextList&& other) noexcept { Swap(other); }
  TextList& operator=(TextList&& other) noexcept {
    TextList taken(std::move(other));
    Swap(taken);
    return *this;
  }

  void Append(std::string_view text) {
    const std::size_t used = Used();
    if (size_ == textCapacity_ || text.size() > byteCapacity_ - used) {
      Grow(std::max(size_ + 1, 2 * textCapacity_), std::max(used + text.size(), 2 * byteCapacity_));
    }
    KxCppHelperV1::CopyText(Bytes() + used, text);
    Ends()[size_] = used + text.size();
    ++size_;
  }
  // Makes room for `texts` more texts of `bytes` bytes in all.
  void Reserve(std::size_t texts, std::size_t bytes) {
    const std::size_t used = Used();
    if (size_ + texts > textCapacity_ || used + bytes > byteCapacity_) {
      Grow(std::max(size_ + texts, textCapacity_), std::max(used + bytes, byteCapacity_));
    }
  }
  // Empties the list; the block stays for what is added next.
  void Clear() { size_ = 0; }

  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  std::string_view operator[](std::size_t i) const {
    const std::size_t* const ends = Ends();
    const std::size_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(Bytes() + begin, ends[i] - begin);
  }
  // A copy as separate strings.
  std::vector<std::string> Strings() const {
    std::vector<std::string> texts;
    texts.reserve(Size());
    for (std::size_t i = 0; i < Size(); ++i) texts.emplace_back((*this)[i]);
    return texts;
  }

 private:
  std::size_t* Ends() const { return block_.get(); }
  // The bytes the texts take: where the last one ends.
  std::size_t Used() const { return size_ == 0 ? 0 : Ends()[size_ - 1]; }
  // The bytes follow the ends; characters may be stored in any object's storage.
  char* Bytes() const { return reinterpret_cast<char*>(block_.get() + textCapacity_); }

  // A new, uninitialised block for `texts` texts of `bytes` bytes; the list is then empty.
  void Allocate(std::size_t texts, std::size_t bytes, Arena* arena = nullptr) {
    const std::size_t words = texts + (bytes + sizeof(std::size_t) - 1) / sizeof(std::size_t);
    block_ = ArenaBlock<std::size_t>(words, arena);
    textCapacity_ = texts;
    byteCapacity_ = bytes;
    size_ = 0;
  }
  // Copies `other`'s texts into this list's block, which has room for them.
  void CopyFrom(const TextList& other) {
    if (other.size_ != 0) std::copy(other.Ends(), other.Ends() + other.size_, Ends());
    std::copy(other.Bytes(), other.Bytes() + other.Used(), Bytes());
    size_ = other.size_;
  }
  // Moves the texts to a block with room for `texts` texts of `bytes` bytes.
  void Grow(std::size_t texts, std::size_t bytes) {
    TextList grown;
    grown.Allocate(texts, bytes);
    grown.CopyFrom(*this);
    Swap(grown);
  }
  void Swap(TextList& other) noexcept {
    block_.Swap(other.block_);
    std::swap(textCapacity_, other.textCapacity_);
    std::swap(byteCapacity_, other.byteCapacity_);
    std::swap(size_, other.size_);
  }

  ArenaBlock<std::size_t> block_;
  std::size_t textCapacity_ = 0;
  std::size_t byteCapacity_ = 0;
  std::size_t size_ = 0;  // texts
};

}  // namespace VnCommon_1_2
