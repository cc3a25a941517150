#pragma once

// A field of string storage: declared and missing values as texts, read through the
// variable's encoder.

#include <string>
#include <string_view>
#include <vector>

#include "external/common/TextIndex.h"
#include "fields/FieldInfo.h"

namespace VnKx_1_2 {

class VNKX_API StrFieldInfo : public FieldInfo {
 public:
  StrFieldInfo();
  ~StrFieldInfo() override;

  bool IsValidField(int* error) override;
  void SetBinningParameter(int numBins, bool binned) override;
  void SetBinningParameter(const std::vector<double>& cutPoints, bool binned) override;
  void AddValue(std::string value, bool isMissing, double frequency) override;
  // String fields have no ranges: AddRange and GetRange do nothing.
  void AddRange(double low, double high, bool isMissing) override;
  void GetRange(double& low, double& high, bool missing) override;
  void SetMean(double mean) override;
  double GetMean() override { return 0.0; }
  void SetStdDev(double stdDev) override;
  double GetStdDev() override { return 0.0; }
  int AddToVarList(VnXML_1_2::VnVarList& varList, bool targetAsInput, bool openCategories,
                   bool declaredValuesOnly) override;
  bool SetFrequencyWeight(VnXML_1_2::IVnVariable::WRoundingOption option) override;
  // The encoded text (-1.0 and missing for a null or an unknown or missing text); without an
  // encoder the record is not touched.
  void GetValue(VnCommon_1_2::Record& record, bool& missing, bool openCategories) override;
  void GetRawValue(VnCommon_1_2::RawRecord& record, bool& missing) override;
  int GetNumOfValues() override { return static_cast<int>(values.size()); }
  bool AreValidValues(const std::vector<std::string>& texts, int* error) override;
  void ClearValues() override;
  void PrepareMissingValues(VnXML_1_2::VnVarList& varList) override;

  const std::vector<std::string>& GetValues() const { return values; }
  // Makes room for `count` more declared values (or, with `missing`, missing values).
  void ReserveValues(size_t count, bool missing) {
    ReserveMore(missing ? missingValues : values, count);
    if (!missing) ReserveMore(valueFrequencies, count);
  }
  // Adds declared (or, with `missing`, missing) values as AddValue does with a frequency of 0,
  // all at once.
  void AddValues(const std::vector<std::string_view>& texts, bool missing);
  const std::vector<std::string>& GetMissingValues() const { return missingValues; }

 private:
  // The current text of the field's column. Throws DataHelperException when the host fails.
  void ReadText(std::string_view& text, bool& isNull) const;

  std::vector<std::string> values;
  std::vector<std::string> missingValues;
  // Look-up of `values` for AreValidValues, rebuilt after the values change.
  VnCommon_1_2::TextIndex valueIndex;
  bool valueIndexStale = true;
};

}  // namespace VnKx_1_2
