#pragma once

// The XML reader's byte-level tools: character classes, the first pass over a document (SIMD,
// with the widest instructions the processor has), and small copies and name words.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace KxCppHelperV1 {
namespace xmltree {

enum CharClass : std::uint8_t {
  kSpace = 1,
  kNameStart = 2,
  kNameChar = 4,
  kTextStop = 8,       // ends the plain run of a text: '<', '&', ']', controls but tab and LF
  kAttributeStop = 16  // ends the plain run of an attribute value: quotes, '&', '<', controls
};

struct CharTable {
  std::uint8_t classes[256] = {};
  constexpr CharTable() {
    for (int c = 0; c < 256; ++c) {
      std::uint8_t bits = 0;
      const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') bits |= kSpace;
      if (letter || c == '_' || c == ':' || c >= 0x80) bits |= kNameStart | kNameChar;
      if ((c >= '0' && c <= '9') || c == '.' || c == '-') bits |= kNameChar;
      const bool control = c < 0x20 && c != '\t' && c != '\n';
      if (c == '<' || c == '&' || c == ']' || control) bits |= kTextStop;
      if (c == '"' || c == '\'' || c == '&' || c == '<' || c < 0x20) {
        bits |= kAttributeStop;
      }
      classes[c] = bits;
    }
  }
};

inline constexpr CharTable kChars;

inline bool Is(char c, CharClass bit) {
  return (kChars.classes[static_cast<unsigned char>(c)] & bit) != 0;
}

// One pass over the text: where it ends (its first zero byte, or `length`) and how many '<' and
// '=' it holds (bounds on the elements and attributes to come, so that the arrays are sized
// once).
struct Marks {
  std::size_t length = 0;
  std::size_t angles = 0;
  std::size_t equals = 0;
  // No byte above 0x7F. Text beyond ASCII is checked whole for UTF-8 and the characters XML
  // forbids; in ASCII text, the constructs that hold characters refuse the control characters.
  bool ascii = true;
};

// Counts '<' and '=' (which bound the nodes and attributes) up to the first zero byte or
// `length`, and tells whether every byte is ASCII.
Marks ScanText(const char* text, std::size_t length);

#if defined(__SSE2__)
// Sixteen-byte patterns of the characters that end a plain run of an attribute value.
struct SimdStops {
  __m128i quote = _mm_set1_epi8('"');
  __m128i apostrophe = _mm_set1_epi8('\'');
  __m128i ampersand = _mm_set1_epi8('&');
  __m128i less = _mm_set1_epi8('<');
  __m128i control = _mm_set1_epi8(0x1F);  // a byte no greater is a control character
};
inline const SimdStops kSimd;
#endif

// The predefined entity of `name`, or 0.
inline char Predefined(std::string_view name) {
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "amp") return '&';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  return 0;
}

// Copies `text` to `target` with a zero after it.
inline void CopyTerminated(char* target, std::string_view text) {
  if (!text.empty()) std::memcpy(target, text.data(), text.size());
  target[text.size()] = '\0';
}

// Copies [from, to) to `out`; returns the end of the copy.
inline char* CopyRun(const char* from, const char* to, char* out) {
  const auto length = static_cast<std::size_t>(to - from);
  if (length != 0) std::memcpy(out, from, length);
  return out + length;
}

// A name's first eight bytes (fewer for a shorter name, the rest zero) as one word. With
// `readPast`, eight bytes may be read from `name` whatever its length.
inline std::uint64_t HeadOf(const char* name, std::size_t length, bool readPast) {
  std::uint64_t word = 0;
  if (!readPast || length == 0) {
    // Byte by byte into a zeroed word's bytes: a copy of a variable length would be a call.
    char bytes[8] = {};
    const std::size_t n = std::min<std::size_t>(length, 8);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = name[i];
    std::memcpy(&word, bytes, 8);
    return word;
  }
  std::memcpy(&word, name, 8);
  if (length >= 8) return word;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return word & (~std::uint64_t{0} << (64 - 8 * length));
#else
  return word & (~std::uint64_t{0} >> (64 - 8 * length));
#endif
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
