#pragma once

// A field of integer, real, date, time or timestamp storage: declared values (or, for a
// continuous field, range bounds in pairs) and missing values as numbers, a missing range,
// statistics, binning and the frequency-weight role. Values are read as the host's 8 bytes.

#include <cstdint>
#include <string_view>
#include <vector>

#include "fields/FieldInfo.h"

namespace VnKx_1_2 {

class VNKX_API NumericFieldInfo : public FieldInfo {
 public:
  NumericFieldInfo();
  ~NumericFieldInfo() override;

  bool IsValidField(int* error) override;
  void SetBinningParameter(int numBins, bool binned) override;
  void SetBinningParameter(const std::vector<double>& cutPoints, bool binned) override;
  // The text is converted as atof converts it, whatever the process locale.
  void AddValue(std::string value, bool isMissing, double frequency) override;
  void AddRange(double low, double high, bool isMissing) override;
  // The first valid range (the largest finite range for bounds not given), or the missing
  // range.
  void GetRange(double& low, double& high, bool missing) override;
  void SetMean(double mean_) override { mean = mean_; }
  double GetMean() override { return mean; }
  void SetStdDev(double stdDev_) override { stdDev = stdDev_; }
  double GetStdDev() override { return stdDev; }
  int AddToVarList(VnXML_1_2::VnVarList& varList, bool targetAsInput, bool openCategories,
                   bool declaredValuesOnly) override;
  bool SetFrequencyWeight(VnXML_1_2::IVnVariable::WRoundingOption option) override;
  // The value as a double; a null, or a value equal to the sentinel (VnMV::gMissingValue for a
  // continuous field, -1.0 otherwise), is missing.
  void GetValue(VnCommon_1_2::Record& record, bool& missing, bool openCategories) override;
  // The value's 8 bytes as they are, typed by storage; a null marks the cell missing.
  void GetRawValue(VnCommon_1_2::RawRecord& record, bool& missing) override;
  int GetNumOfValues() override { return static_cast<int>(values.size()); }
  bool AreValidValues(const std::vector<std::string>& texts, int* error) override;
  void ClearValues() override;
  void PrepareMissingValues(VnXML_1_2::VnVarList& varList) override;

  const std::vector<double>& GetValues() const { return values; }
  // Makes room for `count` more declared values (or, with `missing`, missing values).
  void ReserveValues(size_t count, bool missing) {
    ReserveMore(missing ? missingValues : values, count);
    if (!missing) ReserveMore(valueFrequencies, count);
  }
  // Adds declared (or, with `missing`, missing) values as AddValue does with a frequency of 0,
  // all at once.
  void AddValues(const std::vector<std::string_view>& texts, bool missing);
  const std::vector<double>& GetMissingValues() const { return missingValues; }
  bool HasMissingRange() const { return hasMissingRange; }
  bool IsFrequencyWeight() const { return isFrequencyWeight; }

 private:
  // Reads the current value of the field's column: false when the storage is not numeric
  // (nothing read), else true with `bytes` at the value's eight bytes, or null for a null. Throws
  // DataHelperException when the host fails or the value is not 8 bytes long.
  bool ReadBytes(const void*& bytes) const;
  int AddContinuousVariable(VnXML_1_2::VnVarList& varList,
                            VnXML_1_2::IVnVariable::VariableRole role);
  int AddCategoricalVariable(VnXML_1_2::VnVarList& varList,
                             VnXML_1_2::IVnVariable::VariableRole role, bool openCategories,
                             bool declaredValuesOnly);
  void HandStatisticsTo(VnXML_1_2::VnVarList& varList) const;

  std::vector<double> values;
  std::vector<double> missingValues;
  double mean;
  double stdDev;
  bool hasMissingRange = false;
  double missingRangeLow = -1.0;
  double missingRangeHigh = -1.0;
  bool binned = false;
  int numBins = -1;
  std::vector<double> cutPoints;
  bool isFrequencyWeight = false;
  VnXML_1_2::IVnVariable::WRoundingOption roundingOption = VnXML_1_2::IVnVariable::WR_NONE;
  // Sorted copy of `values` (NaN left out) for AreValidValues, rebuilt after the values change.
  std::vector<double> sortedValues;
  bool sortedValuesStale = true;
};

}  // namespace VnKx_1_2
