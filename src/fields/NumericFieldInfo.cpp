#include "fields/NumericFieldInfo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/Status.h"
#include "external/common/RawRecord.h"
#include "external/common/Record.h"
#include "external/common/VnContVar.h"
#include "external/common/VnVarList.h"
#include "external/hosthelper/DataHelper.h"
#include "fields/detail/NumberText.h"
#include "fields/detail/NumericCell.h"

namespace VnKx_1_2 {

using KxCppHelperV1::DataHelper;
using VnCommon_1_2::VnMV;
using VnXML_1_2::IVnVariable;
using VnXML_1_2::VnVarList;

namespace {

constexpr double kLowest = std::numeric_limits<double>::lowest();
constexpr double kHighest = std::numeric_limits<double>::max();

}  // namespace

NumericFieldInfo::NumericFieldInfo() : mean(VnMV::gMissingValue), stdDev(VnMV::gMissingValue) {}
NumericFieldInfo::~NumericFieldInfo() = default;

bool NumericFieldInfo::IsValidField(int* error) {
  if (!values.empty() || direction == D_RECORDID) return true;
  *error = MsgNoDeclaredValues;
  return false;
}

void NumericFieldInfo::SetBinningParameter(int numBins_, bool binned_) {
  binned = binned_;
  numBins = numBins_;
}

void NumericFieldInfo::SetBinningParameter(const std::vector<double>& cutPoints_, bool binned_) {
  binned = binned_;
  cutPoints = cutPoints_;
}

void NumericFieldInfo::AddValue(std::string value, bool isMissing, double frequency) {
  const double number = AtofC(value);
  hasMissing = isMissing;
  if (isMissing) {
    missingValues.push_back(number);
    return;
  }
  values.push_back(number);
  valueFrequencies.push_back(frequency);
  sortedValuesStale = true;
}

void NumericFieldInfo::AddValues(const std::vector<std::string_view>& texts, bool missing) {
  if (texts.empty()) return;
  hasMissing = missing;
  std::vector<double>& list = missing ? missingValues : values;
  list.reserve(list.size() + texts.size());
  for (const std::string_view& text : texts) list.push_back(AtofC(text));
  if (missing) return;
  valueFrequencies.resize(valueFrequencies.size() + texts.size(), 0.0);
  sortedValuesStale = true;
}

void NumericFieldInfo::AddRange(double low, double high, bool isMissing) {
  hasMissing = isMissing;
  if (isMissing) {
    missingRangeLow = low;
    missingRangeHigh = high;
    hasMissingRange = true;
    return;
  }
  // Room for both ends at once (a field's first range would otherwise allocate twice).
  if (values.capacity() - values.size() < 2) values.reserve(std::max<size_t>(values.size() * 2, 2));
  values.push_back(low);
  values.push_back(high);
  sortedValuesStale = true;
}

void NumericFieldInfo::GetRange(double& low, double& high, bool missing) {
  if (missing) {
    low = missingRangeLow;
    high = missingRangeHigh;
    return;
  }
  low = values.size() > 0 ? values[0] : kLowest;
  high = values.size() > 1 ? values[1] : kHighest;
}

int NumericFieldInfo::AddToVarList(VnVarList& varList, bool targetAsInput, bool openCategories,
                                   bool declaredValuesOnly) {
  const IVnVariable::VariableRole role = VariableRoleFor(targetAsInput);
  if (type == T_CONTINUOUS) {
    if (!declaredValuesOnly && values.empty()) {
      values.push_back(kLowest);
      values.push_back(kHighest);
      sortedValuesStale = true;
    }
    if (isFrequencyWeight) {
      indexInVarList = varList.SetWeightVar(fieldName, fieldLabel, roundingOption);
      PrepareMissingValues(varList);
      AddStorageType(varList);
      return indexInVarList;
    }
    indexInVarList = AddContinuousVariable(varList, role);
  } else {
    indexInVarList = AddCategoricalVariable(varList, role, openCategories, declaredValuesOnly);
    SetOrdinalFlag(varList);
    SetBinaryFlag(varList);
  }
  PrepareMissingValues(varList);
  AddStorageType(varList);
  SetFieldFormatXML(varList);
  return indexInVarList;
}

int NumericFieldInfo::AddContinuousVariable(VnVarList& varList, IVnVariable::VariableRole role) {
  // Without a declared range (possible only for declared values only) the largest finite
  // range stands in for the missing bounds.
  if (values.empty()) values.push_back(kLowest);
  if (values.size() == 1) values.push_back(kHighest);
  sortedValuesStale = true;
  // The statistics override the first declared range.
  if (continuousStats.minimum != VnMV::gMissingValue) values[0] = continuousStats.minimum;
  if (continuousStats.maximum != VnMV::gMissingValue) values[1] = continuousStats.maximum;
  const double low = values[0];
  const double high = values[1];
  int index = 0;
  if (binned && numBins < 2) {
    index = varList.AddContVar(fieldName, fieldLabel, low, high, cutPoints, true, role);
  } else {
    index = varList.AddContVar(fieldName, fieldLabel, low, high, role, binned, numBins);
  }
  indexInVarList = index;
  HandStatisticsTo(varList);
  return index;
}

void NumericFieldInfo::HandStatisticsTo(VnVarList& varList) const {
  IVnVariable* variable = varList.GetVarAt(indexInVarList);
  VnXML_1_2::VnContVar* continuous = variable != nullptr ? variable->AsContVar() : nullptr;
  if (continuous == nullptr) return;
  if (mean != VnMV::gMissingValue) continuous->SetMean(mean);
  if (stdDev != VnMV::gMissingValue) continuous->SetStdDev(stdDev);
  if (continuousStats.sumFreqWts != VnMV::gMissingValue) {
    continuous->SetSumFreqWts(continuousStats.sumFreqWts);
  }
  if (continuousStats.sumCompWts != VnMV::gMissingValue) {
    continuous->SetSumCompWts(continuousStats.sumCompWts);
  }
}

int NumericFieldInfo::AddCategoricalVariable(VnVarList& varList, IVnVariable::VariableRole role,
                                             bool openCategories, bool declaredValuesOnly) {
  const bool countOverload = openCategories || (!declaredValuesOnly && values.empty()) ||
                             (declaredValuesOnly && direction == D_RECORDID);
  if (countOverload) {
    return varList.AddCatVar(fieldName, fieldLabel, 1, IVnVariable::ML_ORDINAL, role);
  }
  if (valueFrequencies.empty()) {
    return varList.AddCatVar(fieldName, fieldLabel, values, valueLabels, role);
  }
  return varList.AddCatVar(fieldName, fieldLabel, values, valueFrequencies, valueLabels, role);
}

bool NumericFieldInfo::SetFrequencyWeight(IVnVariable::WRoundingOption option) {
  if (type != T_CONTINUOUS) return false;
  isFrequencyWeight = true;
  roundingOption = option;
  return true;
}

namespace {

// Failures leave the per-value path through these, kept out of line so that it stays small.
[[noreturn, gnu::cold, gnu::noinline]] void ThrowHostFailure(unsigned int status, int hostCode) {
  throw DataHelper::DataHelperException(status, hostCode, "getRecordValue");
}

[[noreturn, gnu::cold, gnu::noinline]] void ThrowBadValue(unsigned int status) {
  throw DataHelper::DataHelperException(status, 0, "");
}

}  // namespace

inline bool NumericFieldInfo::ReadBytes(const void*& bytes) const {
  if (storage < S_INTEGER || storage > S_TIMESTAMP || storage == S_STRING) return false;
  if (dataHelper == nullptr) ThrowBadValue(StatusBadArgument);
  int hostCode = 0;
  const unsigned int status = dataHelper->getRecordValue(static_cast<size_t>(dataIndex), &hostCode);
  if (status != 0) ThrowHostFailure(status, hostCode);
  bytes = dataHelper->recordValue();
  if (bytes != nullptr && dataHelper->recordValueSize() != 8) ThrowBadValue(0);
  return true;
}

void NumericFieldInfo::GetValue(VnCommon_1_2::Record& record, bool& missing, bool) {
  const double sentinel = numericcell::Sentinel(type == T_CONTINUOUS);
  double& cell = record[static_cast<size_t>(indexInVarList)];
  // A failed read leaves the sentinel in the cell; a storage that is not numeric, too.
  cell = sentinel;
  missing = false;
  const void* bytes = nullptr;
  if (!ReadBytes(bytes)) return;
  missing = numericcell::ToRecordCell(bytes, storage == S_INTEGER, sentinel, cell);
}

void NumericFieldInfo::GetRawValue(VnCommon_1_2::RawRecord& record, bool& missing) {
  missing = false;
  const void* bytes = nullptr;
  if (!ReadBytes(bytes)) return;
  missing = numericcell::ToRawCell(bytes, storage == S_INTEGER, storage,
                                   record[static_cast<size_t>(indexInVarList)]);
}

bool NumericFieldInfo::AreValidValues(const std::vector<std::string>& texts, int* error) {
  if (texts.size() > values.size()) {
    *error = MsgUndeclaredValues;
    return false;
  }
  if (sortedValuesStale) {
    sortedValues.clear();
    for (const double value : values) {
      if (!std::isnan(value)) sortedValues.push_back(value);
    }
    std::sort(sortedValues.begin(), sortedValues.end());
    sortedValuesStale = false;
  }
  for (const std::string& text : texts) {
    const double number = AtofC(text);
    const auto it = std::lower_bound(sortedValues.begin(), sortedValues.end(), number);
    if (std::isnan(number) || it == sortedValues.end() || *it != number) {
      *error = MsgUndeclaredValues;
      return false;
    }
  }
  return true;
}

void NumericFieldInfo::ClearValues() {
  values.clear();
  sortedValuesStale = true;
}

void NumericFieldInfo::PrepareMissingValues(VnVarList& varList) {
  if (!hasMissing) return;
  VnXML_1_2::IVnEncoder* target = varList.GetEncoderAt(indexInVarList);
  if (target == nullptr) return;
  for (const double number : missingValues) target->AddMissingNumber(number, fieldName);
  if (missingRangeHigh > missingRangeLow)
    target->AddMissingRange(missingRangeLow, missingRangeHigh);
}

}  // namespace VnKx_1_2
