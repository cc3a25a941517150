#pragma once

// Turns one data-model document into an ordered list of field descriptions. The parser owns
// its fields. Cancel may be called from another thread while a parse runs; everything else is
// used by one thread at a time.

#include <atomic>
#include <vector>

#include "VnKxExport.h"

namespace VnKx_1_2 {

class VNKX_API DataModelParser {
 public:
  DataModelParser();
  DataModelParser(const DataModelParser&) = delete;
  DataModelParser& operator=(const DataModelParser&) = delete;
  ~DataModelParser();

  // Stops the field loop before the next field.
  void Cancel() { cancelled_.store(true); }
  bool WasCancelled() const { return cancelled_.load(); }

 private:
  std::atomic<bool> cancelled_{false};
};

}  // namespace VnKx_1_2
