// libFuzzer entry for the datamodel driver.
#include "host/FuzzDrivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VnKxHost::FuzzDataModel(data, size);
  return 0;
}
