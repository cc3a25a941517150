#include "external/common/VnContVar.h"

namespace VnXML_1_2 {

VnContVar::VnContVar(std::string name, std::string label, double low, double high,
                     VariableRole role, bool binned, int numBins)
    : VnVariable(std::move(name), std::move(label), role, ML_SCALE),
      low_(low),
      high_(high),
      binned_(binned),
      numBins_(numBins) {}

VnContVar::VnContVar(std::string name, std::string label, double low, double high,
                     const std::vector<double>& cutPoints, bool binned, VariableRole role)
    : VnVariable(std::move(name), std::move(label), role, ML_SCALE),
      low_(low),
      high_(high),
      binned_(binned),
      cutPoints_(cutPoints) {}

VnContVar::VnContVar(std::string name, std::string label, WRoundingOption rounding)
    : VnVariable(std::move(name), std::move(label), VR_FREQWEIGHT, ML_SCALE),
      weight_(true),
      rounding_(rounding) {}

}  // namespace VnXML_1_2
