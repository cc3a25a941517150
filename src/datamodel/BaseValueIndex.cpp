#include "datamodel/BaseValueIndex.h"

#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

BaseValueIndex::BaseValueIndex(const XMLElement& values) : values_(values) {
  for (XMLElementIterator it = values.getElements(XMLElements::Value); it.hasMore();) {
    const XMLElement element = it.next();
    const std::string value = element.getAttribute("value");
    Entry entry{element.getAttribute("flagValue"), element.getAttribute("displayLabel")};
    if (element.hasAttribute(XMLAttributes::Value)) {
      categories_.firstByValue.emplace(value, categories_.entries.size());
      categories_.entries.push_back(Entry{std::string(), entry.displayLabel});
    }
    if (element.hasAttribute("flagValue")) {
      flags_.firstByValue.emplace(value, flags_.entries.size());
      flags_.entries.push_back(std::move(entry));
    }
  }
}

const BaseValueIndex::Entry* BaseValueIndex::Find(const Table& table, const std::string& key) {
  const auto it = table.firstByValue.find(key);
  return it == table.firstByValue.end() ? nullptr : &table.entries[it->second];
}

}  // namespace VnKx_1_2
