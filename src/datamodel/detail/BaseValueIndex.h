#pragma once

// The value elements of one base field, indexed by their "value" text so that mapping every
// outer value costs one look-up instead of a walk. Answers exactly what a first-match walk in
// document order answers, including the texts a walk leaves behind when nothing matches.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "datamodel/detail/DocumentKeys.h"
#include "external/common/TextIndex.h"
#include "external/hosthelper/XMLElement.h"

namespace VnKx_1_2 {

class BaseValueIndex {
 public:
  // The texts are views into the document, which outlives the index (the parser drops it at
  // the end of each parse).
  struct Entry {
    std::string_view flagValue;     // "flagValue" (flag entries only)
    std::string_view displayLabel;  // "displayLabel"
    std::string_view value;         // "value"
    bool firstOfValue;              // no earlier entry has this value
  };

  // Indexes the value elements at any depth below `values` (an invalid element indexes none),
  // reading their attributes with `keys`.
  BaseValueIndex(const KxCppHelperV1::XMLElement& values, const DocumentKeys& keys);

  bool Covers(const KxCppHelperV1::XMLElement& values) const { return values == values_; }
  // Among elements with a "value" attribute: the first whose value is `key`, or null.
  const Entry* Category(const std::string& key) const { return Find(categories_, key); }
  // The last element with a "value" attribute, or null.
  const Entry* LastCategory() const { return Last(categories_); }
  // Among elements with a "flagValue" attribute: the first whose value is `key`, or null.
  const Entry* Flag(const std::string& key) const { return Find(flags_, key); }
  const Entry* LastFlag() const { return Last(flags_); }

 private:
  struct Table {
    std::vector<Entry> entries;
    VnCommon_1_2::TextIndex firstByValue;  // value text -> its first entry
    // The entry after the last one found: keys asked in document order find it without a
    // hash look-up.
    mutable std::size_t next = 0;
  };
  static const Entry* Find(const Table& table, const std::string& key);
  static const Entry* Last(const Table& table) {
    return table.entries.empty() ? nullptr : &table.entries.back();
  }

  KxCppHelperV1::XMLElement values_;
  Table categories_;
  Table flags_;
};

}  // namespace VnKx_1_2
