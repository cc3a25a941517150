#pragma once

// The encoder of one variable: categories by hash look-up (first occurrence wins for a
// repeated text), missing texts, numbers and ranges. The declared categories are fixed at
// construction; those that EncodeOpen learns from the data follow them. Most variables declare no
// missing values, so those lists are allocated with the first one registered.

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "external/common/IVnEncoder.h"
#include "external/common/TextIndex.h"

namespace VnXML_1_2 {

class VNCOMMON_API VnEncoder : public IVnEncoder {
 public:
  VnEncoder() = default;
  // Declares the categories in order; duplicates keep the index of their first occurrence. The
  // index of the declared categories starts in `arena` when one is given.
  explicit VnEncoder(const std::vector<std::string>& categories,
                     VnCommon_1_2::Arena* arena = nullptr);
  ~VnEncoder() override;

  double EncodeOpen(std::string_view text) override;
  double EncodeDeclared(std::string_view text) const override;
  void AddMissingText(const std::string& text, const std::string& fieldName) override;
  void AddMissingNumber(double value, const std::string& fieldName) override;
  void AddMissingRange(double low, double high) override;
  bool IsMissingValue(double value) const override;
  bool IsMissingText(std::string_view text) const override;

  // Number of categories (declared ones, repeats included, and those appended by EncodeOpen).
  std::size_t GetCategoryCount() const {
    return declaredCount_ + (learned_ != nullptr ? learned_->Size() : 0);
  }
  // The declared categories' texts, each once, in the order first declared.
  const VnCommon_1_2::TextList& GetDeclaredCategories() const { return declared_.Keys(); }
  const std::vector<std::string>& GetMissingTexts() const { return Registered().texts; }
  const std::vector<double>& GetMissingNumbers() const { return Registered().numbers; }
  const std::vector<std::pair<double, double>>& GetMissingRanges() const {
    return Registered().ranges;
  }
  // The field named by the latest missing text or number; empty before one.
  const std::string& GetFieldName() const { return Registered().fieldName; }

 private:
  struct Missing {
    VnCommon_1_2::TextIndex index;  // of `texts`
    std::vector<std::string> texts;
    std::vector<double> numbers;
    std::vector<std::pair<double, double>> ranges;
    std::string fieldName;
  };
  // The registered missing values; empty lists when there are none.
  const Missing& Registered() const;
  Missing& Registering();
  bool IsMissingTextIn(std::string_view text) const {
    return missing_ != nullptr && missing_->index.Size() != 0 &&
           missing_->index.Find(text) != VnCommon_1_2::TextIndex::kAbsent;
  }

  VnCommon_1_2::TextIndex declared_;
  std::size_t declaredCount_ = 0;
  // Categories met by EncodeOpen beyond the declared ones; allocated with the first.
  std::unique_ptr<VnCommon_1_2::TextIndex> learned_;
  std::unique_ptr<Missing> missing_;
};

}  // namespace VnXML_1_2
