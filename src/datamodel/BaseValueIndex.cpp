#include "datamodel/detail/BaseValueIndex.h"

#include <cstdint>
#include <iterator>
#include <string_view>

#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

namespace {

// Indexes each entry's value to its first entry, sized once, and marks those first entries.
template <typename Entries>
void IndexValues(VnCommon_1_2::TextIndex& index, Entries& entries) {
  std::size_t bytes = 0;
  for (const auto& entry : entries) bytes += entry.value.size();
  index.Reserve(entries.size(), bytes);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].firstOfValue =
        index.Insert(entries[i].value, static_cast<int>(i)) == static_cast<int>(i);
  }
}

}  // namespace

BaseValueIndex::BaseValueIndex(const XMLElement& values, const DocumentKeys& keys)
    : values_(values) {
  for (XMLElementIterator it = values.getElements(XMLElements::Value); it.hasMore();) {
    std::string_view texts[std::size(DocumentKeys::kValueNames)];
    const std::uint32_t present = DocumentKeys::Read(it.next(), keys.value, texts);
    const bool hasValue = DocumentKeys::Has(present, DocumentKeys::kValue);
    const bool hasFlag = DocumentKeys::Has(present, DocumentKeys::kFlag);
    if (!hasValue && !hasFlag) continue;
    // A flag entry without a "value" is found under the empty text.
    const std::string_view value = texts[DocumentKeys::kValue];
    const std::string_view label = texts[DocumentKeys::kValueLabel];
    if (hasValue) categories_.entries.push_back({std::string_view(), label, value, false});
    if (hasFlag) flags_.entries.push_back({texts[DocumentKeys::kFlag], label, value, false});
  }
  IndexValues(categories_.firstByValue, categories_.entries);
  IndexValues(flags_.firstByValue, flags_.entries);
}

const BaseValueIndex::Entry* BaseValueIndex::Find(const Table& table, const std::string& key) {
  if (table.next < table.entries.size()) {
    const Entry& guess = table.entries[table.next];
    if (guess.firstOfValue && guess.value == key) {
      ++table.next;
      return &guess;
    }
  }
  const int entry = table.firstByValue.Find(key);
  if (entry == VnCommon_1_2::TextIndex::kAbsent) return nullptr;
  table.next = static_cast<std::size_t>(entry) + 1;
  return &table.entries[static_cast<std::size_t>(entry)];
}

}  // namespace VnKx_1_2
