#include "external/hosthelper/XMLChars.h"

#include <cstring>

namespace KxCppHelperV1 {
namespace xmlchars {

std::size_t FirstInvalidChar(const char* text, std::size_t length, bool& utf8) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  std::size_t i = 0;
  while (i < length) {
    // Eight plain ASCII bytes at a time: none with the high bit, none below 0x20.
    if (length - i >= 8) {
      std::uint64_t word;
      std::memcpy(&word, s + i, 8);
      const std::uint64_t high = word & 0x8080808080808080ull;
      const std::uint64_t low = (word - 0x2020202020202020ull) & ~word & 0x8080808080808080ull;
      if ((high | low) == 0) {
        i += 8;
        continue;
      }
    }
    std::size_t n = 1;
    const std::uint32_t c = DecodeUtf8(s + i, length - i, n);
    if (c == kInvalid || !IsChar(c)) {
      utf8 = c == kInvalid;
      return i;
    }
    i += n;
  }
  return length;
}

bool IsName(const char* name, std::size_t length) {
  const auto* s = reinterpret_cast<const unsigned char*>(name);
  for (std::size_t i = 0; i < length;) {
    std::size_t n = 1;
    const std::uint32_t c = DecodeUtf8(s + i, length - i, n);
    if (c == kInvalid || !(i == 0 ? IsNameStartChar(c) : IsNameChar(c))) return false;
    i += n;
  }
  return length != 0;
}

}  // namespace xmlchars
}  // namespace KxCppHelperV1
