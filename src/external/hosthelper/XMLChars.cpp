#include "external/hosthelper/detail/XMLChars.h"

#include <cstring>

namespace KxCppHelperV1 {
namespace xmlchars {

char* EncodeUtf8(std::uint32_t code, char* out) {
  if (code < 0x80) {
    *out++ = static_cast<char>(code);
  } else if (code < 0x800) {
    *out++ = static_cast<char>(0xC0 | (code >> 6));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (code >> 12));
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (code >> 18));
    *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

std::uint32_t ReadCharReference(const char*& in) {
  const char* s = in + 2;
  const bool hex = *s == 'x';
  if (hex) ++s;
  std::uint32_t code = 0;
  const char* digits = s;
  for (;; ++s) {
    int digit = -1;
    if (*s >= '0' && *s <= '9') {
      digit = *s - '0';
    } else if (hex && *s >= 'a' && *s <= 'f') {
      digit = *s - 'a' + 10;
    } else if (hex && *s >= 'A' && *s <= 'F') {
      digit = *s - 'A' + 10;
    }
    if (digit < 0) break;
    code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    if (code > 0x10FFFF) code = 0x110000;  // stays out of range, never wraps
  }
  if (s == digits || *s != ';') return kInvalid;
  in = s + 1;
  return code;
}

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
