#include "external/common/VnVariable.h"

namespace VnXML_1_2 {

VnVariable::VnVariable(std::string name, std::string label, VariableRole role, MeasureLevel measure)
    : name_(std::move(name)), label_(std::move(label)), role_(role), measure_(measure) {}

VnVariable::VnVariable(std::string name, std::string label, VariableRole role, MeasureLevel measure,
                       const std::vector<std::string>& categories, VnCommon_1_2::Arena* arena)
    : name_(std::move(name)),
      label_(std::move(label)),
      role_(role),
      measure_(measure),
      encoder_(categories, arena) {}

VnVariable::~VnVariable() = default;

}  // namespace VnXML_1_2
