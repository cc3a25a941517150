#pragma once

// What every variable keeps: name, label, role, measure level, storage, display format and
// its encoder. The kinds add their own data.

#include <memory>
#include <string>
#include <vector>

#include "external/common/IVnVariable.h"
#include "external/common/VnEncoder.h"
#include "external/common/XMLElement.h"

namespace VnXML_1_2 {

class VNCOMMON_API VnVariable : public IVnVariable {
 public:
  ~VnVariable() override;

  const std::string& GetName() const override { return name_; }
  const std::string& GetLabel() const override { return label_; }
  VariableRole GetRole() const override { return role_; }
  MeasureLevel GetMeasureLevel() const override { return measure_; }
  void SetStorageType(int storage) override { storage_ = storage; }
  int GetStorageType() const override { return storage_; }
  void SetFieldFormat(XMLElement* format) override { format_.reset(format); }
  const XMLElement* GetFieldFormat() const override { return format_.get(); }
  IVnEncoder* GetEncoder() override { return &encoder_; }
  VnEncoder& Encoder() { return encoder_; }
  const VnEncoder& Encoder() const { return encoder_; }

 protected:
  // A variable whose encoder declares no categories, or `categories` in order (the encoder's
  // first blocks from `arena` when one is given).
  VnVariable(std::string name, std::string label, VariableRole role, MeasureLevel measure);
  VnVariable(std::string name, std::string label, VariableRole role, MeasureLevel measure,
             const std::vector<std::string>& categories, VnCommon_1_2::Arena* arena = nullptr);

 private:
  std::string name_;
  std::string label_;
  VariableRole role_;
  MeasureLevel measure_;
  int storage_ = 0;
  std::unique_ptr<XMLElement> format_;
  VnEncoder encoder_;
};

}  // namespace VnXML_1_2
