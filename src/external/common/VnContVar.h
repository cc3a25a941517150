#pragma once

// A continuous variable: its range, binning, statistics and, for the frequency weight, the
// rounding option.

#include <string>
#include <vector>

#include "external/common/VnMV.h"
#include "external/common/VnVariable.h"

namespace VnXML_1_2 {

class VNCOMMON_API VnContVar : public VnVariable {
 public:
  // A continuous variable over [low, high], binned into `numBins` when `binned`.
  VnContVar(std::string name, std::string label, double low, double high, VariableRole role,
            bool binned, int numBins);
  // A continuous variable binned at explicit cut points when `binned`.
  VnContVar(std::string name, std::string label, double low, double high,
            const std::vector<double>& cutPoints, bool binned, VariableRole role);
  // The frequency weight.
  VnContVar(std::string name, std::string label, WRoundingOption rounding);

  VnContVar* AsContVar() override { return this; }

  void SetMean(double mean) { mean_ = mean; }
  void SetStdDev(double stdDev) { stdDev_ = stdDev; }
  void SetSumFreqWts(double sum) { sumFreqWts_ = sum; }
  void SetSumCompWts(double sum) { sumCompWts_ = sum; }

  double GetLow() const { return low_; }
  double GetHigh() const { return high_; }
  bool IsBinned() const { return binned_; }
  int GetNumBins() const { return numBins_; }
  const std::vector<double>& GetCutPoints() const { return cutPoints_; }
  // The statistics; VnMV::gMissingValue when not given.
  double GetMean() const { return mean_; }
  double GetStdDev() const { return stdDev_; }
  double GetSumFreqWts() const { return sumFreqWts_; }
  double GetSumCompWts() const { return sumCompWts_; }
  bool IsWeight() const { return weight_; }
  WRoundingOption GetRoundingOption() const { return rounding_; }

 private:
  static constexpr double kNotGiven = VnCommon_1_2::VnMV::gMissingValue;
  double low_ = 0.0;
  double high_ = 0.0;
  bool binned_ = false;
  int numBins_ = -1;
  std::vector<double> cutPoints_;
  double mean_ = kNotGiven;
  double stdDev_ = kNotGiven;
  double sumFreqWts_ = kNotGiven;
  double sumCompWts_ = kNotGiven;
  bool weight_ = false;
  WRoundingOption rounding_ = WR_NONE;
};

}  // namespace VnXML_1_2
