// libFuzzer entry for the parameters driver.
#include "host/FuzzDrivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VnKxHost::FuzzParameters(data, size);
  return 0;
}
