// libFuzzer entry for the context driver.
#include "host/FuzzDrivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VnKxHost::FuzzContext(data, size);
  return 0;
}
