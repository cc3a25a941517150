#include "external/common/VnEncoder.h"

namespace VnXML_1_2 {

VnEncoder::VnEncoder(const std::vector<std::string>& categories) {
  std::size_t bytes = 0;
  for (const std::string& category : categories) bytes += category.size();
  categories_.Reserve(categories.size(), bytes);
  for (const std::string& category : categories) {
    categories_.Insert(category, static_cast<int>(categoryCount_));
    ++categoryCount_;
  }
}

double VnEncoder::EncodeOpen(std::string_view text) {
  if (missingIndex_.Size() != 0 && missingIndex_.Find(text) != VnCommon_1_2::TextIndex::kAbsent) {
    return kMissing;
  }
  const int index = categories_.Insert(text, static_cast<int>(categoryCount_));
  if (static_cast<std::size_t>(index) == categoryCount_) ++categoryCount_;
  return index;
}

double VnEncoder::EncodeDeclared(std::string_view text) const {
  if (missingIndex_.Size() != 0 && missingIndex_.Find(text) != VnCommon_1_2::TextIndex::kAbsent) {
    return kMissing;
  }
  const int index = categories_.Find(text);
  return index == VnCommon_1_2::TextIndex::kAbsent ? kMissing : index;
}

void VnEncoder::AddMissingText(const std::string& text, const std::string& fieldName) {
  fieldName_ = fieldName;
  missingTexts_.push_back(text);
  missingIndex_.Insert(text, 0);
}

void VnEncoder::AddMissingNumber(double value, const std::string& fieldName) {
  fieldName_ = fieldName;
  missingNumbers_.push_back(value);
}

void VnEncoder::AddMissingRange(double low, double high) {
  missingRanges_.emplace_back(low, high);
}

bool VnEncoder::IsMissingValue(double value) const {
  for (const double number : missingNumbers_) {
    if (number == value) return true;
  }
  for (const auto& range : missingRanges_) {
    if (value >= range.first && value <= range.second) return true;
  }
  return false;
}

bool VnEncoder::IsMissingText(std::string_view text) const {
  return missingIndex_.Find(text) != VnCommon_1_2::TextIndex::kAbsent;
}

}  // namespace VnXML_1_2
