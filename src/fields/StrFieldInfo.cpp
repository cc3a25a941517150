#include "fields/StrFieldInfo.h"

#include <string_view>

#include "base/Status.h"
#include "external/common/RawRecord.h"
#include "external/common/Record.h"
#include "external/common/VnVarList.h"
#include "external/hosthelper/DataHelper.h"

namespace VnKx_1_2 {

using VnXML_1_2::IVnVariable;
using VnXML_1_2::VnVarList;

StrFieldInfo::StrFieldInfo() = default;
StrFieldInfo::~StrFieldInfo() = default;

bool StrFieldInfo::IsValidField(int* error) {
  if (!values.empty() || direction == D_RECORDID) return true;
  *error = MsgNoDeclaredValues;
  return false;
}

void StrFieldInfo::SetBinningParameter(int, bool) {}
void StrFieldInfo::SetBinningParameter(const std::vector<double>&, bool) {}

void StrFieldInfo::AddValue(std::string value, bool isMissing, double frequency) {
  hasMissing = isMissing;
  if (isMissing) {
    missingValues.push_back(std::move(value));
    return;
  }
  values.push_back(std::move(value));
  valueFrequencies.push_back(frequency);
  valueIndexStale = true;
}

void StrFieldInfo::AddValues(const std::vector<std::string_view>& texts, bool missing) {
  if (texts.empty()) return;
  hasMissing = missing;
  std::vector<std::string>& list = missing ? missingValues : values;
  list.reserve(list.size() + texts.size());
  // By reference: a view copied out goes through the stack as one 16-byte word, and reading its
  // halves back waits on that store.
  for (const std::string_view& text : texts) list.emplace_back(text);
  if (missing) return;
  valueFrequencies.resize(valueFrequencies.size() + texts.size(), 0.0);
  valueIndexStale = true;
}

void StrFieldInfo::AddRange(double, double, bool) {}
void StrFieldInfo::GetRange(double&, double&, bool) {}
void StrFieldInfo::SetMean(double) {}
void StrFieldInfo::SetStdDev(double) {}

int StrFieldInfo::AddToVarList(VnVarList& varList, bool targetAsInput, bool openCategories,
                               bool declaredValuesOnly) {
  const IVnVariable::VariableRole role = VariableRoleFor(targetAsInput);
  const bool countOverload = openCategories || (!declaredValuesOnly && values.empty()) ||
                             (declaredValuesOnly && direction == D_RECORDID);
  if (countOverload) {
    indexInVarList = varList.AddCatVar(fieldName, fieldLabel, 1, IVnVariable::ML_NOMINAL, role);
  } else if (!valueFrequencies.empty()) {
    indexInVarList =
        varList.AddCatVar(fieldName, fieldLabel, values, valueFrequencies, valueLabels, role);
  } else {
    indexInVarList = varList.AddCatVar(fieldName, fieldLabel, values, valueLabels, role);
  }
  PrepareMissingValues(varList);
  AddStorageType(varList);
  SetOrdinalFlag(varList);
  SetBinaryFlag(varList);
  SetFieldFormatXML(varList);
  return indexInVarList;
}

bool StrFieldInfo::SetFrequencyWeight(IVnVariable::WRoundingOption) {
  return false;
}

void StrFieldInfo::GetValue(VnCommon_1_2::Record& record, bool& missing, bool openCategories) {
  missing = false;
  if (encoder == nullptr) return;
  double& cell = record[static_cast<size_t>(indexInVarList)];
  cell = -1.0;
  std::string_view text;
  bool isNull = false;
  ReadText(text, isNull);
  if (isNull) {
    missing = true;
    return;
  }
  cell = openCategories ? encoder->EncodeOpen(text) : encoder->EncodeDeclared(text);
  missing = cell == -1.0;
}

void StrFieldInfo::GetRawValue(VnCommon_1_2::RawRecord& record, bool& missing) {
  missing = false;
  std::string_view text;
  bool isNull = false;
  ReadText(text, isNull);
  VnCommon_1_2::RawData& cell = record[static_cast<size_t>(indexInVarList)];
  if (isNull) {
    missing = true;
    cell.SetMissing(true);
    return;
  }
  cell.SetString(text, false);
}

void StrFieldInfo::ReadText(std::string_view& text, bool& isNull) const {
  if (dataHelper == nullptr) {
    throw KxCppHelperV1::DataHelper::DataHelperException(StatusBadArgument, 0, "");
  }
  dataHelper->getInputStringValue(static_cast<size_t>(dataIndex), text, isNull);
}

bool StrFieldInfo::AreValidValues(const std::vector<std::string>& texts, int* error) {
  if (texts.size() > values.size()) {
    *error = MsgUndeclaredValues;
    return false;
  }
  if (valueIndexStale) {
    valueIndex = VnCommon_1_2::TextIndex(values);
    valueIndexStale = false;
  }
  for (const std::string& text : texts) {
    if (valueIndex.Find(text) == VnCommon_1_2::TextIndex::kAbsent) {
      *error = MsgUndeclaredValues;
      return false;
    }
  }
  return true;
}

void StrFieldInfo::ClearValues() {
  values.clear();
  valueIndexStale = true;
}

void StrFieldInfo::PrepareMissingValues(VnVarList& varList) {
  if (!hasMissing) return;
  VnXML_1_2::IVnEncoder* target = varList.GetEncoderAt(indexInVarList);
  if (target == nullptr) return;
  for (const std::string& text : missingValues) target->AddMissingText(text, fieldName);
}

}  // namespace VnKx_1_2
