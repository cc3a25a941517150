#include "external/common/VnVarList.h"

#include <cstddef>
#include <new>
#include <utility>

namespace VnXML_1_2 {

VnVarList::VnVarList() = default;
VnVarList::~VnVarList() = default;
VnVarList::VnVarList(VnVarList&&) noexcept = default;

VnVarList& VnVarList::operator=(VnVarList&& other) noexcept {
  // The variables end before the arena that holds them is replaced.
  variables_.clear();
  arena_ = std::move(other.arena_);
  variables_ = std::move(other.variables_);
  formats_ = std::move(other.formats_);
  unweightedCount_ = other.unweightedCount_;
  weightedCount_ = other.weightedCount_;
  droppedCount_ = other.droppedCount_;
  weightIndex_ = other.weightIndex_;
  return *this;
}

template <typename Variable, typename... Arguments>
int VnVarList::Add(Arguments&&... arguments) {
  static_assert(alignof(Variable) <= alignof(std::max_align_t), "the arena's alignment");
  Owned made(new (arena_.Allocate(sizeof(Variable)))
                 Variable(std::forward<Arguments>(arguments)...));
  variables_.push_back(std::move(made));
  return static_cast<int>(variables_.size() - 1);
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label, int count,
                         IVnVariable::MeasureLevel measure, IVnVariable::VariableRole role) {
  return Add<VnCatVar>(name, label, count, measure, role);
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label,
                         const std::vector<std::string>& values,
                         const std::vector<std::string>& valueLabels,
                         IVnVariable::VariableRole role) {
  return Add<VnCatVar>(name, label, values, std::vector<double>(), valueLabels, role, &arena_);
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label,
                         const std::vector<std::string>& values,
                         const std::vector<double>& frequencies,
                         const std::vector<std::string>& valueLabels,
                         IVnVariable::VariableRole role) {
  return Add<VnCatVar>(name, label, values, frequencies, valueLabels, role, &arena_);
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label,
                         const std::vector<double>& values,
                         const std::vector<std::string>& valueLabels,
                         IVnVariable::VariableRole role) {
  return Add<VnCatVar>(name, label, values, std::vector<double>(), valueLabels, role, &arena_);
}

int VnVarList::AddCatVar(const std::string& name, const std::string& label,
                         const std::vector<double>& values, const std::vector<double>& frequencies,
                         const std::vector<std::string>& valueLabels,
                         IVnVariable::VariableRole role) {
  return Add<VnCatVar>(name, label, values, frequencies, valueLabels, role, &arena_);
}

int VnVarList::AddContVar(const std::string& name, const std::string& label, double low,
                          double high, IVnVariable::VariableRole role, bool binned, int numBins) {
  return Add<VnContVar>(name, label, low, high, role, binned, numBins);
}

int VnVarList::AddContVar(const std::string& name, const std::string& label, double low,
                          double high, const std::vector<double>& cutPoints, bool binned,
                          IVnVariable::VariableRole role) {
  return Add<VnContVar>(name, label, low, high, cutPoints, binned, role);
}

int VnVarList::SetWeightVar(const std::string& name, const std::string& label,
                            IVnVariable::WRoundingOption rounding) {
  weightIndex_ = Add<VnContVar>(name, label, rounding);
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
