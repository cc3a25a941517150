#include "datamodel/BaseValueIndex.h"

#include <string_view>

#include "datamodel/Attributes.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLAttributes;
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

// Fills an entry from the views that Find gave (see Attributes::Copy).
void Fill(BaseValueIndex::Entry& entry, const std::string_view* value,
          const std::string_view* label, const std::string_view* flag) {
  entry.value = Attributes::Copy(value);
  entry.displayLabel = Attributes::Copy(label);
  entry.flagValue = Attributes::Copy(flag);
  entry.firstOfValue = false;
}

}  // namespace

BaseValueIndex::BaseValueIndex(const XMLElement& values) : values_(values) {
  for (XMLElementIterator it = values.getElements(XMLElements::Value); it.hasMore();) {
    const XMLElement element = it.next();
    const Attributes attributes(element);
    const std::string_view* value = attributes.Find(XMLAttributes::Value);
    const std::string_view* flag = attributes.Find("flagValue");
    if (value == nullptr && flag == nullptr) continue;
    // A flag entry without a "value" is found under the empty text.
    const std::string_view* label = attributes.Find(XMLAttributes::DisplayLabel);
    if (value != nullptr) Fill(categories_.entries.emplace_back(), value, label, nullptr);
    if (flag != nullptr) Fill(flags_.entries.emplace_back(), value, label, flag);
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
