#pragma once

// The counts of a field's categories, looked up by key. A key asked in the order the entries
// are listed is found without hashing (a field's values usually come in the order of its
// statistics); any other key goes through an index built on the first such miss.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ShortText.h"
#include "external/common/TextIndex.h"

namespace VnKx_1_2 {

class CountLookup {
 public:
  struct Entry {
    std::string_view key;
    double count;
    bool first;  // no earlier entry has this key (later ones are never answered)
  };

  // Entries viewing the map's keys, in key order.
  explicit CountLookup(const std::map<std::string, double>& counts) {
    entries_.reserve(counts.size());
    for (const auto& [key, count] : counts) entries_.push_back({key, count, true});
  }
  // Entries as listed (their texts must outlive the look-up).
  explicit CountLookup(std::vector<Entry> entries) : entries_(std::move(entries)) {}

  double operator()(std::string_view key, double otherwise) {
    if (next_ < entries_.size()) {
      const Entry& guess = entries_[next_];
      if (guess.first && KxCppHelperV1::SameText(guess.key, key)) {
        ++next_;
        return guess.count;
      }
    }
    if (!indexed_) Index();
    const int at = index_.Find(key);
    if (at == VnCommon_1_2::TextIndex::kAbsent) return otherwise;
    next_ = static_cast<std::size_t>(at) + 1;
    return entries_[static_cast<std::size_t>(at)].count;
  }

 private:
  void Index() {
    indexed_ = true;
    index_.Reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].first) index_.Insert(entries_[i].key, static_cast<int>(i));
    }
  }

  std::vector<Entry> entries_;
  VnCommon_1_2::TextIndex index_;
  bool indexed_ = false;
  std::size_t next_ = 0;
};

}  // namespace VnKx_1_2
