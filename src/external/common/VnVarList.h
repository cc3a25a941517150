#pragma once

// The variables that an algorithm works on, in the order added (the frequency weight among
// them), with the record counts and the document's display formats. Owns its variables, their
// encoders and the formats element. The variables, and the lists they are built with, are made
// in the list's own arena: a variable list is built once, field by field, and released whole.
// Not copyable; one thread at a time.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "external/common/Arena.h"
#include "external/common/IVnVariable.h"
#include "external/common/VnCatVar.h"
#include "external/common/VnContVar.h"

namespace VnXML_1_2 {

class VNCOMMON_API VnVarList {
 public:
  VnVarList();
  ~VnVarList();
  VnVarList(const VnVarList&) = delete;
  VnVarList& operator=(const VnVarList&) = delete;
  VnVarList(VnVarList&&) noexcept;
  VnVarList& operator=(VnVarList&&) noexcept;

  // Each Add returns the new variable's index.
  // An open categorical variable.
  int AddCatVar(const std::string& name, const std::string& label, int count,
                IVnVariable::MeasureLevel measure, IVnVariable::VariableRole role);
  // Declared text categories, without and with frequencies.
  int AddCatVar(const std::string& name, const std::string& label,
                const std::vector<std::string>& values, const std::vector<std::string>& valueLabels,
                IVnVariable::VariableRole role);
  int AddCatVar(const std::string& name, const std::string& label,
                const std::vector<std::string>& values, const std::vector<double>& frequencies,
                const std::vector<std::string>& valueLabels, IVnVariable::VariableRole role);
  // Declared numeric categories, without and with frequencies.
  int AddCatVar(const std::string& name, const std::string& label,
                const std::vector<double>& values, const std::vector<std::string>& valueLabels,
                IVnVariable::VariableRole role);
  int AddCatVar(const std::string& name, const std::string& label,
                const std::vector<double>& values, const std::vector<double>& frequencies,
                const std::vector<std::string>& valueLabels, IVnVariable::VariableRole role);
  // A continuous variable binned into `numBins` (when `binned`).
  int AddContVar(const std::string& name, const std::string& label, double low, double high,
                 IVnVariable::VariableRole role, bool binned, int numBins);
  // A continuous variable binned at cut points (when `binned`).
  int AddContVar(const std::string& name, const std::string& label, double low, double high,
                 const std::vector<double>& cutPoints, bool binned, IVnVariable::VariableRole role);
  // Adds the frequency-weight variable; it counts in Size() like any other.
  int SetWeightVar(const std::string& name, const std::string& label,
                   IVnVariable::WRoundingOption rounding);

  void SetUnWeightedCount(double count) { unweightedCount_ = count; }
  void SetWeightedCount(double count) { weightedCount_ = count; }
  void SetDroppedCount(double count) { droppedCount_ = count; }
  // The counts; -1.0 until set.
  double GetUnWeightedCount() const { return unweightedCount_; }
  double GetWeightedCount() const { return weightedCount_; }
  double GetDroppedCount() const { return droppedCount_; }

  // Takes the document's display formats over (replacing and freeing earlier ones).
  void SetFieldFormatsElement(XMLElement* formats);
  const XMLElement* GetFieldFormatsElement() const { return formats_.get(); }

  std::size_t Size() const { return variables_.size(); }
  // The variable at `index`, or null when out of range.
  IVnVariable* GetVarAt(int index) const;
  // The encoder of the variable at `index`, or null when out of range.
  IVnEncoder* GetEncoderAt(int index) const;
  // Index of the weight variable, or -1.
  int GetWeightVarIndex() const { return weightIndex_; }

 private:
  // Ends a variable's life; its memory goes with the arena.
  struct Destroy {
    void operator()(VnVariable* variable) const { variable->~VnVariable(); }
  };
  using Owned = std::unique_ptr<VnVariable, Destroy>;

  // A `Variable` made in the arena from `arguments`, added at the end.
  template <typename Variable, typename... Arguments>
  int Add(Arguments&&... arguments);

  // Declared before the variables, so that it outlives them.
  VnCommon_1_2::Arena arena_;
  std::vector<Owned> variables_;
  std::unique_ptr<XMLElement> formats_;
  double unweightedCount_ = -1.0;
  double weightedCount_ = -1.0;
  double droppedCount_ = -1.0;
  int weightIndex_ = -1;
};

}  // namespace VnXML_1_2
