// libFuzzer entry for the xml driver.
#include "host/FuzzDrivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VnKxHost::FuzzXml(data, size);
  return 0;
}
