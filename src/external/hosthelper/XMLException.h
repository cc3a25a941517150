#pragma once

#include <stdexcept>
#include <string>

#include "external/hosthelper/KxExport.h"

namespace KxCppHelperV1 {

// Thrown for malformed document text and for reads of or additions to an invalid element.
class KXCOMSERV_API XMLException : public std::runtime_error {
 public:
  explicit XMLException(const std::string& message);
  ~XMLException() override;
};

}  // namespace KxCppHelperV1
