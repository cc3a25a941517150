#pragma once

// Small pieces of XML's grammar that the declaration readers share: spaces, controls, names and
// name tokens, keywords.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "external/hosthelper/detail/XMLChars.h"
#include "external/hosthelper/detail/XMLDoctype.h"

namespace KxCppHelperV1 {
namespace xmltree {

inline bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// Refuses the control characters XML forbids in [from, to).
inline void CheckControls(const char* begin, const char* from, const char* to) {
  for (const char* s = from; s != to; ++s) {
    if (IsControl(*s)) Malformed(begin, s, "a control character XML forbids");
  }
}

inline bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline const char* SkipSpaces(const char* s) {
  while (IsSpace(*s)) ++s;
  return s;
}

// The length of the name characters at `s`, the first of them a name start character when
// `name` (a Name) or any name character (a Nmtoken); 0 when none.
inline std::size_t NameCharsLength(const char* s, bool name) {
  const auto* u = reinterpret_cast<const unsigned char*>(s);
  std::size_t i = 0;
  for (;;) {
    std::size_t n = 1;
    // The text is zero-terminated: a sequence is cut short by its zero at the latest.
    const std::uint32_t c = xmlchars::DecodeUtf8(u + i, 4, n);
    if (c == 0 || c == xmlchars::kInvalid ||
        !(i == 0 && name ? xmlchars::IsNameStartChar(c) : xmlchars::IsNameChar(c))) {
      return i;
    }
    i += n;
  }
}

inline std::size_t NmtokenLength(const char* s) {
  return NameCharsLength(s, false);
}

// Whether `word` is at `s`, not followed by a name character.
inline bool KeywordAt(const char* s, const char* word) {
  const std::size_t n = std::strlen(word);
  return std::strncmp(s, word, n) == 0 && NmtokenLength(s + n) == 0;
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
