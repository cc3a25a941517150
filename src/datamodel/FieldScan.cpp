#include "datamodel/FieldScan.h"

#include <string_view>

#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

namespace {

bool Is(std::string_view name, std::string_view wanted) {
  return KxCppHelperV1::SameText(name, wanted);
}

}  // namespace

bool FieldScan::Scan(const XMLElement& field) {
  field_ = field;
  baseField = XMLElement();
  valueLabels = XMLElement();
  missingValues.clear();
  modelFields.clear();
  ranges.clear();
  hasNestedField = false;
  nestedFields = 0;
  for (XMLElementIterator it = field.getElements(""); it.hasMore();) {
    const XMLElement element = it.next();
    const std::string_view name = element.nameView();
    if (name.empty()) continue;
    // Dispatch on the first letter so that most elements cost one comparison.
    switch (name[0]) {
      case 'B':
        if (!baseField.isValid() && Is(name, XMLElements::BaseField)) baseField = element;
        break;
      case 'F':
        if (Is(name, XMLElements::Field)) {
          hasNestedField = true;
          if (++nestedFields > kMaxNestedFields) return false;
        }
        break;
      case 'M':
        if (Is(name, XMLElements::MissingValues)) {
          missingValues.push_back(element);
        } else if (Is(name, XMLElements::ModelField)) {
          modelFields.push_back(element);
        }
        break;
      case 'R':
        if (Is(name, XMLElements::Range)) ranges.push_back(element);
        break;
      case 'V':
        if (!valueLabels.isValid() && Is(name, XMLElements::ValueLabels)) valueLabels = element;
        break;
      default:
        break;
    }
  }
  return true;
}

}  // namespace VnKx_1_2
