#pragma once

// Turns a variable's category texts into the numbers stored in a Record and recognises the
// values registered as missing. -1.0 is the encoders' missing result.

#include <string>
#include <string_view>

#include "external/common/VnExport.h"

namespace VnXML_1_2 {

class VNCOMMON_API IVnEncoder {
 public:
  static constexpr double kMissing = -1.0;

  virtual ~IVnEncoder() = default;
  // The index of `text` among the categories; an unknown text is appended as a new category.
  // A registered missing text gives kMissing.
  virtual double EncodeOpen(std::string_view text) = 0;
  // The index of `text` among the declared categories; kMissing for an unknown or missing
  // text.
  virtual double EncodeDeclared(std::string_view text) const = 0;

  // Registration of user-missing values; `fieldName` names the field they come from.
  virtual void AddMissingText(const std::string& text, const std::string& fieldName) = 0;
  virtual void AddMissingNumber(double value, const std::string& fieldName) = 0;
  // Every value in [low, high] is missing.
  virtual void AddMissingRange(double low, double high) = 0;

  // Whether a value is a registered missing number or lies in a registered missing range.
  virtual bool IsMissingValue(double value) const = 0;
  virtual bool IsMissingText(std::string_view text) const = 0;
};

}  // namespace VnXML_1_2
