#pragma once

// The elements below one field element that the parser's readers look for, gathered in a single
// walk of the field's subtree in document order: the first base field and value labels, every
// missing-values, model-field and range element, the field's first continuous and discrete
// statistics and field-format children, the values children of the field and of its value
// labels, and whether a field element is nested inside.

#include <vector>

#include "external/hosthelper/XMLElement.h"

namespace VnKx_1_2 {

class FieldScan {
 public:
  // The most field elements one field may hold below it (a base field's description holds one).
  static constexpr int kMaxNestedFields = 64;

  // Walks the subtree of `field`; false (the walk cut short) when it holds more than
  // kMaxNestedFields field elements, which keeps a parse linear in the document's size.
  bool Scan(const KxCppHelperV1::XMLElement& field);
  // Whether the scan describes `field`.
  bool Covers(const KxCppHelperV1::XMLElement& field) const {
    return field.isValid() && field == field_;
  }

  KxCppHelperV1::XMLElement baseField;
  KxCppHelperV1::XMLElement valueLabels;
  std::vector<KxCppHelperV1::XMLElement> missingValues;
  std::vector<KxCppHelperV1::XMLElement> modelFields;
  std::vector<KxCppHelperV1::XMLElement> ranges;
  KxCppHelperV1::XMLElement continuousStatistics;  // direct children of the field
  KxCppHelperV1::XMLElement discreteStatistics;
  KxCppHelperV1::XMLElement fieldFormat;
  std::vector<KxCppHelperV1::XMLElement> fieldValues;
  std::vector<KxCppHelperV1::XMLElement> labelValues;  // direct children of valueLabels
  bool hasNestedField = false;
  int nestedFields = 0;

 private:
  KxCppHelperV1::XMLElement field_;
};

}  // namespace VnKx_1_2
