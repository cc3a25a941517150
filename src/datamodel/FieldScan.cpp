#include "datamodel/detail/FieldScan.h"

#include <string_view>

#include "base/ShortText.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::SameText;
using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

bool FieldScan::Scan(const XMLElement& field) {
  field_ = field;
  baseField = XMLElement();
  valueLabels = XMLElement();
  missingValues.clear();
  modelFields.clear();
  ranges.clear();
  continuousStatistics = XMLElement();
  discreteStatistics = XMLElement();
  fieldFormat = XMLElement();
  fieldValues.clear();
  labelValues.clear();
  hasNestedField = false;
  nestedFields = 0;
  // Keeps `element` in `kept` when it is the field's first child named `wanted`.
  const auto keepFirstChild = [&field](XMLElement& kept, const XMLElement& element,
                                       std::string_view name, const char* wanted) {
    if (!kept.isValid() && SameText(name, wanted) && element.getParent() == field) kept = element;
  };
  for (XMLElementIterator it = field.getElements(""); it.hasMore();) {
    const XMLElement element = it.next();
    const std::string_view name = element.nameView();
    if (name.empty()) continue;
    // Dispatch on the first letter so that most elements cost one comparison.
    switch (name[0]) {
      case 'B':
        if (!baseField.isValid() && SameText(name, XMLElements::BaseField)) baseField = element;
        break;
      case 'C':
        keepFirstChild(continuousStatistics, element, name, XMLElements::ContinuousStatistics);
        break;
      case 'D':
        keepFirstChild(discreteStatistics, element, name, XMLElements::DiscreteStatistics);
        break;
      case 'F':
        if (SameText(name, XMLElements::Field)) {
          hasNestedField = true;
          if (++nestedFields > kMaxNestedFields) return false;
        } else {
          keepFirstChild(fieldFormat, element, name, XMLElements::FieldFormat);
        }
        break;
      case 'M':
        if (SameText(name, XMLElements::MissingValues)) {
          missingValues.push_back(element);
        } else if (SameText(name, XMLElements::ModelField)) {
          modelFields.push_back(element);
        }
        break;
      case 'R':
        if (SameText(name, XMLElements::Range)) ranges.push_back(element);
        break;
      case 'V':
        if (SameText(name, XMLElements::Values)) {
          const XMLElement parent = element.getParent();
          if (parent == field) {
            fieldValues.push_back(element);
          } else if (parent == valueLabels) {
            labelValues.push_back(element);
          }
        } else if (!valueLabels.isValid() && SameText(name, XMLElements::ValueLabels)) {
          valueLabels = element;
        }
        break;
      default:
        break;
    }
  }
  return true;
}

}  // namespace VnKx_1_2
