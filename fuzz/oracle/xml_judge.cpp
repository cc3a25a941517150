// Judges XML files with our reader and libxml2: one line per file, and a non-zero exit when any
// disagree. Usage: xml_judge FILE...
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "XmlOracle.h"

int main(int argc, char** argv) {
  int disagreements = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    const VnKxOracle::Judgement j =
        VnKxOracle::Judge(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    std::printf("%s ours=%s libxml2=%s%s%s\n", argv[i], j.oursAccepted ? "accept" : "reject",
                j.referenceAccepted ? "accept" : "reject",
                j.disagreement.empty() ? "" : " DIFFERS: ", j.disagreement.c_str());
    if (!j.oursAccepted) std::printf("    ours: %s\n", j.oursMessage.c_str());
    if (!j.referenceAccepted) std::printf("    libxml2: %s\n", j.referenceMessage.c_str());
    disagreements += !j.disagreement.empty();
  }
  std::printf("%d of %d files disagree\n", disagreements, argc - 1);
  return disagreements == 0 ? 0 : 1;
}
