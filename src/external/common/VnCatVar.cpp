#include "external/common/VnCatVar.h"

#include <algorithm>

namespace VnXML_1_2 {

VnCatVar::VnCatVar(std::string name, std::string label, int count, MeasureLevel measure,
                   VariableRole role)
    : VnVariable(std::move(name), std::move(label), role, measure), open_(true), count_(count) {}

VnCatVar::VnCatVar(std::string name, std::string label, const std::vector<std::string>& values,
                   const std::vector<double>& frequencies,
                   const std::vector<std::string>& valueLabels, VariableRole role,
                   VnCommon_1_2::Arena* arena)
    : VnVariable(std::move(name), std::move(label), role, ML_NOMINAL, values, arena),
      count_(static_cast<int>(values.size())),
      textValues_(true),
      frequencies_(frequencies.size(), arena),
      frequencyCount_(frequencies.size()),
      valueLabels_(valueLabels, arena) {
  std::copy(frequencies.begin(), frequencies.end(), frequencies_.get());
  repeats_ = Encoder().GetDeclaredCategories().Size() != values.size();
  if (repeats_) texts_ = VnCommon_1_2::TextList(values);
}

VnCatVar::VnCatVar(std::string name, std::string label, const std::vector<double>& values,
                   const std::vector<double>& frequencies,
                   const std::vector<std::string>& valueLabels, VariableRole role,
                   VnCommon_1_2::Arena* arena)
    : VnVariable(std::move(name), std::move(label), role, ML_ORDINAL),
      count_(static_cast<int>(values.size())),
      numbers_(values),
      frequencies_(frequencies.size(), arena),
      frequencyCount_(frequencies.size()),
      valueLabels_(valueLabels, arena) {
  std::copy(frequencies.begin(), frequencies.end(), frequencies_.get());
}

}  // namespace VnXML_1_2
