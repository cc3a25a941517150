#include "external/common/VnEncoder.h"

namespace VnXML_1_2 {

VnEncoder::VnEncoder(const std::vector<std::string>& categories, VnCommon_1_2::Arena* arena)
    : declared_(categories, arena), declaredCount_(categories.size()) {}

VnEncoder::~VnEncoder() = default;

double VnEncoder::EncodeOpen(std::string_view text) {
  if (IsMissingTextIn(text)) return kMissing;
  const int declared = declared_.Find(text);
  if (declared != VnCommon_1_2::TextIndex::kAbsent) return declared;
  if (learned_ == nullptr) learned_ = std::make_unique<VnCommon_1_2::TextIndex>();
  return learned_->Insert(text, static_cast<int>(declaredCount_ + learned_->Size()));
}

double VnEncoder::EncodeDeclared(std::string_view text) const {
  if (IsMissingTextIn(text)) return kMissing;
  int index = declared_.Find(text);
  if (index == VnCommon_1_2::TextIndex::kAbsent && learned_ != nullptr) {
    index = learned_->Find(text);
  }
  return index == VnCommon_1_2::TextIndex::kAbsent ? kMissing : index;
}

const VnEncoder::Missing& VnEncoder::Registered() const {
  static const Missing kNone;
  return missing_ != nullptr ? *missing_ : kNone;
}

VnEncoder::Missing& VnEncoder::Registering() {
  if (missing_ == nullptr) missing_ = std::make_unique<Missing>();
  return *missing_;
}

void VnEncoder::AddMissingText(const std::string& text, const std::string& fieldName) {
  Missing& missing = Registering();
  missing.fieldName = fieldName;
  missing.texts.push_back(text);
  missing.index.Insert(text, 0);
}

void VnEncoder::AddMissingNumber(double value, const std::string& fieldName) {
  Missing& missing = Registering();
  missing.fieldName = fieldName;
  missing.numbers.push_back(value);
}

void VnEncoder::AddMissingRange(double low, double high) {
  Registering().ranges.emplace_back(low, high);
}

bool VnEncoder::IsMissingValue(double value) const {
  if (missing_ == nullptr) return false;
  for (const double number : missing_->numbers) {
    if (number == value) return true;
  }
  for (const auto& range : missing_->ranges) {
    if (value >= range.first && value <= range.second) return true;
  }
  return false;
}

bool VnEncoder::IsMissingText(std::string_view text) const {
  return IsMissingTextIn(text);
}

}  // namespace VnXML_1_2
