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

// Indexes each key to its first position; the index is sized once.
void IndexKeys(VnCommon_1_2::TextIndex& index, const std::vector<std::string_view>& keys) {
  std::size_t bytes = 0;
  for (const std::string_view key : keys) bytes += key.size();
  index.Reserve(keys.size(), bytes);
  for (std::size_t i = 0; i < keys.size(); ++i) index.Insert(keys[i], static_cast<int>(i));
}

}  // namespace

BaseValueIndex::BaseValueIndex(const XMLElement& values) : values_(values) {
  // The keys are views into the document, which outlives this constructor.
  std::vector<std::string_view> categoryKeys;
  std::vector<std::string_view> flagKeys;
  for (XMLElementIterator it = values.getElements(XMLElements::Value); it.hasMore();) {
    const XMLElement element = it.next();
    const Attributes attributes(element);
    const std::string_view* value = attributes.Find(XMLAttributes::Value);
    const std::string_view* flag = attributes.Find("flagValue");
    if (value == nullptr && flag == nullptr) continue;
    // A flag entry without a "value" is found under the empty text.
    const std::string_view key = value == nullptr ? std::string_view() : *value;
    std::string label = attributes.Text(XMLAttributes::DisplayLabel);
    if (value != nullptr) {
      categoryKeys.push_back(key);
      categories_.entries.push_back(Entry{std::string(), label});
    }
    if (flag != nullptr) {
      flagKeys.push_back(key);
      flags_.entries.push_back(Entry{std::string(*flag), std::move(label)});
    }
  }
  IndexKeys(categories_.firstByValue, categoryKeys);
  IndexKeys(flags_.firstByValue, flagKeys);
}

const BaseValueIndex::Entry* BaseValueIndex::Find(const Table& table, const std::string& key) {
  const int entry = table.firstByValue.Find(key);
  return entry == VnCommon_1_2::TextIndex::kAbsent ? nullptr
                                                    : &table.entries[static_cast<std::size_t>(entry)];
}

}  // namespace VnKx_1_2
