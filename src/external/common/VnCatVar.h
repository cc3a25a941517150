#pragma once

// A categorical variable: declared categories as texts or as numbers (or none, for an open
// variable that learns its categories from the data), their frequencies and labels, and the
// flag and ordinal marks.

#include <cstddef>
#include <string>
#include <vector>

#include "external/common/Arena.h"
#include "external/common/TextList.h"
#include "external/common/VnVariable.h"

namespace VnXML_1_2 {

class VNCOMMON_API VnCatVar : public VnVariable {
 public:
  // An open variable with `count` and `measure` as given.
  VnCatVar(std::string name, std::string label, int count, MeasureLevel measure, VariableRole role);
  // Declared text categories (nominal). The lists of texts start in `arena` when one is given.
  VnCatVar(std::string name, std::string label, const std::vector<std::string>& values,
           const std::vector<double>& frequencies, const std::vector<std::string>& valueLabels,
           VariableRole role, VnCommon_1_2::Arena* arena = nullptr);
  // Declared numeric categories (ordinal codes).
  VnCatVar(std::string name, std::string label, const std::vector<double>& values,
           const std::vector<double>& frequencies, const std::vector<std::string>& valueLabels,
           VariableRole role, VnCommon_1_2::Arena* arena = nullptr);

  VnCatVar* AsCatVar() override { return this; }

  void SetBinaryFlag(bool isFlag, int trueIndex) {
    binaryFlag_ = isFlag;
    binaryFlagValue_ = trueIndex;
  }
  void SetOrdinalFlag(bool ordinal) { ordinal_ = ordinal; }

  bool IsOpen() const { return open_; }
  int GetCount() const { return count_; }
  bool HasTextValues() const { return textValues_; }
  // The declared categories' texts and labels, by position.
  const VnCommon_1_2::TextList& GetTextValues() const {
    // The encoder keeps the declared texts, each once; a list that repeats one is kept here.
    return repeats_ ? texts_ : Encoder().GetDeclaredCategories();
  }
  const std::vector<double>& GetNumericValues() const { return numbers_; }
  // A copy: the frequencies are kept in a block of the variable list's.
  std::vector<double> GetFrequencies() const {
    return std::vector<double>(frequencies_.get(), frequencies_.get() + frequencyCount_);
  }
  const VnCommon_1_2::TextList& GetValueLabels() const { return valueLabels_; }
  bool IsBinaryFlag() const { return binaryFlag_; }
  int GetBinaryFlagValue() const { return binaryFlagValue_; }
  bool IsOrdinal() const { return ordinal_; }

 private:
  bool open_ = false;
  int count_ = 0;
  bool textValues_ = false;
  bool repeats_ = false;          // a declared text repeats
  VnCommon_1_2::TextList texts_;  // the declared texts, kept only when one repeats
  std::vector<double> numbers_;
  VnCommon_1_2::ArenaBlock<double> frequencies_;
  std::size_t frequencyCount_ = 0;
  VnCommon_1_2::TextList valueLabels_;
  bool binaryFlag_ = false;
  int binaryFlagValue_ = -1;
  bool ordinal_ = false;
};

}  // namespace VnXML_1_2
