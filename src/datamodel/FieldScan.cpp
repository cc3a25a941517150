#include "datamodel/FieldScan.h"

#include <cstring>

#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

namespace {

bool Is(const char* name, const char* wanted) {
  return std::strcmp(name, wanted) == 0;
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
    const char* name = element.nameData();
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
