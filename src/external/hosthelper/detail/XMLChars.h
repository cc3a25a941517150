#pragma once

// XML 1.0 (fifth edition) character and name rules on UTF-8 text, for the reader's slow paths:
// text that is all ASCII without control characters never reaches them.

#include <cstddef>
#include <cstdint>

#include "external/hosthelper/KxExport.h"

namespace KxCppHelperV1 {
namespace xmlchars {

constexpr std::uint32_t kInvalid = 0xFFFFFFFFu;

// Char ::= #x9 | #xA | #xD | [#x20-#xD7FF] | [#xE000-#xFFFD] | [#x10000-#x10FFFF]
inline bool IsChar(std::uint32_t c) {
  if (c < 0x20) return c == 0x9 || c == 0xA || c == 0xD;
  if (c <= 0xD7FF) return true;
  if (c < 0xE000) return false;
  if (c <= 0xFFFD) return true;
  return c >= 0x10000 && c <= 0x10FFFF;
}

inline bool IsNameStartChar(std::uint32_t c) {
  if (c < 0x80) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
  }
  return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
         (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
         (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
         (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0xEFFFF);
}

inline bool IsNameChar(std::uint32_t c) {
  if (IsNameStartChar(c)) return true;
  if (c < 0x80) return (c >= '0' && c <= '9') || c == '-' || c == '.';
  return c == 0xB7 || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Decodes the UTF-8 sequence at `s` (`left` bytes available, at least one): its code point, with
// `length` set to its bytes; kInvalid for an overlong, truncated or surrogate sequence, a code
// point above U+10FFFF or a byte that starts none.
inline std::uint32_t DecodeUtf8(const unsigned char* s, std::size_t left, std::size_t& length) {
  const unsigned char b = s[0];
  if (b < 0x80) {
    length = 1;
    return b;
  }
  std::uint32_t c;
  std::uint32_t minimum;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    c = b & 0x1Fu;
    minimum = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    c = b & 0x0Fu;
    minimum = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    c = b & 0x07u;
    minimum = 0x10000;
  } else {
    length = 1;
    return kInvalid;
  }
  if (left < length) {
    length = 1;
    return kInvalid;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) {
      length = 1;
      return kInvalid;
    }
    c = (c << 6) | (s[i] & 0x3Fu);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    length = 1;
    return kInvalid;
  }
  return c;
}

// Writes code point `code` as UTF-8 at `out`; returns the end.
char* EncodeUtf8(std::uint32_t code, char* out);

// The character reference at `in` ("&#", in zero-terminated text): its code point, with `in`
// moved past its ';'; kInvalid (nothing moved) when it is malformed. The code point may be one
// that XML forbids.
std::uint32_t ReadCharReference(const char*& in);

// The offset of the first byte in text[0, length) that is not part of a valid UTF-8 sequence
// of an XML character, or `length` when there is none. `utf8` is set when it is invalid UTF-8
// there (rather than a character XML forbids).
KXCOMSERV_API std::size_t FirstInvalidChar(const char* text, std::size_t length, bool& utf8);

// Whether name[0, length) is an XML Name (a name start character, then name characters), in
// UTF-8.
bool IsName(const char* name, std::size_t length);

}  // namespace xmlchars
}  // namespace KxCppHelperV1
