// libFuzzer entry: our XML reader against libxml2 (see oracle/XmlOracle.cpp for the differences
// kept on purpose). A disagreement aborts with both verdicts.
#include <cstdio>
#include <cstdlib>

#include "oracle/XmlOracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VnKxOracle::Judgement judgement = VnKxOracle::Judge(data, size);
  if (!judgement.disagreement.empty()) {
    std::fprintf(stderr, "disagreement: %s\n", judgement.disagreement.c_str());
    std::abort();
  }
  return 0;
}
