#pragma once

// Equality, hashing and copying of short texts (names, keys, categories), a word at a time and
// without calls into the C library.

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

// Copies the first and the last sizeof(Word) bytes of text[0, n) to `out`, sizeof(Word) <= n
// <= 2 * sizeof(Word): the whole text, in two overlapping moves.
template <typename Word>
inline void CopyEnds(char* out, const char* text, std::size_t n) {
  Word first;
  Word last;
  std::memcpy(&first, text, sizeof(Word));
  std::memcpy(&last, text + n - sizeof(Word), sizeof(Word));
  std::memcpy(out, &first, sizeof(Word));
  std::memcpy(out + n - sizeof(Word), &last, sizeof(Word));
}

// Copies `text` to `out`, which has room for it. Up to sixteen bytes move as two overlapping
// words (or halves, or bytes) kept inline; longer texts go to the C library.
inline void CopyText(char* out, std::string_view text) {
  const char* p = text.data();
  const std::size_t n = text.size();
  if (n > 16) {
    std::memcpy(out, p, n);
  } else if (n >= 8) {
    CopyEnds<std::uint64_t>(out, p, n);
  } else if (n >= 4) {
    CopyEnds<std::uint32_t>(out, p, n);
  } else if (n != 0) {
    out[0] = p[0];
    out[n / 2] = p[n / 2];
    out[n - 1] = p[n - 1];
  }
}

// A well-mixed 64-bit hash of a text, eight bytes at a time (the last eight overlapping the
// word before them). A table that holds texts from outside passes a secret `seed` of its own, so
// that no one can choose texts that collide in it.
inline std::uint64_t HashText(std::string_view text, std::uint64_t seed = 0) {
  const char* p = text.data();
  std::size_t n = text.size();
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ seed ^ (n * 0xFF51AFD7ED558CCDull);
  while (n >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    p += 8;
    n -= 8;
  }
  if (n != 0) {
    // The last bytes: the text's final eight (overlapping the loop's) when it has eight.
    std::uint64_t word = 0;
    if (text.size() >= 8) {
      std::memcpy(&word, text.data() + text.size() - 8, 8);
    } else if (n >= 4) {
      // Two overlapping halves of the short text.
      std::uint32_t low;
      std::uint32_t high;
      std::memcpy(&low, p, 4);
      std::memcpy(&high, p + n - 4, 4);
      word = low | (static_cast<std::uint64_t>(high) << 32);
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
      }
    }
    h = (h ^ word) * 0x94D049BB133111EBull;
  }
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 29;
  return h;
}

}  // namespace KxCppHelperV1
