#pragma once

// One variable of a variable list, as an algorithm sees it.

#include <memory>
#include <string>

#include "external/common/VnExport.h"

namespace VnXML_1_2 {

class IVnEncoder;
class XMLElement;
class VnCatVar;
class VnContVar;

class VNCOMMON_API IVnVariable {
 public:
  // How the values are measured.
  enum MeasureLevel {
    ML_UNKNOWN = 0,
    ML_SCALE = 1,    // continuous numbers
    ML_ORDINAL = 2,  // ordered categories (numeric codes)
    ML_NOMINAL = 3,  // unordered categories (texts)
  };
  // The part a variable plays in a model.
  enum VariableRole {
    VR_NONE = 0,
    VR_SPLIT = 1,
    VR_TARGET = 2,
    VR_BOTH = 3,
    VR_INPUT = 4,
    VR_PARTITION = 5,
    VR_FREQWEIGHT = 6,
    VR_RECORDID = 7,
  };
  // How a frequency weight is turned into a whole count.
  enum WRoundingOption {
    WR_NONE = 0,
    WR_TRUNCATE = 1,
    WR_ROUND = 2,
    WR_CEILING = 3,
  };

  virtual ~IVnVariable() = default;

  virtual const std::string& GetName() const = 0;
  virtual const std::string& GetLabel() const = 0;
  virtual VariableRole GetRole() const = 0;
  virtual MeasureLevel GetMeasureLevel() const = 0;

  // Storage of the field behind the variable: 1 integer, 2 real, 3 string, 4 date, 5 time,
  // 6 timestamp; 0 until set.
  virtual void SetStorageType(int storage) = 0;
  virtual int GetStorageType() const = 0;
  // Takes the display-format tree over (replacing and freeing an earlier one).
  virtual void SetFieldFormat(XMLElement* format) = 0;
  virtual const XMLElement* GetFieldFormat() const = 0;

  virtual IVnEncoder* GetEncoder() = 0;
  // The variable as its kind, or null when it is of the other kind.
  virtual VnCatVar* AsCatVar() { return nullptr; }
  virtual VnContVar* AsContVar() { return nullptr; }
};

}  // namespace VnXML_1_2
