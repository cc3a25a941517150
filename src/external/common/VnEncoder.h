#pragma once

// The encoder of one variable: categories by hash look-up (first occurrence wins for a
// repeated text), missing texts, numbers and ranges.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "external/common/IVnEncoder.h"
#include "external/common/TextIndex.h"

namespace VnXML_1_2 {

class VNCOMMON_API VnEncoder : public IVnEncoder {
 public:
  VnEncoder() = default;
  // Declares the categories in order; duplicates keep the index of their first occurrence.
  explicit VnEncoder(const std::vector<std::string>& categories);

  double EncodeOpen(std::string_view text) override;
  double EncodeDeclared(std::string_view text) const override;
  void AddMissingText(const std::string& text, const std::string& fieldName) override;
  void AddMissingNumber(double value, const std::string& fieldName) override;
  void AddMissingRange(double low, double high) override;
  bool IsMissingValue(double value) const override;
  bool IsMissingText(std::string_view text) const override;

  // Number of categories (declared ones and those appended by EncodeOpen).
  std::size_t GetCategoryCount() const { return categoryCount_; }
  const std::vector<std::string>& GetMissingTexts() const { return missingTexts_; }
  const std::vector<double>& GetMissingNumbers() const { return missingNumbers_; }
  const std::vector<std::pair<double, double>>& GetMissingRanges() const { return missingRanges_; }
  const std::string& GetFieldName() const { return fieldName_; }

 private:
  VnCommon_1_2::TextIndex categories_;
  std::size_t categoryCount_ = 0;
  VnCommon_1_2::TextIndex missingIndex_;
  std::vector<std::string> missingTexts_;
  std::vector<double> missingNumbers_;
  std::vector<std::pair<double, double>> missingRanges_;
  std::string fieldName_;
};

}  // namespace VnXML_1_2
