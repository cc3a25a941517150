#pragma once

// Lets long-running code poll whether its work should stop.

#include "external/common/VnExport.h"

namespace VnCommon_1_2 {

class VNCOMMON_API VnQueryCancel {
 public:
  virtual ~VnQueryCancel() = default;
  // True once the work has been cancelled.
  virtual bool IsCancelled() const = 0;
  // True when the work has been asked to pause.
  virtual bool IsInterrupted() const = 0;
};

}  // namespace VnCommon_1_2
