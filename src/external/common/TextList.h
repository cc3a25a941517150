#pragma once

// A list of texts kept back to back in one buffer and read by position as views: two
// allocations for the whole list instead of one string object (and, for long texts, one
// allocation) per text. Texts are added at the end only.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "external/hosthelper/ShortText.h"

namespace VnCommon_1_2 {

class TextList {
 public:
  TextList() = default;
  // The texts in order: the buffer sized once, each text copied to its place.
  explicit TextList(const std::vector<std::string>& texts) : ends_(texts.size()) {
    std::size_t bytes = 0;
    for (const std::string& text : texts) bytes += text.size();
    bytes_.resize(bytes);
    std::size_t end = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const std::string& text = texts[i];
      KxCppHelperV1::CopyText(bytes_.data() + end, text);
      end += text.size();
      ends_[i] = end;
    }
  }

  void Append(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    ends_.push_back(bytes_.size());
  }
  void Reserve(std::size_t texts, std::size_t bytes) {
    ends_.reserve(ends_.size() + texts);
    bytes_.reserve(bytes_.size() + bytes);
  }
  void Clear() {
    bytes_.clear();
    ends_.clear();
  }

  std::size_t Size() const { return ends_.size(); }
  bool Empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_.data() + begin, ends_[i] - begin);
  }
  // A copy as separate strings.
  std::vector<std::string> Strings() const {
    std::vector<std::string> texts;
    texts.reserve(Size());
    for (std::size_t i = 0; i < Size(); ++i) texts.emplace_back((*this)[i]);
    return texts;
  }

 private:
  std::vector<char> bytes_;
  std::vector<std::size_t> ends_;  // where each text ends in bytes_
};

}  // namespace VnCommon_1_2
