#pragma once

// A numeric record: one double per variable of a variable list. A value type; copying a
// record into one of the same size does not allocate.

#include <cstddef>
#include <vector>

#include "external/common/VnExport.h"

namespace VnCommon_1_2 {

class VNCOMMON_API Record {
 public:
  explicit Record(std::size_t size = 0) : values_(size, 0.0) {}

  void Resize(std::size_t size) { values_.resize(size, 0.0); }
  std::size_t Size() const { return values_.size(); }
  double& operator[](std::size_t index) { return values_[index]; }
  double operator[](std::size_t index) const { return values_[index]; }
  const double* Data() const { return values_.data(); }

 private:
  std::vector<double> values_;
};

}  // namespace VnCommon_1_2
