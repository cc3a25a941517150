#pragma once

// Our XML reader judged by libxml2, a conforming XML 1.0 parser. Both read the same bytes; they
// must agree on accepting or rejecting them and, where both accept, on the tree (element names,
// attributes in order with their decoded values, character data), which is compared through
// libxml2's reading of what our writer makes of the document. Used by the differential fuzz
// target and by the corpus test.

#include <cstddef>
#include <cstdint>
#include <string>

namespace VnKxOracle {

struct Judgement {
  bool oursAccepted = false;
  bool referenceAccepted = false;
  // Why ours rejected the text, or the reference did (first error).
  std::string oursMessage;
  std::string referenceMessage;
  // Empty when the two agree (or differ only as a chosen difference allows); otherwise what
  // differs.
  std::string disagreement;
};

Judgement Judge(const std::uint8_t* data, std::size_t size);

}  // namespace VnKxOracle
