// libFuzzer entry for the csv driver.
#include "host/FuzzDrivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VnKxHost::FuzzCsv(data, size);
  return 0;
}
