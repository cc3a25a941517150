#pragma once

// Equality of short texts (names, keys, categories) without a call into the C library.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace KxCppHelperV1 {

// Whether two texts are equal. Names and keys are short: a few word compares kept inline beat
// both a byte loop and a call into the C library. Reads stay within both texts.
inline bool SameText(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  const char* p = a.data();
  const char* q = b.data();
  const auto word = [](const char* at) {
    std::uint64_t w;
    std::memcpy(&w, at, 8);
    return w;
  };
  const auto half = [](const char* at) {
    std::uint32_t w;
    std::memcpy(&w, at, 4);
    return w;
  };
  if (n >= 8) {
    // Whole words, then the last eight bytes (overlapping the previous word when n is not a
    // multiple of eight).
    for (std::size_t i = 0; i + 8 < n; i += 8) {
      if (word(p + i) != word(q + i)) return false;
    }
    return word(p + n - 8) == word(q + n - 8);
  }
  if (n >= 4) return half(p) == half(q) && half(p + n - 4) == half(q + n - 4);
  if (n == 0) return true;
  return p[0] == q[0] && p[n / 2] == q[n / 2] && p[n - 1] == q[n - 1];
}

}  // namespace KxCppHelperV1
