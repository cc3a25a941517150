// The parser's readers of user-missing values, for fields and base fields.

#include <unordered_set>

#include "datamodel/DataModelParser.h"
#include "datamodel/detail/ParseSession.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

void DataModelParser::DealWithMissingValue(XMLElement& field, FieldInfo* info) {
  for (XMLElement missing : session->ScanOf(field).missingValues) {
    for (XMLElementIterator ranges = missing.getElements(XMLElements::Range); ranges.hasMore();) {
      XMLElement range = ranges.next();
      DealWithRangeVar(range, info, true);
    }
    DealWithCatVar(missing, info, true);
  }
}

bool DataModelParser::GetMisValue_InBF(XMLElement baseField, LabelPairs& missing) {
  if (!baseField.isValid()) return false;
  const XMLElement values = baseField.getElementsDirect(XMLElements::MissingValues).next();
  if (!values.isValid()) return false;
  for (XMLElementIterator it = values.getElements(XMLElements::Value); it.hasMore();) {
    const XMLElement element = it.next();
    if (element.hasAttribute(XMLAttributes::DisplayLabel)) {
      missing.emplace_back(element.getAttribute(XMLAttributes::DisplayLabel),
                           element.getAttribute(XMLAttributes::Value));
    } else if (element.hasAttribute(XMLAttributes::Value)) {
      missing.emplace_back(std::string(), element.getAttribute(XMLAttributes::Value));
    }
  }
  return !missing.empty();
}

bool DataModelParser::IsIncludingUserMissing(XMLElement& field, LabelPairs& missing) {
  if (!field.isValid() || missing.empty()) return false;
  XMLElement values;
  LabelPairs outer;
  if (!GetDspLabels_InPF(field, values, outer)) return false;
  // Whether any non-empty outer display label equals any missing value: a set instead of the
  // pairwise walk, with the same answer.
  std::unordered_set<std::string> missingValues;
  for (const auto& pair : missing) {
    if (!pair.second.empty()) missingValues.insert(pair.second);
  }
  for (const auto& pair : outer) {
    if (!pair.first.empty() && missingValues.count(pair.first) != 0) return true;
  }
  return false;
}

void DataModelParser::DealWithBsMissingValue(XMLElement& field, XMLElement& baseField,
                                             FieldInfo* info) {
  if (!field.isValid() || !baseField.isValid() || info == nullptr) return;
  const XMLElement values = baseField.getElementsDirect(XMLElements::MissingValues).next();
  if (!values.isValid()) return;
  for (XMLElementIterator ranges = values.getElements(XMLElements::Range); ranges.hasMore();) {
    XMLElement range = ranges.next();
    DealWithRangeVar(range, info, true);
  }
  LabelPairs missing;
  if (!GetMisValue_InBF(baseField, missing) || IsIncludingUserMissing(field, missing)) return;
  XMLElement baseValues;
  bool underValueLabels = false;
  HasValues_InBF(baseField, baseValues, underValueLabels);
  DealWithBsCatVar({}, missing, baseValues, underValueLabels, info, true);
}

}  // namespace VnKx_1_2
