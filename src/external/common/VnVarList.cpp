#include "external/common/VnVarList.h"

namespace VnXML_1_2 {

VnVarList::VnVarList() = default;
VnVarList::~VnVarList() = default;
VnVarList::VnVarList(VnVarList&&) noexcept = default;
VnVarList& VnVarList::operator=(VnVarList&&) noexcept = default;

int VnVarList::Add(std::unique_ptr<VnVariable> variable) {
  variables_.push_back(std::move(variable));
  return static_cast<int>(variables_.size() - 1);
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label, int count,
                         IVnVariable::MeasureLevel measure, IVnVariable::VariableRole role) {
  return Add(std::make_unique<VnCatVar>(name, label, count, measure, role));
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label,
                         const std::vector<std::string>& values,
                         const std::vector<std::string>& valueLabels,
                         IVnVariable::VariableRole role) {
  return Add(
      std::make_unique<VnCatVar>(name, label, values, std::vector<double>(), valueLabels, role));
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label,
                         const std::vector<std::string>& values,
                         const std::vector<double>& frequencies,
                         const std::vector<std::string>& valueLabels,
                         IVnVariable::VariableRole role) {
  return Add(std::make_unique<VnCatVar>(name, label, values, frequencies, valueLabels, role));
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label,
                         const std::vector<double>& values,
                         const std::vector<std::string>& valueLabels,
                         IVnVariable::VariableRole role) {
  return Add(
      std::make_unique<VnCatVar>(name, label, values, std::vector<double>(), valueLabels, role));
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label,
                         const std::vector<double>& values, const std::vector<double>& frequencies,
                         const std::vector<std::string>& valueLabels,
                         IVnVariable::VariableRole role) {
  return Add(std::make_unique<VnCatVar>(name, label, values, frequencies, valueLabels, role));
}

int VnVarList::AddContVar(const std::string& name, const std::string& label, double low,
                          double high, IVnVariable::VariableRole role, bool binned, int numBins) {
  return Add(std::make_unique<VnContVar>(name, label, low, high, role, binned, numBins));
}

int VnVarList::AddContVar(const std::string& name, const std::string& label, double low,
                          double high, const std::vector<double>& cutPoints, bool binned,
                          IVnVariable::VariableRole role) {
  return Add(std::make_unique<VnContVar>(name, label, low, high, cutPoints, binned, role));
}

int VnVarList::SetWeightVar(const std::string& name, const std::string& label,
                            IVnVariable::WRoundingOption rounding) {
  weightIndex_ = Add(std::make_unique<VnContVar>(name, label, rounding));
  return weightIndex_;
}

void VnVarList::SetFieldFormatsElement(XMLElement* formats) {
  formats_.reset(formats);
}

IVnVariable* VnVarList::GetVarAt(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= variables_.size()) return nullptr;
  return variables_[static_cast<std::size_t>(index)].get();
}

IVnEncoder* VnVarList::GetEncoderAt(int index) const {
  IVnVariable* variable = GetVarAt(index);
  return variable == nullptr ? nullptr : variable->GetEncoder();
}

}  // namespace VnXML_1_2
