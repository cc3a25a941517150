#include "external/common/VnVariable.h"

namespace VnXML_1_2 {

VnVariable::VnVariable(std::string name, std::string label, VariableRole role, MeasureLevel measure,
                       std::unique_ptr<VnEncoder> encoder)
    : name_(std::move(name)),
      label_(std::move(label)),
      role_(role),
      measure_(measure),
      encoder_(std::move(encoder)) {}

VnVariable::~VnVariable() = default;

}  // namespace VnXML_1_2
